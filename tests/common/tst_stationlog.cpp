#include "LogCategories.h"
#include "StationLog.h"

#include <QDateTime>
#include <QFile>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList lines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

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

    void aFullLogDropsItsOlderHalf()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("station.log"));
        constexpr qint64 cap = 4000;
        StationLog log(path, cap);
        for (int i = 0; i < 500; ++i)
            log.write(QtInfoMsg, "kivra.app", QStringLiteral("event %1").arg(i));
        QVERIFY(QFileInfo(path).size() <= cap);
        QVERIFY(QFileInfo(path).size() > cap / 3);
        const QStringList logged = lines(path);
        QVERIFY(logged.first().contains(QLatin1String(" info kivra.app: event ")));
        QVERIFY(logged.last().endsWith(QLatin1String("event 499")));
        // Whole lines, in order, with nothing missing in between.
        const int firstKept = logged.first().section(QLatin1Char(' '), -1).toInt();
        QCOMPARE(logged.size(), 500 - firstKept);
    }
};

QTEST_GUILESS_MAIN(TestStationLog)
#include "tst_stationlog.moc"
