// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CappedLogFile.h"

#include <QDateTime>
#include <QString>

// The upload record, "uploads.log": one line per transfer with the local
// time (ISO 8601), the remote address, the bytes, the duration in
// milliseconds and the result, separated by tabs. At its cap the file
// becomes "uploads.log.1" and a new one is started. Each line is written as
// it comes, on the transfer's thread only. A file that is not a regular
// file of the user's own is left alone and nothing is recorded (refusal()
// says why).
class UploadLog final
{
public:
    struct Entry
    {
        QDateTime when;
        QString address;
        qint64 bytes = 0;
        qint64 milliseconds = 0;
        // "ok" or why the transfer failed.
        QString result;
    };

    static constexpr qint64 defaultCap = 1024 * 1024;

    explicit UploadLog(QString path, qint64 cap = defaultCap);

    QString path() const { return m_file.path(); }
    QString refusal() const { return m_file.refusal(); }
    // Appends one line. The writer fills the fields from what never holds
    // a password (the address from the login and host, a result without
    // server text that repeats it); nothing is masked here. False when the
    // file could not be written; the transfer goes on regardless.
    bool append(const Entry& entry);

    static QString format(const Entry& entry);

private:
    CappedLogFile m_file;
};
