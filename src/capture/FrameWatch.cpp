// SPDX-License-Identifier: GPL-3.0-or-later
#include "FrameWatch.h"

#include "Durations.h"

FrameWatch::FrameWatch(QObject* parent)
    : QObject(parent)
    , m_limit(durations::cameraStallLimit)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &FrameWatch::onTimeout);
}

void FrameWatch::setLimit(std::chrono::milliseconds limit)
{
    m_limit = limit;
    if (m_timer.isActive())
        m_timer.start(limit);
}

void FrameWatch::start()
{
    m_running = true;
    m_framed = false;
    m_stalled = false;
    m_lastMSecsSinceEpoch = QDateTime::currentMSecsSinceEpoch();
    m_sinceFrame.start();
    m_timer.start(m_limit);
}

void FrameWatch::stop()
{
    m_running = false;
    m_framed = false;
    m_stalled = false;
    m_timer.stop();
}

void FrameWatch::frameArrived()
{
    if (!m_running)
        start();
    m_framed = true;
    m_sinceFrame.start();
    m_lastMSecsSinceEpoch = QDateTime::currentMSecsSinceEpoch();
    // The timer is not moved on each frame, 25 times a second: when it
    // fires it looks when the last frame came and waits out the rest.
    if (!m_timer.isActive())
        m_timer.start(m_limit);
    if (m_stalled) {
        m_stalled = false;
        emit resumed();
    }
}

bool FrameWatch::isFresh() const
{
    return m_running && m_framed && !m_stalled && m_sinceFrame.elapsed() < m_limit.count();
}

void FrameWatch::onTimeout()
{
    if (!m_running || m_stalled)
        return;
    const auto since = std::chrono::milliseconds(m_sinceFrame.elapsed());
    if (since < m_limit) {
        m_timer.start(m_limit - since);
        return;
    }
    m_stalled = true;
    emit stalled(QDateTime::fromMSecsSinceEpoch(m_lastMSecsSinceEpoch));
}
