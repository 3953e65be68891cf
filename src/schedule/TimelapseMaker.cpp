// SPDX-License-Identifier: GPL-3.0-or-later
#include "TimelapseMaker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <fcntl.h>
#include <mutex>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Below the window's thread and the uploads: a day's video may take
// minutes, and nobody waits for it.
constexpr int lowPriority = 10;

void ensureGstreamer()
{
    static std::once_flag once;
    std::call_once(once, [] { gst_init(nullptr, nullptr); });
}

// Each streaming thread says so when it starts; it gets the low priority
// there, and the encoder's own threads, started from it, inherit it.
GstBusSyncReply lowerStreamingThreads(GstBus*, GstMessage* message, gpointer)
{
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_STREAM_STATUS) {
        GstStreamStatusType type;
        GstElement* owner = nullptr;
        gst_message_parse_stream_status(message, &type, &owner);
        if (type == GST_STREAM_STATUS_TYPE_ENTER)
            ::setpriority(PRIO_PROCESS, ::gettid(), lowPriority);
    }
    return GST_BUS_PASS;
}

QString errorOf(GstMessage* message)
{
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    const QString text = QString::fromUtf8(error ? error->message : "unknown error");
    g_clear_error(&error);
    return text;
}

struct Pipeline
{
    GstElement* pipeline = nullptr;
    GstElement* source = nullptr;
    ~Pipeline()
    {
        if (pipeline) {
            gst_element_set_state(pipeline, GST_STATE_NULL);
            gst_object_unref(source);
            gst_object_unref(pipeline);
        }
    }
};

bool build(Pipeline& p, QSize size, int rate, int fd, QString* reason)
{
    const QString description =
        QStringLiteral("appsrc name=frames format=time block=true max-bytes=16000000 "
                       "caps=image/jpeg,framerate=%1/1 ! %2 ! fdsink name=out fd=%3")
            .arg(rate)
            .arg(TimelapseMaker::encoderPipeline(size.width(), size.height()))
            .arg(fd);
    GError* error = nullptr;
    p.pipeline = gst_parse_launch(description.toUtf8().constData(), &error);
    if (!p.pipeline || error) {
        *reason = QString::fromUtf8(error ? error->message : "no pipeline");
        g_clear_error(&error);
        return false;
    }
    p.source = gst_bin_get_by_name(GST_BIN(p.pipeline), "frames");
    GstBus* bus = gst_element_get_bus(p.pipeline);
    gst_bus_set_sync_handler(bus, lowerStreamingThreads, nullptr, nullptr);
    gst_object_unref(bus);
    return gst_element_set_state(p.pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE ||
           (*reason = QStringLiteral("the encoder cannot start"), false);
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
        if (gst_app_src_push_buffer(GST_APP_SRC(p.source), buffer) != GST_FLOW_OK)
            return true; // the bus says why
        if (!onFrame(n + 1))
            return false;
    }
    gst_app_src_end_of_stream(GST_APP_SRC(p.source));
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
        ok = build(p, size, rate, fd, reason) && pushFrames(p, frames, rate, onFrame) &&
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
        ::setpriority(PRIO_PROCESS, ::gettid(), lowPriority);
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
