// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class SettingsStore;

// The upload settings of the run: filled from the settings store at
// start-up, edited by the FTP settings dialog, read by every send. Each
// field carries the name of the settings key that holds it.
struct UploadSettings
{
    // The Send Frame button is usable (1) or not (0). Automatic and
    // per-preset uploads run whatever it says.
    qint16 FTPEnable = 0;
    // Remote folder prefix and file name; the remote name is the two texts
    // joined with nothing in between.
    QString FilePath;
    QString FileName;
    QString FileLogin;
    QString FileHost;
    QString FilePassword;
    // Seconds between automatic uploads, and whether they run (1) or not.
    qint16 FileInterval = 30;
    qint16 FileAuto = 0;
    // JPEG quality, 1 to 100.
    qint16 FileQuality = 30;

    bool operator==(const UploadSettings&) const = default;
};

// Writes the nine keys to the section "Settings" in the order "FTPEnable",
// "FilePath", "FileName", "FileHost", "FileLogin", "FilePassword",
// "FileInterval", "FileAuto", "FileQuality"; numbers as decimal text, texts
// as typed.
void storeUploadSettings(const UploadSettings& settings, SettingsStore& store);
