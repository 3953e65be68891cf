// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FrameConverter.h"

#include <QImage>
#include <QVideoFrame>
#include <QVideoSink>
#include <QWidget>

// The live picture: the newest frame of its sink drawn as large as fits, in
// its proportions, on black. It paints in the window like any control: a
// video widget keeps a window of its own and, on a machine without a
// graphics processor, converts and blends every whole frame, which cost a
// 720p network camera's station a third more processor time than the
// camera's decoder alone.
class LivePicture final : public QWidget
{
    Q_OBJECT
public:
    explicit LivePicture(QWidget* parent = nullptr);

    QVideoSink* videoSink() { return &m_sink; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void onFrame(const QVideoFrame& frame);
    // Where a picture of this shape goes: as large as fits, centred.
    QRect placeOf(QSize shape) const;
    void convert(QRect place);

    QVideoSink m_sink;
    FrameConverter m_converter;
    QVideoFrame m_frame;
    // The frame as an image, made only when it is next painted, so that
    // frames which come faster than the screen shows, or while the window
    // is hidden, cost nothing.
    QImage m_image;
    // Where converted frames are drawn, kept for the next.
    QImage m_canvas;
    bool m_converted = true;
};
