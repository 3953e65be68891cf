// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <chrono>

class SettingsStore;

// The section "Mount" of the settings store: which protocol the head on
// the serial line speaks, its address and speed, and where the station's
// pan and tilt numbers point it. A station without the section keeps its
// own short text commands at 9600 baud.
struct MountSettings
{
    enum class Protocol
    {
        Station,
        PelcoD,
        PelcoP,
        Visca,
    };

    Protocol protocol = Protocol::Station;
    // The head's address: 1 to 255 for Pelco (its switches), 1 to 7 for
    // VISCA (given by the address set at every opening).
    int address = 1;
    int baud = 9600;
    // Degrees of the head at the pad's first and last pan (1 and 21) and
    // tilt (1, the top, and 17); presets use the same numbers. Tilt is
    // positive above the horizon.
    double panFrom = -90;
    double panTo = 90;
    double tiltFrom = 30;
    double tiltTo = -30;
    // VISCA heads count their position in units of their own.
    double unitsPerDegree = 14.4;
    // Heads drop a command that follows the last one too closely.
    std::chrono::milliseconds gap{0};

    static constexpr int bauds[] = {2400, 4800, 9600, 19200, 38400};
    static constexpr int firstPan = 1;
    static constexpr int lastPan = 21;
    static constexpr int firstTilt = 1;
    static constexpr int lastTilt = 17;
    static constexpr int maxGapMs = 2000;

    static QString protocolName(Protocol protocol);
    static int maxAddress(Protocol protocol) { return protocol == Protocol::Visca ? 7 : 255; }
    static std::chrono::milliseconds defaultGap(Protocol protocol);

    // "9600,N,8,1" and the like.
    QString lineSettings() const;
    // The head's angles for the station's numbers; a number past the pad's
    // range stops at the nearer end, so a stray preset never drives the
    // head beyond the span the operator set.
    double panDegrees(qint16 pan) const;
    double tiltDegrees(qint16 tilt) const;

    bool operator==(const MountSettings&) const = default;
};

// A key that does not read (unknown protocol, address or baud out of range,
// not a number) falls back to its default.
MountSettings readMountSettings(const SettingsStore& store);
void storeMountSettings(const MountSettings& settings, SettingsStore& store);
