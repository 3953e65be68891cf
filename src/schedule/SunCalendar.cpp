// SPDX-License-Identifier: GPL-3.0-or-later
#include "SunCalendar.h"

#include <libnova/precession.h>
#include <libnova/solar.h>
#include <libnova/transform.h>

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

// The sun's altitude at the place, in degrees. libnova gives the sun's
// place against the equinox of 2000; the hour angle wants today's, which
// precession has moved by a third of a degree since (two minutes of rising
// time at mid-latitudes, more where the sun rises at a slant).
double altitudeAt(double jd, ln_lnlat_posn observer)
{
    ln_equ_posn of2000{};
    ln_get_solar_equ_coords(jd, &of2000);
    ln_equ_posn ofDate{};
    ln_get_equ_prec(&of2000, jd, &ofDate);
    ln_hrz_posn horizontal{};
    ln_get_hrz_from_equ(&ofDate, &observer, jd, &horizontal);
    return horizontal.alt;
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
    const auto polarOn = [&](QDate d) {
        // Noon UTC: libnova answers for the day around the date it is given.
        const double jd = julian(QDateTime(d, QTime(12, 0), Qt::UTC));
        return ln_get_solar_rst_horizon(jd, &observer, m_altitude, &rst);
    };
    const int polar = polarOn(day);
    const ln_rst_time estimates = rst;
    // libnova pairs a day's setting with the next day's rising, so on the
    // edge of a polar day or night one of the pair is missing: there the
    // day is searched through on the sun's altitude.
    if (polar != 0 || polarOn(day.addDays(-1)) != 0 || polarOn(day.addDays(1)) != 0) {
        scanDay(day, out);
        return polar;
    }
    if (const auto rise = refine(estimates.rise, true))
        out->append({fromJulian(*rise).addSecs(-m_offsetSeconds), true});
    if (const auto set = refine(estimates.set, false))
        out->append({fromJulian(*set).addSecs(m_offsetSeconds), false});
    return polar;
}

void SunCalendar::scanDay(QDate day, QList<Crossing>* out) const
{
    const ln_lnlat_posn observer{m_longitude, m_latitude};
    const double start = julian(QDateTime(day, QTime(0, 0), Qt::UTC));
    const double step = 10.0 / (24 * 60);
    bool wasUp = altitudeAt(start, observer) > m_altitude;
    for (int n = 1; n <= 24 * 6; ++n) {
        const bool up = altitudeAt(start + n * step, observer) > m_altitude;
        if (up != wasUp) {
            if (const auto at = refine(start + (n - 0.5) * step, up))
                out->append({fromJulian(*at).addSecs(up ? -m_offsetSeconds : m_offsetSeconds), up});
        }
        wasUp = up;
    }
}

bool SunCalendar::isUp(const QDateTime& at) const
{
    return altitudeAt(julian(at), {m_longitude, m_latitude}) > m_altitude;
}

// libnova's own crossings leave out that precession, and interpolate the
// sun's path over the day. The crossing is sought again on the sun's altitude itself,
// near libnova's estimate; an estimate without a crossing of
// the right direction there (on the edge of a polar day or night) is none.
std::optional<double> SunCalendar::refine(double estimate, bool rising) const
{
    const ln_lnlat_posn observer{m_longitude, m_latitude};
    // Above the altitude when rising means later; so the sign is turned for
    // a setting, and the search looks for the change from below to above.
    const auto above = [&](double jd) {
        const bool up = altitudeAt(jd, observer) > m_altitude;
        return rising ? up : !up;
    };
    // Where the sun skims the horizon (the edges of a polar day or night)
    // a small error moves the crossing by hours, and the sun may rise and
    // set within the span searched: the change nearest the estimate counts.
    const double step = 10.0 / (24 * 60);
    const int steps = 18;
    std::optional<double> before;
    bool wasAbove = above(estimate - steps * step);
    for (int n = -steps + 1; n <= steps; ++n) {
        const double at = estimate + n * step;
        const bool isAbove = above(at);
        if (isAbove && !wasAbove &&
            (!before || std::fabs(at - step - estimate) < std::fabs(*before - estimate)))
            before = at - step;
        wasAbove = isAbove;
    }
    if (!before)
        return std::nullopt;
    double low = *before;
    double high = *before + step;
    // Halving ten minutes down to a hundredth of a second.
    for (int n = 0; n < 16; ++n) {
        const double middle = (low + high) / 2;
        (above(middle) ? high : low) = middle;
    }
    return (low + high) / 2;
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
        // No crossing for days: a polar day or night.
        state.day = isUp(at);
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
