#include "TestPatternSource.h"

#include <QTest>
#include <QVideoFrame>

// The synthetic driver draws and converts every frame on the user-interface
// thread; at 15 frames a second it must stay far below 66 ms a frame.
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

    void toVideoFrame()
    {
        TestPatternSource source;
        const QImage image = source.render(0);
        QBENCHMARK
        {
            const QVideoFrame frame = TestPatternSource::toVideoFrame(image);
            Q_UNUSED(frame);
        }
    }
};

QTEST_MAIN(BenchTestPattern)
#include "bench_testpattern.moc"
