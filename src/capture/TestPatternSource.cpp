#include "TestPatternSource.h"

#include "Durations.h"

#include <QDateTime>
#include <QPainter>
#include <QVideoFrame>
#include <QVideoFrameFormat>

#include <cstring>

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
    static const QColor bars[] = {Qt::white,   Qt::yellow, Qt::cyan, Qt::green,
                                  Qt::magenta, Qt::red,    Qt::blue, Qt::black};
    constexpr int barCount = int(std::size(bars));

    QImage image(m_size, QImage::Format_ARGB32);
    QPainter painter(&image);
    const int width = m_size.width();
    const int barWidth = qMax(1, width / barCount);
    const int shift = int((frameNumber * 4) % width);
    for (int i = -1; i <= barCount; ++i) {
        const int x = i * barWidth + shift;
        painter.fillRect(QRect(x % (width + barWidth) - barWidth, 0, barWidth, m_size.height()),
                         bars[((i % barCount) + barCount) % barCount]);
    }

    const QRect band(0, m_size.height() * 3 / 4, width, m_size.height() / 8);
    painter.fillRect(band, QColor(0, 0, 0, 200));
    QFont font = painter.font();
    font.setPixelSize(qMax(8, band.height() * 2 / 3));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(band, Qt::AlignCenter,
                     QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    return image;
}

QVideoFrame TestPatternSource::toVideoFrame(const QImage& source)
{
    // Qt 6.4 cannot wrap a QImage in a video frame: copy the pixels into a
    // mapped frame of the same layout (ARGB32 in memory is BGRA).
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    QVideoFrame frame(QVideoFrameFormat(image.size(), QVideoFrameFormat::Format_BGRA8888));
    if (!frame.map(QVideoFrame::WriteOnly))
        return {};
    const int rowBytes = qMin<qsizetype>(image.bytesPerLine(), frame.bytesPerLine(0));
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(frame.bits(0) + qsizetype(y) * frame.bytesPerLine(0), image.constScanLine(y),
                    size_t(rowBytes));
    frame.unmap();
    return frame;
}

void TestPatternSource::produce()
{
    emit frameReady(toVideoFrame(render(m_frameNumber++)));
}
