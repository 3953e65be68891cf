// SPDX-License-Identifier: GPL-3.0-or-later
// GStreamer's headers come first: Qt's keyword macros would break them.
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include "GstCameraPipeline.h"

#include "Texts.h"

#include <QVideoFrame>
#include <QVideoFrameFormat>

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace {

QString reasonOf(GError* error)
{
    return error && error->message ? QString::fromUtf8(error->message)
                                   : QStringLiteral("unknown error");
}

// The error's text, with the last line of its details where that says more
// in plain words ("Failed to connect.") rather than naming code.
QString reasonOf(GError* error, const gchar* details)
{
    QString reason = reasonOf(error);
    const QStringList lines =
        QString::fromUtf8(details).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QString detail = lines.size() > 1 ? lines.last().trimmed() : QString();
    if (detail.isEmpty() || detail.contains(QLatin1String("/Gst")) ||
        detail.contains(QLatin1String("../")))
        return reason;
    if (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    return reason + QLatin1String(": ") + detail;
}

QVideoFrameFormat::PixelFormat pixelFormatOf(GstVideoFormat format)
{
    switch (format) {
    case GST_VIDEO_FORMAT_I420:
        return QVideoFrameFormat::Format_YUV420P;
    case GST_VIDEO_FORMAT_NV12:
        return QVideoFrameFormat::Format_NV12;
    case GST_VIDEO_FORMAT_BGRx:
        return QVideoFrameFormat::Format_BGRX8888;
    default:
        return QVideoFrameFormat::Format_Invalid;
    }
}

void copyPlane(const GstVideoFrame& from, QVideoFrame& to, int plane)
{
    const auto* source = static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&from, plane));
    const int sourceStride = GST_VIDEO_FRAME_PLANE_STRIDE(&from, plane);
    uchar* target = to.bits(plane);
    const int targetStride = to.bytesPerLine(plane);
    // The plane's first component tells its rows (NV12's second plane holds
    // two components side by side).
    const int rows = GST_VIDEO_FRAME_COMP_HEIGHT(&from, plane);
    const size_t rowBytes = size_t(GST_VIDEO_FRAME_COMP_WIDTH(&from, plane)) *
                            size_t(GST_VIDEO_FRAME_COMP_PSTRIDE(&from, plane));
    if (sourceStride == targetStride) {
        std::memcpy(target, source, size_t(targetStride) * size_t(rows));
        return;
    }
    for (int y = 0; y < rows; ++y)
        std::memcpy(target + y * targetStride, source + y * sourceStride,
                    std::min(rowBytes, size_t(targetStride)));
}

// Maps the sample's buffer as a frame of a layout the pipeline gives.
bool mapSample(GstSample* sample, GstVideoFrame* mapped, QVideoFrameFormat::PixelFormat* format)
{
    GstVideoInfo info;
    if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample)))
        return false;
    *format = pixelFormatOf(GST_VIDEO_INFO_FORMAT(&info));
    return *format != QVideoFrameFormat::Format_Invalid &&
           gst_video_frame_map(mapped, &info, gst_sample_get_buffer(sample), GST_MAP_READ);
}

// The largest even size of the frame's shape within bound; never larger
// than the frame.
QSize fitted(QSize frame, QSize bound)
{
    if (frame.width() <= bound.width() && frame.height() <= bound.height())
        return frame;
    QSize size = frame.scaled(bound, Qt::KeepAspectRatio);
    size.setWidth(std::max(2, size.width() & ~1));
    size.setHeight(std::max(2, size.height() & ~1));
    return size;
}

// The unsigned word of each width that pickEvery reads pixels in.
template <size_t Bytes> struct Word;
template <> struct Word<2>
{
    using Type = quint16;
};
template <> struct Word<4>
{
    using Type = quint32;
};
template <> struct Word<8>
{
    using Type = quint64;
};

// The rows picked as below where the frame is Step times as wide as the
// picture (1280 to 320, 640 to 320): each word of Step pixels gives its
// first, on a little-endian processor its low part. Read so, the compiler
// makes vector code of the loop, about four times faster than picking by
// table, and the same pixels.
template <typename Pixel, int Step>
void pickEvery(const uchar* source, int sourceStride, int fromHeight, uchar* target,
               int targetStride, int width, int height)
{
    using Wide = typename Word<sizeof(Pixel) * Step>::Type;
    for (int y = 0; y < height; ++y) {
        const uchar* row = source + size_t(y * fromHeight / height) * size_t(sourceStride);
        uchar* out = target + size_t(y) * size_t(targetStride);
        for (int x = 0; x < width; ++x) {
            Wide word;
            std::memcpy(&word, row + size_t(x) * sizeof(Wide), sizeof(Wide));
            const auto pixel = Pixel(word);
            std::memcpy(out + size_t(x) * sizeof(Pixel), &pixel, sizeof(Pixel));
        }
    }
}

// One plane's rows and columns picked by nearest neighbour; Pixel is the
// plane's sample (one byte, NV12's byte pair, BGRx's four), copied whole.
template <typename Pixel>
void shrinkPlane(const uchar* source, int sourceStride, int fromWidth, int fromHeight,
                 uchar* target, int targetStride, int width, int height)
{
    if constexpr (std::endian::native == std::endian::little) {
        if (fromWidth == 2 * width)
            return pickEvery<Pixel, 2>(source, sourceStride, fromHeight, target, targetStride,
                                       width, height);
        if constexpr (sizeof(Pixel) <= 2) {
            if (fromWidth == 4 * width)
                return pickEvery<Pixel, 4>(source, sourceStride, fromHeight, target, targetStride,
                                           width, height);
        }
    }
    std::vector<int> columns(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x)
        columns[size_t(x)] = x * fromWidth / width;
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const Pixel*>(source + size_t(y * fromHeight / height) *
                                                                      size_t(sourceStride));
        auto* out = reinterpret_cast<Pixel*>(target + size_t(y) * size_t(targetStride));
        for (int x = 0; x < width; ++x)
            out[x] = row[columns[size_t(x)]];
    }
}

// Every plane shrunk by nearest neighbour: no filtering, as the small live
// view hides the difference and the processor does not.
void shrinkPlanes(const GstVideoFrame& from, QVideoFrame& to)
{
    GstVideoInfo shape;
    gst_video_info_set_format(&shape, GST_VIDEO_FRAME_FORMAT(&from), guint(to.width()),
                              guint(to.height()));
    for (int plane = 0; plane < to.planeCount(); ++plane) {
        const auto* source = static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&from, plane));
        const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&from, plane);
        const int fromWidth = GST_VIDEO_FRAME_COMP_WIDTH(&from, plane);
        const int fromHeight = GST_VIDEO_FRAME_COMP_HEIGHT(&from, plane);
        const int width = GST_VIDEO_INFO_COMP_WIDTH(&shape, plane);
        const int height = GST_VIDEO_INFO_COMP_HEIGHT(&shape, plane);
        const auto shrink = [&](auto pixel) {
            shrinkPlane<decltype(pixel)>(source, stride, fromWidth, fromHeight, to.bits(plane),
                                         to.bytesPerLine(plane), width, height);
        };
        switch (GST_VIDEO_FRAME_COMP_PSTRIDE(&from, plane)) {
        case 4:
            shrink(quint32());
            break;
        case 2:
            shrink(quint16());
            break;
        default:
            shrink(quint8());
            break;
        }
    }
}

// A frame of the sample's layout at size, filled by fill from the mapped
// sample.
template <typename Fill> QVideoFrame madeFrom(GstSample* sample, QSize bound, Fill fill)
{
    GstVideoFrame mapped;
    QVideoFrameFormat::PixelFormat format;
    if (!mapSample(sample, &mapped, &format))
        return {};
    const QSize whole(GST_VIDEO_FRAME_WIDTH(&mapped), GST_VIDEO_FRAME_HEIGHT(&mapped));
    const QSize size = bound.isEmpty() ? whole : fitted(whole, bound);
    QVideoFrame frame(QVideoFrameFormat(size, format));
    if (frame.map(QVideoFrame::WriteOnly) &&
        frame.planeCount() == int(GST_VIDEO_FRAME_N_PLANES(&mapped))) {
        fill(mapped, frame, size == whole);
        frame.unmap();
    } else {
        frame = {};
    }
    gst_video_frame_unmap(&mapped);
    return frame;
}

struct SinkContext
{
    GstCameraPipeline::Events* events;
    QSize previewSize;
};

GstFlowReturn onSample(GstAppSink* sink, gpointer data)
{
    const auto* context = static_cast<const SinkContext*>(data);
    GstSample* pulled = gst_app_sink_pull_sample(sink);
    if (!pulled)
        return GST_FLOW_EOS;
    const HeldSample sample(pulled, gst_sample_unref);
    const QVideoFrame preview = GstCameraPipeline::previewFrame(sample.get(), context->previewSize);
    if (preview.isValid())
        context->events->frame(sample, preview);
    return GST_FLOW_OK;
}

struct BusContext
{
    const NetworkCamera* camera;
    GstCameraPipeline::Events* events;
};

// Nobody iterates the bus: what matters is taken on the thread that posts
// it, everything is dropped so that nothing piles up.
GstBusSyncReply onBusMessage(GstBus*, GstMessage* message, gpointer data)
{
    const auto* context = static_cast<const BusContext*>(data);
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR: {
        GError* error = nullptr;
        gchar* details = nullptr;
        gst_message_parse_error(message, &error, &details);
        context->events->fault(context->camera->masked(reasonOf(error, details)));
        g_clear_error(&error);
        g_free(details);
        break;
    }
    case GST_MESSAGE_EOS:
        context->events->fault(QString(texts::networkCameraEnded));
        break;
    default:
        break;
    }
    return GST_BUS_DROP;
}

} // namespace

GstCameraPipeline::GstCameraPipeline(NetworkCamera camera, QSize previewSize, Events events)
    : m_camera(std::move(camera))
    , m_previewSize(previewSize)
    , m_events(std::move(events))
{}

GstCameraPipeline::~GstCameraPipeline()
{
    if (!m_pipeline)
        return;
    gst_element_set_state(m_pipeline, GST_STATE_NULL);
    GstBus* bus = gst_element_get_bus(m_pipeline);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(m_pipeline);
}

QByteArray GstCameraPipeline::description(const NetworkCamera& camera)
{
    // The decoder's own I420 or NV12 passes as it is: only the small live
    // picture is converted, and a whole frame's copy for a snap is less
    // than half that of BGRx. Measured for
    // 720p at 25 frames a second, without the picture drawn: 44 ms of
    // processor a second against 74 for a conversion to BGRx here. The sink
    // keeps no last sample of its own: that extra hold made the decoder copy
    // every new frame before handing it on.
    const QByteArray tail =
        "videoconvert ! video/x-raw,format=(string){I420,NV12,BGRx} ! "
        "appsink name=sink max-buffers=1 drop=true sync=false enable-last-sample=false";
    if (camera.isRtsp())
        return "rtspsrc name=source ! application/x-rtp,media=video ! decodebin ! " + tail;
    return "souphttpsrc name=source is-live=true ! multipartdemux ! jpegdec ! " + tail;
}

QVideoFrame GstCameraPipeline::fullFrame(GstSample* sample)
{
    return madeFrom(sample, QSize(), [](const GstVideoFrame& from, QVideoFrame& to, bool) {
        for (int plane = 0; plane < to.planeCount(); ++plane)
            copyPlane(from, to, plane);
    });
}

QVideoFrame GstCameraPipeline::previewFrame(GstSample* sample, QSize bound)
{
    return madeFrom(sample, bound, [](const GstVideoFrame& from, QVideoFrame& to, bool whole) {
        if (!whole) {
            shrinkPlanes(from, to);
            return;
        }
        for (int plane = 0; plane < to.planeCount(); ++plane)
            copyPlane(from, to, plane);
    });
}

bool GstCameraPipeline::build(QString* reason)
{
    GError* error = nullptr;
    m_pipeline = gst_parse_launch(description(m_camera).constData(), &error);
    if (!m_pipeline || error) {
        *reason = reasonOf(error);
        g_clear_error(&error);
        return false;
    }
    GstElement* source = gst_bin_get_by_name(GST_BIN(m_pipeline), "source");
    GstElement* sink = gst_bin_get_by_name(GST_BIN(m_pipeline), "sink");
    if (source)
        configureSource(source);
    if (sink)
        connectSink(sink);
    const bool whole = source && sink;
    if (source)
        gst_object_unref(source);
    if (sink)
        gst_object_unref(sink);
    if (!whole)
        *reason = QStringLiteral("the pipeline lacks its source or sink");
    return whole;
}

void GstCameraPipeline::configureSource(GstElement* source) const
{
    g_object_set(source, "location", m_camera.address.trimmed().toUtf8().constData(), nullptr);
    if (!m_camera.user.isEmpty())
        g_object_set(source, "user-id", m_camera.user.toUtf8().constData(), nullptr);
    if (!m_camera.password.isEmpty())
        g_object_set(source, "user-pw", m_camera.password.toUtf8().constData(), nullptr);
    if (m_camera.isRtsp()) {
        g_object_set(source, "latency", guint(m_camera.latency), nullptr);
        gst_util_set_object_arg(G_OBJECT(source), "protocols", m_camera.udp ? "udp" : "tcp");
    }
}

void GstCameraPipeline::connectSink(GstElement* sink)
{
    GstAppSinkCallbacks callbacks = {};
    callbacks.new_sample = onSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks,
                               new SinkContext{&m_events, m_previewSize},
                               [](gpointer data) { delete static_cast<SinkContext*>(data); });
}

bool GstCameraPipeline::play(QString* reason)
{
    if (!build(reason))
        return false;
    GstBus* bus = gst_element_get_bus(m_pipeline);
    gst_bus_set_sync_handler(bus, onBusMessage, new BusContext{&m_camera, &m_events},
                             [](gpointer data) { delete static_cast<BusContext*>(data); });
    gst_object_unref(bus);
    if (gst_element_set_state(m_pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        *reason = QStringLiteral("the stream could not start");
        return false;
    }
    return true;
}
