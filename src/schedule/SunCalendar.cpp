// SPDX-License-Identifier: GPL-3.0-or-later
#include "SunCalendar.h"

#include <libnova/solar.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double unixEpochJulian = 2440587.5;
constexpr qint64 secondsPerDay = 86400;
// How far ahead a crossing is sought: past the longest polar day or night.
constexpr int searchDays = 190;

double julian(const QDateTime& at)
{
    return unixEpochJulian + double(at.toMSecsSinceEpoch()) / (1000.0 * secondsPerDay);
}

QDateTime fromJulian(double jd)
{
    const auto ms = qint64(std::llround((jd - unixEpochJulian) * secondsPerDay * 1000.0));
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

} // namespace

SunCalendar::SunCalendar(double latitude, double longitude, double altitude, int offsetMinutes)
    : m_latitude(latitude)
    , m_longitude(longitude)
    , m_altitude(altitude)
    , m_offsetSeconds(qint64(offsetMinutes) * 60)
{}

int SunCalendar::crossingsOfDay(QDate day, QList<Crossing>* out) const
{
    ln_lnlat_posn observer{m_longitude, m_latitude};
    ln_rst_time rst{};
    // Noon UTC: libnova answers for the day around the date it is given.
    const double jd = julian(QDateTime(day, QTime(12, 0), Qt::UTC));
    const int polar = ln_get_solar_rst_horizon(jd, &observer, m_altitude, &rst);
    if (polar == 0) {
        out->append({fromJulian(rst.rise).addSecs(-m_offsetSeconds), true});
        out->append({fromJulian(rst.set).addSecs(m_offsetSeconds), false});
    }
    return polar;
}

QList<SunCalendar::Crossing> SunCalendar::crossings(const QDateTime& from,
                                                     const QDateTime& to) const
{
    QList<Crossing> all;
    const QDate first = from.toUTC().date().addDays(-1);
    const QDate last = to.toUTC().date().addDays(1);
    for (QDate day = first; day <= last; day = day.addDays(1))
        crossingsOfDay(day, &all);
    std::sort(all.begin(), all.end(),
              [](const Crossing& a, const Crossing& b) { return a.at < b.at; });
    // Neighbouring days may both name the same crossing, a few seconds apart.
    QList<Crossing> distinct;
    for (const Crossing& c : all) {
        if (distinct.isEmpty() || distinct.last().rising != c.rising ||
            std::llabs(distinct.last().at.secsTo(c.at)) >= 3 * 3600)
            distinct.append(c);
    }
    QList<Crossing> kept;
    for (const Crossing& c : distinct) {
        if (c.at >= from && c.at <= to)
            kept.append(c);
    }
    return kept;
}

SunCalendar::State SunCalendar::stateAt(const QDateTime& at) const
{
    State state;
    const QList<Crossing> recent = crossings(at.addDays(-2), at);
    if (!recent.isEmpty()) {
        state.day = recent.last().rising;
    } else {
        QList<Crossing> none;
        state.day = crossingsOfDay(at.toUTC().date(), &none) > 0;
    }
    // Day by day, so a polar day or night costs one search, not a list.
    QDateTime from = at.addMSecs(1);
    for (int n = 0; n < searchDays; n += 2) {
        const QDateTime to = from.addDays(2);
        const QList<Crossing> ahead = crossings(from, to);
        if (!ahead.isEmpty()) {
            state.next = ahead.first();
            break;
        }
        from = to;
    }
    return state;
}
