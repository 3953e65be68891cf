// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <array>

// The main window's control states that survive a restart. The defaults are
// the first-run state: no port, normal acceleration, no mode, everything
// off.
struct StationSettings
{
    std::array<bool, 4> com{};
    qint16 accel = 2;
    bool manual = false;
    bool random = false;
    bool sequence = false;
    bool train = false;
    bool picture = false;
    qint32 interval = 0;
    bool timer1 = false;
    bool deleteEnabled = false;
    bool captureFrame = false;

    bool operator==(const StationSettings&) const = default;
};
