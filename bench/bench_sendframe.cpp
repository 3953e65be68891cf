// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchFigure.h"
#include "CurlFileTransfer.h"
#include "FrameDresser.h"
#include "FramePublisher.h"
#include "FtpTestServer.h"
#include "IntervalTimer.h"
#include "MemorySettingsStore.h"
#include "MountLink.h"
#include "PseudoTerminal.h"
#include "QtCaptureDevice.h"
#include "QtSerialPort.h"
#include "SettingsKeys.h"
#include "TurboJpegCodec.h"
#include "UploadSettings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

// How long a send holds the user-interface thread: the Send Frame button's
// whole run, from the snap to the upload handed to the transfer, with the
// files written to a disk folder. The baseline is TurboJPEG encoding the
// same frame where it lies in memory, the least any send must do there. Then the touch
// pad's latency while automatic updates send a frame every second: a pad
// command every 10 ms, from when it was due to its bytes at the far end of
// a pseudo-terminal, beside the same without updates.
//
//     bench_sendframe [rounds]        (200 when not given)

namespace {

struct NoPreset final : VisitedPreset
{
    std::optional<PresetVisit> visitedPreset() const override { return std::nullopt; }
};

double percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(share * double(values.size())))];
}

void waitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The pad's latencies in ms over durationMs: a timer due every 10 ms sends
// a pan command; its lateness plus the command's way to the terminal.
std::vector<double> padLatencies(MountLink& link, PseudoTerminal& line, qint64 durationMs)
{
    std::vector<double> latencies;
    QEventLoop loop;
    QTimer pad;
    pad.setTimerType(Qt::PreciseTimer);
    QElapsedTimer clock;
    constexpr qint64 periodNs = 10'000'000;
    qint64 dueNs = periodNs;
    QObject::connect(&pad, &QTimer::timeout, &loop, [&] {
        const qint16 pan = qint16(qsizetype(latencies.size()) % 2000 - 1000);
        link.SendPan(pan);
        if (line.read(MountLink::command('A', pan).size()).isEmpty())
            loop.quit();
        const qint64 now = clock.nsecsElapsed();
        latencies.push_back(double(now - dueNs) / 1e6);
        // Late ticks are not made up for: the next is due a period on.
        while (dueNs <= now)
            dueNs += periodNs;
        if (clock.elapsed() >= durationMs)
            loop.quit();
    });
    clock.start();
    pad.start(10);
    loop.exec();
    return latencies;
}

bool padFigure(FramePublisher& publisher, IntervalTimer& autoUpdate)
{
    PseudoTerminal line;
    MemorySettingsStore store;
    store.set(keys::portsSection, keys::portKeyPrefix + QStringLiteral("1"), line.slavePath());
    QtSerialPort port;
    MountLink link(port, store);
    link.SelectPort(1);
    if (!line.isValid() || !link.isOpen())
        return false;
    constexpr qint64 durationMs = 15000;
    const std::vector<double> alone = padLatencies(link, line, durationMs);
    autoUpdate.setInterval(std::chrono::seconds(1));
    autoUpdate.setEnabled(true);
    publisher.SendFrame();
    const std::vector<double> updating = padLatencies(link, line, durationMs);
    autoUpdate.setEnabled(false);
    const double ours = percentile(updating, 0.99);
    const double baseline = percentile(alone, 0.99);
    return BenchFigure{
        QStringLiteral("pad command p99, 1 s automatic uploads, %1 commands").arg(updating.size()),
        ours,
        QStringLiteral("no uploads"),
        baseline,
        QStringLiteral("ms"),
        QStringLiteral("added p99 < 5 ms"),
        ours - baseline < 5}
        .print();
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("kivra.*.info=false"));
    const int rounds = argc > 1 ? QByteArray(argv[1]).toInt() : 200;

    FtpTestServer server;
    // Beside the program, not in a memory-backed /tmp.
    QTemporaryDir folder(QDir::currentPath() + QStringLiteral("/sendframe-XXXXXX"));
    if (!server.isRunning() || !folder.isValid())
        return 1;
    QtCaptureDevice capture(true);
    TurboJpegCodec codec;
    CurlFileTransfer transfer;
    UploadSettings settings;
    settings.FileHost = server.address();
    settings.FileLogin = server.user();
    settings.FilePassword = server.password();
    settings.FileName = QStringLiteral("live.jpg");
    MemorySettingsStore store;
    IntervalTimer timer2;
    const FrameDresser dresser(store);
    const NoPreset noPreset;
    FramePublisher publisher(capture, codec, transfer, settings, store, timer2, dresser, noPreset);
    publisher.setFrameFolder(folder.path());
    publisher.applyCredentials();
    if (!capture.setDriverIndex(capture.driverCount() - 1, nullptr))
        return 1;
    waitMs(500);

    TurboJpegCodec bare;
    std::vector<double> sends;
    std::vector<double> encodes;
    std::vector<double> rgbEncodes;
    for (int i = 0; i < rounds + 5; ++i) {
        QElapsedTimer clock;
        clock.start();
        publisher.SendFrame();
        const double sendMs = double(clock.nsecsElapsed()) / 1e6;
        // The same frame where it lies in memory (the pattern's BGRA), and
        // packed as RGB for comparison.
        const QImage lying = capture.snappedFrame();
        clock.start();
        const QByteArray jpeg = bare.encodeJpeg(lying, settings.FileQuality);
        const double encodeMs = double(clock.nsecsElapsed()) / 1e6;
        const QImage rgb = lying.convertToFormat(QImage::Format_RGB888);
        clock.start();
        bare.encodeJpeg(rgb, settings.FileQuality);
        const double rgbMs = double(clock.nsecsElapsed()) / 1e6;
        // The first few warm the caches.
        if (i >= 5 && !jpeg.isEmpty()) {
            sends.push_back(sendMs);
            encodes.push_back(encodeMs);
            rgbEncodes.push_back(rgbMs);
        }
        // The upload and the bitmap end before the next frame, as at 1 s
        // automatic updates.
        QElapsedTimer waited;
        waited.start();
        while (transfer.IsBusy() && waited.elapsed() < 60000)
            waitMs(2);
        waitMs(70);
    }
    const double ratio = medianRatio(sends, encodes);
    std::printf("send's frame packed as RGB first: TurboJPEG encode %.2f ms, ratio %.2f\n",
                median(rgbEncodes), medianRatio(sends, rgbEncodes));
    bool met = BenchFigure{QStringLiteral("send holds the window's thread, 640x480, median of %1 "
                                          "(p99 %2 ms, max %3 ms)")
                               .arg(sends.size())
                               .arg(percentile(sends, 0.99), 0, 'f', 1)
                               .arg(percentile(sends, 1.0), 0, 'f', 1),
                           median(sends),
                           QStringLiteral("TurboJPEG encode of the frame in memory"),
                           median(encodes),
                           QStringLiteral("ms"),
                           QStringLiteral("<= 1.5x"),
                           ratio <= 1.5,
                           ratio}
                   .print();
    met = padFigure(publisher, timer2) && met;
    return met ? 0 : 1;
}
