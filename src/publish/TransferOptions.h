// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <chrono>

class UploadLog;

// How the transfer component talks to servers beyond the server, login and
// password: handed in by whoever owns the settings store, so the component
// never reads settings itself.
struct TransferOptions
{
    // A PEM file of certificates to trust besides the system's store, for
    // servers with a certificate of their own making; empty for none.
    QString caCertificate;
    // Upload under a temporary name and rename it over the remote name, so
    // a visitor never loads half a picture.
    bool atomic = true;
    // Passive FTP; false for active mode.
    bool passive = true;
    // Where SFTP host keys are recorded on first use.
    QString knownHostsFile;
    // Bytes a second an upload may send; 0 for no limit. Tests slow uploads
    // down with it, and a station on a thin line may too.
    qint64 maxSendRate = 0;
    // Gets one line per transfer; none when null.
    UploadLog* uploadLog = nullptr;
};
