// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class SettingsStore;

// The web remote's [Web] section. A damaged value reads as its default; a
// port below 1024 (which a normal user cannot open) reads as 8443.
struct WebSettings
{
    static constexpr int defaultPort = 8443;
    static constexpr int lowestPort = 1024;
    static constexpr int defaultFrameWidth = 960;
    static constexpr int defaultFrameRate = 5;

    bool enabled = false;
    int port = defaultPort;
    // The operator's certificate and key files; both empty: a self-signed
    // certificate of the station's own.
    QString certificate;
    QString key;
    int frameWidth = defaultFrameWidth;
    int frameRate = defaultFrameRate;
    // Argon2id hashes in libsodium's text form; no admin hash, no remote.
    QString adminHash;
    QString guestHash;

    // On only when turned on and an admin password was set.
    bool canRun() const { return enabled && !adminHash.isEmpty(); }
};

WebSettings readWebSettings(const SettingsStore& store);
void storeWebSettings(const WebSettings& settings, SettingsStore& store);
