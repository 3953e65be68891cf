// SPDX-License-Identifier: GPL-3.0-or-later
#include "UploadSettings.h"

#include "SettingsKeys.h"
#include "SettingsStore.h"

void storeUploadSettings(const UploadSettings& s, SettingsStore& store)
{
    const auto number = [](qint16 value) { return QString::number(value); };
    const QString section = keys::settingsSection;
    store.write(section, keys::ftpEnable, number(s.FTPEnable));
    store.write(section, keys::filePath, s.FilePath);
    store.write(section, keys::fileName, s.FileName);
    store.write(section, keys::fileHost, s.FileHost);
    store.write(section, keys::fileLogin, s.FileLogin);
    store.write(section, keys::filePassword, s.FilePassword);
    store.write(section, keys::fileInterval, number(s.FileInterval));
    store.write(section, keys::fileAuto, number(s.FileAuto));
    store.write(section, keys::fileQuality, number(s.FileQuality));
}
