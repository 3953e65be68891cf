// SPDX-License-Identifier: GPL-3.0-or-later
#include "CurlFileTransfer.h"
#include "FrameDresser.h"
#include "FramePublisher.h"
#include "FtpTestServer.h"
#include "IntervalTimer.h"
#include "MemorySettingsStore.h"
#include "QtCaptureDevice.h"
#include "TurboJpegCodec.h"
#include "UploadLog.h"
#include "UploadSettings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

#include <algorithm>
#include <vector>

#include <malloc.h>

// A station that publishes for days must not grow: this runs many send
// cycles (test-pattern frame, real conversion, upload to a local FTP
// server) one after the other and prints resident memory and open file
// descriptors along the way. Memory is compared with the state after the
// first 100 cycles, when caches and libraries have settled. Each cycle is
// timed from the send to the transfer's end: the median, the 99th
// percentile, the slowest and the cycles of 900 ms or more, since a median
// hides stalls of a second.
//
//     bench_soak [cycles]        (10000 when not given)

namespace {

struct NoPreset final : VisitedPreset
{
    std::optional<PresetVisit> visitedPreset() const override { return std::nullopt; }
};

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

qsizetype openDescriptors()
{
    return QDir(QStringLiteral("/proc/self/fd"))
        .entryList(QDir::NoDotAndDotDot | QDir::System)
        .size();
}

// What the program holds on the heap, as opposed to what the allocator
// keeps from the system: growth here is memory kept, not fragmentation.
qint64 heapInUseKiB()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd) / 1024;
}

void report(const char* when, int cycle, const QElapsedTimer& clock)
{
    std::printf("%-8s cycle %6d  RSS %7lld KiB  heap in use %7lld KiB  fds %3lld  %7.1f s\n", when,
                cycle, residentKiB(), heapInUseKiB(), qlonglong(openDescriptors()),
                double(clock.elapsed()) / 1000.0);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    // A line per send would drown the figures.
    QLoggingCategory::setFilterRules(QStringLiteral("kivra.*.info=false"));
    const int cycles = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;

    FtpTestServer server;
    if (!server.isRunning()) {
        std::fprintf(stderr, "FTP server: %s\n", qPrintable(server.error()));
        return 1;
    }
    QTemporaryDir folder;
    QtCaptureDevice capture(true);
    TurboJpegCodec codec;
    CurlFileTransfer transfer;
    UploadLog uploadLog(folder.filePath(QStringLiteral("uploads.log")));
    TransferOptions options;
    options.uploadLog = &uploadLog;
    transfer.setOptions(options);
    UploadSettings settings;
    settings.FTPEnable = 1;
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

    int ended = 0;
    int failed = 0;
    QEventLoop loop;
    QObject::connect(&transfer, &FileTransfer::TransferStateChanged, &loop, [&](int state) {
        ++ended;
        if (state == FileTransfer::Failed) {
            ++failed;
            std::fprintf(stderr, "upload failed: %s\n", qPrintable(transfer.errorText()));
        }
        loop.quit();
    });
    // The first frame of the pattern.
    QTimer::singleShot(500, &loop, &QEventLoop::quit);
    loop.exec();

    QElapsedTimer clock;
    clock.start();
    report("start", 0, clock);
    qint64 settledKiB = 0;
    qsizetype settledFds = 0;
    std::vector<double> cycleMs;
    cycleMs.reserve(size_t(cycles));
    QElapsedTimer cycleClock;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        const int before = ended;
        cycleClock.start();
        publisher.SendFrame();
        // A send that converted nothing starts no transfer.
        if (transfer.IsBusy()) {
            QTimer::singleShot(60000, &loop, &QEventLoop::quit);
            while (ended == before)
                loop.exec();
        }
        cycleMs.push_back(double(cycleClock.nsecsElapsed()) / 1e6);
        if (cycle == 100) {
            settledKiB = residentKiB();
            settledFds = openDescriptors();
            report("settled", cycle, clock);
        } else if (cycle % 1000 == 0) {
            report("", cycle, clock);
        }
    }
    report("end", cycles, clock);
    std::sort(cycleMs.begin(), cycleMs.end());
    const auto at = [&cycleMs](double share) {
        return cycleMs.empty()
                   ? 0.0
                   : cycleMs[std::min(cycleMs.size() - 1, size_t(share * double(cycleMs.size())))];
    };
    const auto stalls =
        std::count_if(cycleMs.begin(), cycleMs.end(), [](double ms) { return ms >= 900; });
    std::printf("send to upload's end: median %.1f ms, p99 %.1f ms, max %.1f ms; "
                "%lld of %lld cycles took 900 ms or more\n",
                at(0.5), at(0.99), cycleMs.empty() ? 0.0 : cycleMs.back(), qlonglong(stalls),
                qlonglong(cycleMs.size()));
    std::printf("uploads ended %d, failed %d; RSS growth after cycle 100: %lld KiB; "
                "fds %lld -> %lld\n",
                ended, failed, residentKiB() - settledKiB, qlonglong(settledFds),
                qlonglong(openDescriptors()));
    return failed == 0 && stalls == 0 ? 0 : 1;
}
