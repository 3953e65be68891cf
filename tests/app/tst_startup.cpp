// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeCaptureDevice.h"
#include "IntervalTimer.h"
#include "KivraWebcam.h"
#include "LivePicture.h"
#include "PresetRecordSet.h"
#include "QtCaptureDevice.h"
#include "StationRig.h"
#include "Texts.h"
#include "Twips.h"

#include "ClickableLabel.h"
#include "TouchPad.h"
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QVideoSink>

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void noCameraShowsThePlaceholderAndGoesOn()
    {
        FakeCaptureDevice capture(QStringList{});
        StationRig s({.capture = &capture});
        s.window().Load();

        QComboBox* list = s.window().controls().cbDriver;
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->currentText(), QString(texts::noVideo));
        QCOMPARE(s.messages.texts, QStringList{QStringLiteral("No Video Capture Device!")});
        QCOMPARE(s.messages.titles, QStringList{QStringLiteral("KivraWebcam")});

        // The steps after the failing one still ran. /opt/cam cannot take
        // the database, so it lives in the per-user data folder.
        QCOMPARE(s.window().presets().databaseName(),
                 QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                     QStringLiteral("/KivraWebcam/Pivora.mdb"));
        QVERIFY(!s.window().controls().Picture1->isEnabled());
        QVERIFY(!s.window().remoteControl());
        QCOMPARE(s.timer("Timer3")->interval(), 1500);
        QVERIFY(s.timer("Timer3")->isTicking());
    }

    void testPatternShowsInThePreview()
    {
        QtCaptureDevice capture(true);
        StationRig s({.capture = &capture});
        s.window().Load();

        QComboBox* list = s.window().controls().cbDriver;
        const int pattern = list->count() - 1;
        QCOMPARE(list->itemText(pattern), QString(texts::testPatternDriver));
        list->setCurrentIndex(pattern);
        QCOMPARE(s.status(), QString(texts::deviceSelected));
        QVERIFY(s.messages.texts.isEmpty());

        QVideoSink* sink = s.window().controls().ezVidCap1->videoSink();
        QSignalSpy frames(sink, &QVideoSink::videoFrameChanged);
        QVERIFY(frames.wait(10000));
        QCOMPARE(sink->videoFrame().size(), QSize(640, 480));
    }

    void failedConnectFallsBackToThePreviousDriver()
    {
        FakeCaptureDevice capture({QStringLiteral("Cam A"), QStringLiteral("Cam B")});
        capture.failing.insert(0);
        StationRig s({.capture = &capture});
        s.window().Load();
        QCOMPARE(s.status(), QString(texts::deviceSelected));

        s.window().controls().cbDriver->setCurrentIndex(0);
        QCOMPARE(capture.index, 1);
        QCOMPARE(s.window().controls().cbDriver->currentIndex(), 1);
        QCOMPARE(s.status(), QStringLiteral("Could not connect!"));
    }

    void settingsAreAppliedOnceAfterTheDelay()
    {
        FakeCaptureDevice capture({QStringLiteral("Cam")}, 0);
        StationRig s({.capture = &capture});
        QSignalSpy applied(&s.window(), &KivraWebcam::settingsApplied);
        s.load();
        QCOMPARE(applied.count(), 0);
        QCOMPARE(s.timer("Timer3")->interval(), 1500);
        s.restoreNow();
        QCOMPARE(applied.count(), 1);
        // Nothing is left to run it a second time.
        QVERIFY(!s.timer("Timer3")->isTicking());
    }

    void designStateOfTheControls()
    {
        FakeCaptureDevice capture(QStringList{});
        StationRig s({.capture = &capture});
        const MainWindowLayout& ui = s.window().controls();

        QCOMPARE(s.window().windowTitle(), QString(texts::mainCaption));
        QCOMPARE(s.window().size(), QSize(664, 475));
        QVERIFY(!(s.window().windowFlags() & Qt::WindowMaximizeButtonHint));

        QCOMPARE(ui.ezVidCap1->geometry(), QRect(8, 8, 320, 240));
        QCOMPARE(ui.Picture1->geometry(), QRect(8, 256, 173, 145));
        QCOMPARE(ui.Option3->geometry(), QRect(136, 16, 57, 17));
        QCOMPARE(ui.Option3->parentWidget(), ui.Frame1);
        QCOMPARE(ui.hsAccel->parentWidget(), ui.Frame3);
        QCOMPARE(ui.lblStatus->geometry(), QRect(40, 424, 353, 25));
        QCOMPARE(ui.Picture2->geometry(), QRect(424, 408, 225, 57));
        QCOMPARE(ui.cmdCaptureFrame->geometry(), QRect(200, 336, 129, 33));

        QVERIFY(!ui.cmdCaptureFrame->isEnabled());
        QVERIFY(ui.cmdEnableRemote->isHidden());
        QCOMPARE(ui.lblAccel->text(), QStringLiteral("Normal"));
        QCOMPARE(ui.txtDefDelay->text(), QStringLiteral("3"));
        QCOMPARE(ui.Picture2->toolTip(), QString(texts::logoTip));
        QCOMPARE(ui.Option1->toolTip(), QStringLiteral("/dev/ttyS0"));
        QVERIFY(!ui.Picture2->pixmap().isNull());

        const IntervalTimer* timer1 = s.timer("Timer1");
        QCOMPARE(timer1->interval(), 1500);
        QVERIFY(!timer1->isEnabled());
        QVERIFY(s.timer("tmrSnapPic")->isEnabled());
        QVERIFY(!s.timer("tmrSnapPic")->isTicking());
    }

    void closingClosesThePort()
    {
        FakeCaptureDevice capture(QStringList{});
        StationRig s({.capture = &capture});
        s.window().Load();
        s.window().controls().Option2->click();
        QVERIFY(s.serial.isOpen());
        s.window().close();
        QVERIFY(!s.serial.isOpen());
        QCOMPARE(s.serial.events.last(), QStringLiteral("close"));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
