// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestPatternSource.h"

#include "Durations.h"

#include <QDateTime>
#include <QPainter>
#include <QVideoFrame>
#include <QVideoFrameFormat>

TestPatternSource::TestPatternSource(QObject* parent)
    : QObject(parent)
{
    m_timer.setInterval(durations::testPatternFrame);
    connect(&m_timer, &QTimer::timeout, this, &TestPatternSource::produce);
}

void TestPatternSource::start()
{
    if (!m_timer.isActive()) {
        m_timer.start();
        produce();
    }
}

void TestPatternSource::stop()
{
    m_timer.stop();
}

QImage TestPatternSource::render(qint64 frameNumber) const
{
    QImage image(m_size, QImage::Format_ARGB32);
    paint(image, frameNumber);
    return image;
}

void TestPatternSource::paint(QImage& image, qint64 frameNumber)
{
    static const QColor bars[] = {Qt::white,   Qt::yellow, Qt::cyan, Qt::green,
                                  Qt::magenta, Qt::red,    Qt::blue, Qt::black};
    constexpr int barCount = int(std::size(bars));

    QPainter painter(&image);
    const QSize size = image.size();
    const int width = size.width();
    const int barWidth = qMax(1, width / barCount);
    const int shift = int((frameNumber * 4) % width);
    for (int i = -1; i <= barCount; ++i) {
        const int x = i * barWidth + shift;
        painter.fillRect(QRect(x % (width + barWidth) - barWidth, 0, barWidth, size.height()),
                         bars[((i % barCount) + barCount) % barCount]);
    }

    const QRect band(0, size.height() * 3 / 4, width, size.height() / 8);
    painter.fillRect(band, QColor(0, 0, 0, 200));
    QFont font = painter.font();
    font.setPixelSize(qMax(8, band.height() * 2 / 3));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(band, Qt::AlignCenter,
                     QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

QVideoFrame TestPatternSource::frame(qint64 frameNumber) const
{
    // The pattern is painted straight into the frame's memory (ARGB32 in
    // memory is BGRA): no picture of its own, no copy.
    QVideoFrame frame(QVideoFrameFormat(m_size, QVideoFrameFormat::Format_BGRA8888));
    if (!frame.map(QVideoFrame::WriteOnly))
        return {};
    {
        QImage image(frame.bits(0), m_size.width(), m_size.height(), frame.bytesPerLine(0),
                     QImage::Format_ARGB32);
        paint(image, frameNumber);
    }
    frame.unmap();
    return frame;
}

void TestPatternSource::produce()
{
    emit frameReady(frame(m_frameNumber++));
}
