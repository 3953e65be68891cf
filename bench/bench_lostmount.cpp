// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchFigure.h"
#include "MemorySettingsStore.h"
#include "MountLink.h"
#include "PseudoTerminal.h"
#include "QtSerialPort.h"
#include "SettingsKeys.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <sys/resource.h>

#include <memory>

// What waiting for a pulled-out mount costs: the processor time the station
// spends while the device is gone and tried again every 3 s, beside the same
// link idle on a live line for as long.
namespace {

constexpr int watchMs = 9000;

double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) {
        return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Processor time, in ms a second, while the event loop runs for the watch.
double cpuShareWhileWaiting()
{
    const double before = cpuMs();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(watchMs, &loop, &QEventLoop::quit);
    loop.exec();
    return (cpuMs() - before) / double(wall.elapsed()) * 1000.0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    auto line = std::make_unique<PseudoTerminal>();
    MemorySettingsStore store;
    store.set(keys::portsSection, keys::portKeyPrefix + QStringLiteral("1"), line->slavePath());
    QtSerialPort port;
    MountLink link(port, store);
    link.SelectPort(1);
    if (!line->isValid() || !link.isOpen()) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 1;
    }
    const double idle = cpuShareWhileWaiting();
    bool lost = false;
    QObject::connect(&link, &MountLink::status, [&lost](const QString& text) {
        lost = lost || text.contains(QLatin1String(" lost: "));
    });
    line->hangUp();
    QElapsedTimer clock;
    clock.start();
    // Positions go on falling due, as in random pointing, until a write
    // finds the line gone.
    for (qint16 pan = 1; !lost && clock.elapsed() < 10000; ++pan) {
        link.SendPan(pan);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    line.reset();
    const double waiting = cpuShareWhileWaiting();
    const bool met = BenchFigure{QStringLiteral("CPU while the mount's device is gone"),
                                 waiting,
                                 QStringLiteral("the link idle on a live line"),
                                 idle,
                                 QStringLiteral("ms/s"),
                                 QStringLiteral("under 10 ms/s (1 % of a core)"),
                                 lost && waiting < 10}
                         .print();
    return met ? 0 : 1;
}
