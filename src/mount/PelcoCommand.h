// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <optional>

struct MountCommands;
struct MountSettings;

// The four bytes that Pelco-D and Pelco-P frames carry alike between the
// address and the check: two command bytes and two data bytes.
struct PelcoCommand
{
    quint8 cmd1 = 0;
    quint8 cmd2 = 0;
    quint8 data1 = 0;
    quint8 data2 = 0;

    // Absolute pan and tilt in hundredths of a degree, 0 to 35999: a pan
    // left of zero and a tilt below the horizon count back from 36000.
    static PelcoCommand panTo(double degrees);
    static PelcoCommand tiltTo(double degrees);
    static PelcoCommand callPreset(quint8 preset);
    // A stop with pan and tilt speeds (00 to 3F): heads keep them for the
    // moves that follow.
    static PelcoCommand stop(quint8 panSpeed = 0, quint8 tiltSpeed = 0);
    // The station's acceleration (1 faster, 2 normal, 3 slower) as a speed.
    static quint8 speed(qint16 acceleration);

    // The next command for what waits, the numbers mapped to angles.
    static std::optional<PelcoCommand> next(MountCommands& waiting, const MountSettings& settings);

    bool operator==(const PelcoCommand&) const = default;
};
