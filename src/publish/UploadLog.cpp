#include "UploadLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
    : m_path(std::move(path))
    , m_cap(cap)
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
    if (m_path.isEmpty())
        return false;
    const QByteArray line = format(entry).toUtf8();
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    if (!trimToMakeRoomFor(line.size()))
        return false;
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    // Server names and user names are nobody else's business.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return file.write(line) == line.size();
}

bool UploadLog::trimToMakeRoomFor(qint64 lineSize)
{
    const QFileInfo info(m_path);
    if (!info.exists() || info.size() + lineSize <= m_cap)
        return true;
    QFile old(m_path);
    if (!old.open(QIODevice::ReadOnly))
        return false;
    const QByteArray all = old.readAll();
    old.close();
    // Keep the newer half, starting at a whole line.
    qsizetype from = all.size() / 2;
    const qsizetype lineEnd = all.indexOf('\n', from > 0 ? from - 1 : 0);
    from = lineEnd < 0 ? all.size() : lineEnd + 1;
    QSaveFile kept(m_path);
    if (!kept.open(QIODevice::WriteOnly))
        return false;
    kept.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    kept.write(all.constData() + from, all.size() - from);
    return kept.commit();
}
