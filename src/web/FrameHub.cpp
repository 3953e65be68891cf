// SPDX-License-Identifier: GPL-3.0-or-later
#include "FrameHub.h"

#include <turbojpeg.h>

namespace {

constexpr int quality = 75;

} // namespace

FrameHub::FrameHub(int widest)
    : m_widest(widest)
    , m_encoder([this] { encodeLoop(); })
{}

FrameHub::~FrameHub()
{
    shutdown();
}

std::optional<FrameHub::Frame> FrameHub::frameAfter(quint64 after, std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_lock);
    m_lastAsked = Clock::now();
    if (after > m_newest.sequence)
        after = 0;
    m_changed.wait_for(lock, limit, [&] { return m_closed || m_newest.sequence > after; });
    if (m_newest.sequence <= after)
        return std::nullopt;
    return m_newest;
}

bool FrameHub::watched() const
{
    const std::lock_guard lock(m_lock);
    return m_lastAsked != Clock::time_point{} && Clock::now() - m_lastAsked < watchSpan;
}

void FrameHub::offer(const QImage& picture)
{
    if (picture.isNull())
        return;
    const std::lock_guard lock(m_lock);
    m_pending = picture;
    m_changed.notify_all();
}

void FrameHub::shutdown()
{
    {
        const std::lock_guard lock(m_lock);
        m_closed = true;
        m_changed.notify_all();
    }
    if (m_encoder.joinable())
        m_encoder.join();
}

void FrameHub::encodeLoop()
{
    std::unique_lock lock(m_lock);
    for (;;) {
        m_changed.wait(lock, [this] { return m_closed || !m_pending.isNull(); });
        if (m_closed)
            return;
        const QImage picture = std::exchange(m_pending, QImage());
        lock.unlock();
        QByteArray jpeg = encode(picture);
        lock.lock();
        if (jpeg.isEmpty())
            continue;
        m_newest = Frame{m_newest.sequence + 1, std::move(jpeg)};
        m_changed.notify_all();
    }
}

QByteArray FrameHub::encode(const QImage& picture) const
{
    QImage rgb = picture.width() > m_widest
                     ? picture.scaledToWidth(m_widest, Qt::SmoothTransformation)
                     : picture;
    rgb = std::move(rgb).convertToFormat(QImage::Format_RGB888);
    tjhandle handle = tjInitCompress();
    if (!handle)
        return {};
    unsigned char* out = nullptr;
    unsigned long size = 0;
    QByteArray jpeg;
    if (tjCompress2(handle, rgb.constBits(), rgb.width(), int(rgb.bytesPerLine()), rgb.height(),
                    TJPF_RGB, &out, &size, TJSAMP_420, quality, TJFLAG_FASTDCT) == 0)
        jpeg = QByteArray(reinterpret_cast<const char*>(out), qsizetype(size));
    tjFree(out);
    tjDestroy(handle);
    return jpeg;
}
