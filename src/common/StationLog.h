#pragma once

#include "CappedLogFile.h"

#include <QMutex>
#include <QString>
#include <QtGlobal>

class QDateTime;

// The station's log: once installed, every message that passes the logging
// rules goes to standard error (which the journal keeps when the station
// runs as a service) and to a file, one line each: local time, level,
// category and text. When the file would grow past its cap the older half
// is dropped. The file is readable by its owner only.
class StationLog final
{
public:
    static constexpr qint64 defaultCap = 1024 * 1024;

    explicit StationLog(QString path, qint64 cap = defaultCap);
    // Hands the messages back to the handler in force before install().
    ~StationLog();
    StationLog(const StationLog&) = delete;
    StationLog& operator=(const StationLog&) = delete;

    QString path() const { return m_file.path(); }
    // Makes this log the program's message handler.
    void install();
    // Writes one message as the handler does.
    void write(QtMsgType type, const char* category, const QString& text);

    static QString format(const QDateTime& when, QtMsgType type, const char* category,
                          const QString& text);

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text);

    CappedLogFile m_file;
    // Messages come from any thread (camera back ends log from their own).
    QMutex m_mutex;
    QtMessageHandler m_previous = nullptr;
    bool m_installed = false;
};
