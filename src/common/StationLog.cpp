#include "StationLog.h"

#include <QDateTime>
#include <QMutexLocker>

#include <atomic>
#include <cstdio>

namespace {

// A message handler is a plain function; it finds the log through here.
std::atomic<StationLog*> installedLog{nullptr};

const char* levelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "debug";
    case QtInfoMsg:
        return "info";
    case QtWarningMsg:
        return "warning";
    case QtCriticalMsg:
        return "critical";
    case QtFatalMsg:
        return "fatal";
    }
    return "?";
}

} // namespace

StationLog::StationLog(QString path, qint64 cap)
    : m_file(std::move(path), cap)
{}

StationLog::~StationLog()
{
    if (m_installed) {
        StationLog* self = this;
        if (installedLog.compare_exchange_strong(self, nullptr))
            qInstallMessageHandler(m_previous);
    }
}

void StationLog::install()
{
    installedLog = this;
    m_previous = qInstallMessageHandler(&StationLog::handle);
    m_installed = true;
}

void StationLog::handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (StationLog* log = installedLog.load())
        log->write(type, context.category, text);
}

QString StationLog::format(const QDateTime& when, QtMsgType type, const char* category,
                           const QString& text)
{
    QString line = when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QLatin1Char(' ') +
                   QLatin1String(levelName(type)) + QLatin1Char(' ') +
                   QLatin1String(category ? category : "default") + QLatin1String(": ");
    // One message, one line, whatever the text holds.
    for (QChar c : text)
        line += (c == QLatin1Char('\n') || c == QLatin1Char('\r')) ? QLatin1Char(' ') : c;
    return line + QLatin1Char('\n');
}

void StationLog::write(QtMsgType type, const char* category, const QString& text)
{
    // Writing the file may itself warn; that message goes to standard
    // error only, instead of waiting for the lock this thread holds.
    thread_local bool writing = false;
    const QByteArray line = format(QDateTime::currentDateTime(), type, category, text).toUtf8();
    if (writing) {
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        return;
    }
    writing = true;
    {
        const QMutexLocker lock(&m_mutex);
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        std::fflush(stderr);
        m_file.append(line);
    }
    writing = false;
}
