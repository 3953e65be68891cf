// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchFigure.h"
#include "TickGap.h"
#include "TimelapseMaker.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

// A day's video: 2,000 frames of 1280x720 made into the station's MP4,
// beside gst-launch-1.0 running the same encoder pipeline on the same files
// (as a program of its own, at the same low priority the station gives its
// encoder, with the same 1 ms timer ticking here meanwhile). Then the longest gap between ticks of
// a 1 ms timer on the user-interface thread while the video is made, beside the timer alone for 10
// s; rounds are taken in turns, and each gap is the median of the rounds' longest, since a shared
// machine alone stalls a process for some milliseconds now and then.
//
//     bench_timelapse [frames] [rounds]        (2000 and 3 when not given)

namespace {

constexpr int rate = 25;
constexpr int width = 1280;
constexpr int height = 720;

// Frames that change as a day does: a sky that darkens, a shape that moves,
// fine lines the encoder has to carry.
QStringList makeFrames(const QString& folder, int count)
{
    QStringList frames;
    QImage frame(width, height, QImage::Format_RGB32);
    for (int n = 0; n < count; ++n) {
        QPainter painter(&frame);
        painter.fillRect(frame.rect(), QColor::fromHsv(210, 120, 255 - n * 200 / count));
        painter.setBrush(QColor(240, 200, 40));
        painter.drawEllipse(QPoint(n * width / count, 200 + (n % 50)), 60, 60);
        for (int x = 0; x < width; x += 16)
            painter.drawLine(x, height, x + (n % 32), height / 2);
        painter.end();
        const QString path = QDir(folder).filePath(QString::asprintf("%05d.jpg", n));
        frame.save(path, "JPEG", 85);
        frames.append(path);
    }
    return frames;
}

struct Round
{
    double seconds = 0;
    double longestGapMs = 0;
};

// Runs `begin`'s work in an event loop until `quit` is called, with a 1 ms
// timer ticking on this thread all along: the station's window, and the
// same load beside the baseline.
Round ticking(const std::function<void(QEventLoop&)>& begin)
{
    QEventLoop loop;
    TickGap gap;
    QElapsedTimer clock;
    clock.start();
    begin(loop);
    gap.start();
    loop.exec();
    return {clock.nsecsElapsed() / 1e9, gap.longestMs()};
}

// Ours, through the worker the station uses.
Round ours(const QStringList& frames, const QString& output)
{
    TimelapseMaker maker;
    return ticking([&](QEventLoop& loop) {
        QObject::connect(&maker, &TimelapseMaker::finished, &loop, [&loop](bool done) {
            if (!done)
                std::fprintf(stderr, "the video was not made\n");
            loop.quit();
        });
        maker.make(frames, rate, output);
    });
}

Round gstLaunch(const QString& folder, const QString& output)
{
    QStringList arguments{QStringLiteral("-n"), QStringLiteral("19"),
                          QStringLiteral("gst-launch-1.0"), QStringLiteral("-q")};
    const QString pipeline =
        QStringLiteral("multifilesrc location=%1/%05d.jpg index=0 "
                       "caps=image/jpeg,framerate=%2/1 ! %3 ! filesink location=%4")
            .arg(folder)
            .arg(rate)
            .arg(TimelapseMaker::encoderPipeline(width, height), output);
    arguments += QProcess::splitCommand(pipeline);
    QProcess process;
    return ticking([&](QEventLoop& loop) {
        QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        process.start(QStringLiteral("nice"), arguments);
    });
}

double timerAlone(int ms)
{
    return ticking([ms](QEventLoop& loop) { QTimer::singleShot(ms, &loop, &QEventLoop::quit); })
        .longestGapMs;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(10, atoi(argv[1])) : 2000;
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    QTemporaryDir folder;
    const QStringList frames = makeFrames(folder.path(), count);
    const QString output = QDir(folder.path()).filePath(QStringLiteral("day.mp4"));

    std::vector<double> ourTimes;
    std::vector<double> theirTimes;
    std::vector<double> gaps;
    std::vector<double> gapsAlone;
    for (int n = 0; n < rounds; ++n) {
        const Round round = ours(frames, output);
        ourTimes.push_back(round.seconds);
        gaps.push_back(round.longestGapMs);
        theirTimes.push_back(gstLaunch(folder.path(), output).seconds);
        gapsAlone.push_back(timerAlone(10000));
    }
    const double longestGap = median(gaps);
    const double alone = median(gapsAlone);
    const double worst = *std::max_element(gaps.begin(), gaps.end());

    bool met = true;
    BenchFigure video = pairedFigure(
        QStringLiteral("time-lapse of %1 frames 1280x720, median of %2").arg(count).arg(rounds),
        ourTimes, QStringLiteral("gst-launch-1.0, same pipeline"), theirTimes, QStringLiteral("s"));
    video.target = QStringLiteral("<= 1.1x");
    video.met = video.ratio() <= 1.1;
    met &= video.print();
    BenchFigure gap{QStringLiteral("longest gap of a 1 ms UI timer while the video is made, "
                                   "median of %1 (worst %2 ms)")
                        .arg(rounds)
                        .arg(worst, 0, 'f', 1),
                    longestGap,
                    QStringLiteral("the timer alone"),
                    alone,
                    QStringLiteral("ms"),
                    QStringLiteral("< 16 ms")};
    gap.met = longestGap < 16;
    met &= gap.print();
    return met ? 0 : 1;
}
