// SPDX-License-Identifier: GPL-3.0-or-later
#include "UploadLog.h"

namespace {

QString oneLine(QString text)
{
    // A field never spans lines or runs into the next one.
    for (QChar& c : text)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    return text;
}

} // namespace

UploadLog::UploadLog(QString path, qint64 cap)
    : m_file(std::move(path), cap)
{}

QString UploadLog::format(const Entry& e)
{
    const QChar tab = QLatin1Char('\t');
    return e.when.toString(Qt::ISODate) + tab + oneLine(e.address) + tab +
           QString::number(e.bytes) + tab + QString::number(e.milliseconds) + tab +
           oneLine(e.result) + QLatin1Char('\n');
}

bool UploadLog::append(const Entry& entry)
{
    // One line now and then: written at once, nothing waits for the stop.
    return m_file.append(format(entry).toUtf8()) && m_file.flush();
}
