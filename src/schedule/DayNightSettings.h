// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

class SettingsStore;

// [Schedule]: where the station stands and what its nights do.
struct ScheduleSettings
{
    enum class Daylight
    {
        Sunrise,
        Civil,
        Nautical,
        Astronomical
    };
    enum class Night
    {
        Continue,
        Pause,
        Slow
    };

    // Without both, there is no schedule: every hour is day.
    std::optional<double> latitude;
    std::optional<double> longitude;
    Daylight daylight = Daylight::Sunrise;
    // Widens the day at both ends; negative narrows it.
    int offsetMinutes = 0;
    Night night = Night::Continue;
    int nightMinutes = 30;

    bool hasPlace() const { return latitude && longitude; }
    // The sun's altitude, in degrees, that starts and ends the day.
    double altitude() const;
};

// [Archive]: every published frame kept on disk.
struct ArchiveSettings
{
    bool enabled = false;
    // Relative folders are taken in the data folder.
    QString folder = QStringLiteral("archive");
    // 0: no limit.
    int days = 30;
    int maxMB = 2000;
};

// [Timelapse]: a video of each day's archived frames.
struct TimelapseSettings
{
    bool enabled = false;
    int rate = 25;
    bool upload = false;
};

ScheduleSettings readScheduleSettings(const SettingsStore& store);
void storeScheduleSettings(const ScheduleSettings& s, SettingsStore& store);
// The folder comes back absolute, resolved against dataFolder.
ArchiveSettings readArchiveSettings(const SettingsStore& store, const QString& dataFolder);
void storeArchiveSettings(const ArchiveSettings& s, SettingsStore& store);
TimelapseSettings readTimelapseSettings(const SettingsStore& store);
void storeTimelapseSettings(const TimelapseSettings& s, SettingsStore& store);

QString daylightName(ScheduleSettings::Daylight daylight);
QString nightName(ScheduleSettings::Night night);
