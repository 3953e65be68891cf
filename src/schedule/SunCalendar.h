// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QList>

#include <optional>

// Sunrise and sunset for one place, for the sun's centre crossing a chosen
// altitude (-0.833 degrees for sunrise and sunset, -6, -12 and -18 for the
// three twilights). Where the sun stays up or down all day (beyond the
// polar circles) those days have no crossings, and the state of the day
// says which.
class SunCalendar final
{
public:
    struct Crossing
    {
        QDateTime at; // UTC
        bool rising = false;
    };
    struct State
    {
        bool day = false;
        // The next crossing, none when the sun neither rises nor sets in the
        // half year ahead.
        std::optional<Crossing> next;
    };

    // Latitude north and longitude east positive, in degrees. The offset
    // widens the day at both ends (negative narrows it).
    SunCalendar(double latitude, double longitude, double altitude, int offsetMinutes = 0);

    // The crossings from `from` up to `to`, in order.
    QList<Crossing> crossings(const QDateTime& from, const QDateTime& to) const;
    State stateAt(const QDateTime& at) const;

private:
    // The crossings around the UTC day of `day`, and whether libnova has
    // the sun stay up (1), down (-1) or cross (0) then.
    int crossingsOfDay(QDate day, QList<Crossing>* out) const;
    std::optional<double> refine(double estimate, bool rising) const;
    void scanDay(QDate day, QList<Crossing>* out) const;
    bool isUp(const QDateTime& at) const;

    double m_latitude;
    double m_longitude;
    double m_altitude;
    qint64 m_offsetSeconds;
};
