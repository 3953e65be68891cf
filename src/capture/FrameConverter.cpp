// SPDX-License-Identifier: GPL-3.0-or-later
// GStreamer's headers come first: Qt's keyword macros would break them.
#include <gst/gst.h>
#include <gst/video/video.h>

#include "FrameConverter.h"

#include <QVideoFrame>

namespace {

GstVideoFormat formatOf(QVideoFrameFormat::PixelFormat layout)
{
    switch (layout) {
    case QVideoFrameFormat::Format_YUV420P:
        return GST_VIDEO_FORMAT_I420;
    case QVideoFrameFormat::Format_NV12:
        return GST_VIDEO_FORMAT_NV12;
    case QVideoFrameFormat::Format_BGRX8888:
        return GST_VIDEO_FORMAT_BGRx;
    default:
        return GST_VIDEO_FORMAT_UNKNOWN;
    }
}

GstVideoInfo infoOf(GstVideoFormat format, QSize size)
{
    GstVideoInfo info;
    gst_video_info_set_format(&info, format, guint(size.width()), guint(size.height()));
    if (GST_VIDEO_INFO_IS_YUV(&info))
        gst_video_colorimetry_from_string(&info.colorimetry, GST_VIDEO_COLORIMETRY_BT601);
    return info;
}

GstVideoConverter* made(const GstVideoInfo& in, const GstVideoInfo& out)
{
    // Nearest neighbour and no dithering: the live picture is small and
    // changes every frame. One thread: the caller's own.
    GstStructure* options = gst_structure_new(
        "options", GST_VIDEO_CONVERTER_OPT_RESAMPLER_METHOD, GST_TYPE_VIDEO_RESAMPLER_METHOD,
        GST_VIDEO_RESAMPLER_METHOD_NEAREST, GST_VIDEO_CONVERTER_OPT_DITHER_METHOD,
        GST_TYPE_VIDEO_DITHER_METHOD, GST_VIDEO_DITHER_NONE, GST_VIDEO_CONVERTER_OPT_THREADS,
        G_TYPE_UINT, 1u, nullptr);
    return gst_video_converter_new(&in, &out, options);
}

// A frame over memory that is not GStreamer's: the converter reads only
// the shape, the strides and the planes.
GstVideoFrame frameOver(const GstVideoInfo& info, const std::array<const uchar*, 3>& planes,
                        const std::array<int, 3>& strides)
{
    GstVideoFrame frame{};
    frame.info = info;
    for (guint plane = 0; plane < GST_VIDEO_INFO_N_PLANES(&info) && plane < 3; ++plane) {
        frame.info.stride[plane] = strides[plane];
        frame.data[plane] = const_cast<uchar*>(planes[plane]);
    }
    return frame;
}

} // namespace

struct FrameConverter::Converter
{
    GstVideoFormat from = GST_VIDEO_FORMAT_UNKNOWN;
    QSize fromSize;
    QSize size;
    GstVideoInfo in{};
    GstVideoInfo out{};
    GstVideoConverter* converter = nullptr;

    ~Converter()
    {
        if (converter)
            gst_video_converter_free(converter);
    }
};

FrameConverter::FrameConverter() = default;
FrameConverter::~FrameConverter() = default;

bool FrameConverter::takes(QVideoFrameFormat::PixelFormat layout)
{
    return formatOf(layout) != GST_VIDEO_FORMAT_UNKNOWN;
}

bool FrameConverter::convert(const Planes& from, QSize size, uchar* to, int toStride)
{
    const GstVideoFormat format = formatOf(from.layout);
    if (format == GST_VIDEO_FORMAT_UNKNOWN || size.isEmpty() || from.size.isEmpty() ||
        !gst_is_initialized())
        return false;
    if (!m_converter || m_converter->from != format || m_converter->fromSize != from.size ||
        m_converter->size != size) {
        auto made = std::make_unique<Converter>();
        made->from = format;
        made->fromSize = from.size;
        made->size = size;
        made->in = infoOf(format, from.size);
        made->out = infoOf(GST_VIDEO_FORMAT_BGRx, size);
        made->converter = ::made(made->in, made->out);
        if (!made->converter)
            return false;
        m_converter = std::move(made);
    }
    const GstVideoFrame source = frameOver(m_converter->in, from.data, from.strides);
    GstVideoFrame target = frameOver(m_converter->out, {to}, {toStride});
    gst_video_converter_frame(m_converter->converter, &source, &target);
    return true;
}

bool FrameConverter::convert(const QVideoFrame& frame, QSize size, QImage* into)
{
    if (!takes(frame.pixelFormat()))
        return false;
    QVideoFrame mapped(frame);
    if (!mapped.map(QVideoFrame::ReadOnly))
        return false;
    Planes from{frame.pixelFormat(), frame.size(), {}, {}};
    for (int plane = 0; plane < mapped.planeCount() && plane < 3; ++plane) {
        from.data[size_t(plane)] = mapped.bits(plane);
        from.strides[size_t(plane)] = mapped.bytesPerLine(plane);
    }
    if (into->size() != size || into->format() != QImage::Format_RGB32)
        *into = QImage(size, QImage::Format_RGB32);
    const bool drawn = convert(from, size, into->bits(), int(into->bytesPerLine()));
    mapped.unmap();
    return drawn;
}

QImage FrameConverter::lent(const QVideoFrame& frame)
{
    const QImage::Format layout =
        QVideoFrameFormat::imageFormatFromPixelFormat(frame.pixelFormat());
    if (layout == QImage::Format_Invalid)
        return {};
    auto* mapped = new QVideoFrame(frame);
    if (!mapped->map(QVideoFrame::ReadOnly)) {
        delete mapped;
        return {};
    }
    // Read-only: a write to the image copies it rather than change the frame.
    return QImage(
        static_cast<const uchar*>(mapped->bits(0)), mapped->width(), mapped->height(),
        mapped->bytesPerLine(0), layout,
        [](void* data) {
            auto* held = static_cast<QVideoFrame*>(data);
            held->unmap();
            delete held;
        },
        mapped);
}
