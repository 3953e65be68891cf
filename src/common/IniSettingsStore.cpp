// SPDX-License-Identifier: GPL-3.0-or-later
#include "IniSettingsStore.h"

#include "SettingsKeys.h"
#include "StationPaths.h"
#include "Texts.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Values = QMap<QString, QVariant>;

// Qt's INI reader carries a line on past its end while a double quote is
// open or when the line ends in a backslash. Qt never writes a file like
// that, so such a file was edited by hand, and everything after the joint
// (whole sections, often) would be read into one value and saved back so.
bool joinsLines(const QByteArray& bytes)
{
    bool inQuotes = false;
    bool lineStart = true;
    const auto skipComment = [&bytes](qsizetype i) {
        while (i + 1 < bytes.size() && bytes[i + 1] != '\n' && bytes[i + 1] != '\r')
            ++i;
        return i;
    };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\n' || c == '\r') {
            if (inQuotes)
                return true;
            lineStart = true;
        } else if (lineStart && (c == ' ' || c == '\t')) {
            continue;
        } else if (c == ';' && !inQuotes) {
            i = skipComment(i);
        } else if (c == '\\') {
            if (i + 1 < bytes.size() && (bytes[i + 1] == '\n' || bytes[i + 1] == '\r'))
                return true;
            ++i;
            lineStart = false;
        } else {
            if (c == '"')
                inQuotes = !inQuotes;
            lineStart = false;
        }
    }
    return inQuotes;
}

// What Qt's reader makes of these bytes. It reads a copy in a private
// folder of its own: QSettings keeps what it read of a path, and may hand
// that back for a file replaced within the same millisecond.
bool parseIni(const QByteArray& bytes, const QString& folder, Values* values)
{
    QTemporaryDir dir(folder + QLatin1String("/.kivra-settings-XXXXXX"));
    if (!dir.isValid())
        return false;
    const QString copy = dir.filePath(QStringLiteral("copy.conf"));
    QFile file(copy);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    QSettings settings(copy, QSettings::IniFormat);
    values->clear();
    for (const QString& key : settings.allKeys())
        values->insert(key, settings.value(key));
    return settings.status() == QSettings::NoError;
}

// Qt's own writer puts the changes into a copy of the file's bytes.
bool writeMerged(const QString& merged, const QByteArray& current,
                 const QMap<QString, QString>& changes)
{
    QFile seed(merged);
    if (!seed.open(QIODevice::WriteOnly) || seed.write(current) != current.size())
        return false;
    seed.close();
    QSettings settings(merged, QSettings::IniFormat);
    for (auto it = changes.cbegin(); it != changes.cend(); ++it)
        settings.setValue(it.key(), it.value());
    settings.sync();
    return settings.status() == QSettings::NoError;
}

// Gives the file its mode and group, puts it on the disk and renames it
// over the target.
bool install(const QString& file, const QString& target, mode_t mode, std::optional<gid_t> group)
{
    const QByteArray name = QFile::encodeName(file);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool settled = ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    // The group stays what the owner chose, where the system lets it.
    if (settled && group && ::fchown(fd, uid_t(-1), *group) != 0)
        errno = 0;
    ::close(fd);
    return settled && ::rename(name.constData(), QFile::encodeName(target).constData()) == 0;
}

bool fail(QString* reason, const QString& text)
{
    if (reason)
        *reason = text;
    return false;
}

// The FTP password and every network camera's ("Cameras/Mast/Password").
bool holdsSecret(const Values& values)
{
    const QString ftp = keys::settingsSection + QLatin1Char('/') + keys::filePassword;
    const QString cameras = keys::camerasSection + QLatin1Char('/');
    const QString camera = QLatin1Char('/') + keys::cameraPassword;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const bool secret =
            it.key() == ftp || (it.key().startsWith(cameras) && it.key().endsWith(camera) &&
                                it.key().count(QLatin1Char('/')) == 2);
        if (secret && !it.value().toString().isEmpty())
            return true;
    }
    return false;
}

bool ownRegularFile(const struct stat& info)
{
    return S_ISREG(info.st_mode) && info.st_uid == ::geteuid();
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Takes every access of others from the file, checked again once open.
bool makePrivate(const QString& target, QString* reason)
{
    const QString shown = QDir::toNativeSeparators(target);
    const int fd = ::open(QFile::encodeName(target).constData(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(reason, QString(texts::settingsCannotWrite).arg(shown, systemError()));
    struct stat info = {};
    bool done = ::fstat(fd, &info) == 0 && ownRegularFile(info);
    done = done && ::fchmod(fd, info.st_mode & 07700 & ~mode_t(S_ISUID | S_ISGID)) == 0;
    const QString why = done ? QString() : systemError();
    ::close(fd);
    return done || fail(reason, QString(texts::settingsCannotWrite).arg(shown, why));
}

} // namespace

IniSettingsStore::IniSettingsStore()
    : IniSettingsStore(defaultFilePath())
{}

IniSettingsStore::IniSettingsStore(const QString& filePath)
    : m_path(QFileInfo(filePath).absoluteFilePath())
{
    load();
    if (!m_refusal.isEmpty())
        qWarning().noquote() << texts::settingsNotSavedPrefix + m_refusal;
}

QString IniSettingsStore::defaultFilePath()
{
    return StationPaths::settingsFile();
}

void IniSettingsStore::load()
{
    const QString shown = QDir::toNativeSeparators(m_path);
    const QString unreadable = QString(texts::settingsUnreadable).arg(shown);
    struct stat link = {};
    if (::lstat(QFile::encodeName(m_path).constData(), &link) != 0) {
        if (errno != ENOENT)
            m_refusal = unreadable;
        return;
    }
    // Only a regular file is read: a pipe or a device could hold the
    // user-interface thread for ever.
    struct stat info = {};
    const bool reachable = ::stat(QFile::encodeName(m_path).constData(), &info) == 0;
    if (S_ISLNK(link.st_mode) && (!reachable || !ownRegularFile(info))) {
        m_refusal = QString(texts::settingsLinkRefused)
                        .arg(shown, QDir::toNativeSeparators(QFileInfo(m_path).symLinkTarget()));
        if (!reachable || !S_ISREG(info.st_mode))
            return;
    } else if (!reachable || !S_ISREG(info.st_mode)) {
        m_refusal = unreadable;
        return;
    } else if (!ownRegularFile(info)) {
        m_refusal = QString(texts::settingsNotOwn).arg(shown);
    }

    QFile file(m_path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    // Read in the temporary folder or, failing that, beside the file.
    const bool parsed = parseIni(bytes, QDir::tempPath(), &m_stored) ||
                        parseIni(bytes, QFileInfo(m_path).absolutePath(), &m_stored);
    if (!file.isOpen() || file.error() != QFileDevice::NoError || !parsed || joinsLines(bytes)) {
        // What was read may be only part of it, or shifted: the defaults
        // are safer than half the operator's settings.
        m_stored.clear();
        m_refusal = unreadable;
    }
}

QString IniSettingsStore::read(const QString& section, const QString& key,
                               const QString& fallback) const
{
    const QString name = section + QLatin1Char('/') + key;
    if (const auto pending = m_pending.constFind(name); pending != m_pending.cend())
        return *pending;
    const QVariant value = m_stored.value(name);
    if (!value.isValid())
        return fallback;
    // A hand-edited value with an unquoted comma comes back as a list.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    if (!value.canConvert<QString>())
        return fallback;
    return value.toString();
}

void IniSettingsStore::write(const QString& section, const QString& key, const QString& value)
{
    const QString name = section + QLatin1Char('/') + key;
    const auto stored = m_stored.constFind(name);
    if (stored != m_stored.cend() && stored->userType() == QMetaType::QString &&
        stored->toString() == value) {
        m_pending.remove(name);
        return;
    }
    m_pending.insert(name, value);
}

QString IniSettingsStore::exposure() const
{
    struct stat info = {};
    if (!holdsPassword() || ::stat(QFile::encodeName(m_path).constData(), &info) != 0 ||
        !(info.st_mode & (S_IRGRP | S_IROTH)))
        return {};
    return QString(texts::settingsExposed).arg(QDir::toNativeSeparators(m_path));
}

bool IniSettingsStore::holdsPassword() const
{
    Values now = m_stored;
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it)
        now.insert(it.key(), it.value());
    return holdsSecret(now);
}

QStringList IniSettingsStore::keys(const QString& section) const
{
    const QString prefix = section + QLatin1Char('/');
    QStringList found;
    for (auto it = m_stored.cbegin(); it != m_stored.cend(); ++it) {
        if (it.key().startsWith(prefix))
            found.append(it.key().mid(prefix.size()));
    }
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
        if (it.key().startsWith(prefix) && !found.contains(it.key().mid(prefix.size())))
            found.append(it.key().mid(prefix.size()));
    }
    return found;
}

bool IniSettingsStore::flush(QString* reason)
{
    if (!m_refusal.isEmpty())
        return fail(reason, m_refusal);
    if (m_pending.isEmpty()) {
        // Nothing to write, but a password open to others is closed off.
        if (exposure().isEmpty())
            return true;
        const QString target = writableTarget(reason);
        return !target.isEmpty() && makePrivate(target, reason);
    }
    const QString target = writableTarget(reason);
    if (target.isEmpty() || !replace(target, reason))
        return false;
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it)
        m_stored.insert(it.key(), it.value());
    m_pending.clear();
    return true;
}

QString IniSettingsStore::writableTarget(QString* reason) const
{
    const QString shown = QDir::toNativeSeparators(m_path);
    struct stat link = {};
    if (::lstat(QFile::encodeName(m_path).constData(), &link) != 0) {
        if (errno == ENOENT && QDir().mkpath(QFileInfo(m_path).absolutePath()))
            return m_path;
        fail(reason, QString(texts::settingsCannotWrite).arg(shown, systemError()));
        return {};
    }
    struct stat info = {};
    const bool reachable = ::stat(QFile::encodeName(m_path).constData(), &info) == 0;
    if (reachable && ownRegularFile(info))
        return S_ISLNK(link.st_mode) ? QFileInfo(m_path).canonicalFilePath() : m_path;
    if (S_ISLNK(link.st_mode))
        fail(reason, QString(texts::settingsLinkRefused)
                         .arg(shown, QDir::toNativeSeparators(QFileInfo(m_path).symLinkTarget())));
    else
        fail(reason, QString(texts::settingsNotOwn).arg(shown));
    return {};
}

// Writes the merged file beside the target and renames it over the target,
// so that the old file stays whole until the new one is complete.
bool IniSettingsStore::replace(const QString& target, QString* reason)
{
    const QString shown = QDir::toNativeSeparators(target);
    const auto cannotWrite = [&](const QString& why) {
        return fail(reason, QString(texts::settingsCannotWrite).arg(shown, why));
    };
    QTemporaryDir work(QFileInfo(target).absolutePath() + QLatin1String("/.kivra-settings-XXXXXX"));
    if (!work.isValid())
        return cannotWrite(work.errorString());

    QByteArray current;
    struct stat info = {};
    const bool existed = ::stat(QFile::encodeName(target).constData(), &info) == 0;
    if (existed) {
        QFile file(target);
        if (!file.open(QIODevice::ReadOnly))
            return cannotWrite(file.errorString());
        current = file.readAll();
    }
    // Changed by hand since the start, and no longer readable as it stands.
    Values expected;
    if (!parseIni(current, work.path(), &expected) || joinsLines(current))
        return fail(reason, QString(texts::settingsUnreadable).arg(shown));
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it)
        expected.insert(it.key(), it.value());

    const QString merged = work.filePath(QStringLiteral("merged.conf"));
    if (!writeMerged(merged, current, m_pending))
        return cannotWrite(merged);
    // Qt quotes what it writes, but a file that would read back otherwise
    // must not replace a good one.
    QFile result(merged);
    const QByteArray bytes = result.open(QIODevice::ReadOnly) ? result.readAll() : QByteArray();
    Values after;
    if (!parseIni(bytes, work.path(), &after) || joinsLines(bytes) || after != expected)
        return fail(reason, QString(texts::settingsWouldChange).arg(shown));

    mode_t mode = existed ? info.st_mode & 07777 : S_IRUSR | S_IWUSR;
    if (holdsSecret(after))
        mode &= ~mode_t(S_IRWXG | S_IRWXO);
    if (!install(merged, target, mode, existed ? std::optional<gid_t>(info.st_gid) : std::nullopt))
        return cannotWrite(systemError());
    return true;
}
