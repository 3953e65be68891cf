// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>
#include <QVideoFrameFormat>

#include <array>
#include <memory>

class QVideoFrame;

// Draws frames into BGRx (an RGB32 image's layout) of a given size, by
// GStreamer's converter, whose vector code shrinks and converts a frame in
// one pass, in a fraction of the time Qt's own conversion takes. Pixels are
// picked by nearest neighbour where the picture is smaller than the frame.
// YUV is read as BT.601 studio range, as Qt reads it, so that the live
// picture and a snapped frame agree. The converter is made once for each
// shape of frame and picture.
class FrameConverter final
{
public:
    // A frame's planes as they lie in memory: I420's three, NV12's two or
    // BGRx's one.
    struct Planes
    {
        QVideoFrameFormat::PixelFormat layout = QVideoFrameFormat::Format_Invalid;
        QSize size;
        std::array<const uchar*, 3> data{};
        std::array<int, 3> strides{};
    };

    FrameConverter();
    ~FrameConverter();
    FrameConverter(const FrameConverter&) = delete;
    FrameConverter& operator=(const FrameConverter&) = delete;

    // The frame's own memory as an image, where its layout is one an image
    // reads (RGB32, ARGB32 and the like); the image keeps the frame mapped
    // until it goes. A null image for any other layout.
    static QImage lent(const QVideoFrame& frame);

    // Whether frames of this layout can be drawn.
    static bool takes(QVideoFrameFormat::PixelFormat layout);

    // Draws from into the size's BGRx rows at to, toStride bytes apart.
    // False for a layout not taken, or before GStreamer is set up.
    bool convert(const Planes& from, QSize size, uchar* to, int toStride);
    // Draws a frame into an RGB32 image, whose memory is used again where
    // it has that size already; false where the frame cannot be read or
    // drawn, and the image is then not to be shown.
    bool convert(const QVideoFrame& frame, QSize size, QImage* into);

private:
    struct Converter;
    std::unique_ptr<Converter> m_converter;
};
