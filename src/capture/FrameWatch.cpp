// SPDX-License-Identifier: GPL-3.0-or-later
#include "FrameWatch.h"

#include "Durations.h"

FrameWatch::FrameWatch(QObject* parent)
    : QObject(parent)
    , m_limit(durations::cameraStallLimit)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(m_limit);
    connect(&m_timer, &QTimer::timeout, this, &FrameWatch::onTimeout);
}

void FrameWatch::setLimit(std::chrono::milliseconds limit)
{
    m_limit = limit;
    m_timer.setInterval(limit);
}

void FrameWatch::start()
{
    m_running = true;
    m_framed = false;
    m_stalled = false;
    m_lastMSecsSinceEpoch = QDateTime::currentMSecsSinceEpoch();
    m_timer.start();
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
    // Restarting the timer per frame is cheap next to the frame itself.
    m_timer.start();
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
    m_stalled = true;
    emit stalled(QDateTime::fromMSecsSinceEpoch(m_lastMSecsSinceEpoch));
}
