// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <limits>

// A timer whose "enabled" and "interval" are separate, readable properties,
// the way the station's settings store them:
//  - it ticks only while enabled with a positive interval, so an enabled
//    timer with interval 0 stays silent until someone gives it an interval;
//  - setting the interval of a running timer starts its count afresh;
//  - enabling a disabled timer starts a fresh count, enabling an enabled one
//    changes nothing.
// QTimer alone cannot express the first rule (interval 0 fires at once).
class IntervalTimer final : public QObject
{
    Q_OBJECT
public:
    static constexpr int maxInterval = std::numeric_limits<int>::max();

    explicit IntervalTimer(QObject* parent = nullptr);
    IntervalTimer(bool enabled, int interval, QObject* parent = nullptr);

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    int interval() const { return m_interval; }
    // Negative intervals are taken as 0, and intervals past maxInterval are
    // held there.
    void setInterval(qint64 milliseconds);
    void setInterval(std::chrono::milliseconds interval) { setInterval(qint64(interval.count())); }

    // True while ticks are due: enabled with a positive interval.
    bool isTicking() const { return m_timer.isActive(); }
    // Milliseconds until the next tick, or -1 when none is due.
    int remainingTime() const { return m_timer.remainingTime(); }

signals:
    void timeout();

private:
    void restart();

    QTimer m_timer;
    bool m_enabled = false;
    int m_interval = 0;
};
