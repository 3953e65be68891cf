// SPDX-License-Identifier: GPL-3.0-or-later
#include "WebSettings.h"

#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "SettingsValues.h"

namespace {

int readNumber(const SettingsStore& store, QLatin1String key, int min, int max, int fallback)
{
    const auto value =
        settingsvalues::toInt(store.read(keys::webSection, key), qint64(min), qint64(max));
    return value ? int(*value) : fallback;
}

} // namespace

WebSettings readWebSettings(const SettingsStore& store)
{
    WebSettings s;
    s.enabled =
        settingsvalues::toBool(store.read(keys::webSection, keys::webEnabled)).value_or(false);
    s.port =
        readNumber(store, keys::webPort, WebSettings::lowestPort, 65535, WebSettings::defaultPort);
    s.certificate = store.read(keys::webSection, keys::webCertificate);
    s.key = store.read(keys::webSection, keys::webKey);
    s.frameWidth =
        readNumber(store, keys::webFrameWidth, 160, 3840, WebSettings::defaultFrameWidth);
    s.frameRate = readNumber(store, keys::webFrameRate, 1, 30, WebSettings::defaultFrameRate);
    s.adminHash = store.read(keys::webSection, keys::webAdminHash);
    s.guestHash = store.read(keys::webSection, keys::webGuestHash);
    return s;
}

void storeWebSettings(const WebSettings& s, SettingsStore& store)
{
    store.write(keys::webSection, keys::webEnabled, settingsvalues::fromBool(s.enabled));
    store.write(keys::webSection, keys::webPort, settingsvalues::fromInt(s.port));
    store.write(keys::webSection, keys::webCertificate, s.certificate);
    store.write(keys::webSection, keys::webKey, s.key);
    store.write(keys::webSection, keys::webFrameWidth, settingsvalues::fromInt(s.frameWidth));
    store.write(keys::webSection, keys::webFrameRate, settingsvalues::fromInt(s.frameRate));
    store.write(keys::webSection, keys::webAdminHash, s.adminHash);
    store.write(keys::webSection, keys::webGuestHash, s.guestHash);
}
