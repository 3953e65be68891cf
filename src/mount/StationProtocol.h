// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MountProtocol.h"

// The station's own commands: one letter ("A" pan, "B" tilt, "D"
// acceleration), the value in decimal and a carriage return. The numbers
// go out as they are, unmapped.
class StationProtocol final : public MountProtocol
{
public:
    QByteArray nextFrame(MountCommands& waiting) override;

    static QByteArray command(char letter, qint16 value);
};
