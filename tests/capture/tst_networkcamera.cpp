// SPDX-License-Identifier: GPL-3.0-or-later
// GStreamer's headers come first: Qt's keyword macros would break them.
#include <gst/gst.h>
#include <gst/video/video.h>

#include "CameraTestServer.h"
#include "CapturedLog.h"
#include "GstCameraPipeline.h"
#include "IniSettingsStore.h"
#include "NetworkCamera.h"
#include "QtCaptureDevice.h"
#include "Texts.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVideoSink>

#include <sys/stat.h>

using Kind = CameraTestServer::Kind;
Q_DECLARE_METATYPE(CameraTestServer::Kind)

namespace {

const QString user = QStringLiteral("viewer");
const QString password = QStringLiteral("Pa55-word");

// The real capture component over real network cameras: what the preview
// shows, and every text it reports and logs.
struct Watched
{
    explicit Watched(const QList<NetworkCamera>& cameras)
    {
        capture.setPreviewSink(&preview);
        capture.setNetworkCameras(cameras);
        QObject::connect(&preview, &QVideoSink::videoFrameChanged, &preview, [this] {
            if (!waitingFor.isEmpty() &&
                CameraTestServer::colourOf(preview.videoFrame().toImage()) == waitingFor) {
                waitingFor.clear();
                delay = sinceChange.elapsed();
            }
        });
    }
    ~Watched() { capture.setPreviewSink(nullptr); }

    QString shown() const { return CameraTestServer::colourOf(preview.videoFrame().toImage()); }
    // Milliseconds from the change at the server to the first frame that
    // shows it; -1 when none did within the limit.
    qint64 colourChange(CameraTestServer& server, const QString& colour)
    {
        delay = -1;
        waitingFor = colour;
        sinceChange.start();
        server.setColour(colour);
        return QTest::qWaitFor([this] { return delay >= 0; }, 5000) ? delay : -1;
    }
    QStringList reported() const
    {
        QStringList texts;
        for (const QList<QVariant>& signal : reports)
            texts.append(signal.at(0).toString());
        return texts;
    }
    // Every text that left the component, shown or logged.
    QStringList everything() const { return reported() + log.lines(); }
    int failuresLogged() const { return int(log.lines().filter(QLatin1String("again in")).size()); }

    CapturedLog log;
    QtCaptureDevice capture{true};
    QVideoSink preview;
    QSignalSpy reports{&capture, &CaptureDevice::report};
    QElapsedTimer sinceChange;
    QString waitingFor;
    qint64 delay = -1;
};

QString none(const QStringList& texts, const QString& secret)
{
    for (const QString& text : texts) {
        if (text.contains(secret))
            return text;
    }
    return {};
}

} // namespace

class TestNetworkCamera : public QObject
{
    Q_OBJECT

    static void kinds_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::newRow("RTSP") << Kind::Rtsp;
        QTest::newRow("MJPEG") << Kind::Mjpeg;
    }

private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("kivra.capture.debug=true"));
        gst_init(nullptr, nullptr);
    }

    // The live picture's pixels are the decoded frame's, picked by nearest
    // neighbour in every plane, whether the picture's width divides the
    // frame's (picked word by word) or not (by table).
    void theLivePictureIsPickedFromTheFrame_data()
    {
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QSize>("shown");
        QTest::newRow("a fourth") << QSize(1280, 720) << QSize(320, 180);
        QTest::newRow("a half") << QSize(640, 480) << QSize(320, 240);
        QTest::newRow("a third") << QSize(960, 720) << QSize(320, 240);
    }
    void theLivePictureIsPickedFromTheFrame()
    {
        QFETCH(QSize, frame);
        QFETCH(QSize, shown);
        GstVideoInfo info;
        gst_video_info_set_format(&info, GST_VIDEO_FORMAT_I420, guint(frame.width()),
                                  guint(frame.height()));
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, info.size, nullptr);
        const auto value = [](int plane, int x, int y) { return uchar(x * 7 + y * 13 + plane); };
        GstVideoFrame written;
        QVERIFY(gst_video_frame_map(&written, &info, buffer, GST_MAP_WRITE));
        for (int plane = 0; plane < 3; ++plane)
            for (int y = 0; y < GST_VIDEO_FRAME_COMP_HEIGHT(&written, plane); ++y)
                for (int x = 0; x < GST_VIDEO_FRAME_COMP_WIDTH(&written, plane); ++x)
                    static_cast<uchar*>(GST_VIDEO_FRAME_PLANE_DATA(
                        &written, plane))[y * GST_VIDEO_FRAME_PLANE_STRIDE(&written, plane) + x] =
                        value(plane, x, y);
        gst_video_frame_unmap(&written);
        GstCaps* caps = gst_video_info_to_caps(&info);
        GstSample* sample = gst_sample_new(buffer, caps, nullptr, nullptr);
        gst_caps_unref(caps);
        gst_buffer_unref(buffer);

        QVideoFrame picture = GstCameraPipeline::previewFrame(sample, QSize(320, 240));
        gst_sample_unref(sample);
        QCOMPARE(picture.size(), shown);
        QVERIFY(picture.map(QVideoFrame::ReadOnly));
        for (int plane = 0; plane < 3; ++plane) {
            const int divisor = plane == 0 ? 1 : 2;
            const int width = shown.width() / divisor;
            const int height = shown.height() / divisor;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    QCOMPARE(picture.bits(plane)[y * picture.bytesPerLine(plane) + x],
                             value(plane, x * frame.width() / shown.width(),
                                   y * frame.height() / shown.height()));
        }
        picture.unmap();
    }

    void aCameraIsSeenLostAndBack_data() { kinds_data(); }
    // The whole life of a network camera: frames, a colour change seen at
    // once, the server gone (said once however often it is tried, and its
    // last picture never sent as new), the server back.
    void aCameraIsSeenLostAndBack()
    {
        QFETCH(Kind, kind);
        CameraTestServer server({.kind = kind, .user = user, .password = password});
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        Watched w({server.camera(QStringLiteral("Mast"))});
        const int index = w.capture.driverCount() - 2;
        QCOMPARE(w.capture.driverName(index), QStringLiteral("Mast"));
        QCOMPARE(w.capture.driverName(index + 1), QString(texts::testPatternDriver));

        QVERIFY(w.capture.setDriverIndex(index, nullptr));
        QTRY_COMPARE_WITH_TIMEOUT(w.shown(), QStringLiteral("red"), 20000);
        const qint64 delay = w.colourChange(server, QStringLiteral("blue"));
        QVERIFY2(delay >= 0 && delay < 500, qPrintable(QString::number(delay)));
        QVERIFY(w.capture.snapFrame());
        QCOMPARE(CameraTestServer::colourOf(w.capture.snappedFrame()), QStringLiteral("blue"));
        w.capture.setLivePreview(true);

        server.stop();
        const QString lost = QStringLiteral("Camera Mast lost: ");
        QTRY_VERIFY_WITH_TIMEOUT(!w.reported().filter(lost).isEmpty(), 15000);
        QVERIFY(!w.capture.snapFrame());
        QTRY_VERIFY_WITH_TIMEOUT(w.failuresLogged() >= 2, 15000);
        QCOMPARE(w.reported().filter(lost).size(), 1);

        server.setColour(QStringLiteral("green"));
        QVERIFY2(server.start(), qPrintable(server.error()));
        QTRY_VERIFY_WITH_TIMEOUT(w.reported().contains(QStringLiteral("Camera Mast back")), 40000);
        QTRY_COMPARE_WITH_TIMEOUT(w.shown(), QStringLiteral("green"), 5000);
        QVERIFY(w.capture.snapFrame());
        QCOMPARE(w.reported().filter(lost).size(), 1);
        QCOMPARE(none(w.everything(), password), QString());
    }

    void aRefusedLoginIsToldWithoutThePassword_data() { kinds_data(); }
    void aRefusedLoginIsToldWithoutThePassword()
    {
        QFETCH(Kind, kind);
        CameraTestServer server({.kind = kind, .user = user, .password = password});
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        NetworkCamera camera = server.camera(QStringLiteral("Door"));
        const QString wrong = QStringLiteral("Wr0ng-Secret");
        camera.password = wrong;
        // Also a login written into the address stays out of every text.
        camera.address.replace(QLatin1String("://"), QLatin1String("://viewer:") + wrong + '@');
        Watched w({camera});
        QVERIFY(w.capture.setDriverIndex(w.capture.driverCount() - 2, nullptr));
        QTRY_VERIFY_WITH_TIMEOUT(!w.reported().isEmpty(), 15000);
        QVERIFY2(w.reported().first().startsWith(QLatin1String("Camera Door lost: Unauthorized")),
                 qPrintable(w.reported().first()));
        QTRY_VERIFY_WITH_TIMEOUT(w.failuresLogged() >= 1, 15000);
        QVERIFY(!w.capture.snapFrame());
        QCOMPARE(none(w.everything(), wrong), QString());
        QCOMPARE(none(w.everything(), password), QString());
        QVERIFY(!w.log.lines().filter(QStringLiteral("127.0.0.1")).isEmpty());
    }

    // [Cameras] read back as stored, in the driver list between the
    // machine's cameras and the test pattern; the file holding their
    // logins is the owner's alone, and a removed camera leaves no login.
    void camerasAreKeptInTheSettingsFile()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("KivraWebcam.conf"));
        NetworkCamera mast;
        mast.name = QStringLiteral("Mast");
        mast.address = QStringLiteral("rtsp://192.168.1.20:554/s1");
        mast.user = QStringLiteral("op");
        mast.password = QStringLiteral("s3cret");
        mast.latency = 250;
        NetworkCamera door;
        door.name = QStringLiteral("Door");
        door.address = QStringLiteral("http://door/video.mjpg");
        {
            IniSettingsStore store(path);
            networkcameras::store({mast, door}, store);
            QVERIFY(store.flush());
        }
        struct stat info = {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0600));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("Mast\\Address=rtsp://192.168.1.20:554/s1"));

        IniSettingsStore again(path);
        const QList<NetworkCamera> read = networkcameras::read(again);
        QCOMPARE(read, (QList<NetworkCamera>{door, mast}));
        QtCaptureDevice capture(true);
        const int machine = capture.driverCount() - 1;
        QVERIFY(capture.setDriverIndex(machine, nullptr));
        QVERIFY(capture.setNetworkCameras(read));
        QCOMPARE(capture.driverIndex(), machine + 2);
        QCOMPARE(capture.driverName(machine), QStringLiteral("Door"));
        QCOMPARE(capture.driverName(machine + 2), QString(texts::testPatternDriver));

        networkcameras::store({door}, again);
        QVERIFY(again.flush());
        QCOMPARE(networkcameras::read(IniSettingsStore(path)), QList<NetworkCamera>{door});
        QFile rewritten(path);
        QVERIFY(rewritten.open(QIODevice::ReadOnly));
        QVERIFY(!rewritten.readAll().contains("s3cret"));
    }
};

QTEST_MAIN(TestNetworkCamera)
#include "tst_networkcamera.moc"
