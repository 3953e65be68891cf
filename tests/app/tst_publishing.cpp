// SPDX-License-Identifier: GPL-3.0-or-later
#include "CurlFileTransfer.h"
#include "FakeCaptureDevice.h"
#include "FakeFileTransfer.h"
#include "FakeImageCodec.h"
#include "FramePublisher.h"
#include "FtpTestServer.h"
#include "IntervalTimer.h"
#include "KivraWebcam.h"
#include "LivePicture.h"
#include "MemorySettingsStore.h"
#include "PresetRecordSet.h"
#include "QtCaptureDevice.h"
#include "QuadrantFrame.h"
#include "StationRig.h"
#include "Texts.h"
#include "TurboJpegCodec.h"
#include "dlgFTP.h"
#include "dlgFrame.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVideoSink>

#include <functional>

namespace {

// The main window in a program folder of its own.
template <typename Codec, typename Transfer> struct Station
{
    explicit Station(CaptureDevice& capture)
        : rig({.capture = &capture,
               .codec = &codec,
               .transfer = &transfer,
               .programFolder = folder.path()})
    {
        // The stored settings are applied before the test acts as operator,
        // or their restore would undo what the test just did.
        rig.start();
    }

    // Opens the FTP settings with their button, lets `work` fill in the
    // fields, and closes the dialog with `button`; false when no dialog
    // came up or it did not close.
    bool ftpSettings(const std::function<void(dlgFTP&)>& work, const char* button = "OKButton")
    {
        bool opened = false;
        QTimer::singleShot(0, &window, [&] {
            auto* dialog = window.template findChild<dlgFTP*>();
            if (!dialog)
                return;
            opened = true;
            work(*dialog);
            dialog->template findChild<QPushButton*>(QLatin1String(button))->click();
            if (dialog->isVisible())
                dialog->reject();
        });
        window.controls().cmdFTPSettings->click();
        return opened && !window.template findChild<dlgFTP*>();
    }
    IntervalTimer* timer(const char* name) const
    {
        return window.template findChild<IntervalTimer*>(QLatin1String(name));
    }

    QTemporaryDir folder;
    Codec codec;
    Transfer transfer;
    StationRig rig;
    MemorySettingsStore& settings = rig.settings;
    KivraWebcam& window = rig.window();
};

// Opens the frame settings from the live picture's menu, as a right click
// does, lets `work` fill in the dialog and closes it with `button`; false
// when the menu or the dialog did not come up.
bool frameSettings(QWidget& video, const std::function<void(dlgFrame&)>& work,
                   const char* button = "OKButton")
{
    bool menuShown = false;
    bool dialogShown = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &video, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            menu && !menuShown) {
            menuShown = true;
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
        } else if (auto* dialog = video.window()->findChild<dlgFrame*>();
                   dialog && dialog->isVisible() && !dialogShown) {
            dialogShown = true;
            work(*dialog);
            QTest::mouseClick(dialog->findChild<QPushButton*>(QLatin1String(button)),
                              Qt::LeftButton);
        }
    });
    poll.start(20);
    // Through the window, as the window system delivers a real click.
    QTest::mouseClick(video.window()->windowHandle(), Qt::RightButton, {},
                      video.mapTo(video.window(), QPoint(40, 40)));
    return menuShown && dialogShown && !video.window()->findChild<dlgFrame*>();
}

void set(dlgFTP& dialog, const char* field, const QString& text)
{
    dialog.findChild<QLineEdit*>(QLatin1String(field))->setText(text);
}

void check(dlgFTP& dialog, const char* box, bool on)
{
    dialog.findChild<QCheckBox*>(QLatin1String(box))->setChecked(on);
}

} // namespace

class TestPublishing : public QObject
{
    Q_OBJECT
private slots:
    void ftpSettingsApplyStoreAndSchedule()
    {
        FakeCaptureDevice capture;
        Station<FakeImageCodec, FakeFileTransfer> s(capture);
        s.transfer.propertyWrites.clear(); // what the settings restore handed over
        IntervalTimer* timer2 = s.timer("Timer2");
        QVERIFY(s.ftpSettings([](dlgFTP& d) {
            set(d, "txtFTPServer", QStringLiteral("ftp.example.org"));
            set(d, "txtLogin", QStringLiteral("cam"));
            set(d, "txtPassword", QStringLiteral("secret"));
            set(d, "txtFilePath", QStringLiteral("/pub/"));
            set(d, "txtFileName", QStringLiteral("cam.jpg"));
            check(d, "chkFTPEnable", true);
            check(d, "chkAutoUpdate", true);
        }));
        QCOMPARE(timer2->interval(), 30000);
        QVERIFY(timer2->isTicking());
        QVERIFY(s.window.controls().cmdCaptureFrame->isEnabled());
        QCOMPARE(s.transfer.propertyWrites, (QStringList{"ServerName=ftp.example.org",
                                                         "LoginPassword=secret", "LoginName=cam"}));
        QCOMPARE(s.settings.writes,
                 (QStringList{"Settings/FTPEnable=1", "Settings/FilePath=/pub/",
                              "Settings/FileName=cam.jpg", "Settings/FileHost=ftp.example.org",
                              "Settings/FileLogin=cam", "Settings/FilePassword=secret",
                              "Settings/FileInterval=30", "Settings/FileAuto=1",
                              "Settings/FileQuality=30"}));
        QCOMPARE(s.settings.flushes, 1);

        // Below one second the timer stays as it was; the value is stored.
        QVERIFY(s.ftpSettings([](dlgFTP& d) { set(d, "txtInterval", QStringLiteral("0")); }));
        QCOMPARE(timer2->interval(), 30000);
        QVERIFY(timer2->isTicking());
        QCOMPARE(s.settings.writes.at(15), QStringLiteral("Settings/FileInterval=0"));

        QVERIFY(s.ftpSettings([](dlgFTP& d) { set(d, "txtInterval", QStringLiteral("2.7")); }));
        QCOMPARE(timer2->interval(), 2000);

        QVERIFY(s.ftpSettings([](dlgFTP& d) {
            check(d, "chkAutoUpdate", false);
            check(d, "chkFTPEnable", false);
        }));
        QVERIFY(!timer2->isEnabled());
        QVERIFY(!s.window.controls().cmdCaptureFrame->isEnabled());

        const UploadSettings before = s.window.uploadSettings();
        const qsizetype writes = s.settings.writes.size();
        const qsizetype handed = s.transfer.propertyWrites.size();
        QVERIFY(s.ftpSettings(
            [](dlgFTP& d) {
                set(d, "txtFTPServer", QStringLiteral("elsewhere"));
                check(d, "chkAutoUpdate", true);
                check(d, "chkFTPEnable", true);
            },
            "CancelButton"));
        QCOMPARE(s.window.uploadSettings(), before);
        QCOMPARE(s.settings.writes.size(), writes);
        QCOMPARE(s.transfer.propertyWrites.size(), handed);
        QVERIFY(!timer2->isEnabled());
        QVERIFY(!s.window.controls().cmdCaptureFrame->isEnabled());
    }

    // The camera stops sending pictures: the window says since when, and a
    // send publishes nothing until pictures come again.
    void aStalledCameraIsReportedAndNotPublished()
    {
        FakeCaptureDevice capture({QStringLiteral("Cam")}, 0);
        capture.watch.setLimit(std::chrono::milliseconds(300));
        Station<FakeImageCodec, FakeFileTransfer> s(capture);
        const MainWindowLayout& ui = s.window.controls();
        capture.deliver(QImage(64, 48, QImage::Format_RGB888));
        QTRY_VERIFY_WITH_TIMEOUT(
            ui.lblStatus->text().startsWith(QLatin1String("No picture from the camera since ")),
            10000);

        s.window.publisher().SendFrame();
        QCOMPARE(ui.lblStatus->text(),
                 QStringLiteral("Upload skipped: no new picture from the camera"));
        QVERIFY(s.transfer.commands.isEmpty());

        capture.deliver(QImage(64, 48, QImage::Format_RGB888));
        QCOMPARE(ui.lblStatus->text(), QString(texts::cameraPictureBack));
        s.window.publisher().SendFrame();
        QCOMPARE(s.transfer.commands.size(), 1);
    }

    void theTestPatternIsPublishedUntilTheServerStops()
    {
        FtpTestServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        QtCaptureDevice capture(true);
        Station<TurboJpegCodec, CurlFileTransfer> s(capture);
        const MainWindowLayout& ui = s.window.controls();
        QSignalSpy frames(ui.ezVidCap1->videoSink(), &QVideoSink::videoFrameChanged);
        ui.cbDriver->setCurrentIndex(ui.cbDriver->count() - 1);
        QVERIFY(frames.wait(10000));
        QVERIFY(s.ftpSettings([&server](dlgFTP& d) {
            set(d, "txtFTPServer", server.address());
            set(d, "txtLogin", server.user());
            set(d, "txtPassword", server.password());
            set(d, "txtFileName", QStringLiteral("live.jpg"));
            check(d, "chkFTPEnable", true);
        }));
        const auto published = [&server] { return server.file(QStringLiteral("live.jpg")); };

        ui.cmdCaptureFrame->click();
        QVERIFY(!ui.cmdCaptureFrame->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(ui.cmdCaptureFrame->isEnabled(), 30000);
        QCOMPARE(QImage::fromData(published(), "JPG").size(), QSize(640, 480));

        // The snapshot of sequenced pointing stops its timer and sends once.
        QByteArray last = published();
        // A frame newer than the one just sent, or the snapshot could send
        // the same picture again and nothing would change.
        frames.clear();
        QVERIFY(frames.wait(10000));
        IntervalTimer* snap = s.timer("tmrSnapPic");
        snap->setInterval(10);
        QTRY_VERIFY_WITH_TIMEOUT(published() != last, 30000);
        QVERIFY(!snap->isEnabled());

        // Automatic updates keep replacing the picture (it shows the time).
        QTRY_VERIFY_WITH_TIMEOUT(!s.transfer.IsBusy(), 30000);
        last = published();
        QVERIFY(s.ftpSettings([](dlgFTP& d) {
            set(d, "txtInterval", QStringLiteral("1"));
            check(d, "chkAutoUpdate", true);
        }));
        QTRY_VERIFY_WITH_TIMEOUT(published() != last, 30000);

        server.stop();
        QTRY_VERIFY_WITH_TIMEOUT(ui.lblStatus->text().startsWith(QLatin1String("Upload failed: ")),
                                 30000);
        QVERIFY(ui.cmdCaptureFrame->isEnabled());
        QVERIFY(s.timer("Timer2")->isTicking());
    }

    void theLivePicturesMenuSetsHowFramesArePublished()
    {
        FtpTestServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        FakeCaptureDevice capture({QStringLiteral("Cam")}, 0);
        capture.frame = quadrantframe::make(QSize(1280, 720));
        Station<TurboJpegCodec, CurlFileTransfer> s(capture);
        const MainWindowLayout& ui = s.window.controls();
        QVERIFY(s.ftpSettings([&server](dlgFTP& d) {
            set(d, "txtFTPServer", server.address());
            set(d, "txtLogin", server.user());
            set(d, "txtPassword", server.password());
            set(d, "txtFileName", QStringLiteral("harbour.jpg"));
            check(d, "chkFTPEnable", true);
            d.findChild<QSlider*>()->setValue(90);
        }));
        const int flushes = s.settings.flushes;

        QImage preview;
        QVERIFY(frameSettings(*ui.ezVidCap1, [&preview](dlgFrame& d) {
            QTest::keyClicks(d.findChild<QLineEdit*>(QStringLiteral("txtCaption")),
                             QStringLiteral("Harbour %Y-%m-%d %H:%M"));
            auto* width = d.findChild<QSpinBox*>(QStringLiteral("spnWidth"));
            width->selectAll();
            QTest::keyClicks(width, QStringLiteral("640"));
            auto* rotate = d.findChild<QComboBox*>(QStringLiteral("cboRotate"));
            QTest::keyClick(rotate, Qt::Key_Down);
            QTest::keyClick(rotate, Qt::Key_Down);
            preview = d.preview();
        }));
        // Without a live picture the preview dresses a plain 640 x 480 frame.
        QCOMPARE(preview.size(), QSize(640, 480));
        QCOMPARE(s.settings.values.value(QStringLiteral("Frame/Caption")),
                 QStringLiteral("Harbour %Y-%m-%d %H:%M"));
        QCOMPARE(s.settings.values.value(QStringLiteral("Frame/Width")), QStringLiteral("640"));
        QCOMPARE(s.settings.values.value(QStringLiteral("Frame/Rotate")), QStringLiteral("180"));
        QCOMPARE(s.settings.flushes, flushes + 1);

        // Cancel stores nothing.
        const qsizetype writes = s.settings.writes.size();
        QVERIFY(frameSettings(
            *ui.ezVidCap1,
            [](dlgFrame& d) {
                d.findChild<QLineEdit*>(QStringLiteral("txtCaption"))->clear();
                d.findChild<QCheckBox*>(QStringLiteral("chkMirror"))->click();
            },
            "CancelButton"));
        QCOMPARE(s.settings.writes.size(), writes);

        ui.cmdCaptureFrame->click();
        QTRY_VERIFY_WITH_TIMEOUT(ui.cmdCaptureFrame->isEnabled(), 30000);
        const QImage published =
            QImage::fromData(server.file(QStringLiteral("harbour.jpg")), "JPG");
        QCOMPARE(published.size(), QSize(640, 360));
        QCOMPARE(quadrantframe::corners(published), QStringLiteral("YBGR"));
        // The band along the bottom is dark with a light caption at its left.
        int dark = 0, light = 0;
        for (int y = 360 - 24; y < 360; ++y)
            for (int x = 0; x < 640; ++x) {
                const int grey = qGray(published.pixel(x, y));
                dark += grey < 40;
                light += grey > 200 && x < 320;
            }
        QVERIFY2(dark > 640 * 24 / 2, qPrintable(QString::number(dark)));
        QVERIFY2(light > 100, qPrintable(QString::number(light)));
        QVERIFY(qGray(published.pixel(160, 360 - 30)) > 60);
        // The camera's own frame is what Picture.bmp keeps.
        QTRY_COMPARE_WITH_TIMEOUT(
            QImage(QDir(s.folder.path()).filePath(QStringLiteral("Picture.bmp"))).size(),
            QSize(1280, 720), 10000);
    }

    void aSequencedTourPublishesEachPresetUnderItsName()
    {
        FtpTestServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        QtCaptureDevice capture(true);
        Station<TurboJpegCodec, CurlFileTransfer> s(capture);
        const MainWindowLayout& ui = s.window.controls();
        ui.cbDriver->setCurrentIndex(ui.cbDriver->count() - 1);
        QVERIFY(s.ftpSettings([&server](dlgFTP& d) {
            set(d, "txtFTPServer", server.address());
            set(d, "txtLogin", server.user());
            set(d, "txtPassword", server.password());
            set(d, "txtFilePath", QStringLiteral("tour-"));
            set(d, "txtFileName", QStringLiteral("general.jpg"));
        }));

        // Three presets of one second each: two with names of their own,
        // one that falls back to the general file name.
        PresetRecordSet& presets = s.window.presets();
        for (const char* name : {"door.jpg", "", "yard.jpg"}) {
            presets.AddNew();
            presets.setField(0, 5);
            presets.setField(1, 5);
            presets.setField(2, 1);
            QVERIFY(presets.Update());
            if (*name)
                QVERIFY(presets.updateRecord(presets.RecordCount() - 1,
                                             {{3, QString::fromLatin1(name)}}));
        }
        presets.Refresh();

        ui.optsequence->setChecked(true);
        for (const char* published : {"tour-door.jpg", "tour-general.jpg", "tour-yard.jpg"}) {
            QTRY_VERIFY2_WITH_TIMEOUT(
                !QImage::fromData(server.file(QLatin1String(published)), "JPG").isNull(),
                qPrintable(QLatin1String(published) + QLatin1String(" - status: ") +
                           ui.lblStatus->text() + QLatin1String(", presets: ") +
                           QString::number(presets.RecordCount())),
                60000);
        }
        QVERIFY(server.file(QStringLiteral("general.jpg")).isEmpty());
    }
};

QTEST_MAIN(TestPublishing)
#include "tst_publishing.moc"
