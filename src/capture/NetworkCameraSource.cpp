// SPDX-License-Identifier: GPL-3.0-or-later
#include <gst/gst.h>

#include "NetworkCameraSource.h"

#include "GstCameraPipeline.h"
#include "LogCategories.h"
#include "Texts.h"

#include <QVideoFrame>

#include <algorithm>
#include <mutex>

using namespace std::chrono_literals;

namespace {
constexpr std::chrono::milliseconds firstPause = 1s;
constexpr std::chrono::milliseconds longestPause = 30s;
constexpr std::chrono::milliseconds silenceCheck = 250ms;
} // namespace

// Where a pipeline's streaming threads leave frames and faults for the
// user-interface thread. Only the newest frame waits; one call is queued
// for it however many frames come meanwhile.
struct NetworkCameraSource::Mailbox
{
    // Held while a call is queued, so that the receiver cannot go
    // meanwhile; the user-interface thread takes it only to close.
    std::mutex door;
    // Null once this run is over: nothing more is queued.
    NetworkCameraSource* receiver = nullptr;
    // Held by either side only to swap what waits: the user-interface
    // thread, woken by the queued call, must not find it held by a
    // streaming thread still busy queuing.
    std::mutex slot;
    // Set with receiver cleared: frames are no longer kept.
    bool closed = false;
    HeldSample newest;
    QVideoFrame preview;
    bool frameQueued = false;

    template <typename Call> void queue(Call call)
    {
        const std::lock_guard lock(door);
        if (NetworkCameraSource* to = receiver)
            QMetaObject::invokeMethod(
                to, [to, call] { call(to); }, Qt::QueuedConnection);
    }
};

NetworkCameraSource::NetworkCameraSource(QObject* parent)
    : QObject(parent)
    , m_pause(firstPause)
    , m_firstLimit(10s)
    , m_betweenLimit(5s)
{
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &NetworkCameraSource::launch);
    m_silence.setInterval(silenceCheck);
    connect(&m_silence, &QTimer::timeout, this, &NetworkCameraSource::checkSilence);
    // Loading the plugins may take a while the first time.
    m_worker.post([] { gst_init(nullptr, nullptr); });
}

NetworkCameraSource::~NetworkCameraSource()
{
    stop();
}

void NetworkCameraSource::setSilenceLimits(std::chrono::milliseconds first,
                                           std::chrono::milliseconds between)
{
    m_firstLimit = first;
    m_betweenLimit = between;
}

void NetworkCameraSource::start(const NetworkCamera& camera)
{
    stop();
    m_camera = camera;
    m_running = true;
    m_lost = false;
    m_pause = firstPause;
    qCInfo(kivraCapture, "camera %s at %s", qPrintable(camera.name),
           qPrintable(camera.shownAddress()));
    launch();
}

void NetworkCameraSource::stop()
{
    m_running = false;
    m_retry.stop();
    release();
}

void NetworkCameraSource::launch()
{
    release();
    auto mailbox = std::make_shared<Mailbox>();
    mailbox->receiver = this;
    m_mailbox = mailbox;
    m_framed = false;
    m_sinceFrame.start();
    m_silence.start();

    GstCameraPipeline::Events events;
    events.frame = [mailbox](const HeldSample& sample, const QVideoFrame& preview) {
        HeldSample sampleSwapped = sample;
        QVideoFrame previewSwapped = preview;
        bool queued = false;
        {
            const std::lock_guard lock(mailbox->slot);
            if (mailbox->closed)
                return;
            std::swap(mailbox->newest, sampleSwapped);
            std::swap(mailbox->preview, previewSwapped);
            queued = std::exchange(mailbox->frameQueued, true);
        }
        // The frames swapped out are let go here, outside the lock.
        if (!queued)
            mailbox->queue([mailbox](NetworkCameraSource* to) { to->onFrames(mailbox); });
    };
    events.fault = [mailbox](const QString& reason) {
        mailbox->queue(
            [mailbox, reason](NetworkCameraSource* to) { to->onFault(mailbox, reason); });
    };
    m_worker.post([this, camera = m_camera, size = m_previewSize, events] {
        m_pipeline = std::make_unique<GstCameraPipeline>(camera, size, events);
        QString reason;
        if (!m_pipeline->play(&reason))
            events.fault(camera.masked(reason));
    });
}

void NetworkCameraSource::release()
{
    m_silence.stop();
    if (!m_mailbox)
        return;
    {
        const std::lock_guard lock(m_mailbox->door);
        m_mailbox->receiver = nullptr;
    }
    HeldSample sample;
    QVideoFrame preview;
    {
        const std::lock_guard lock(m_mailbox->slot);
        m_mailbox->closed = true;
        std::swap(m_mailbox->newest, sample);
        std::swap(m_mailbox->preview, preview);
    }
    m_newest.reset();
    m_copied.reset();
    m_whole = {};
    m_mailbox.reset();
    // Stopping an RTSP stream waits for the server's answer.
    m_worker.post([this] { m_pipeline.reset(); });
}

void NetworkCameraSource::onFrames(const std::shared_ptr<Mailbox>& mailbox)
{
    if (mailbox != m_mailbox)
        return;
    QVideoFrame frame;
    HeldSample sample;
    {
        const std::lock_guard lock(mailbox->slot);
        frame = std::exchange(mailbox->preview, {});
        sample = std::exchange(mailbox->newest, {});
        mailbox->frameQueued = false;
    }
    if (!frame.isValid() || !sample)
        return;
    m_newest = std::move(sample);
    m_framed = true;
    m_sinceFrame.start();
    m_pause = firstPause;
    emit frameReady(frame);
    // The status line's text is the log's line too.
    if (std::exchange(m_lost, false))
        emit back(QString(texts::networkCameraBack).arg(m_camera.name));
}

QVideoFrame NetworkCameraSource::newestFrame() const
{
    if (m_newest != m_copied) {
        m_whole = m_newest ? GstCameraPipeline::fullFrame(m_newest.get()) : QVideoFrame();
        m_copied = m_newest;
    }
    return m_whole;
}

void NetworkCameraSource::onFault(const std::shared_ptr<Mailbox>& mailbox, const QString& reason)
{
    if (mailbox != m_mailbox || !m_running)
        return;
    release();
    qCDebug(kivraCapture, "camera %s: %s; again in %lld ms", qPrintable(m_camera.name),
            qPrintable(reason), qlonglong(m_pause.count()));
    m_retry.start(m_pause);
    m_pause = std::min(m_pause * 2, longestPause);
    if (!std::exchange(m_lost, true))
        emit lost(QString(texts::networkCameraLost).arg(m_camera.name, reason));
}

void NetworkCameraSource::checkSilence()
{
    const auto limit = m_framed ? m_betweenLimit : m_firstLimit;
    if (m_mailbox && m_sinceFrame.hasExpired(limit.count()))
        onFault(m_mailbox, QString(texts::networkCameraSilent).arg(double(limit.count()) / 1000.0));
}
