// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MountProtocol.h"
#include "PelcoCommand.h"

// Pelco-D: FF, the address, the four command bytes and their sum modulo
// 256 (address included, the FF not).
class PelcoDProtocol final : public MountProtocol
{
public:
    explicit PelcoDProtocol(const MountSettings& settings)
        : m_settings(settings)
    {}

    QByteArray nextFrame(MountCommands& waiting) override;

    static QByteArray frame(quint8 address, const PelcoCommand& command);

private:
    MountSettings m_settings;
};
