// SPDX-License-Identifier: GPL-3.0-or-later
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

// Lines waiting for the file beyond this are left to standard error.
constexpr qsizetype waitingLimit = 4 * 1024 * 1024;

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
    if (!m_fileRefused)
        m_writer = std::thread([this] { keepWriting(); });
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
    if (m_writer.joinable())
        m_writer.join();
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
    toStandardError(line);
    if (m_fileRefused)
        return;
    {
        const std::lock_guard lock(m_mutex);
        // A disk that takes nothing for long must not fill the memory; the
        // line is on standard error anyway.
        if (m_waiting.size() < waitingLimit)
            m_waiting += line;
        // What comes before a crash must not wait.
        m_urgent = m_urgent || (type != QtDebugMsg && type != QtInfoMsg);
    }
    m_wake.notify_one();
    if (type == QtFatalMsg)
        flush();
}

void StationLog::flush()
{
    const std::lock_guard lock(m_fileMutex);
    writeWaiting();
}

void StationLog::writeWaiting()
{
    QByteArray lines;
    {
        const std::lock_guard lock(m_mutex);
        lines.swap(m_waiting);
    }
    qsizetype from = 0;
    while (from < lines.size()) {
        const qsizetype end = lines.indexOf('\n', from);
        const qsizetype next = end < 0 ? lines.size() : end + 1;
        m_file.append(lines.mid(from, next - from));
        from = next;
    }
    m_file.flush();
    m_fileRefused = !m_file.refusal().isEmpty();
    sayRefusalOnce();
}

void StationLog::keepWriting()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        // Asleep until there is something to write, then the lines of a
        // short while go into one write.
        m_wake.wait(lock, [this] { return m_stopping || !m_waiting.isEmpty(); });
        m_wake.wait_for(lock, durations::logFlushDelay, [this] { return m_stopping || m_urgent; });
        m_urgent = false;
        lock.unlock();
        flush();
        lock.lock();
    }
}

// Written straight to standard error: the message handler may be this log.
void StationLog::sayRefusalOnce()
{
    m_fileRefused = !m_file.refusal().isEmpty();
    if (m_refusalSaid || !m_fileRefused)
        return;
    m_refusalSaid = true;
    toStandardError(format(QDateTime::currentDateTime(), QtWarningMsg, "kivra.app",
                           m_file.refusal() + texts::stationLogStderrOnly)
                        .toUtf8());
}
