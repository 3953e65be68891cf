#include "CurlFileTransfer.h"
#include "FakeCaptureDevice.h"
#include "FakeFileTransfer.h"
#include "FakeImageCodec.h"
#include "FramePublisher.h"
#include "FtpTestServer.h"
#include "IntervalTimer.h"
#include "MemorySettingsStore.h"
#include "Texts.h"
#include "TurboJpegCodec.h"
#include "UploadSettings.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QImage bars()
{
    QImage image(320, 240, QImage::Format_RGB888);
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            image.setPixelColor(x, y, QColor::fromHsv((x / 40) * 45, 200, 100 + y / 3));
    return image;
}

// Compresses badly, so an upload of it takes a while on a slow line.
QImage noise(quint32 seed)
{
    QImage image(320, 240, QImage::Format_RGB888);
    QRandomGenerator rng(seed);
    for (int y = 0; y < image.height(); ++y) {
        uchar* line = image.scanLine(y);
        for (int i = 0; i < image.width() * 3; ++i)
            line[i] = uchar(rng.bounded(256));
    }
    return image;
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A publisher with a fake camera, in a folder of its own, recording what
// it tells the status line and the Send Frame button.
struct Rig
{
    Rig(ImageCodec& codec, FileTransfer& transfer)
        : publisher(capture, codec, transfer, settings, store, timer2,
                    {[this] { return folder.path(); }, [this] { return sequenced; },
                     [this] {
                         ++presetReads;
                         return presetName;
                     }})
    {
        capture.frame = bars();
        settings.FTPEnable = 1;
        QObject::connect(&publisher, &FramePublisher::status, &publisher,
                         [this](const QString& text) { statuses << text; });
        QObject::connect(&publisher, &FramePublisher::sendFrameEnabled, &publisher,
                         [this](bool enabled) { buttons << enabled; });
    }
    QString jpeg() const { return folder.filePath(QStringLiteral("Picture.jpg")); }
    QString nativeJpeg() const { return QDir::toNativeSeparators(jpeg()); }
    QString transferred() const
    {
        return texts::transferredPrefix + QString::number(QFileInfo(jpeg()).size()) +
               texts::transferredSuffix;
    }

    QTemporaryDir folder;
    FakeCaptureDevice capture{QStringList{QStringLiteral("Cam")}};
    UploadSettings settings;
    MemorySettingsStore store;
    IntervalTimer timer2;
    bool sequenced = false;
    QVariant presetName;
    int presetReads = 0;
    FramePublisher publisher;
    QStringList statuses;
    QList<bool> buttons;
};

} // namespace

class TestFramePublisher : public QObject
{
    Q_OBJECT
private slots:
    void commandTexts_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("remote");
        QTest::newRow("folder with separator") << "/pub/"
                                               << "cam.jpg"
                                               << "/pub/cam.jpg";
        QTest::newRow("nothing inserted") << "pub"
                                          << "cam.jpg"
                                          << "pubcam.jpg";
        QTest::newRow("both empty") << ""
                                    << ""
                                    << "";
    }
    void commandTexts()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(QString, remote);
        TurboJpegCodec codec;
        FakeFileTransfer transfer;
        Rig rig(codec, transfer);
        rig.settings.FilePath = path;
        rig.settings.FileName = name;

        rig.publisher.SendFrame();
        QCOMPARE(transfer.commands, QStringList{QStringLiteral("SEND ") + rig.nativeJpeg() +
                                                QLatin1Char(' ') + remote});
        QCOMPARE(rig.statuses, (QStringList{texts::createdPrefix + rig.nativeJpeg(),
                                            texts::uploadingPicture, rig.transferred()}));
        QCOMPARE(rig.buttons, QList<bool>{false});
        QVERIFY(rig.capture.live);
        QCOMPARE(rig.presetReads, 0);
    }

    void sequencedPointingUsesThePresetsName_data()
    {
        QTest::addColumn<bool>("sequenced");
        QTest::addColumn<QVariant>("presetName");
        QTest::addColumn<QString>("remote");
        QTest::addColumn<int>("reads");
        QTest::newRow("sequenced")
            << true << QVariant(QStringLiteral("door.jpg")) << "/pub/door.jpg" << 1;
        QTest::newRow("empty field") << true << QVariant(QString()) << "/pub/cam.jpg" << 1;
        QTest::newRow("Null field") << true << QVariant() << "/pub/cam.jpg" << 1;
        QTest::newRow("not sequenced")
            << false << QVariant(QStringLiteral("door.jpg")) << "/pub/cam.jpg" << 0;
    }
    void sequencedPointingUsesThePresetsName()
    {
        QFETCH(bool, sequenced);
        QFETCH(QVariant, presetName);
        QFETCH(QString, remote);
        QFETCH(int, reads);
        FakeImageCodec codec;
        FakeFileTransfer transfer;
        Rig rig(codec, transfer);
        rig.settings.FilePath = QStringLiteral("/pub/");
        rig.settings.FileName = QStringLiteral("cam.jpg");
        rig.sequenced = sequenced;
        rig.presetName = presetName;

        rig.publisher.SendFrame();
        QCOMPARE(transfer.commands.size(), 1);
        QVERIFY(transfer.commands.first().endsWith(QLatin1Char(' ') + remote));
        QCOMPARE(rig.presetReads, reads);
    }

    void aRunningTransferIsNeitherDisturbedNorJoined()
    {
        FakeImageCodec codec;
        FakeFileTransfer transfer;
        Rig rig(codec, transfer);
        rig.publisher.SendFrame();
        QVERIFY(transfer.busy);

        // A tick of the automatic update while busy does nothing at all.
        rig.statuses.clear();
        rig.buttons.clear();
        emit rig.timer2.timeout();
        QCOMPARE(rig.capture.snaps, 1);
        QVERIFY(rig.statuses.isEmpty());
        QVERIFY(rig.buttons.isEmpty());

        // A button or snapshot run converts, but says it sent nothing.
        rig.publisher.SendFrame();
        QCOMPARE(rig.capture.snaps, 2);
        QCOMPARE(transfer.commands.size(), 1);
        QCOMPARE(rig.statuses.last(), QString(texts::uploadSkipped));
        QCOMPARE(rig.buttons, QList<bool>{false});

        // The end of the running transfer gives the button back; the next
        // tick sends again.
        transfer.finish(FileTransfer::ResponseCompleted);
        QCOMPARE(rig.buttons.last(), true);
        emit rig.timer2.timeout();
        QCOMPARE(transfer.commands.size(), 2);
    }

    void theEndOfATransferFollowsTheEnableBox_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<qint16>("ftpEnable");
        QTest::newRow("completed, enabled") << int(FileTransfer::ResponseCompleted) << qint16(1);
        QTest::newRow("completed, disabled") << int(FileTransfer::ResponseCompleted) << qint16(0);
        QTest::newRow("failed, enabled") << int(FileTransfer::Failed) << qint16(1);
        QTest::newRow("failed, disabled") << int(FileTransfer::Failed) << qint16(0);
    }
    void theEndOfATransferFollowsTheEnableBox()
    {
        QFETCH(int, state);
        QFETCH(qint16, ftpEnable);
        FakeImageCodec codec;
        FakeFileTransfer transfer;
        Rig rig(codec, transfer);
        rig.settings.FTPEnable = ftpEnable;
        rig.publisher.SendFrame();
        const QString transferred = rig.statuses.last();

        transfer.finish(state, QStringLiteral("550 No such directory."));
        QCOMPARE(rig.buttons, (QList<bool>{false, ftpEnable != 0}));
        QCOMPARE(rig.statuses.last(), state == FileTransfer::Failed
                                          ? QStringLiteral("Upload failed: 550 No such directory.")
                                          : transferred);
    }

    void anUnreadableBitmapEndsTheRun()
    {
        FakeImageCodec codec;
        FakeFileTransfer transfer;
        Rig rig(codec, transfer);
        rig.publisher.SendFrame();
        transfer.finish(FileTransfer::ResponseCompleted);
        rig.statuses.clear();
        rig.buttons.clear();

        // No frame this time: the previous run's bitmap must not go out.
        rig.capture.frame = QImage();
        rig.publisher.SendFrame();
        QCOMPARE(rig.statuses,
                 QStringList{texts::readBitmapError + QString::number(ImageCodec::CannotOpenFile)});
        QCOMPARE(transfer.commands.size(), 1);
        QCOMPARE(rig.buttons, (QList<bool>{false, true}));

        // While a transfer runs, its end decides about the button.
        rig.capture.frame = bars();
        rig.publisher.SendFrame();
        rig.buttons.clear();
        codec.readError = 7;
        rig.publisher.SendFrame();
        QCOMPARE(rig.statuses.last(), QStringLiteral("ImgDLLReadRGBFromBMP error: 7"));
        QCOMPARE(rig.buttons, QList<bool>{false});
        QCOMPARE(FakeImageCodec::unreleased, 0);
    }

    void aFailedJpegWriteSendsThePreviousFile()
    {
        FakeImageCodec codec;
        FakeFileTransfer transfer;
        Rig rig(codec, transfer);
        QFile old(rig.jpeg());
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        codec.writeError = -5;

        rig.publisher.SendFrame();
        QCOMPARE(rig.statuses,
                 (QStringList{QStringLiteral("ImgDLLSaveRGBToJPG error: -5"),
                              texts::uploadingPicture, QStringLiteral("Transferred 3 Bytes")}));
        QCOMPARE(transfer.commands.size(), 1);
        QCOMPARE(FakeImageCodec::unreleased, 0);
    }

    void qualityReachesTheWriterUnchanged()
    {
        TurboJpegCodec codec;
        FakeFileTransfer transfer;
        Rig rig(codec, transfer);
        qint64 previousSize = 0;
        for (qint16 quality : {qint16(1), qint16(30), qint16(100)}) {
            rig.settings.FileQuality = quality;
            rig.publisher.SendFrame();
            transfer.finish(FileTransfer::ResponseCompleted);
            const QImage decoded(rig.jpeg(), "JPG");
            QCOMPARE(decoded.size(), QSize(320, 240));
            const qint64 size = QFileInfo(rig.jpeg()).size();
            QVERIFY2(size > previousSize, qPrintable(QString::number(quality)));
            previousSize = size;
        }
    }

    void publishesToARealServer()
    {
        FtpTestServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        QVERIFY(QDir(server.root()).mkdir(QStringLiteral("frames")));
        TurboJpegCodec codec;
        CurlFileTransfer transfer;
        Rig rig(codec, transfer);
        rig.settings.FileHost = server.address();
        rig.settings.FileLogin = server.user();
        rig.settings.FilePassword = server.password();
        rig.settings.FilePath = QStringLiteral("/frames/");
        rig.settings.FileName = QStringLiteral("cam.jpg");
        rig.publisher.applyCredentials();

        rig.publisher.SendFrame();
        QCOMPARE(rig.statuses.last(), rig.transferred());
        QTRY_COMPARE_WITH_TIMEOUT(rig.buttons.last(), true, 60000);
        QCOMPARE(server.file(QStringLiteral("frames/cam.jpg")), contents(rig.jpeg()));

        rig.sequenced = true;
        rig.presetName = QStringLiteral("door.jpg");
        rig.capture.frame = noise(1);
        rig.publisher.SendFrame();
        QTRY_COMPARE_WITH_TIMEOUT(rig.buttons.last(), true, 60000);
        QCOMPARE(server.file(QStringLiteral("frames/door.jpg")), contents(rig.jpeg()));
        QVERIFY(!rig.statuses.last().startsWith(texts::uploadFailedPrefix));
    }

    void failedUploadsAreReportedAndGiveTheButtonBack()
    {
        FtpTestServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        FakeImageCodec codec;
        CurlFileTransfer transfer;
        Rig rig(codec, transfer);
        rig.settings.FileName = QStringLiteral("cam.jpg");
        rig.settings.FileLogin = server.user();

        rig.settings.FileHost = server.address();
        rig.settings.FilePassword = QStringLiteral("wrong");
        rig.publisher.applyCredentials();
        rig.publisher.SendFrame();
        QTRY_COMPARE_WITH_TIMEOUT(rig.buttons.size(), 2, 60000);
        QCOMPARE(rig.buttons.last(), true);
        QVERIFY2(rig.statuses.last().startsWith(QLatin1String("Upload failed: 530")),
                 qPrintable(rig.statuses.last()));

        rig.settings.FileHost = QStringLiteral("127.0.0.1:%1").arg(FtpTestServer::closedPort());
        rig.settings.FilePassword = server.password();
        rig.publisher.applyCredentials();
        rig.publisher.SendFrame();
        QTRY_COMPARE_WITH_TIMEOUT(rig.buttons.size(), 4, 60000);
        QCOMPARE(rig.buttons.last(), true);
        QVERIFY2(rig.statuses.last().startsWith(texts::uploadFailedPrefix),
                 qPrintable(rig.statuses.last()));
        QVERIFY(server.file(QStringLiteral("cam.jpg")).isNull());
    }

    void aFrameConvertedDuringASlowUploadDoesNotChangeIt()
    {
        FtpTestServer server(48 * 1024);
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        TurboJpegCodec codec;
        CurlFileTransfer transfer;
        Rig rig(codec, transfer);
        rig.settings.FileHost = server.address();
        rig.settings.FileLogin = server.user();
        rig.settings.FilePassword = server.password();
        rig.settings.FileName = QStringLiteral("cam.jpg");
        rig.settings.FileQuality = 100;
        rig.publisher.applyCredentials();

        rig.capture.frame = noise(1);
        rig.publisher.SendFrame();
        const QByteArray sent = contents(rig.jpeg());
        QVERIFY(sent.size() > 100 * 1024);
        QVERIFY(transfer.IsBusy());

        rig.capture.frame = noise(2);
        rig.publisher.SendFrame();
        QCOMPARE(rig.statuses.last(), QString(texts::uploadSkipped));
        QVERIFY(contents(rig.jpeg()) != sent);

        QTRY_VERIFY_WITH_TIMEOUT(!transfer.IsBusy(), 90000);
        QCOMPARE(rig.buttons.last(), true);
        QCOMPARE(server.file(QStringLiteral("cam.jpg")), sent);
    }
};

QTEST_GUILESS_MAIN(TestFramePublisher)
#include "tst_framepublisher.moc"
