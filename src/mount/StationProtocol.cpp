// SPDX-License-Identifier: GPL-3.0-or-later
#include "StationProtocol.h"

#include <utility>

QByteArray StationProtocol::command(char letter, qint16 value)
{
    return QByteArray(1, letter) + QByteArray::number(value) + '\r';
}

QByteArray StationProtocol::nextFrame(MountCommands& waiting)
{
    // An acceleration before the move it should shape, and every move pan
    // first.
    if (waiting.acceleration)
        return command('D', *std::exchange(waiting.acceleration, std::nullopt));
    if (waiting.pan)
        return command('A', *std::exchange(waiting.pan, std::nullopt));
    if (waiting.tilt)
        return command('B', *std::exchange(waiting.tilt, std::nullopt));
    return {};
}
