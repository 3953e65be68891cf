// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CappedLogFile.h"

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class QDateTime;

// The station's log: once installed, every message that passes the logging
// rules goes to standard error (which the journal keeps when the station
// runs as a service) and to a file, one line each: local time, level,
// category and text. The file is kept open and written by a thread of the
// log's own, so no thread that logs waits for the disk: lines reach the
// file within a short delay (warnings and worse at once, fatal ones before
// the program ends) and when the log goes. At its cap the file becomes
// "<name>.1" and a new one is started. A file that is not a regular file of
// the user's own is left alone: the log says so once on standard error and
// keeps to standard error.
//
// Messages come from any thread, so the log must outlive every thread that
// may write one: make it before the application object and the parts that
// start threads.
class StationLog final
{
public:
    static constexpr qint64 defaultCap = 1024 * 1024;

    explicit StationLog(QString path, qint64 cap = defaultCap);
    // Hands the messages back to the handler in force before install() and
    // writes what is still kept.
    ~StationLog();
    StationLog(const StationLog&) = delete;
    StationLog& operator=(const StationLog&) = delete;

    QString path() const { return m_file.path(); }
    // Makes this log the program's message handler.
    void install();
    // Writes one message as the handler does.
    void write(QtMsgType type, const char* category, const QString& text);
    // Puts every line kept so far into the file.
    void flush();

    static QString format(const QDateTime& when, QtMsgType type, const char* category,
                          const QString& text);

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text);
    void keepWriting();
    // Moves the waiting lines into the file; with m_fileMutex held.
    void writeWaiting();
    void sayRefusalOnce();

    // Lines not yet handed to the file, and the flags of the writer.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    QByteArray m_waiting;
    bool m_urgent = false;
    bool m_stopping = false;
    std::atomic<bool> m_fileRefused{false};

    std::mutex m_fileMutex;
    CappedLogFile m_file;
    bool m_refusalSaid = false;
    QtMessageHandler m_previous = nullptr;
    bool m_installed = false;
    // Writes the waiting lines a moment after the first of them.
    std::thread m_writer;
};
