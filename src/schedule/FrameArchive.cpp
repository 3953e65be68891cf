// SPDX-License-Identifier: GPL-3.0-or-later
#include "FrameArchive.h"

#include "FrameFile.h"

#include <QDir>
#include <QFileInfo>
#include <QPromise>
#include <QRegularExpression>
#include <QStorageInfo>

#include <sys/stat.h>

namespace {

const QString dayFormat = QStringLiteral("yyyy-MM-dd");
const QString removingPrefix = QStringLiteral(".removing-");

bool isDayName(const QString& name)
{
    return QDate::fromString(name, dayFormat).isValid();
}

bool isFrameName(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^\\d\\d-\\d\\d-\\d\\d\\.jpg$"));
    return pattern.match(name).hasMatch();
}

// A folder of our own: never followed through a link.
bool isOwnFolder(const QString& path)
{
    struct stat st
    {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::getuid();
}

QStringList entries(const QString& path, QDir::Filters filter)
{
    return QDir(path).entryList(filter | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks,
                                QDir::Name);
}

} // namespace

FrameArchive::FrameArchive(QObject* parent)
    : QObject(parent)
{
    m_worker.setMaxThreadCount(1);
    m_worker.setObjectName(QStringLiteral("archive"));
}

FrameArchive::~FrameArchive()
{
    m_worker.waitForDone();
}

void FrameArchive::apply(const ArchiveSettings& settings)
{
    m_settings = settings;
    // New settings are a new chance after a full disk.
    m_diskFull = false;
}

void FrameArchive::keep(const QByteArray& jpeg, const QDateTime& at)
{
    if (!m_settings.enabled || m_diskFull)
        return;
    const ArchiveSettings settings = m_settings;
    const QDateTime local = at.toLocalTime();
    m_worker.start([this, settings, jpeg, local] { store(settings, jpeg, local); });
}

void FrameArchive::adopt(const QString& path)
{
    const QString folder = m_settings.folder;
    m_worker.start([this, folder, path] {
        const QFileInfo file(path);
        const QString day = file.dir().dirName();
        if (m_indexedFolder != folder || !m_index.count(day) || file.isSymLink())
            return;
        m_index[day].push_back({file.fileName(), file.size()});
        m_total += file.size();
    });
}

bool FrameArchive::waitForIdle(std::chrono::milliseconds limit)
{
    return m_worker.waitForDone(int(limit.count()));
}

QString FrameArchive::dayFolder(const QString& folder, QDate day)
{
    return QDir(folder).filePath(day.toString(dayFormat));
}

QFuture<QList<QDate>> FrameArchive::listDays(const QString& folder)
{
    auto promise = std::make_shared<QPromise<QList<QDate>>>();
    promise->start();
    QFuture<QList<QDate>> listed = promise->future();
    m_worker.start([promise, folder] {
        promise->addResult(days(folder));
        promise->finish();
    });
    return listed;
}

QList<QDate> FrameArchive::days(const QString& folder)
{
    QList<QDate> found;
    for (const QString& name : entries(folder, QDir::Dirs)) {
        if (isDayName(name))
            found.append(QDate::fromString(name, dayFormat));
    }
    return found;
}

QStringList FrameArchive::frames(const QString& folder, QDate day)
{
    const QString path = dayFolder(folder, day);
    QStringList found;
    for (const QString& name : entries(path, QDir::Files)) {
        if (isFrameName(name))
            found.append(QDir(path).filePath(name));
    }
    return found;
}

void FrameArchive::store(const ArchiveSettings& settings, const QByteArray& jpeg,
                         const QDateTime& at)
{
    if (m_diskFull)
        return;
    if (m_indexedFolder != settings.folder)
        buildIndex(settings.folder);
    const QString day = at.date().toString(dayFormat);
    const QString dayPath = QDir(settings.folder).filePath(day);
    const QString name = at.time().toString(QStringLiteral("HH-mm-ss")) + QStringLiteral(".jpg");
    const QString path = QDir(dayPath).filePath(name);
    QString reason;
    if (!ensureDay(dayPath, &reason) || !framefile::replaceFile(path, jpeg, &reason)) {
        const QStorageInfo disk(settings.folder);
        if (disk.isValid() && disk.bytesAvailable() < 2 * jpeg.size() + 65536) {
            // Said once: every further frame would say the same.
            m_diskFull = true;
            reportFromWorker(tr("Archive stopped: the disk is full (%1)")
                                 .arg(QDir::toNativeSeparators(settings.folder)));
        } else {
            reportFromWorker(
                tr("Frame not archived: %1: %2").arg(QDir::toNativeSeparators(path), reason));
        }
        return;
    }
    std::vector<Stored>& frames = m_index[day];
    auto same = std::find_if(frames.begin(), frames.end(),
                             [&name](const Stored& s) { return s.name == name; });
    if (same != frames.end()) {
        m_total -= same->size;
        same->size = jpeg.size();
    } else {
        frames.push_back({name, jpeg.size()});
    }
    m_total += jpeg.size();
    prune(settings, at.date());
}

bool FrameArchive::ensureDay(const QString& dayPath, QString* reason) const
{
    if (!QFileInfo::exists(dayPath) && !QFileInfo(dayPath).isSymLink() && !QDir().mkpath(dayPath))
        *reason = tr("the folder cannot be made");
    else if (!isOwnFolder(dayPath))
        *reason = tr("not a folder of the user's own");
    else
        return true;
    return false;
}

// Read once per folder; the archive's own writes keep it up to date after.
void FrameArchive::buildIndex(const QString& folder)
{
    m_index.clear();
    m_total = 0;
    m_indexedFolder = folder;
    const QDir root(folder);
    for (const QString& name : entries(folder, QDir::Dirs)) {
        // Days whose removal a stop cut short.
        if (name.startsWith(removingPrefix)) {
            QDir(root.filePath(name)).removeRecursively();
            continue;
        }
        if (!isDayName(name) || !isOwnFolder(root.filePath(name)))
            continue;
        std::vector<Stored>& frames = m_index[name];
        const QDir day(root.filePath(name));
        for (const QFileInfo& file :
             day.entryInfoList(QDir::Files | QDir::NoSymLinks | QDir::Hidden, QDir::Name)) {
            frames.push_back({file.fileName(), file.size()});
            m_total += file.size();
        }
    }
}

void FrameArchive::prune(const ArchiveSettings& settings, QDate today)
{
    if (settings.days > 0) {
        const QString oldestKept = today.addDays(1 - settings.days).toString(dayFormat);
        while (!m_index.empty() && m_index.begin()->first < oldestKept)
            removeDay(settings.folder, m_index.begin()->first);
    }
    if (settings.maxMB > 0) {
        const qint64 limit = qint64(settings.maxMB) * 1024 * 1024;
        while (m_total > limit && !m_index.empty())
            removeOldest(settings.folder);
    }
}

void FrameArchive::removeDay(const QString& folder, const QString& day)
{
    QDir root(folder);
    const QString aside = removingPrefix + day;
    if (root.rename(day, aside))
        QDir(root.filePath(aside)).removeRecursively();
    for (const Stored& s : m_index[day])
        m_total -= s.size;
    m_index.erase(day);
}

void FrameArchive::removeOldest(const QString& folder)
{
    auto day = m_index.begin();
    if (day->second.empty()) {
        QDir(folder).rmdir(day->first);
        m_index.erase(day);
        return;
    }
    const Stored oldest = day->second.front();
    day->second.erase(day->second.begin());
    QFile::remove(QDir(folder).filePath(day->first + QLatin1Char('/') + oldest.name));
    m_total -= oldest.size;
    if (day->second.empty()) {
        QDir(folder).rmdir(day->first);
        m_index.erase(day);
    }
}

void FrameArchive::reportFromWorker(const QString& text)
{
    QMetaObject::invokeMethod(
        this, [this, text] { emit status(text); }, Qt::QueuedConnection);
}
