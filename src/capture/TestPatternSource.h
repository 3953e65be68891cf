// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QObject>
#include <QTimer>

class QVideoFrame;

// A synthetic camera: moving colour bars with the current date and time, at
// about 15 frames a second. It lets the station be tried and tested on a
// machine without a camera.
class TestPatternSource final : public QObject
{
    Q_OBJECT
public:
    explicit TestPatternSource(QObject* parent = nullptr);

    void setResolution(QSize size) { m_size = size; }
    QSize resolution() const { return m_size; }

    void start();
    void stop();
    bool isRunning() const { return m_timer.isActive(); }

    // One frame as an image; the bars move with frameNumber.
    QImage render(qint64 frameNumber) const;
    // The same frame, painted where the video frame keeps its pixels.
    QVideoFrame frame(qint64 frameNumber) const;

signals:
    void frameReady(const QVideoFrame& frame);

private:
    static void paint(QImage& image, qint64 frameNumber);
    void produce();

    QTimer m_timer;
    QSize m_size{640, 480};
    qint64 m_frameNumber = 0;
};
