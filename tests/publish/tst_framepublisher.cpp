// SPDX-License-Identifier: GPL-3.0-or-later
#include "CurlFileTransfer.h"
#include "FakeCaptureDevice.h"
#include "FakeFileTransfer.h"
#include "FakeImageCodec.h"
#include "FrameDresser.h"
#include "FramePublisher.h"
#include "FtpTestServer.h"
#include "IntervalTimer.h"
#include "MemorySettingsStore.h"
#include "StationPaths.h"
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

// Noise compresses badly: a large JPEG, a slow upload.
QImage noise(quint32 seed)
{
    QImage image(320, 240, QImage::Format_RGB888);
    QRandomGenerator rng(seed);
    for (int y = 0; y < image.height(); ++y)
        for (int i = 0; i < image.width() * 3; ++i)
            image.scanLine(y)[i] = uchar(rng.bounded(256));
    return image;
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A publisher with a fake camera in a folder of its own, recording what it
// tells the status line and the Send Frame button.
struct Rig final : VisitedPreset
{
    Rig(ImageCodec& codec, FileTransfer& transfer)
        : dresser(store)
        , publisher(capture, codec, transfer, settings, store, timer2, dresser, *this)
    {
        publisher.setFrameFolder(folder.path());
        capture.frame = noise(1);
        settings.FTPEnable = 1;
        QObject::connect(&publisher, &FramePublisher::status, &publisher,
                         [this](const QString& text) { statuses << text; });
        QObject::connect(&publisher, &FramePublisher::sendFrameEnabled, &publisher,
                         [this](bool enabled) { buttons << enabled; });
    }
    void useServer(const FtpTestServer& server)
    {
        settings.FileHost = server.address();
        settings.FileLogin = server.user();
        settings.FilePassword = server.password();
        publisher.applyCredentials();
    }
    // Once the files of the sends so far are written.
    QString jpeg()
    {
        publisher.waitForFiles(std::chrono::seconds(30));
        return folder.filePath(QStringLiteral("Picture.jpg"));
    }
    // Sequenced pointing reads the preset's "FileName", Null or not.
    std::optional<PresetVisit> visitedPreset() const override
    {
        if (!sequenced)
            return std::nullopt;
        ++presetReads;
        return PresetVisit{1, presetName.toString()};
    }

    QTemporaryDir folder;
    FakeCaptureDevice capture{QStringList{QStringLiteral("Cam")}};
    UploadSettings settings;
    MemorySettingsStore store;
    IntervalTimer timer2;
    bool sequenced = false;
    QVariant presetName;
    mutable int presetReads = 0;
    FrameDresser dresser;
    FramePublisher publisher;
    QStringList statuses;
    QList<bool> buttons;
};

} // namespace

class TestFramePublisher : public QObject
{
    Q_OBJECT
private slots:
    void commandTextsAndStatusOrder_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("sequenced");
        QTest::addColumn<QVariant>("presetName");
        QTest::addColumn<QString>("remote");
        const QVariant door(QStringLiteral("door.jpg"));
        QTest::newRow("folder") << "/pub/"
                                << "cam.jpg" << false << door << "/pub/cam.jpg";
        QTest::newRow("nothing inserted") << "pub"
                                          << "cam.jpg" << false << door << "pubcam.jpg";
        QTest::newRow("both empty") << ""
                                    << "" << false << door << "";
        QTest::newRow("preset's name") << "/pub/"
                                       << "cam.jpg" << true << door << "/pub/door.jpg";
        QTest::newRow("empty preset name")
            << "/pub/"
            << "cam.jpg" << true << QVariant(QString()) << "/pub/cam.jpg";
        QTest::newRow("Null preset name") << "/pub/"
                                          << "cam.jpg" << true << QVariant() << "/pub/cam.jpg";
    }
    void commandTextsAndStatusOrder()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(bool, sequenced);
        QFETCH(QVariant, presetName);
        QFETCH(QString, remote);
        FakeImageCodec codec;
        FakeFileTransfer transfer;
        Rig rig(codec, transfer);
        rig.settings.FilePath = path;
        rig.settings.FileName = name;
        rig.sequenced = sequenced;
        rig.presetName = presetName;

        rig.publisher.SendFrame();
        const QString jpeg = QDir::toNativeSeparators(rig.jpeg());
        QCOMPARE(transfer.commands, QStringList{"SEND " + jpeg + ' ' + remote});
        QCOMPARE(rig.statuses,
                 (QStringList{
                     "Created " + jpeg, "Uploading Picture...",
                     QStringLiteral("Transferred %1 Bytes").arg(QFileInfo(rig.jpeg()).size())}));
        QCOMPARE(rig.buttons, QList<bool>{false});
        QVERIFY(rig.capture.live);
        // Outside sequenced pointing the preset is not even asked.
        QCOMPARE(rig.presetReads, sequenced ? 1 : 0);
    }

    void aBusyTransferIsNeitherDisturbedNorJoined()
    {
        FakeImageCodec codec;
        FakeFileTransfer transfer;
        Rig rig(codec, transfer);
        rig.publisher.SendFrame();
        rig.statuses.clear();
        rig.buttons.clear();

        emit rig.timer2.timeout();
        QCOMPARE(rig.capture.snaps, 1);
        QVERIFY(rig.statuses.isEmpty());
        QVERIFY(rig.buttons.isEmpty());

        rig.publisher.SendFrame();
        QCOMPARE(transfer.commands.size(), 1);
        QCOMPARE(rig.statuses.last(),
                 QStringLiteral("Upload skipped: previous transfer still running"));

        transfer.finish(FileTransfer::ResponseCompleted);
        QCOMPARE(rig.buttons, (QList<bool>{false, true}));
        emit rig.timer2.timeout();
        QCOMPARE(transfer.commands.size(), 2);
    }

    void theEndOfATransferFollowsTheEnableBox()
    {
        for (int state : {int(FileTransfer::ResponseCompleted), int(FileTransfer::Failed)}) {
            for (qint16 enable : {qint16(0), qint16(1)}) {
                FakeImageCodec codec;
                FakeFileTransfer transfer;
                Rig rig(codec, transfer);
                rig.settings.FTPEnable = enable;
                rig.publisher.SendFrame();
                const QString transferred = rig.statuses.last();
                transfer.finish(state, QStringLiteral("550 No such directory."));
                QCOMPARE(rig.buttons, (QList<bool>{false, enable != 0}));
                QCOMPARE(rig.statuses.last(),
                         state == FileTransfer::Failed
                             ? QStringLiteral("Upload failed: 550 No such directory.")
                             : transferred);
            }
        }
    }

    void conversionFailures()
    {
        FakeImageCodec codec;
        FakeFileTransfer transfer;
        Rig rig(codec, transfer);
        rig.publisher.SendFrame();
        transfer.finish(FileTransfer::ResponseCompleted);
        rig.statuses.clear();
        rig.buttons.clear();

        // No fresh frame: the previous picture must not go out as new.
        rig.capture.frame = QImage();
        rig.publisher.SendFrame();
        QCOMPARE(rig.statuses, QStringList{"Upload skipped: no new picture from the camera"});
        QCOMPARE(transfer.commands.size(), 1);
        QCOMPARE(rig.buttons, (QList<bool>{false, true}));

        // A failed write sends nothing, not the JPEG file of before.
        rig.capture.frame = noise(2);
        codec.writeError = -5;
        rig.statuses.clear();
        rig.buttons.clear();
        rig.publisher.SendFrame();
        QCOMPARE(rig.statuses, QStringList{"ImgDLLSaveRGBToJPG error: -5"});
        QCOMPARE(transfer.commands.size(), 1);
        QCOMPARE(rig.buttons, (QList<bool>{false, true}));

        // Nor does an encoder said to succeed that left half a JPEG; the
        // whole one of before stays on disk.
        codec.writeError = ImageCodec::NoError;
        codec.cutShort = true;
        rig.statuses.clear();
        const QByteArray before = contents(rig.jpeg());
        rig.publisher.SendFrame();
        QCOMPARE(rig.statuses.size(), 1);
        QVERIFY2(
            rig.statuses[0].startsWith(
                QStringLiteral("Could not write %1: ").arg(QDir::toNativeSeparators(rig.jpeg()))),
            qPrintable(rig.statuses[0]));
        QCOMPARE(transfer.commands.size(), 1);
        QVERIFY(!before.isEmpty());
        QCOMPARE(contents(rig.jpeg()), before);
        codec.cutShort = false;

        // While a transfer runs, its end decides about the button.
        rig.publisher.SendFrame();
        QCOMPARE(transfer.commands.size(), 2);
        rig.buttons.clear();
        codec.writeError = 7;
        rig.publisher.SendFrame();
        QCOMPARE(rig.statuses.last(), QStringLiteral("ImgDLLSaveRGBToJPG error: 7"));
        QCOMPARE(rig.buttons, QList<bool>{false});
        QCOMPARE(FakeImageCodec::unreleased, 0);
    }

    // Frames go where they can be written; where they cannot, the operator
    // learns which file and why.
    void framesThatCannotBeWrittenAreNamed()
    {
        TurboJpegCodec codec;
        FakeFileTransfer transfer;
        Rig rig(codec, transfer);

        // A preset file in a folder that takes no new files, even from the
        // superuser: the frames go to the data folder.
        const QString dataFolder = StationPaths::dataFolder();
        QCOMPARE(StationPaths::frameFolder(QStringLiteral("/proc/Pivora.mdb")), dataFolder);
        QCOMPARE(StationPaths::frameFolder(rig.folder.filePath(QStringLiteral("Pivora.mdb"))),
                 rig.folder.path());

        // The frame goes out from memory; the files are written after it,
        // and one that cannot be is named with the reason.
        for (const char* blocked : {"Picture.jpg", "Picture.bmp"}) {
            QTemporaryDir folder;
            rig.folder.swap(folder);
            rig.publisher.setFrameFolder(rig.folder.path());
            QVERIFY(QDir(rig.folder.path()).mkdir(QLatin1String(blocked)));
            rig.statuses.clear();
            rig.buttons.clear();
            const qsizetype sent = transfer.commands.size();
            rig.publisher.SendFrame();
            const QString prefix =
                QStringLiteral("Could not write %1: ")
                    .arg(QDir::toNativeSeparators(rig.folder.filePath(QLatin1String(blocked))));
            QTRY_COMPARE_WITH_TIMEOUT(rig.statuses.size(), 4, 10000);
            QVERIFY2(rig.statuses.last().startsWith(prefix) &&
                         rig.statuses.last().size() > prefix.size() + 3,
                     qPrintable(rig.statuses.last()));
            QCOMPARE(transfer.commands.size(), sent + 1);
            transfer.finish(FileTransfer::ResponseCompleted);
            QCOMPARE(rig.buttons, (QList<bool>{false, true}));
            QVERIFY(rig.capture.live);
        }
    }

    // The camera stops delivering: its last picture is not published again.
    void aStalledCameraPublishesNothing()
    {
        FakeImageCodec codec;
        FakeFileTransfer transfer;
        Rig rig(codec, transfer);
        rig.capture.watch.setLimit(std::chrono::milliseconds(300));
        QSignalSpy stalled(&rig.capture, &CaptureDevice::stalled);
        rig.capture.deliver(noise(3));
        QVERIFY(stalled.wait(10000));

        rig.publisher.SendFrame();
        QCOMPARE(rig.statuses, QStringList{"Upload skipped: no new picture from the camera"});
        QVERIFY(transfer.commands.isEmpty());
        QCOMPARE(rig.buttons, (QList<bool>{false, true}));

        rig.capture.deliver(noise(4));
        rig.publisher.SendFrame();
        QCOMPARE(transfer.commands.size(), 1);
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
            QCOMPARE(QImage(rig.jpeg(), "JPG").size(), QSize(320, 240));
            const qint64 size = QFileInfo(rig.jpeg()).size();
            QVERIFY(size > previousSize);
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
        rig.useServer(server);
        rig.settings.FilePath = QStringLiteral("/frames/");
        rig.settings.FileName = QStringLiteral("cam.jpg");

        rig.publisher.SendFrame();
        QTRY_COMPARE_WITH_TIMEOUT(rig.buttons.size(), 2, 60000);
        QCOMPARE(server.file(QStringLiteral("frames/cam.jpg")), contents(rig.jpeg()));

        rig.sequenced = true;
        rig.presetName = QStringLiteral("door.jpg");
        rig.capture.frame = noise(2);
        rig.publisher.SendFrame();
        QTRY_COMPARE_WITH_TIMEOUT(rig.buttons.size(), 4, 60000);
        QCOMPARE(server.file(QStringLiteral("frames/door.jpg")), contents(rig.jpeg()));
        QCOMPARE(rig.buttons.last(), true);

        // A wrong password is refused by the server, which takes its time.
        rig.settings.FilePassword = QStringLiteral("wrong");
        rig.publisher.applyCredentials();
        rig.publisher.SendFrame();
        QTRY_COMPARE_WITH_TIMEOUT(rig.buttons.size(), 6, 60000);
        QCOMPARE(rig.buttons.last(), true);
        QVERIFY2(rig.statuses.last().startsWith(QLatin1String("Upload failed: 530")),
                 qPrintable(rig.statuses.last()));

        rig.settings.FileHost = QStringLiteral("127.0.0.1:%1").arg(FtpTestServer::closedPort());
        rig.publisher.applyCredentials();
        rig.publisher.SendFrame();
        QTRY_COMPARE_WITH_TIMEOUT(rig.buttons.size(), 8, 60000);
        QCOMPARE(rig.buttons.last(), true);
        QVERIFY2(rig.statuses.last().startsWith(QLatin1String("Upload failed: ")),
                 qPrintable(rig.statuses.last()));
    }

    void aFrameConvertedDuringASlowUploadDoesNotChangeIt()
    {
        FtpTestServer server(48 * 1024);
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        TurboJpegCodec codec;
        CurlFileTransfer transfer;
        Rig rig(codec, transfer);
        rig.useServer(server);
        rig.settings.FileName = QStringLiteral("cam.jpg");
        rig.settings.FileQuality = 100;

        rig.publisher.SendFrame();
        const QByteArray sent = contents(rig.jpeg());
        QVERIFY(sent.size() > 100 * 1024);
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
