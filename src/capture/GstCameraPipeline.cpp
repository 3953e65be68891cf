// SPDX-License-Identifier: GPL-3.0-or-later
// GStreamer's headers come first: Qt's keyword macros would break them.
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include "GstCameraPipeline.h"

#include "Texts.h"

#include <QVideoFrame>
#include <QVideoFrameFormat>

#include <cstring>

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

// One copy, from the sample's memory into the frame's, line by line.
QVideoFrame toVideoFrame(GstSample* sample)
{
    GstVideoInfo info;
    if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) ||
        GST_VIDEO_INFO_FORMAT(&info) != GST_VIDEO_FORMAT_BGRx)
        return {};
    GstVideoFrame mapped;
    if (!gst_video_frame_map(&mapped, &info, gst_sample_get_buffer(sample), GST_MAP_READ))
        return {};
    const int width = GST_VIDEO_FRAME_WIDTH(&mapped);
    const int height = GST_VIDEO_FRAME_HEIGHT(&mapped);
    QVideoFrame frame(QVideoFrameFormat(QSize(width, height), QVideoFrameFormat::Format_BGRX8888));
    if (frame.map(QVideoFrame::WriteOnly)) {
        const auto* from = static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&mapped, 0));
        const int fromStride = GST_VIDEO_FRAME_PLANE_STRIDE(&mapped, 0);
        uchar* to = frame.bits(0);
        const int toStride = frame.bytesPerLine(0);
        if (fromStride == toStride) {
            std::memcpy(to, from, size_t(toStride) * size_t(height));
        } else {
            for (int y = 0; y < height; ++y)
                std::memcpy(to + y * toStride, from + y * fromStride, size_t(width) * 4);
        }
        frame.unmap();
    } else {
        frame = {};
    }
    gst_video_frame_unmap(&mapped);
    return frame;
}

GstFlowReturn onSample(GstAppSink* sink, gpointer data)
{
    auto* events = static_cast<GstCameraPipeline::Events*>(data);
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample)
        return GST_FLOW_EOS;
    const QVideoFrame frame = toVideoFrame(sample);
    gst_sample_unref(sample);
    if (frame.isValid())
        events->frame(frame);
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

GstCameraPipeline::GstCameraPipeline(NetworkCamera camera, Events events)
    : m_camera(std::move(camera))
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
    const QByteArray tail = "videoconvert ! video/x-raw,format=BGRx ! "
                            "appsink name=sink max-buffers=1 drop=true sync=false";
    if (camera.isRtsp())
        return "rtspsrc name=source ! application/x-rtp,media=video ! decodebin ! " + tail;
    return "souphttpsrc name=source is-live=true ! multipartdemux ! jpegdec ! " + tail;
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
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, &m_events, nullptr);
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
