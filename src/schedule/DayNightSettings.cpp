// SPDX-License-Identifier: GPL-3.0-or-later
#include "DayNightSettings.h"

#include "SettingsStore.h"
#include "SettingsValues.h"

#include <QDir>

#include <array>
#include <cmath>

namespace {

const QString scheduleSection = QStringLiteral("Schedule");
const QString archiveSection = QStringLiteral("Archive");
const QString timelapseSection = QStringLiteral("Timelapse");

constexpr std::array daylightNames{"Sunrise", "Civil", "Nautical", "Astronomical"};
constexpr std::array nightNames{"Continue", "Pause", "Slow"};

std::optional<double> readDegrees(const SettingsStore& store, const QString& key, double limit)
{
    bool ok = false;
    const double value = store.read(scheduleSection, key).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) > limit)
        return std::nullopt;
    return value;
}

template <typename Names>
int readChoice(const SettingsStore& store, const QString& section, const QString& key,
               const Names& names)
{
    const QString text = store.read(section, key).trimmed();
    for (size_t i = 0; i < names.size(); ++i) {
        if (text.compare(QLatin1String(names[i]), Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return 0;
}

int readNumber(const SettingsStore& store, const QString& section, const QString& key, int min,
               int max, int fallback)
{
    return int(settingsvalues::toInt(store.read(section, key), min, max).value_or(fallback));
}

bool readFlag(const SettingsStore& store, const QString& section, const QString& key)
{
    return settingsvalues::toBool(store.read(section, key)).value_or(false);
}

QString degrees(std::optional<double> value)
{
    return value ? QString::number(*value, 'f', 6) : QString();
}

} // namespace

double ScheduleSettings::altitude() const
{
    switch (daylight) {
    case Daylight::Civil:
        return -6;
    case Daylight::Nautical:
        return -12;
    case Daylight::Astronomical:
        return -18;
    case Daylight::Sunrise:
        break;
    }
    // The refraction at the horizon and the sun's radius.
    return -0.833;
}

QString daylightName(ScheduleSettings::Daylight daylight)
{
    return QLatin1String(daylightNames[size_t(daylight)]);
}

QString nightName(ScheduleSettings::Night night)
{
    return QLatin1String(nightNames[size_t(night)]);
}

ScheduleSettings readScheduleSettings(const SettingsStore& store)
{
    ScheduleSettings s;
    s.latitude = readDegrees(store, QStringLiteral("Latitude"), 90);
    s.longitude = readDegrees(store, QStringLiteral("Longitude"), 180);
    s.daylight = ScheduleSettings::Daylight(
        readChoice(store, scheduleSection, QStringLiteral("Daylight"), daylightNames));
    s.offsetMinutes =
        readNumber(store, scheduleSection, QStringLiteral("OffsetMinutes"), -180, 180, 0);
    s.night = ScheduleSettings::Night(
        readChoice(store, scheduleSection, QStringLiteral("Night"), nightNames));
    s.nightMinutes =
        readNumber(store, scheduleSection, QStringLiteral("NightMinutes"), 1, 24 * 60, 30);
    return s;
}

void storeScheduleSettings(const ScheduleSettings& s, SettingsStore& store)
{
    store.write(scheduleSection, QStringLiteral("Latitude"), degrees(s.latitude));
    store.write(scheduleSection, QStringLiteral("Longitude"), degrees(s.longitude));
    store.write(scheduleSection, QStringLiteral("Daylight"), daylightName(s.daylight));
    store.write(scheduleSection, QStringLiteral("OffsetMinutes"),
                settingsvalues::fromInt(s.offsetMinutes));
    store.write(scheduleSection, QStringLiteral("Night"), nightName(s.night));
    store.write(scheduleSection, QStringLiteral("NightMinutes"),
                settingsvalues::fromInt(s.nightMinutes));
}

ArchiveSettings readArchiveSettings(const SettingsStore& store, const QString& dataFolder)
{
    ArchiveSettings s;
    s.enabled = readFlag(store, archiveSection, QStringLiteral("Enabled"));
    const QString folder = store.read(archiveSection, QStringLiteral("Folder")).trimmed();
    if (!folder.isEmpty())
        s.folder = folder;
    s.folder = QDir::cleanPath(QDir(dataFolder).absoluteFilePath(s.folder));
    s.days = readNumber(store, archiveSection, QStringLiteral("Days"), 0, 100000, s.days);
    s.maxMB = readNumber(store, archiveSection, QStringLiteral("MaxMB"), 0, 100000000, s.maxMB);
    return s;
}

void storeArchiveSettings(const ArchiveSettings& s, SettingsStore& store)
{
    store.write(archiveSection, QStringLiteral("Enabled"), settingsvalues::fromBool(s.enabled));
    store.write(archiveSection, QStringLiteral("Folder"), s.folder);
    store.write(archiveSection, QStringLiteral("Days"), settingsvalues::fromInt(s.days));
    store.write(archiveSection, QStringLiteral("MaxMB"), settingsvalues::fromInt(s.maxMB));
}

TimelapseSettings readTimelapseSettings(const SettingsStore& store)
{
    TimelapseSettings s;
    s.enabled = readFlag(store, timelapseSection, QStringLiteral("Enabled"));
    s.rate = readNumber(store, timelapseSection, QStringLiteral("Rate"), 1, 120, s.rate);
    s.upload = readFlag(store, timelapseSection, QStringLiteral("Upload"));
    return s;
}

void storeTimelapseSettings(const TimelapseSettings& s, SettingsStore& store)
{
    store.write(timelapseSection, QStringLiteral("Enabled"), settingsvalues::fromBool(s.enabled));
    store.write(timelapseSection, QStringLiteral("Rate"), settingsvalues::fromInt(s.rate));
    store.write(timelapseSection, QStringLiteral("Upload"), settingsvalues::fromBool(s.upload));
}
