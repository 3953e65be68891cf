#include "CappedLogFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

} // namespace

CappedLogFile::CappedLogFile(QString path, qint64 cap)
    : m_path(std::move(path))
    , m_cap(cap)
{}

bool CappedLogFile::append(const QByteArray& line)
{
    if (m_path.isEmpty())
        return false;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    if (!trimToMakeRoomFor(line.size()))
        return false;
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append, ownerOnly))
        return false;
    // Server names, user names and what happened are nobody else's business.
    if (file.permissions() & ~(ownerOnly | QFileDevice::ReadUser | QFileDevice::WriteUser))
        file.setPermissions(ownerOnly);
    return file.write(line) == line.size();
}

bool CappedLogFile::trimToMakeRoomFor(qint64 lineSize)
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
    const qsizetype half = all.size() / 2;
    const qsizetype lineEnd = all.indexOf('\n', half > 0 ? half - 1 : 0);
    const qsizetype from = lineEnd < 0 ? all.size() : lineEnd + 1;
    QSaveFile kept(m_path);
    if (!kept.open(QIODevice::WriteOnly))
        return false;
    kept.setPermissions(ownerOnly);
    kept.write(all.constData() + from, all.size() - from);
    return kept.commit();
}
