// SPDX-License-Identifier: GPL-3.0-or-later
// GStreamer's headers come first: Qt's keyword macros would break them.
#include <gst/gst.h>
#include <gst/video/video.h>

#include "BenchFigure.h"
#include "CameraTestServer.h"
#include "GstCameraPipeline.h"
#include "LivePicture.h"
#include "QtCaptureDevice.h"
#include "StationRig.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QVideoSink>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

using Kind = CameraTestServer::Kind;

namespace {

const QStringList colours = {QStringLiteral("blue"), QStringLiteral("red")};

// The same pipeline as the station's, ending in a fakesink whose hand-off
// looks at the middle pixel: when the new colour shows there.
class BarePipeline
{
public:
    explicit BarePipeline(const NetworkCamera& camera)
    {
        QByteArray description = GstCameraPipeline::description(camera);
        description.replace("appsink name=sink max-buffers=1 drop=true sync=false",
                            "fakesink name=sink signal-handoffs=true sync=false");
        m_pipeline = gst_parse_launch(description.constData(), nullptr);
        GstElement* source = gst_bin_get_by_name(GST_BIN(m_pipeline), "source");
        g_object_set(source, "location", camera.address.toUtf8().constData(), nullptr);
        if (camera.isRtsp()) {
            g_object_set(source, "latency", guint(camera.latency), nullptr);
            gst_util_set_object_arg(G_OBJECT(source), "protocols", "tcp");
        }
        gst_object_unref(source);
        GstElement* sink = gst_bin_get_by_name(GST_BIN(m_pipeline), "sink");
        g_signal_connect(sink, "handoff", G_CALLBACK(&BarePipeline::onHandoff), this);
        gst_object_unref(sink);
        gst_element_set_state(m_pipeline, GST_STATE_PLAYING);
    }
    ~BarePipeline()
    {
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        gst_object_unref(m_pipeline);
    }
    bool framed() const { return m_frames.load() > 0; }
    // From now on, the moment (on `clock`) the middle pixel shows blue or
    // not is kept.
    void await(bool blue, const QElapsedTimer* clock)
    {
        m_clock = clock;
        m_seenAt.store(-1);
        m_wanted.store(blue ? 1 : 0);
    }
    qint64 seenAt() const { return m_seenAt.load(); }

private:
    static void onHandoff(GstElement*, GstBuffer* buffer, GstPad* pad, gpointer data)
    {
        auto* self = static_cast<BarePipeline*>(data);
        GstCaps* caps = gst_pad_get_current_caps(pad);
        GstVideoInfo info;
        const bool known = gst_video_info_from_caps(&info, caps);
        gst_caps_unref(caps);
        GstVideoFrame frame;
        if (!known || !gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ))
            return;
        const int x = GST_VIDEO_FRAME_WIDTH(&frame) / 2;
        const int y = GST_VIDEO_FRAME_HEIGHT(&frame) / 2;
        const auto* row = static_cast<const guint8*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)) +
                          y * GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
        // Blue is dark beside red: luma 41 against 81 (BT.601).
        const bool blue = GST_VIDEO_FRAME_FORMAT(&frame) == GST_VIDEO_FORMAT_BGRx
                              ? row[x * 4] > 190 && row[x * 4 + 2] < 70
                              : row[x] < 61;
        gst_video_frame_unmap(&frame);
        const int wanted = self->m_wanted.load();
        if (wanted >= 0 && self->m_seenAt.load() < 0 && blue == (wanted == 1))
            self->m_seenAt.store(self->m_clock->nsecsElapsed());
        ++self->m_frames;
    }

    GstElement* m_pipeline = nullptr;
    const QElapsedTimer* m_clock = nullptr;
    std::atomic<int> m_wanted{-1};
    std::atomic<qint64> m_seenAt{-1};
    std::atomic<int> m_frames{0};
};

QObject& app()
{
    return *QCoreApplication::instance();
}

// Waits in an event loop that sleeps until something comes, as the
// station's own does: QTest::qWaitFor sleeps 10 ms between its looks, which
// would hold every queued frame back by up to as much.
bool waitUntil(const std::function<bool()>& done, int limit)
{
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    look.start(1);
    QTimer::singleShot(limit, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

// Both watch the same server at once: each change is seen by the two, and
// each delay is taken from the same moment.
void delay(Kind kind, const QString& name, bool* allMet)
{
    CameraTestServer server({.kind = kind, .user = {}, .password = {}});
    QtCaptureDevice capture(false);
    StationRig rig({.capture = &capture});
    rig.start();
    capture.setNetworkCameras({server.camera(QStringLiteral("Bench"))});
    rig.ui().cbDriver->setCurrentIndex(rig.ui().cbDriver->findText(QStringLiteral("Bench")));
    BarePipeline bare(server.camera(QStringLiteral("Bench")));
    if (!QTest::qWaitFor(
            [&] {
                return bare.framed() &&
                       !rig.ui().ezVidCap1->videoSink()->videoFrame().toImage().isNull();
            },
            30000)) {
        std::printf("%s: no picture\n", qPrintable(name));
        *allMet = false;
        return;
    }
    std::vector<double> ours, theirs;
    QElapsedTimer since;
    qint64 station = -1;
    bool wanted = false;
    QObject::connect(
        rig.ui().ezVidCap1->videoSink(), &QVideoSink::videoFrameChanged, &app(),
        [&](const QVideoFrame& frame) {
            // The moment it came, before looking at it.
            const qint64 now = since.nsecsElapsed();
            if (station < 0 && since.isValid() &&
                (CameraTestServer::colourOf(frame.toImage()) == QLatin1String("blue")) == wanted)
                station = now;
        });
    for (int round = 0; round < 30; ++round) {
        wanted = round % 2 == 0;
        since.start();
        station = -1;
        bare.await(wanted, &since);
        server.setColour(wanted ? colours[0] : colours[1]);
        waitUntil([&] { return station >= 0 && bare.seenAt() >= 0; }, 5000);
        if (round >= 2 && station >= 0 && bare.seenAt() >= 0) {
            ours.push_back(double(station) / 1e6);
            theirs.push_back(double(bare.seenAt()) / 1e6);
        }
        QTest::qWait(150);
    }
    capture.networkSource().stop();
    BenchFigure figure =
        pairedFigure(name + QStringLiteral(", median of %1").arg(ours.size()), ours,
                     QStringLiteral("same pipeline into a fakesink"), theirs, QStringLiteral("ms"));
    figure.target = QStringLiteral("<= 1.2x and < 250 ms");
    figure.met = !ours.empty() && figure.value < 250 && figure.ratio() <= 1.2;
    *allMet = figure.print() && *allMet;
}

// Lets the station run as under its own event loop, which sleeps until
// something comes; QTest::qWait would wake it a hundred times a second.
void run(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Processor time of every thread of the process so far, in nanoseconds as
// the scheduler counts them: the ticks of /proc/<pid>/stat are 10 ms, which
// over a measured 8 s would move a figure by more than 1 ms a second.
double processSeconds(qint64 pid)
{
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    double seconds = 0;
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks + QLatin1Char('/') + task + QStringLiteral("/schedstat"));
        if (schedstat.open(QIODevice::ReadOnly))
            seconds += schedstat.readAll().split(' ').value(0).toDouble() / 1e9;
    }
    return seconds;
}

// A window with nothing but a picture, drawn as the live picture draws
// one converted frame.
class BarePicture final : public QWidget
{
public:
    QImage picture;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawImage(QPoint(0, 0), picture);
    }
};

// Processor time a second of a bare window handed a ready picture of this
// size 25 times a second from a thread of its own, as the station is
// handed frames: the least that showing a moving picture in a window costs
// on this machine, before any decoding or converting.
double bareWindow(QSize size, int milliseconds)
{
    BarePicture window;
    window.setAttribute(Qt::WA_OpaquePaintEvent);
    window.resize(size);
    window.show();
    const QImage pictures[2] = {QImage(size, QImage::Format_RGB32),
                                QImage(size, QImage::Format_RGB32)};
    std::atomic<bool> running{true};
    std::thread handing([&] {
        for (int n = 0; running.load(); ++n) {
            QMetaObject::invokeMethod(
                &window,
                [&window, picture = pictures[n % 2]] {
                    window.picture = picture;
                    window.update();
                },
                Qt::QueuedConnection);
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
        }
    });
    run(1000);
    const double before = processSeconds(QCoreApplication::applicationPid());
    run(milliseconds);
    const double spent = processSeconds(QCoreApplication::applicationPid()) - before;
    running.store(false);
    handing.join();
    QCoreApplication::processEvents();
    return spent * 1000.0 / (milliseconds / 1000.0);
}

// Processor time a second: the station showing the stream, against
// gst-launch-1.0 decoding it into a fakesink, in turns; and beside them
// the decoder plus the bare window, the least any station could reach.
void cpu(bool* allMet)
{
    CameraTestServer server(
        {.kind = Kind::Rtsp, .user = {}, .password = {}, .size = QSize(1280, 720), .rate = 25});
    const NetworkCamera camera = server.camera(QStringLiteral("Bench"));
    constexpr int measured = 8000;
    std::vector<double> ours, theirs, least;
    QSize shown;
    for (int round = 0; round < 5; ++round) {
        {
            QProcess launch;
            launch.start(QStringLiteral("gst-launch-1.0"),
                         {QStringLiteral("-q"), QStringLiteral("rtspsrc"),
                          QStringLiteral("location=") + camera.address,
                          QStringLiteral("protocols=tcp"), QStringLiteral("latency=100"),
                          QStringLiteral("!"), QStringLiteral("application/x-rtp,media=video"),
                          QStringLiteral("!"), QStringLiteral("decodebin"), QStringLiteral("!"),
                          QStringLiteral("fakesink"), QStringLiteral("sync=false")});
            launch.waitForStarted();
            QTest::qWait(3000);
            const double before = processSeconds(launch.processId());
            QTest::qWait(measured);
            theirs.push_back((processSeconds(launch.processId()) - before) * 1000.0 /
                             (measured / 1000.0));
            launch.kill();
            launch.waitForFinished();
        }
        {
            QtCaptureDevice capture(false);
            StationRig rig({.capture = &capture});
            rig.start();
            capture.setNetworkCameras({camera});
            if (qEnvironmentVariableIsSet("BENCH_NO_PREVIEW"))
                capture.setPreviewSink(nullptr);
            rig.ui().cbDriver->setCurrentIndex(
                rig.ui().cbDriver->findText(QStringLiteral("Bench")));
            run(3000);
            const double before = processSeconds(QCoreApplication::applicationPid());
            run(measured);
            ours.push_back((processSeconds(QCoreApplication::applicationPid()) - before) * 1000.0 /
                           (measured / 1000.0));
            shown = rig.ui().ezVidCap1->videoSink()->videoFrame().size();
            capture.networkSource().stop();
        }
        least.push_back(theirs.back() +
                        bareWindow(shown.isEmpty() ? QSize(320, 180) : shown, measured / 2));
    }
    BenchFigure figure = pairedFigure(
        QStringLiteral("CPU showing RTSP H.264 1280x720 25 fps, median of 5"), ours,
        QStringLiteral("gst-launch-1.0 decoding into fakesink"), theirs, QStringLiteral("ms/s"));
    figure.target = QStringLiteral("<= 1.3x");
    figure.met = figure.ratio() <= 1.3;
    *allMet = figure.print() && *allMet;
    BenchFigure floor = pairedFigure(
        QStringLiteral("  the decoder plus a bare window painting as often, median of 5"), least,
        QStringLiteral("gst-launch-1.0 decoding into fakesink"), theirs, QStringLiteral("ms/s"));
    floor.target = QStringLiteral("none: the least a window adds");
    floor.met = true;
    floor.print();
}

} // namespace

int main(int argc, char** argv)
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    gst_init(nullptr, nullptr);
    bool met = true;
    const QStringList only = app.arguments().mid(1);
    if (only.isEmpty() || only.contains(QLatin1String("delay"))) {
        delay(Kind::Rtsp, QStringLiteral("colour change to the station's frame, RTSP 320x240"),
              &met);
        delay(Kind::Mjpeg, QStringLiteral("colour change to the station's frame, MJPEG 320x240"),
              &met);
    }
    if (only.isEmpty() || only.contains(QLatin1String("cpu")))
        cpu(&met);
    return met ? 0 : 1;
}
