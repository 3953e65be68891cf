#include "StationLog.h"

#include "Durations.h"
#include "Texts.h"

#include <QDateTime>

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

void toStandardError(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace

StationLog::StationLog(QString path, qint64 cap)
    : m_file(std::move(path), cap)
{
    sayRefusalOnce();
    if (m_file.refusal().isEmpty())
        m_flusher = std::thread([this] { keepFlushing(); });
}

StationLog::~StationLog()
{
    if (m_installed) {
        StationLog* self = this;
        if (installedLog.compare_exchange_strong(self, nullptr))
            qInstallMessageHandler(m_previous);
    }
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_flusher.joinable())
        m_flusher.join();
    flush();
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
    const QByteArray line = format(QDateTime::currentDateTime(), type, category, text).toUtf8();
    // Opening a new file may itself warn; that message goes to standard
    // error only, instead of waiting for the lock this thread holds.
    thread_local bool writing = false;
    if (writing) {
        toStandardError(line);
        return;
    }
    writing = true;
    const std::lock_guard lock(m_mutex);
    toStandardError(line);
    const bool wasIdle = !m_file.hasPending();
    m_file.append(line);
    // What comes before a crash must not wait in memory.
    if (type != QtDebugMsg && type != QtInfoMsg)
        m_file.flush();
    else if (wasIdle && m_file.hasPending())
        m_wake.notify_one();
    sayRefusalOnce();
    writing = false;
}

void StationLog::flush()
{
    const std::lock_guard lock(m_mutex);
    m_file.flush();
    sayRefusalOnce();
}

void StationLog::keepFlushing()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        // Asleep until there is something to write, then gather the lines
        // of a short while into one write.
        m_wake.wait(lock, [this] { return m_stopping || m_file.hasPending(); });
        m_wake.wait_for(lock, durations::logFlushDelay, [this] { return m_stopping; });
        m_file.flush();
        sayRefusalOnce();
    }
}

// Written straight to standard error: the message handler may be this log.
void StationLog::sayRefusalOnce()
{
    if (m_refusalSaid || m_file.refusal().isEmpty())
        return;
    m_refusalSaid = true;
    toStandardError(format(QDateTime::currentDateTime(), QtWarningMsg, "kivra.app",
                           m_file.refusal() + texts::stationLogStderrOnly)
                        .toUtf8());
}
