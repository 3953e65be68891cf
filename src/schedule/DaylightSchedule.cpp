// SPDX-License-Identifier: GPL-3.0-or-later
#include "DaylightSchedule.h"

#include "Clock.h"
#include "IntervalTimer.h"
#include "SunCalendar.h"

#include <chrono>

using namespace std::chrono_literals;

DaylightSchedule::DaylightSchedule(const Clock& clock, IntervalTimer& check, IntervalTimer& slow,
                                   QObject* parent)
    : QObject(parent)
    , m_clock(clock)
    , m_check(check)
    , m_slow(slow)
{
    connect(&m_check, &IntervalTimer::timeout, this, &DaylightSchedule::check);
    connect(&m_slow, &IntervalTimer::timeout, this, [this] {
        if (m_night && m_settings.night == ScheduleSettings::Night::Slow)
            emit slowSendDue();
    });
}

void DaylightSchedule::apply(const ScheduleSettings& settings)
{
    m_settings = settings;
    m_known = false;
    m_reckonedAt = {};
    // A clock that jumps (a suspended laptop, a changed time zone) is
    // caught up with at the next look, so a look every half minute is
    // enough and never drifts.
    m_check.setInterval(30s);
    m_check.setEnabled(true);
    check();
}

bool DaylightSchedule::uploadsHeld() const
{
    return m_night && m_settings.night != ScheduleSettings::Night::Continue;
}

bool DaylightSchedule::tourHeld() const
{
    return m_night && m_settings.night == ScheduleSettings::Night::Pause;
}

void DaylightSchedule::check()
{
    const QDateTime now = m_clock.now();
    const QDate today = now.toLocalTime().date();
    if (!m_settings.hasPlace()) {
        m_next.reset();
        if (m_lastDate.isValid() && today > m_lastDate)
            emit dayEnded(m_lastDate);
        m_lastDate = today;
        if (!m_known || m_night)
            enter(false, false);
        return;
    }
    m_lastDate = today;
    // Nothing changes before the next change; a clock set back, or a polar
    // day without a change in sight, is looked at afresh (hourly at most).
    if (m_known && m_reckonedAt.isValid() && now >= m_reckonedAt &&
        (m_next ? now < *m_next : now < m_reckonedAt.addSecs(3600)))
        return;
    m_reckonedAt = now;
    const SunCalendar sun(*m_settings.latitude, *m_settings.longitude, m_settings.altitude(),
                          m_settings.offsetMinutes);
    const SunCalendar::State state = sun.stateAt(now);
    m_next.reset();
    if (state.next)
        m_next = state.next->at;
    if (!m_known || state.day == m_night) {
        const bool dayIsOver = m_known && !state.day;
        enter(!state.day, true);
        if (dayIsOver)
            emit dayEnded(today);
    }
}

void DaylightSchedule::enter(bool night, bool announce)
{
    m_night = night;
    m_known = true;
    const bool slow = night && m_settings.night == ScheduleSettings::Night::Slow;
    if (slow)
        m_slow.setInterval(std::chrono::minutes(m_settings.nightMinutes));
    m_slow.setEnabled(slow);
    emit holdsChanged();
    if (!announce)
        return;
    if (!night) {
        emit status(tr("Day until %1").arg(changeTime()));
        return;
    }
    switch (m_settings.night) {
    case ScheduleSettings::Night::Continue:
        emit status(tr("Night until %1").arg(changeTime()));
        break;
    case ScheduleSettings::Night::Pause:
        emit status(tr("Night until %1: automatic uploads and the tour paused").arg(changeTime()));
        break;
    case ScheduleSettings::Night::Slow:
        emit status(tr("Night until %1: automatic uploads every %2 min")
                        .arg(changeTime())
                        .arg(m_settings.nightMinutes));
        break;
    }
}

QString DaylightSchedule::changeTime() const
{
    if (!m_next)
        return tr("further notice");
    return QLocale::c().toString(m_next->toLocalTime(), QStringLiteral("HH:mm (ddd d MMM)"));
}

QString DaylightSchedule::nextChangeText() const
{
    if (!m_settings.hasPlace())
        return tr("No place set: it is always day");
    if (!m_next)
        return m_night ? tr("Night for more than half a year")
                       : tr("Day for more than half a year");
    return (m_night ? tr("Day begins at %1") : tr("Night begins at %1")).arg(changeTime());
}
