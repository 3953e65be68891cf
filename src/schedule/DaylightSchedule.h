// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DayNightSettings.h"

#include <QDate>
#include <QDateTime>
#include <QObject>

#include <optional>

class Clock;
class IntervalTimer;

// Follows the sun at the station's place and tells the station when day
// and night begin. What the night holds back is only asked of it
// (uploadsHeld(), tourHeld()), never written into the operator's timers,
// so the settings saved at night are still the operator's own. Without a
// place every hour is day, and the day ends at midnight.
class DaylightSchedule final : public QObject
{
    Q_OBJECT
public:
    // `check` is the timer that has the schedule look at the clock (every
    // 30 s); `slow` ticks the night's uploads in Slow.
    DaylightSchedule(const Clock& clock, IntervalTimer& check, IntervalTimer& slow,
                     QObject* parent = nullptr);

    // Takes the settings and looks at the clock at once.
    void apply(const ScheduleSettings& settings);
    // Looks at the clock: a tick of the check timer.
    void check();

    bool isNight() const { return m_night; }
    bool uploadsHeld() const;
    bool tourHeld() const;
    // When day or night begins next, if within half a year.
    std::optional<QDateTime> nextChange() const { return m_next; }
    // For the dialog: "Night begins at 16:03 (Tue 8 Dec)", and the like.
    QString nextChangeText() const;
    const ScheduleSettings& settings() const { return m_settings; }

signals:
    void status(const QString& text);
    // What the night holds back changed.
    void holdsChanged();
    // A tick of the night's slow uploads.
    void slowSendDue();
    // The day of this local date is over: at its sunset, or at midnight
    // without a place.
    void dayEnded(QDate date);

private:
    void enter(bool night, bool announce);
    QString changeTime() const;

    const Clock& m_clock;
    IntervalTimer& m_check;
    IntervalTimer& m_slow;
    ScheduleSettings m_settings;
    bool m_night = false;
    bool m_known = false;
    std::optional<QDateTime> m_next;
    QDate m_lastDate;
    QDateTime m_reckonedAt;
};
