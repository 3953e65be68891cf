// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>

// Where the station reads the time of day. The schedule, the archive's
// names and the daily video all ask it, so a test can move the day along.
class Clock
{
public:
    virtual ~Clock() = default;
    // The present moment, in whatever zone the clock keeps; callers convert as they need.
    virtual QDateTime now() const = 0;
};

// The computer's own clock.
class SystemClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
