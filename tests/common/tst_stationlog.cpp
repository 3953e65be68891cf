// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogCategories.h"
#include "StationLog.h"
#include "UploadLog.h"

#include <QDateTime>
#include <QFile>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList lines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

mode_t modeOf(const QString& path)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode : 0;
}

// What this process writes to standard error while it lives.
class StandardErrorCapture
{
public:
    StandardErrorCapture()
        : m_saved(::dup(STDERR_FILENO))
    {
        m_file.open();
        std::fflush(stderr);
        ::dup2(m_file.handle(), STDERR_FILENO);
    }
    ~StandardErrorCapture() { restore(); }
    QString text()
    {
        restore();
        m_file.seek(0);
        return QString::fromUtf8(m_file.readAll());
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved;
};

} // namespace

// The station's log as the program installs it: what passes the logging
// rules lands in the file, one line each, with its time and category.
class TestStationLog : public QObject
{
    Q_OBJECT
private slots:
    void messagesLandInTheFileUnderTheRules()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("KivraWebcam/station.log"));
        {
            StationLog log(path);
            log.install();
            QLoggingCategory::setFilterRules(QStringLiteral("kivra.capture.info=false"));
            qCInfo(kivraMount, "Mount on COM1 lost: %s", "Input/output error\nmore");
            qCInfo(kivraCapture, "hidden by the rules");
            qCWarning(kivraCapture, "Camera error");
            qCDebug(kivraPublish, "debug is off by default");
            QLoggingCategory::setFilterRules(QString());
            // Written a moment later while the log lives.
            QTRY_COMPARE_WITH_TIMEOUT(lines(path).size(), 2, 10000);
        }
        qCInfo(kivraMount, "after the log was removed");

        const QStringList logged = lines(path);
        QCOMPARE(logged.size(), 2);
        const QRegularExpression line(QStringLiteral(
            "^(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}) (\\w+) ([\\w.]+): (.*)$"));
        const QRegularExpressionMatch first = line.match(logged[0]);
        QVERIFY2(first.hasMatch(), qPrintable(logged[0]));
        const QDateTime when =
            QDateTime::fromString(first.captured(1), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        QVERIFY(qAbs(when.secsTo(QDateTime::currentDateTime())) < 60);
        QCOMPARE(first.captured(2), QStringLiteral("info"));
        QCOMPARE(first.captured(3), QStringLiteral("kivra.mount"));
        QCOMPARE(first.captured(4), QStringLiteral("Mount on COM1 lost: Input/output error more"));
        QVERIFY(logged[1].endsWith(QLatin1String(" warning kivra.capture: Camera error")));
        const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                QFileDevice::ReadOther | QFileDevice::WriteOther;
        QCOMPARE(QFile::permissions(path) & others, QFileDevice::Permissions());
    }

    // At the cap the file is renamed aside and a new one begun: the lines
    // of two caps are kept whole, in order, and nothing is rewritten.
    void aFullLogIsRenamedAside()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("station.log"));
        constexpr qint64 cap = 4000;
        {
            StationLog log(path, cap);
            for (int i = 0; i < 500; ++i)
                log.write(QtInfoMsg, "kivra.app", QStringLiteral("event %1").arg(i));
        }
        QVERIFY(QFileInfo(path).size() <= cap);
        QVERIFY(QFileInfo(path + QLatin1String(".1")).size() <= cap);
        QVERIFY(QFileInfo(path + QLatin1String(".1")).size() > cap - 100);
        const QStringList logged = lines(path + QLatin1String(".1")) + lines(path);
        QVERIFY(logged.first().contains(QLatin1String(" info kivra.app: event ")));
        QVERIFY(logged.last().endsWith(QLatin1String("event 499")));
        const int firstKept = logged.first().section(QLatin1Char(' '), -1).toInt();
        QCOMPARE(logged.size(), 500 - firstKept);
        for (int i = 0; i < logged.size(); ++i)
            QVERIFY(logged[i].endsWith(QStringLiteral(": event %1").arg(firstKept + i)));
    }

    // Both logs write only to a regular file of the user's own, opened
    // without following a link or waiting for a FIFO's reader; anything
    // else is left as it was, said once, and the station goes on.
    void filesNotTheUsersOwnAreLeftAlone_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("stationLog");
        for (const char* kind : {"fifo", "link to a file of the user's", "another user's file"}) {
            QTest::addRow("station.log, %s", kind) << QString::fromLatin1(kind) << true;
            QTest::addRow("uploads.log, %s", kind) << QString::fromLatin1(kind) << false;
        }
    }

    void filesNotTheUsersOwnAreLeftAlone()
    {
        QFETCH(QString, kind);
        QFETCH(bool, stationLog);
        if (kind == QLatin1String("another user's file") && ::geteuid() != 0)
            QSKIP("needs a file of someone else");
        QTemporaryDir dir;
        const QString path = dir.filePath(stationLog ? QStringLiteral("station.log")
                                                     : QStringLiteral("uploads.log"));
        const QString target = dir.filePath(QStringLiteral("records"));
        const QByteArray records = "another program's records\n";
        int reader = -1;
        if (kind == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            // A reader, so that a writer that waited would go on and be seen.
            reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
            QVERIFY(reader >= 0);
        } else {
            QFile file(target);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(records) == records.size());
            file.close();
            QCOMPARE(::chmod(QFile::encodeName(target).constData(), 0644), 0);
            if (kind == QLatin1String("another user's file")) {
                QCOMPARE(::chown(QFile::encodeName(target).constData(), 65534, 65534), 0);
                QVERIFY(QFile::rename(target, path));
            } else {
                QVERIFY(QFile::link(target, path));
            }
        }
        const QString kept = kind == QLatin1String("another user's file") ? path : target;
        const mode_t modeBefore = modeOf(kept);

        StandardErrorCapture standardError;
        if (stationLog) {
            StationLog log(path);
            for (int i = 0; i < 3; ++i)
                log.write(QtWarningMsg, "kivra.mount", QStringLiteral("Mount lost %1").arg(i));
        } else {
            UploadLog log(path);
            QVERIFY(log.refusal().contains(path));
            QVERIFY(!log.append({QDateTime::currentDateTime(), QStringLiteral("ftp://h/x"), 1, 1,
                                 QStringLiteral("ok")}));
        }
        const QString said = standardError.text();

        if (reader >= 0) {
            char byte = 0;
            QVERIFY(::read(reader, &byte, 1) <= 0);
            ::close(reader);
        } else {
            QCOMPARE(contents(kept), records);
            QCOMPARE(modeOf(kept), modeBefore);
        }
        QCOMPARE(QFileInfo::exists(path + QLatin1String(".1")), false);
        if (stationLog) {
            QCOMPARE(said.count(QStringLiteral("%1 is not a regular file of your own; messages go "
                                               "to standard error only")
                                    .arg(path)),
                     1);
            QCOMPARE(said.count(QLatin1String(" warning kivra.mount: Mount lost ")), 3);
        }
    }
};

QTEST_GUILESS_MAIN(TestStationLog)
#include "tst_stationlog.moc"
