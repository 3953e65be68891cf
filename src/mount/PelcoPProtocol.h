// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MountProtocol.h"
#include "PelcoCommand.h"

// Pelco-P: A0, the address less one, the four command bytes, AF, and the
// exclusive or of the seven bytes before it.
class PelcoPProtocol final : public MountProtocol
{
public:
    explicit PelcoPProtocol(const MountSettings& settings)
        : m_settings(settings)
    {}

    QByteArray nextFrame(MountCommands& waiting) override;

    static QByteArray frame(quint8 address, const PelcoCommand& command);

private:
    MountSettings m_settings;
};
