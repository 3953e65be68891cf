// SPDX-License-Identifier: GPL-3.0-or-later
#include "PelcoCommand.h"

#include "MountProtocol.h"

#include <cmath>
#include <utility>

namespace {

PelcoCommand position(quint8 cmd2, double degrees)
{
    int hundredths = int(std::lround(degrees * 100.0) % 36000);
    if (hundredths < 0)
        hundredths += 36000;
    return {0x00, cmd2, quint8(hundredths >> 8), quint8(hundredths & 0xFF)};
}

} // namespace

PelcoCommand PelcoCommand::panTo(double degrees)
{
    return position(0x4B, degrees);
}

PelcoCommand PelcoCommand::tiltTo(double degrees)
{
    return position(0x4D, degrees);
}

PelcoCommand PelcoCommand::callPreset(quint8 preset)
{
    return {0x00, 0x07, 0x00, preset};
}

PelcoCommand PelcoCommand::stop(quint8 panSpeed, quint8 tiltSpeed)
{
    return {0x00, 0x00, panSpeed, tiltSpeed};
}

quint8 PelcoCommand::speed(qint16 acceleration)
{
    if (acceleration <= 1)
        return 0x3F;
    return acceleration == 2 ? 0x20 : 0x08;
}

std::optional<PelcoCommand> PelcoCommand::next(MountCommands& waiting,
                                               const MountSettings& settings)
{
    if (waiting.acceleration) {
        const quint8 s = speed(*std::exchange(waiting.acceleration, std::nullopt));
        return stop(s, s);
    }
    if (waiting.pan)
        return panTo(settings.panDegrees(*std::exchange(waiting.pan, std::nullopt)));
    if (waiting.tilt)
        return tiltTo(settings.tiltDegrees(*std::exchange(waiting.tilt, std::nullopt)));
    return std::nullopt;
}
