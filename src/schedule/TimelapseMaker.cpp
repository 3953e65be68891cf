// SPDX-License-Identifier: GPL-3.0-or-later
#include "TimelapseMaker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <gst/gst.h>

#include <fcntl.h>
#include <mutex>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Below the window's thread, the uploads and the camera: a day's video may
// take minutes, and nobody waits for it.
constexpr int lowPriority = 19;

void ensureGstreamer()
{
    static std::once_flag once;
    std::call_once(once, [] { gst_init(nullptr, nullptr); });
}

QString errorOf(GstMessage* message)
{
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    const QString text = QString::fromUtf8(error ? error->message : "unknown error");
    g_clear_error(&error);
    return text;
}

// The frames go in through a pad of our own, pushed from the video's
// thread, so decoding, scaling and encoding all run there, and x264's
// threads, started from it, share its low priority. A source element
// would do that work on a streaming thread of GStreamer's shared pool,
// whose priority, once lowered, cannot be raised again (without
// privileges) for the camera that uses the pool next.
struct Pipeline
{
    GstElement* pipeline = nullptr;
    GstPad* source = nullptr;
    ~Pipeline()
    {
        if (pipeline)
            gst_element_set_state(pipeline, GST_STATE_NULL);
        if (source) {
            gst_pad_set_active(source, FALSE);
            gst_object_unref(source);
        }
        if (pipeline)
            gst_object_unref(pipeline);
    }
};

bool connectSource(Pipeline& p, int rate)
{
    GstElement* decoder = gst_bin_get_by_name(GST_BIN(p.pipeline), "decoder");
    GstPad* decoderSink = gst_element_get_static_pad(decoder, "sink");
    p.source = gst_pad_new("frames", GST_PAD_SRC);
    const bool linked = gst_pad_link(p.source, decoderSink) == GST_PAD_LINK_OK;
    gst_object_unref(decoderSink);
    gst_object_unref(decoder);
    if (!linked || !gst_pad_set_active(p.source, TRUE) ||
        gst_element_set_state(p.pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        return false;
    GstCaps* caps =
        gst_caps_new_simple("image/jpeg", "framerate", GST_TYPE_FRACTION, rate, 1, nullptr);
    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_TIME);
    const bool started = gst_pad_push_event(p.source, gst_event_new_stream_start("timelapse")) &&
                         gst_pad_push_event(p.source, gst_event_new_caps(caps)) &&
                         gst_pad_push_event(p.source, gst_event_new_segment(&segment));
    gst_caps_unref(caps);
    return started;
}

bool build(Pipeline& p, QSize size, int rate, int fd, QString* reason)
{
    const QString description =
        QStringLiteral("%1 ! fdsink name=out fd=%2")
            .arg(TimelapseMaker::encoderPipeline(size.width(), size.height()))
            .arg(fd)
            .replace(QLatin1String("jpegdec"), QLatin1String("jpegdec name=decoder"));
    GError* error = nullptr;
    p.pipeline = gst_parse_launch(description.toUtf8().constData(), &error);
    if (!p.pipeline || error) {
        *reason = QString::fromUtf8(error ? error->message : "no pipeline");
        g_clear_error(&error);
        return false;
    }
    if (!connectSource(p, rate)) {
        *reason = QStringLiteral("the encoder cannot start");
        return false;
    }
    return true;
}

// Only once the pipeline runs: threads started from a thread share its
// priority, and the muxer's thread, from GStreamer's shared pool, starts
// with the pipeline. x264's own threads start with the first frame.
bool lowerThisThread()
{
    ::setpriority(PRIO_PROCESS, ::gettid(), lowPriority);
    return true;
}

bool pushFrames(Pipeline& p, const QStringList& frames, int rate,
                const std::function<bool(int)>& onFrame)
{
    guint64 index = 0;
    for (int n = 0; n < frames.size(); ++n) {
        QFile file(frames[n]);
        // A frame removed meanwhile is left out.
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = file.readAll();
        GstBuffer* buffer = gst_buffer_new_memdup(bytes.constData(), gsize(bytes.size()));
        GST_BUFFER_PTS(buffer) = gst_util_uint64_scale(index, GST_SECOND, guint64(rate));
        GST_BUFFER_DURATION(buffer) =
            gst_util_uint64_scale(index + 1, GST_SECOND, guint64(rate)) - GST_BUFFER_PTS(buffer);
        ++index;
        if (gst_pad_push(p.source, buffer) != GST_FLOW_OK)
            return true; // the bus says why
        if (!onFrame(n + 1))
            return false;
    }
    gst_pad_push_event(p.source, gst_event_new_eos());
    return true;
}

bool waitForEnd(Pipeline& p, const std::function<bool(int)>& onFrame, int total, QString* reason)
{
    GstBus* bus = gst_element_get_bus(p.pipeline);
    bool ok = false;
    for (;;) {
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, 100 * GST_MSECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        if (!message) {
            if (!onFrame(total)) {
                *reason = QStringLiteral("stopped");
                break;
            }
            continue;
        }
        ok = GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
        if (!ok)
            *reason = errorOf(message);
        gst_message_unref(message);
        break;
    }
    gst_object_unref(bus);
    return ok;
}

// x264 wants even sides.
QSize frameSize(const QStringList& frames)
{
    for (const QString& path : frames) {
        const QSize size = QImageReader(path).size();
        if (size.width() >= 2 && size.height() >= 2)
            return {size.width() & ~1, size.height() & ~1};
    }
    return {};
}

} // namespace

QString TimelapseMaker::encoderPipeline(int width, int height)
{
    return QStringLiteral("jpegdec ! videoconvert ! videoscale ! "
                          "video/x-raw,format=I420,width=%1,height=%2 ! "
                          "x264enc speed-preset=veryfast ! mp4mux")
        .arg(width)
        .arg(height);
}

bool TimelapseMaker::encode(const QStringList& frames, int rate, const QString& output,
                            const std::function<bool(int)>& onFrame, QString* reason)
{
    ensureGstreamer();
    const QSize size = frameSize(frames);
    if (!size.isValid()) {
        *reason = QStringLiteral("no frames");
        return false;
    }
    const QFileInfo target(output);
    const QString temporary = target.dir().filePath(QStringLiteral(".part-") + target.fileName());
    const QByteArray temporaryName = QFile::encodeName(temporary);
    // Made afresh: a file or link left at the name is never written through.
    ::unlink(temporaryName.constData());
    const int fd = ::open(temporaryName.constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        *reason = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    bool ok = false;
    {
        Pipeline p;
        ok = build(p, size, rate, fd, reason) && lowerThisThread() &&
             pushFrames(p, frames, rate, onFrame) &&
             waitForEnd(p, onFrame, int(frames.size()), reason);
        if (!ok && reason->isEmpty())
            *reason = QStringLiteral("stopped");
    }
    // A day's video is made once: it should survive a power cut.
    ok = ok && ::fsync(fd) == 0;
    ::close(fd);
    if (ok && ::rename(temporaryName.constData(), QFile::encodeName(output).constData()) != 0) {
        *reason = QString::fromLocal8Bit(strerror(errno));
        ok = false;
    }
    if (!ok)
        ::unlink(temporaryName.constData());
    return ok;
}

TimelapseMaker::TimelapseMaker(QObject* parent)
    : QObject(parent)
{}

TimelapseMaker::~TimelapseMaker()
{
    cancel();
    if (m_thread)
        m_thread->wait();
}

bool TimelapseMaker::isBusy() const
{
    return m_thread && !m_thread->isFinished();
}

void TimelapseMaker::cancel()
{
    m_cancel = true;
}

bool TimelapseMaker::waitForDone(std::chrono::milliseconds limit)
{
    return !m_thread || m_thread->wait(QDeadlineTimer(limit));
}

bool TimelapseMaker::make(const QStringList& frames, int rate, const QString& output)
{
    return make([frames] { return frames; }, rate, output);
}

bool TimelapseMaker::make(const std::function<QStringList()>& listFrames, int rate,
                          const QString& output)
{
    if (isBusy())
        return false;
    if (m_thread)
        m_thread->wait();
    m_cancel = false;
    m_thread.reset(QThread::create([this, listFrames, rate, output] {
        const QStringList frames = listFrames();
        const int total = int(frames.size());
        int told = -1;
        const auto onFrame = [this, total, &told](int done) {
            // About a hundred steps, whatever the day's length.
            if (done * 100 / std::max(total, 1) != told) {
                told = done * 100 / std::max(total, 1);
                QMetaObject::invokeMethod(
                    this, [this, done, total] { emit progress(done, total); },
                    Qt::QueuedConnection);
            }
            return !m_cancel.load();
        };
        QString reason;
        const bool ok = encode(frames, rate, output, onFrame, &reason);
        QMetaObject::invokeMethod(
            this, [this, ok, output, reason] { emit finished(ok, output, reason); },
            Qt::QueuedConnection);
    }));
    m_thread->setObjectName(QStringLiteral("timelapse"));
    m_thread->start();
    return true;
}
