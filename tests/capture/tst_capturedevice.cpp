// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeCaptureDevice.h"
#include "FrameFile.h"
#include "QtCaptureDevice.h"
#include "Texts.h"

#include <QFile>
#include <QImage>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVideoSink>

// The real capture component, driven through its synthetic driver so it
// runs the same on machines with and without a camera.
class TestCaptureDevice : public QObject
{
    Q_OBJECT

    static int patternIndex(const QtCaptureDevice& capture) { return capture.driverCount() - 1; }

private slots:
    void testPatternIsListedAfterTheCameras()
    {
        QtCaptureDevice without(false);
        QtCaptureDevice with(true);
        QCOMPARE(with.driverCount(), without.driverCount() + 1);
        QCOMPARE(with.driverName(patternIndex(with)), QString(texts::testPatternDriver));
        QVERIFY(with.driverName(with.driverCount()).isEmpty());
    }

    void unknownDriverIsRefused()
    {
        QtCaptureDevice capture(true);
        QString error;
        QVERIFY(!capture.setDriverIndex(capture.driverCount(), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!capture.setDriverIndex(-1, &error));
    }

    void framesReachThePreviewAndCanBeSavedAsBitmap()
    {
        QtCaptureDevice capture(true);
        QVideoSink preview;
        capture.setPreviewSink(&preview);
        QSignalSpy frames(&preview, &QVideoSink::videoFrameChanged);
        QVERIFY(capture.setDriverIndex(patternIndex(capture), nullptr));
        QVERIFY(frames.wait(10000));
        QCOMPARE(preview.videoFrame().size(), QSize(640, 480));

        QVERIFY(capture.snapFrame());
        QVERIFY(!capture.livePreview());
        QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/with blank XXXXXX"));
        const QString path = dir.filePath(QStringLiteral("Picture.bmp"));
        QVERIFY(framefile::saveBitmap(capture.snappedFrame(), path, nullptr));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(2), QByteArray("BM"));
        const QImage saved(path);
        QCOMPARE(saved.size(), QSize(640, 480));
        QSet<QRgb> colours; // the bars, not a blank picture
        for (int x = 0; x < saved.width(); x += 8)
            colours.insert(saved.pixel(x, 10));
        QVERIFY(colours.size() >= 6);

        // The preview holds still until live preview is on again.
        frames.clear();
        QTest::qWait(300);
        QCOMPARE(frames.count(), 0);
        capture.setLivePreview(true);
        QVERIFY(frames.wait(10000));
    }

    void patternMovesFromFrameToFrame()
    {
        TestPatternSource source;
        QVERIFY(source.render(0) != source.render(5));
    }

    void resolutionCanBeChosen()
    {
        QtCaptureDevice capture(true);
        QVERIFY(capture.formats().isEmpty());
        QVERIFY(capture.setDriverIndex(patternIndex(capture), nullptr));
        QVERIFY(capture.formats().size() >= 2);
        const CaptureFormat small{QSize(320, 240), 15, 15};
        QVERIFY(capture.setFormat(small));
        QCOMPARE(capture.format(), small);
        QVERIFY(!capture.setFormat({QSize(1, 1), 1, 1}));

        QVideoSink preview;
        capture.setPreviewSink(&preview);
        QSignalSpy frames(&preview, &QVideoSink::videoFrameChanged);
        QVERIFY(frames.wait(10000));
        QCOMPARE(preview.videoFrame().size(), QSize(320, 240));
    }

    // The stall watch: a steady stream never stalls however long it runs,
    // and each stop after a resume is a stall of its own.
    void onlyAStoppedStreamStalls()
    {
        QtCaptureDevice capture(true);
        capture.setStallLimit(std::chrono::milliseconds(600));
        QSignalSpy stalled(&capture, &CaptureDevice::stalled);
        QVideoSink preview;
        capture.setPreviewSink(&preview);
        QSignalSpy frames(&preview, &QVideoSink::videoFrameChanged);
        QVERIFY(capture.setDriverIndex(patternIndex(capture), nullptr));
        // 30 frames at 15 a second: three limits and more.
        QTRY_VERIFY_WITH_TIMEOUT(frames.count() >= 30, 30000);
        QCOMPARE(stalled.count(), 0);
        QVERIFY(capture.snapFrame());

        FakeCaptureDevice camera({QStringLiteral("Cam")}, 0);
        camera.watch.setLimit(std::chrono::milliseconds(300));
        QSignalSpy cameraStalled(&camera, &CaptureDevice::stalled);
        QSignalSpy resumed(&camera, &CaptureDevice::resumed);
        for (int stop = 1; stop <= 2; ++stop) {
            camera.deliver(QImage(8, 8, QImage::Format_RGB888));
            QVERIFY(camera.snapFrame());
            QTRY_COMPARE_WITH_TIMEOUT(cameraStalled.count(), stop, 10000);
            QVERIFY(!camera.snapFrame());
        }
        QCOMPARE(resumed.count(), 1);
    }

    void snapWithoutAFrameFails()
    {
        QtCaptureDevice capture(true);
        QVERIFY(!capture.snapFrame());
        QVERIFY(capture.snappedFrame().isNull());
    }
};

QTEST_MAIN(TestCaptureDevice)
#include "tst_capturedevice.moc"
