// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestPatternSource.h"

#include <QTest>
#include <QVideoFrame>

// The synthetic driver paints every frame on the user-interface thread; at 15 frames a second it
// must stay far below 66 ms a frame.
class BenchTestPattern : public QObject
{
    Q_OBJECT
private slots:
    void renderFrame()
    {
        TestPatternSource source;
        qint64 n = 0;
        QBENCHMARK
        {
            const QImage image = source.render(n++);
            Q_UNUSED(image);
        }
    }

    // What the driver does for each frame: painted into the video frame.
    void videoFrame()
    {
        TestPatternSource source;
        qint64 n = 0;
        QBENCHMARK
        {
            const QVideoFrame frame = source.frame(n++);
            Q_UNUSED(frame);
        }
    }
};

QTEST_MAIN(BenchTestPattern)
#include "bench_testpattern.moc"
