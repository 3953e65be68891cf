// SPDX-License-Identifier: GPL-3.0-or-later
#include "LivePicture.h"

#include <QPaintEvent>
#include <QPainter>

LivePicture::LivePicture(QWidget* parent)
    : QWidget(parent)
{
    // Every pixel is painted each time: nothing beneath needs drawing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&m_sink, &QVideoSink::videoFrameChanged, this, &LivePicture::onFrame);
}

void LivePicture::onFrame(const QVideoFrame& frame)
{
    const bool reshaped = frame.size() != m_frame.size();
    m_frame = frame;
    m_converted = false;
    // The black margins stay unless the picture's shape moves them.
    update(reshaped ? rect() : placeOf(frame.size()));
}

QRect LivePicture::placeOf(QSize shape) const
{
    if (shape.isEmpty())
        return {};
    const QSize shown = shape.scaled(size(), Qt::KeepAspectRatio);
    return {QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown};
}

void LivePicture::convert(QRect place)
{
    m_converted = true;
    // Let go first: the canvas is written in place only while nothing else
    // shares it.
    m_image = {};
    if (!m_frame.isValid())
        return;
    // An RGB frame already at the size shown, or of a layout the converter
    // does not take, is drawn from the frame's own memory. The rest (a
    // network camera's small I420 picture, a YUV camera) is converted into
    // the pixels shown; what neither can read goes through Qt and is scaled
    // as it is drawn.
    const QSize shown = place.size() * devicePixelRatio();
    if (m_frame.size() == shown || !FrameConverter::takes(m_frame.pixelFormat()))
        m_image = FrameConverter::lent(m_frame);
    if (!m_image.isNull())
        return;
    if (m_converter.convert(m_frame, shown, &m_canvas))
        m_image = m_canvas;
    else
        m_image = m_frame.toImage();
}

void LivePicture::paintEvent(QPaintEvent* event)
{
    const QRect place = placeOf(m_frame.isValid() ? m_frame.size() : QSize());
    if (!m_converted)
        convert(place);
    QPainter painter(this);
    for (const QRect& margin : QRegion(event->rect()) - place)
        painter.fillRect(margin, Qt::black);
    if (place.isEmpty() || m_image.isNull())
        return;
    if (m_image.size() != place.size() * devicePixelRatio())
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(place, m_image);
}
