// SPDX-License-Identifier: GPL-3.0-or-later
#include "mdlKivrawebcam.h"

#include "IntervalTimer.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "SettingsValues.h"

#include <limits>

using namespace settingsvalues;

namespace {

const QString section = keys::settingsSection;

} // namespace

mdlKivrawebcam::mdlKivrawebcam(SettingsStore& store)
    : m_store(store)
{}

bool mdlKivrawebcam::readBool(QLatin1String key, bool fallback) const
{
    return toBool(m_store.read(section, key)).value_or(fallback);
}

qint64 mdlKivrawebcam::readInt(QLatin1String key, qint64 fallback, qint64 min, qint64 max) const
{
    return toInt(m_store.read(section, key), min, max).value_or(fallback);
}

StationSettings mdlKivrawebcam::readStation() const
{
    StationSettings s;
    s.com = {readBool(keys::com1, false), readBool(keys::com2, false), readBool(keys::com3, false),
             readBool(keys::com4, false)};
    s.accel = qint16(readInt(keys::accel, 2, 1, 3));
    s.manual = readBool(keys::manual, false);
    s.random = readBool(keys::random, false);
    s.sequence = readBool(keys::sequence, false);
    s.train = readBool(keys::train, false);
    s.picture = readBool(keys::picture, false);
    s.interval = qint32(readInt(keys::interval, 0, 0, IntervalTimer::maxInterval));
    s.timer1 = readBool(keys::timer1, false);
    s.deleteEnabled = readBool(keys::deleteButton, false);
    s.captureFrame = readBool(keys::captureFrame, false);
    return s;
}

void mdlKivrawebcam::LoadUploadSettings()
{
    constexpr qint64 min16 = std::numeric_limits<qint16>::min();
    constexpr qint64 max16 = std::numeric_limits<qint16>::max();
    const UploadSettings defaults;
    const auto text = [this](QLatin1String key) { return m_store.read(section, key); };

    UploadSettings& u = m_upload;
    u.FTPEnable = qint16(readInt(keys::ftpEnable, defaults.FTPEnable, min16, max16));
    u.FilePath = text(keys::filePath);
    u.FileLogin = text(keys::fileLogin);
    u.FileName = text(keys::fileName);
    u.FileHost = text(keys::fileHost);
    u.FilePassword = text(keys::filePassword);
    u.FileInterval = qint16(readInt(keys::fileInterval, defaults.FileInterval, min16, max16));
    u.FileAuto = qint16(readInt(keys::fileAuto, defaults.FileAuto, min16, max16));
    // The quality slider runs from 1 to 100.
    u.FileQuality = qint16(readInt(keys::fileQuality, defaults.FileQuality, 1, 100));
}

bool mdlKivrawebcam::writeStation(const StationSettings& s, QString* reason)
{
    const auto put = [this](QLatin1String key, const QString& text) {
        m_store.write(section, key, text);
    };
    put(keys::com1, fromBool(s.com[0]));
    put(keys::com2, fromBool(s.com[1]));
    put(keys::com3, fromBool(s.com[2]));
    put(keys::com4, fromBool(s.com[3]));
    put(keys::accel, fromInt(s.accel));
    put(keys::manual, fromBool(s.manual));
    put(keys::random, fromBool(s.random));
    put(keys::sequence, fromBool(s.sequence));
    put(keys::train, fromBool(s.train));
    put(keys::picture, fromBool(s.picture));
    put(keys::interval, fromInt(s.interval));
    put(keys::timer1, fromBool(s.timer1));
    put(keys::deleteButton, fromBool(s.deleteEnabled));
    put(keys::captureFrame, fromBool(s.captureFrame));
    return m_store.flush(reason);
}
