// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DayNightSettings.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QFuture>
#include <QObject>
#include <QStringList>
#include <QThreadPool>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <vector>

// Keeps every published frame as <folder>/YYYY-MM-DD/HH-MM-SS.jpg, and no
// more than the settings allow: days past `Days` and then the oldest
// frames past `MaxMB` go first. All file work runs on a thread of its own,
// one piece at a time and in order, so a send never waits for the disk.
// A day is removed by renaming its folder aside first, so a stop in the
// middle leaves either the whole day or a folder that is cleared later,
// never a day with holes.
class FrameArchive final : public QObject
{
    Q_OBJECT
public:
    explicit FrameArchive(QObject* parent = nullptr);
    // Waits for the files still being written.
    ~FrameArchive() override;

    void apply(const ArchiveSettings& settings);
    const ArchiveSettings& settings() const { return m_settings; }
    // Keeps the bytes (a whole JPEG) under the local time given, then keeps
    // the archive within its limits.
    void keep(const QByteArray& jpeg, const QDateTime& at);
    // For tests and benchmarks, never the window. False when the limit ran
    // out.
    // A file made in a day's folder by someone else (the day's video), to
    // count within the limits and remove with the day.
    void adopt(const QString& path);
    bool waitForIdle(std::chrono::milliseconds limit);

    // The archived days of a folder, oldest first, and a day's frames in
    // order of time.
    static QList<QDate> days(const QString& folder);
    // The same, listed on the archive's thread: a folder on a slow or hung
    // disk never holds up the window.
    QFuture<QList<QDate>> listDays(const QString& folder);
    static QStringList frames(const QString& folder, QDate day);
    static QString dayFolder(const QString& folder, QDate day);

signals:
    void status(const QString& text);

private:
    struct Stored
    {
        QString name;
        qint64 size = 0;
    };
    using Index = std::map<QString, std::vector<Stored>>;

    // On the archive's thread.
    void store(const ArchiveSettings& settings, const QByteArray& jpeg, const QDateTime& at);
    bool ensureDay(const QString& dayPath, QString* reason) const;
    void buildIndex(const QString& folder);
    void prune(const ArchiveSettings& settings, QDate today);
    void removeDay(const QString& folder, const QString& day);
    void removeOldest(const QString& folder);
    void reportFromWorker(const QString& text);

    ArchiveSettings m_settings;
    QThreadPool m_worker;
    // Used on the archive's thread only.
    Index m_index;
    QString m_indexedFolder;
    qint64 m_total = 0;
    std::atomic<bool> m_diskFull{false};
};
