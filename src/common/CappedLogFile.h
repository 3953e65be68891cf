// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// A log file kept the way daemons keep theirs. It is opened once; lines are
// gathered in memory and written together by flush(); when the file would
// grow past its cap it is renamed to "<name>.1" (replacing the one before)
// and a new file is started, so the records of the last two caps are kept.
//
// Only a regular file of the user's own is written: the file is opened
// without following a symbolic link and without blocking on a FIFO, and
// anything else is refused, left untouched and named in refusal(). The file
// is readable by its owner only, also one made before by hand.
// Not thread-safe: each log serialises its own calls.
class CappedLogFile final
{
public:
    CappedLogFile(QString path, qint64 cap);
    // Writes what is still kept.
    ~CappedLogFile();
    CappedLogFile(const CappedLogFile&) = delete;
    CappedLogFile& operator=(const CappedLogFile&) = delete;

    QString path() const { return m_path; }
    // Empty while the file is written to; else why it is not (said in the
    // words of the status line, naming the file).
    QString refusal() const { return m_refusal; }
    bool hasPending() const { return !m_pending.isEmpty(); }

    // Keeps the line for the next flush. False when the file is refused.
    bool append(const QByteArray& line);
    // Writes the kept lines. False when they could not all be written.
    bool flush();

private:
    bool open();
    bool rotate();
    void refuse(const QString& why);

    QString m_path;
    qint64 m_cap;
    int m_fd = -1;
    // Bytes written to the file.
    qint64 m_size = 0;
    QByteArray m_pending;
    QString m_refusal;
};
