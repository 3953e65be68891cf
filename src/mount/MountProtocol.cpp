// SPDX-License-Identifier: GPL-3.0-or-later
#include "MountProtocol.h"

#include "PelcoDProtocol.h"
#include "PelcoPProtocol.h"
#include "StationProtocol.h"
#include "ViscaProtocol.h"

MountProtocol::~MountProtocol() = default;

QList<MountAnswer> MountProtocol::read(const QByteArray&)
{
    // Heads of this kind never answer; two-wire adapters hand back our own
    // bytes, which mean nothing.
    return {};
}

std::unique_ptr<MountProtocol> makeMountProtocol(const MountSettings& settings)
{
    switch (settings.protocol) {
    case MountSettings::Protocol::PelcoD:
        return std::make_unique<PelcoDProtocol>(settings);
    case MountSettings::Protocol::PelcoP:
        return std::make_unique<PelcoPProtocol>(settings);
    case MountSettings::Protocol::Visca:
        return std::make_unique<ViscaProtocol>(settings);
    case MountSettings::Protocol::Station:
        break;
    }
    return std::make_unique<StationProtocol>();
}

QList<QByteArray> framesForMove(const MountSettings& settings, qint16 pan, qint16 tilt)
{
    const std::unique_ptr<MountProtocol> protocol = makeMountProtocol(settings);
    protocol->reset();
    MountCommands waiting;
    waiting.pan = pan;
    waiting.tilt = tilt;
    QList<QByteArray> frames;
    for (QByteArray frame = protocol->nextFrame(waiting); !frame.isEmpty();
         frame = protocol->nextFrame(waiting))
        frames.append(frame);
    return frames;
}
