// SPDX-License-Identifier: GPL-3.0-or-later
#include "MountSettings.h"

#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "SettingsValues.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr MountSettings::Protocol protocols[] = {
    MountSettings::Protocol::Station, MountSettings::Protocol::PelcoD,
    MountSettings::Protocol::PelcoP, MountSettings::Protocol::Visca};

QString readText(const SettingsStore& store, QLatin1String key)
{
    return store.read(keys::mountSection, key).trimmed();
}

std::optional<double> readDegrees(const SettingsStore& store, QLatin1String key)
{
    bool ok = false;
    const double value = readText(store, key).toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::abs(value) > 360)
        return std::nullopt;
    return value;
}

double along(qint16 number, int first, int last, double from, double to)
{
    const double share = std::clamp(double(number - first) / double(last - first), 0.0, 1.0);
    return from + share * (to - from);
}

QString degreesText(double degrees)
{
    return QString::number(degrees, 'g', 10);
}

} // namespace

QString MountSettings::protocolName(Protocol protocol)
{
    switch (protocol) {
    case Protocol::PelcoD:
        return QString(keys::protocolPelcoD);
    case Protocol::PelcoP:
        return QString(keys::protocolPelcoP);
    case Protocol::Visca:
        return QString(keys::protocolVisca);
    case Protocol::Station:
        break;
    }
    return QString(keys::protocolStation);
}

std::chrono::milliseconds MountSettings::defaultGap(Protocol protocol)
{
    using namespace std::chrono_literals;
    // Pelco heads answer nothing, so only a pause keeps them from dropping
    // commands; VISCA heads say when they are ready.
    return protocol == Protocol::PelcoD || protocol == Protocol::PelcoP ? 100ms : 0ms;
}

QString MountSettings::lineSettings() const
{
    return QStringLiteral("%1,N,8,1").arg(baud);
}

double MountSettings::panDegrees(qint16 pan) const
{
    return along(pan, firstPan, lastPan, panFrom, panTo);
}

double MountSettings::tiltDegrees(qint16 tilt) const
{
    return along(tilt, firstTilt, lastTilt, tiltFrom, tiltTo);
}

MountSettings readMountSettings(const SettingsStore& store)
{
    MountSettings s;
    const QString name = readText(store, keys::protocol);
    for (MountSettings::Protocol p : protocols)
        if (name.compare(MountSettings::protocolName(p), Qt::CaseInsensitive) == 0)
            s.protocol = p;
    s.address = int(settingsvalues::toInt(readText(store, keys::address), 1,
                                          MountSettings::maxAddress(s.protocol))
                        .value_or(s.address));
    const auto baud = settingsvalues::toInt(readText(store, keys::baud), 1, 1000000);
    if (baud &&
        std::ranges::find(MountSettings::bauds, int(*baud)) != std::end(MountSettings::bauds))
        s.baud = int(*baud);
    s.panFrom = readDegrees(store, keys::panFrom).value_or(s.panFrom);
    s.panTo = readDegrees(store, keys::panTo).value_or(s.panTo);
    s.tiltFrom = readDegrees(store, keys::tiltFrom).value_or(s.tiltFrom);
    s.tiltTo = readDegrees(store, keys::tiltTo).value_or(s.tiltTo);
    bool ok = false;
    const double units = readText(store, keys::unitsPerDegree).toDouble(&ok);
    if (ok && units > 0 && units <= 1000)
        s.unitsPerDegree = units;
    s.gap = std::chrono::milliseconds(
        settingsvalues::toInt(readText(store, keys::gap), 0, MountSettings::maxGapMs)
            .value_or(MountSettings::defaultGap(s.protocol).count()));
    return s;
}

void storeMountSettings(const MountSettings& s, SettingsStore& store)
{
    const QString section = keys::mountSection;
    store.write(section, keys::protocol, MountSettings::protocolName(s.protocol));
    store.write(section, keys::address, settingsvalues::fromInt(s.address));
    store.write(section, keys::baud, settingsvalues::fromInt(s.baud));
    store.write(section, keys::panFrom, degreesText(s.panFrom));
    store.write(section, keys::panTo, degreesText(s.panTo));
    store.write(section, keys::tiltFrom, degreesText(s.tiltFrom));
    store.write(section, keys::tiltTo, degreesText(s.tiltTo));
    store.write(section, keys::unitsPerDegree, degreesText(s.unitsPerDegree));
    store.write(section, keys::gap, settingsvalues::fromInt(s.gap.count()));
}
