// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestPatternSource.h"

#include <QApplication>
#include <QVideoSink>
#include <QVideoWidget>

// The baseline of the start-up benchmark: the least a Qt program needs to
// show the test pattern in a window, with the libraries that takes. The
// picture is as large as the station's live preview (4800 by 3600 twips),
// so both scale the same frames to the same size.
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QVideoWidget video;
    video.setWindowTitle(QStringLiteral("Minimal"));
    video.resize(320, 240);
    TestPatternSource pattern;
    QObject::connect(&pattern, &TestPatternSource::frameReady, video.videoSink(),
                     &QVideoSink::setVideoFrame);
    pattern.start();
    video.show();
    return app.exec();
}
