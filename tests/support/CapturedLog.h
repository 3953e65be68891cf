// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMutex>
#include <QStringList>
#include <QtGlobal>

// Every line the code under test logs, from any thread, while it lives.
class CapturedLog final
{
public:
    CapturedLog()
    {
        current() = this;
        m_previous = qInstallMessageHandler(keep);
    }
    ~CapturedLog()
    {
        qInstallMessageHandler(m_previous);
        current() = nullptr;
    }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    QStringList lines() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_lines;
    }

private:
    static CapturedLog*& current()
    {
        static CapturedLog* log = nullptr;
        return log;
    }
    static void keep(QtMsgType, const QMessageLogContext& context, const QString& text)
    {
        if (CapturedLog* log = current()) {
            const QMutexLocker lock(&log->m_mutex);
            log->m_lines.append(QString::fromLatin1(context.category) + QLatin1String(": ") + text);
        }
    }

    mutable QMutex m_mutex;
    QStringList m_lines;
    QtMessageHandler m_previous = nullptr;
};
