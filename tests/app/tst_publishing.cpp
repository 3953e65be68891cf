#include "CurlFileTransfer.h"
#include "FakeCaptureDevice.h"
#include "FakeFileTransfer.h"
#include "FakeImageCodec.h"
#include "FakeMessageBoxes.h"
#include "FakeSerialPort.h"
#include "FtpTestServer.h"
#include "IntervalTimer.h"
#include "KivraWebcam.h"
#include "MemorySettingsStore.h"
#include "QtCaptureDevice.h"
#include "Texts.h"
#include "TurboJpegCodec.h"
#include "dlgFTP.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVideoSink>
#include <QVideoWidget>

#include <functional>

namespace {

// The main window in a program folder of its own, with the given capture,
// image library and transfer.
template <typename Codec, typename Transfer> struct Station
{
    explicit Station(CaptureDevice& capture)
        : window({settings, serial, capture, messages, folder.path(), codec, transfer})
    {
        window.Load();
    }

    // Opens the FTP settings with their button and works on the dialog
    // while it is open; false when no dialog came up.
    bool withFtpSettings(const std::function<void(dlgFTP&)>& work)
    {
        bool opened = false;
        QTimer::singleShot(0, &window, [&] {
            if (auto* dialog = window.findChild<dlgFTP*>()) {
                opened = true;
                work(*dialog);
            }
            if (auto* dialog = window.findChild<dlgFTP*>(); dialog && dialog->isVisible())
                dialog->reject();
        });
        window.controls().cmdFTPSettings->click();
        return opened && !window.findChild<dlgFTP*>();
    }

    IntervalTimer* timer(const char* name) const
    {
        return window.findChild<IntervalTimer*>(QLatin1String(name));
    }
    QString status() const { return window.controls().lblStatus->text(); }
    QString jpeg() const
    {
        return QDir::toNativeSeparators(folder.filePath(QStringLiteral("Picture.jpg")));
    }

    QTemporaryDir folder;
    MemorySettingsStore settings;
    FakeSerialPort serial;
    FakeMessageBoxes messages;
    Codec codec;
    Transfer transfer;
    KivraWebcam window;
};

using FakeStation = Station<FakeImageCodec, FakeFileTransfer>;
using RealStation = Station<TurboJpegCodec, CurlFileTransfer>;

struct FakeCamera
{
    FakeCamera()
    {
        device.frame = QImage(32, 24, QImage::Format_RGB888);
        device.frame.fill(Qt::darkCyan);
    }
    FakeCaptureDevice device{QStringList{QStringLiteral("Cam")}, 0};
};

void set(dlgFTP& dialog, const char* field, const QString& text)
{
    dialog.findChild<QLineEdit*>(QLatin1String(field))->setText(text);
}

void check(dlgFTP& dialog, const char* box, bool on)
{
    dialog.findChild<QCheckBox*>(QLatin1String(box))->setChecked(on);
}

void click(dlgFTP& dialog, const char* button)
{
    dialog.findChild<QPushButton*>(QLatin1String(button))->click();
}

} // namespace

class TestPublishing : public QObject
{
    Q_OBJECT
private slots:
    void ftpSettingsApplyStoreAndSchedule()
    {
        FakeCamera camera;
        FakeStation s(camera.device);
        IntervalTimer* timer2 = s.timer("Timer2");
        QVERIFY(s.withFtpSettings([](dlgFTP& d) {
            set(d, "txtFTPServer", QStringLiteral("ftp.example.org"));
            set(d, "txtLogin", QStringLiteral("cam"));
            set(d, "txtPassword", QStringLiteral("secret"));
            set(d, "txtFilePath", QStringLiteral("/pub/"));
            set(d, "txtFileName", QStringLiteral("cam.jpg"));
            check(d, "chkFTPEnable", true);
            check(d, "chkAutoUpdate", true);
            click(d, "OKButton");
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
        QCOMPARE(s.window.uploadSettings().FileHost, QStringLiteral("ftp.example.org"));

        // Below one second the timer stays as it was; the value is stored.
        QVERIFY(s.withFtpSettings([](dlgFTP& d) {
            set(d, "txtInterval", QStringLiteral("0"));
            click(d, "OKButton");
        }));
        QCOMPARE(timer2->interval(), 30000);
        QVERIFY(timer2->isTicking());
        QCOMPARE(s.settings.values.value(QStringLiteral("Settings/FileInterval")),
                 QStringLiteral("0"));

        QVERIFY(s.withFtpSettings([](dlgFTP& d) {
            set(d, "txtInterval", QStringLiteral("2.7"));
            click(d, "OKButton");
        }));
        QCOMPARE(timer2->interval(), 2000);

        QVERIFY(s.withFtpSettings([](dlgFTP& d) {
            check(d, "chkAutoUpdate", false);
            check(d, "chkFTPEnable", false);
            click(d, "OKButton");
        }));
        QVERIFY(!timer2->isEnabled());
        QVERIFY(!s.window.controls().cmdCaptureFrame->isEnabled());

        // Cancel leaves everything as it was.
        const UploadSettings before = s.window.uploadSettings();
        const QStringList writes = s.settings.writes;
        const QStringList handed = s.transfer.propertyWrites;
        QVERIFY(s.withFtpSettings([](dlgFTP& d) {
            set(d, "txtFTPServer", QStringLiteral("elsewhere"));
            check(d, "chkAutoUpdate", true);
            check(d, "chkFTPEnable", true);
            click(d, "CancelButton");
        }));
        QCOMPARE(s.window.uploadSettings(), before);
        QCOMPARE(s.settings.writes, writes);
        QCOMPARE(s.transfer.propertyWrites, handed);
        QVERIFY(!timer2->isEnabled());
        QVERIFY(!s.window.controls().cmdCaptureFrame->isEnabled());
    }

    void sendFrameAndSnapshotPublishFromTheDatabaseFolder()
    {
        FakeCamera camera;
        FakeStation s(camera.device);
        QVERIFY(s.withFtpSettings([](dlgFTP& d) {
            set(d, "txtFileName", QStringLiteral("cam.jpg"));
            check(d, "chkFTPEnable", true);
            click(d, "OKButton");
        }));
        QPushButton* send = s.window.controls().cmdCaptureFrame;
        QVERIFY(send->isEnabled());

        send->click();
        QCOMPARE(s.transfer.commands,
                 QStringList{QStringLiteral("SEND ") + s.jpeg() + QStringLiteral(" cam.jpg")});
        QVERIFY(s.status().startsWith(texts::transferredPrefix));
        QVERIFY(!send->isEnabled());
        s.transfer.finish(FileTransfer::Failed, QStringLiteral("421 Too many users"));
        QCOMPARE(s.status(), QStringLiteral("Upload failed: 421 Too many users"));
        QVERIFY(send->isEnabled());

        // The snapshot of sequenced pointing stops its timer and sends once.
        IntervalTimer* snap = s.timer("tmrSnapPic");
        snap->setInterval(10);
        QTRY_COMPARE_WITH_TIMEOUT(s.transfer.commands.size(), 2, 10000);
        QVERIFY(!snap->isEnabled());
        QTest::qWait(100);
        QCOMPARE(s.transfer.commands.size(), 2);
    }

    void theTestPatternIsPublishedUntilTheServerStops()
    {
        FtpTestServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        QtCaptureDevice capture(true);
        RealStation s(capture);
        QComboBox* drivers = s.window.controls().cbDriver;
        QSignalSpy frames(s.window.controls().ezVidCap1->videoSink(),
                          &QVideoSink::videoFrameChanged);
        drivers->setCurrentIndex(drivers->count() - 1);
        QVERIFY(frames.wait(10000));

        QVERIFY(s.withFtpSettings([&server](dlgFTP& d) {
            set(d, "txtFTPServer", server.address());
            set(d, "txtLogin", server.user());
            set(d, "txtPassword", server.password());
            set(d, "txtFileName", QStringLiteral("live.jpg"));
            set(d, "txtInterval", QStringLiteral("1"));
            check(d, "chkFTPEnable", true);
            check(d, "chkAutoUpdate", true);
            click(d, "OKButton");
        }));
        QTRY_VERIFY_WITH_TIMEOUT(!server.file(QStringLiteral("live.jpg")).isNull(), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!s.transfer.IsBusy(), 30000);
        const QByteArray first = server.file(QStringLiteral("live.jpg"));
        QCOMPARE(QImage::fromData(first, "JPG").size(), QSize(640, 480));
        // The pattern shows the time, so the next upload replaces the file
        // with a different picture.
        QTRY_VERIFY_WITH_TIMEOUT(server.file(QStringLiteral("live.jpg")) != first, 30000);

        server.stop();
        QTRY_VERIFY_WITH_TIMEOUT(s.status().startsWith(texts::uploadFailedPrefix), 30000);
        QVERIFY(s.window.controls().cmdCaptureFrame->isEnabled());
        QVERIFY(s.timer("Timer2")->isTicking());
    }
};

QTEST_MAIN(TestPublishing)
#include "tst_publishing.moc"
