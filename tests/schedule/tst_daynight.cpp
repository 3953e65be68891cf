// SPDX-License-Identifier: GPL-3.0-or-later
#include "DaylightSchedule.h"
#include "FrameArchive.h"
#include "FramePublisher.h"
#include "IntervalTimer.h"
#include "KivraWebcam.h"
#include "LivePicture.h"
#include "StationRig.h"
#include "TimelapseMaker.h"
#include "UploadSettings.h"
#include "dlgSchedule.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

using namespace std::chrono_literals;

namespace {

const QDate midsummer(2026, 6, 21);

// A station in Berlin (without its latitude, nowhere), on the test's clock from 12:00 local time on
// midsummer's day, automatic uploads every minute, archiving into a folder
// of the test's own.
struct Station
{
    explicit Station(const QString& night, bool timelapse = false, bool placed = true)
        : rig({.programFolder = folder.path()})
        , archive(QDir(folder.path()).filePath(QStringLiteral("archive")))
    {
        rig.clock.set(QDateTime(midsummer, QTime(12, 0)));
        rig.capture.frame = QImage(64, 48, QImage::Format_RGB888);
        rig.capture.frame.fill(Qt::darkGreen);
        auto& s = rig.settings;
        s.set(QStringLiteral("Schedule"), QStringLiteral("Latitude"),
              placed ? QStringLiteral("52.52") : QString());
        s.set(QStringLiteral("Schedule"), QStringLiteral("Longitude"), QStringLiteral("13.405"));
        s.set(QStringLiteral("Schedule"), QStringLiteral("Night"), night);
        s.set(QStringLiteral("Schedule"), QStringLiteral("NightMinutes"), QStringLiteral("20"));
        s.set(QStringLiteral("Archive"), QStringLiteral("Enabled"), QStringLiteral("True"));
        s.set(QStringLiteral("Archive"), QStringLiteral("Folder"), archive);
        s.set(QStringLiteral("Timelapse"), QStringLiteral("Enabled"),
              timelapse ? QStringLiteral("True") : QStringLiteral("False"));
        s.set(QStringLiteral("Timelapse"), QStringLiteral("Upload"), QStringLiteral("True"));
        rig.start();
        UploadSettings upload;
        upload.FTPEnable = 1;
        upload.FilePath = QStringLiteral("cam/");
        upload.FileName = QStringLiteral("live.jpg");
        upload.FileAuto = 1;
        upload.FileInterval = 60;
        rig.window().publisher().ApplyFtpSettings(upload);
    }

    // The clock moved to `at`, and the schedule's next look at it.
    void moveTo(const QDateTime& at)
    {
        rig.clock.set(at);
        emit rig.timer("tmrDaylight")->timeout();
    }
    // Uploads started by a tick of the timer, each one then completed.
    qsizetype uploadsOn(const char* timer)
    {
        const qsizetype before = rig.transfer.jobs.size();
        emit rig.timer(timer)->timeout();
        const qsizetype started = rig.transfer.jobs.size() - before;
        if (rig.transfer.busy)
            rig.transfer.finish(FileTransfer::ResponseCompleted);
        return started;
    }
    DaylightSchedule& daylight() { return rig.window().daylight(); }

    QTemporaryDir folder;
    StationRig rig;
    QString archive;
};

// What gst-discoverer-1.0 makes of a file: "4.0 s 25/1", or why not.
QString discovered(const QString& path)
{
    QProcess discoverer;
    discoverer.start(QStringLiteral("gst-discoverer-1.0"), {QStringLiteral("-v"), path});
    if (!discoverer.waitForFinished(60000))
        return QStringLiteral("no answer");
    const QString out = QString::fromUtf8(discoverer.readAllStandardOutput());
    const auto duration =
        QRegularExpression(QStringLiteral("Duration: (\\d+):(\\d+):([\\d.]+)")).match(out);
    const auto rate = QRegularExpression(QStringLiteral("Frame rate: (\\d+/\\d+)")).match(out);
    if (!duration.hasMatch() || !rate.hasMatch() || !out.contains(QLatin1String("H.264")))
        return out;
    const double seconds = duration.captured(1).toInt() * 3600 + duration.captured(2).toInt() * 60 +
                           duration.captured(3).toDouble();
    return QStringLiteral("%1 s %2").arg(seconds, 0, 'f', 1).arg(rate.captured(1));
}

void writeFrames(const QString& dayFolder, int count, QSize size)
{
    QDir().mkpath(dayFolder);
    QImage frame(size, QImage::Format_RGB888);
    for (int n = 0; n < count; ++n) {
        frame.fill(QColor::fromHsv(n * 3 % 360, 200, 200));
        const QTime at = QTime(6, 0).addSecs(n * 60);
        frame.save(QDir(dayFolder).filePath(at.toString(QStringLiteral("HH-mm-ss")) +
                                            QStringLiteral(".jpg")));
    }
}

// Right-clicks the live picture, chooses "Schedule..." as the operator
// does, lets `work` fill in the dialog and confirms it; false when the
// menu or the dialog did not come up.
bool scheduleDialog(QWidget& window, const std::function<void(dlgSchedule&)>& work)
{
    QWidget* video = window.findChild<LivePicture*>();
    bool menuShown = false;
    bool dialogShown = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &window, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            menu && !menuShown) {
            menuShown = true;
            QAction* entry = menu->actions().value(3);
            if (entry && entry->text() == QLatin1String("Schedule..."))
                menu->setActiveAction(entry);
            QTest::keyClick(menu, Qt::Key_Return);
        } else if (auto* dialog = window.findChild<dlgSchedule*>();
                   dialog && dialog->isVisible() && !dialogShown) {
            dialogShown = true;
            work(*dialog);
            dialog->accept();
        }
    });
    poll.start(20);
    QTest::mouseClick(window.windowHandle(), Qt::RightButton, {},
                      video->mapTo(&window, QPoint(40, 40)));
    return menuShown && dialogShown;
}

} // namespace

class TestDayNight : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Local days and the clocks' change matter: the station runs on
        // Berlin's time, whatever the machine's.
        qputenv("TZ", "Europe/Berlin");
        tzset();
    }

    void nightHoldsBackAutomaticUploadsUntilSunrise_data()
    {
        QTest::addColumn<QString>("night");
        QTest::newRow("Pause") << QStringLiteral("Pause");
        QTest::newRow("Slow") << QStringLiteral("Slow");
    }
    // By day every tick uploads, and the frame is archived under the
    // clock's time; from sunset no tick of the operator's timer does, Slow
    // sends every NightMinutes, Pause holds the tour too; the operator's
    // settings stay; from sunrise the day's uploads run again.
    void nightHoldsBackAutomaticUploadsUntilSunrise()
    {
        QFETCH(QString, night);
        Station s(night);
        const bool slow = night == QLatin1String("Slow");
        QVERIFY2(s.rig.status().startsWith(QLatin1String("Day until")), qPrintable(s.rig.status()));
        QCOMPARE(s.uploadsOn("Timer2"), 1);
        QVERIFY(s.rig.window().archive().waitForIdle(10s));
        QFile kept(QDir(s.archive).filePath(QStringLiteral("2026-06-21/12-00-00.jpg")));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), *s.rig.transfer.jobs.last().bytes);

        // Berlin's sunset on midsummer's day: 21:33 local time.
        const QDateTime sunset = s.daylight().nextChange().value();
        QCOMPARE(sunset.toLocalTime().date(), midsummer);
        QVERIFY(qAbs(sunset.toLocalTime().time().secsTo(QTime(21, 33))) < 180);
        s.moveTo(sunset.addSecs(60));
        QVERIFY2(s.rig.status().startsWith(QLatin1String("Night until")),
                 qPrintable(s.rig.status()));
        QCOMPARE(s.uploadsOn("Timer2"), 0);
        QVERIFY(s.rig.timer("Timer2")->isTicking());
        QCOMPARE(s.rig.timer("Timer2")->interval(), 60000);
        QCOMPARE(s.rig.timer("tmrNight")->isTicking(), slow);
        if (slow)
            QCOMPARE(s.rig.timer("tmrNight")->interval(), 20 * 60000);
        QCOMPARE(s.uploadsOn("tmrNight"), slow ? 1 : 0);
        // The tour: a random step at night moves the mount only in Slow.
        s.rig.ui().optRandom->click();
        const QString pan = s.rig.ui().lblPan->text() + s.rig.ui().lblTilt->text();
        for (int n = 0; n < 10; ++n)
            s.rig.tick();
        QCOMPARE(s.rig.ui().lblPan->text() + s.rig.ui().lblTilt->text() == pan, !slow);
        // What the operator sends by hand goes at any hour.
        QVERIFY(s.rig.ui().cmdCaptureFrame->isEnabled());
        const qsizetype before = s.rig.transfer.jobs.size();
        s.rig.ui().cmdCaptureFrame->click();
        QCOMPARE(s.rig.transfer.jobs.size(), before + 1);
        s.rig.transfer.finish(FileTransfer::ResponseCompleted);

        const QDateTime sunrise = s.daylight().nextChange().value();
        QVERIFY(qAbs(sunrise.toLocalTime().time().secsTo(QTime(4, 43))) < 180);
        s.moveTo(sunrise.addSecs(60));
        QVERIFY2(s.rig.status().startsWith(QLatin1String("Day until")), qPrintable(s.rig.status()));
        QVERIFY(!s.rig.timer("tmrNight")->isTicking());
        QCOMPARE(s.uploadsOn("Timer2"), 1);
    }

    // A station without a place is in day for good; the dialog sets one,
    // stores it and the night begins at once when the sun is down, with
    // the next change shown when the dialog opens again.
    void theScheduleDialogSetsThePlace()
    {
        Station s(QStringLiteral("Continue"), false, false);
        s.moveTo(QDateTime(midsummer, QTime(23, 30)));
        QVERIFY(scheduleDialog(s.rig.window(), [](dlgSchedule& d) {
            QCOMPARE(d.findChild<QLabel*>(QStringLiteral("lblNextChange"))->text(),
                     QStringLiteral("No place set: it is always day"));
        }));
        QVERIFY(!s.daylight().isNight());
        QVERIFY(scheduleDialog(s.rig.window(), [](dlgSchedule& d) {
            d.findChild<QLineEdit*>(QStringLiteral("Latitude"))->setText(QStringLiteral("52.52"));
            d.findChild<QComboBox*>(QStringLiteral("Night"))->setCurrentIndex(1);
        }));
        QCOMPARE(s.rig.settings.read(QStringLiteral("Schedule"), QStringLiteral("Night")),
                 QStringLiteral("Pause"));
        QVERIFY(s.daylight().isNight());
        QVERIFY2(s.rig.status().startsWith(QLatin1String("Night until 04:4")),
                 qPrintable(s.rig.status()));
        QCOMPARE(s.uploadsOn("Timer2"), 0);
        QVERIFY(scheduleDialog(s.rig.window(), [](dlgSchedule& d) {
            QVERIFY(d.findChild<QLabel*>(QStringLiteral("lblNextChange"))
                        ->text()
                        .startsWith(QLatin1String("Day begins at 04:4")));
        }));
    }

    // Days past `Days` go whole, then the oldest frames until the rest fit
    // in `MaxMB`; a removal a stop cut short is finished, and a day's
    // folder that is a link is never written through.
    void theArchiveKeepsTheNewestWithinBothLimits()
    {
        QTemporaryDir folder;
        const QString root = folder.filePath(QStringLiteral("archive"));
        QTemporaryDir elsewhere;
        QDir().mkpath(root + QStringLiteral("/.removing-2026-01-01"));
        QFile::link(elsewhere.path(), root + QStringLiteral("/2026-06-26"));
        FrameArchive archive;
        QStringList said;
        connect(&archive, &FrameArchive::status, this,
                [&said](const QString& text) { said.append(text); });
        archive.apply({true, root, 3, 1});
        // 150 kB a frame, five a day from 20 to 24 June: three days are
        // fifteen frames, of which the newest six fit in one megabyte.
        QList<QPair<QString, QByteArray>> sent;
        for (int day = 20; day <= 24; ++day) {
            for (int n = 0; n < 5; ++n) {
                const QDateTime at(QDate(2026, 6, day), QTime(8 + n, 30));
                const QByteArray jpeg(150000, char('a' + sent.size()));
                archive.keep(jpeg, at);
                sent.append({at.toString(QStringLiteral("yyyy-MM-dd/HH-mm-ss")) + ".jpg", jpeg});
            }
        }
        archive.keep(QByteArray(100, 'x'), QDateTime(QDate(2026, 6, 26), QTime(9, 0)));
        QVERIFY(archive.waitForIdle(30s));

        QStringList left;
        for (const QDate day : FrameArchive::days(root)) {
            for (const QString& path : FrameArchive::frames(root, day))
                left.append(QDir(root).relativeFilePath(path));
        }
        QStringList newest;
        for (qsizetype n = sent.size() - 6; n < sent.size(); ++n)
            newest.append(sent[n].first);
        QCOMPARE(left, newest);
        for (qsizetype n = sent.size() - 6; n < sent.size(); ++n) {
            QFile file(QDir(root).filePath(sent[n].first));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), sent[n].second);
        }
        QCOMPARE(QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList({"2026-06-23", "2026-06-24", "2026-06-26"}));
        QVERIFY(QDir(elsewhere.path()).isEmpty());
        QTRY_COMPARE(said.size(), 1);
        QVERIFY(said.first().startsWith(QLatin1String("Frame not archived")));
    }

    // The day's video comes by itself at sunset: 100 archived frames at 25
    // a second are an H.264 MP4 of 4 s, under its final name only once
    // complete, then uploaded beside the frames. A video asked for in the
    // dialog and stopped halfway leaves nothing.
    void theDaysVideoIsMadeAtSunsetAndUploaded()
    {
        Station s(QStringLiteral("Continue"), true);
        const QString day = FrameArchive::dayFolder(s.archive, midsummer);
        writeFrames(day, 100, {320, 240});
        const QString video = QDir(day).filePath(QStringLiteral("timelapse-2026-06-21.mp4"));
        const QString part = QDir(day).filePath(QStringLiteral(".part-timelapse-2026-06-21.mp4"));

        TimelapseMaker& maker = s.rig.window().timelapseMaker();
        bool finalSeenEarly = false;
        bool partSeen = false;
        connect(&maker, &TimelapseMaker::progress, this, [&](int done, int total) {
            finalSeenEarly = finalSeenEarly || QFile::exists(video);
            partSeen = partSeen || (done < total && QFile::exists(part));
        });

        QSignalSpy ended(&maker, &TimelapseMaker::finished);
        QVERIFY(scheduleDialog(s.rig.window(), [](dlgSchedule& d) {
            auto* days = d.findChild<QComboBox*>(QStringLiteral("VideoDay"));
            QTRY_COMPARE(days->count(), 1);
            QCOMPARE(days->currentText(), QStringLiteral("2026-06-21"));
            QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("cmdMakeTimelapse")),
                              Qt::LeftButton);
        }));
        QVERIFY(maker.isBusy());
        QTRY_VERIFY_WITH_TIMEOUT(partSeen, 60000);
        maker.cancel();
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 60000);
        QCOMPARE(ended.first().at(0).toBool(), false);
        QVERIFY(!QFile::exists(video));
        QVERIFY(!QFile::exists(part));

        partSeen = false;
        s.moveTo(s.daylight().nextChange().value().addSecs(30));
        QVERIFY(maker.isBusy());
        QTRY_VERIFY_WITH_TIMEOUT(!maker.isBusy(), 120000);
        QTRY_VERIFY2(s.rig.status().startsWith(QLatin1String("Uploading the time-lapse")),
                     qPrintable(s.rig.status()));
        QVERIFY(partSeen);
        QVERIFY(!finalSeenEarly);
        QVERIFY(!QFile::exists(part));
        QCOMPARE(discovered(video), QStringLiteral("4.0 s 25/1"));
        const TransferJob& upload = s.rig.transfer.jobs.last();
        QCOMPARE(upload.remoteName, QStringLiteral("cam/timelapse-2026-06-21.mp4"));
        QCOMPARE(QDir::fromNativeSeparators(upload.localPath), video);
        QVERIFY(!upload.bytes);
    }
};

QTEST_MAIN(TestDayNight)
#include "tst_daynight.moc"
