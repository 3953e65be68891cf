// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "StationSettings.h"
#include "UploadSettings.h"

#include <QLatin1String>
#include <QString>

class SettingsStore;

// The settings module: reads and writes the station's keys in the section
// "Settings" of the per-user store, in the orders the stored file has always
// had. Values that do not convert, or lie outside what their control takes,
// give the key's default, so a damaged file never stops a restore.
class mdlKivrawebcam final
{
public:
    explicit mdlKivrawebcam(SettingsStore& store);

    StationSettings readStation() const;
    // Writes the control states and pushes them to the file; false when the
    // store could not be written.
    bool writeStation(const StationSettings& state, QString* reason = nullptr);

    // The upload settings of the run. The FTP keys are only ever written by
    // the FTP settings dialog's OK.
    UploadSettings& uploadSettings() { return m_upload; }
    // Fills uploadSettings() from the store.
    void LoadUploadSettings();

private:
    bool readBool(QLatin1String key, bool fallback) const;
    qint64 readInt(QLatin1String key, qint64 fallback, qint64 min, qint64 max) const;

    SettingsStore& m_store;
    UploadSettings m_upload;
};
