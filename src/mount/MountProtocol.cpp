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
