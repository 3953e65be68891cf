#include "TestPatternSource.h"

#include <QApplication>
#include <QVideoSink>
#include <QVideoWidget>

// The baseline of the start-up benchmark: the least a Qt program needs to
// show the test pattern in a window, with the libraries that takes.
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QVideoWidget video;
    video.setWindowTitle(QStringLiteral("Minimal"));
    video.resize(640, 480);
    TestPatternSource pattern;
    QObject::connect(&pattern, &TestPatternSource::frameReady, video.videoSink(),
                     &QVideoSink::setVideoFrame);
    pattern.start();
    video.show();
    return app.exec();
}
