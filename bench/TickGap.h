// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <functional>

// A 1 ms timer on the calling thread that keeps the longest gap between two
// of its ticks: how long that thread's event loop was held up.
class TickGap final
{
public:
    explicit TickGap(std::function<void()> onTick = {})
        : m_onTick(std::move(onTick))
    {
        m_tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_tick, &QTimer::timeout, &m_tick, [this] {
            note();
            if (m_onTick)
                m_onTick();
        });
    }

    void start()
    {
        m_longestNs = 0;
        m_since.start();
        m_tick.start(1);
    }
    void stop() { m_tick.stop(); }
    // Counts the time since the last tick, for a loop that was held until
    // its end and never ticked again.
    void note()
    {
        m_longestNs = std::max(m_longestNs, m_since.nsecsElapsed());
        m_since.start();
    }
    double longestMs() const { return double(m_longestNs) / 1e6; }

private:
    std::function<void()> m_onTick;
    QTimer m_tick;
    QElapsedTimer m_since;
    qint64 m_longestNs = 0;
};
