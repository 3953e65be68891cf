// SPDX-License-Identifier: GPL-3.0-or-later
#include "IntervalTimer.h"

#include <algorithm>

IntervalTimer::IntervalTimer(QObject* parent)
    : IntervalTimer(false, 0, parent)
{}

IntervalTimer::IntervalTimer(bool enabled, int interval, QObject* parent)
    : QObject(parent)
    , m_enabled(enabled)
    , m_interval(qMax(0, interval))
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &IntervalTimer::timeout);
    restart();
}

void IntervalTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    restart();
}

void IntervalTimer::setInterval(qint64 milliseconds)
{
    m_interval = int(std::clamp<qint64>(milliseconds, 0, maxInterval));
    restart();
}

void IntervalTimer::restart()
{
    if (m_enabled && m_interval > 0)
        m_timer.start(m_interval);
    else
        m_timer.stop();
}
