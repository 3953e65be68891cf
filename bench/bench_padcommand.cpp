// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchFigure.h"
#include "MemorySettingsStore.h"
#include "MountLink.h"
#include "PseudoTerminal.h"
#include "QtSerialPort.h"
#include "SettingsKeys.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

// A mount command as the touch pad sends it (MountLink through the station's
// serial port) until its bytes can be read at the other end of a
// pseudo-terminal, against a bare write() to the same terminal.
namespace {

constexpr int sends = 2000;

double p99(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[size_t(double(values.size() - 1) * 0.99)];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    PseudoTerminal line;
    MemorySettingsStore store;
    store.set(keys::portsSection, keys::portKeyPrefix + QStringLiteral("1"), line.slavePath());
    QtSerialPort port;
    MountLink link(port, store);
    link.SelectPort(1);
    const int bare = ::open(QFile::encodeName(line.slavePath()).constData(), O_WRONLY | O_NOCTTY);
    if (!line.isValid() || !link.isOpen() || bare < 0) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 1;
    }
    std::vector<double> ours;
    std::vector<double> theirs;
    QElapsedTimer clock;
    for (int i = 0; i < sends; ++i) {
        const qint16 pan = qint16(i % 2000 - 1000);
        const QByteArray command = MountLink::command('A', pan);
        clock.start();
        link.SendPan(pan);
        if (line.read(command.size()) != command)
            return 1;
        ours.push_back(double(clock.nsecsElapsed()) / 1e3);
        clock.start();
        if (::write(bare, command.constData(), size_t(command.size())) != command.size() ||
            line.read(command.size()) != command)
            return 1;
        theirs.push_back(double(clock.nsecsElapsed()) / 1e3);
    }
    ::close(bare);
    const double added = p99(ours) - p99(theirs);
    const bool met =
        BenchFigure{QStringLiteral("pad command to bytes at a pty, p99 of %1").arg(sends),
                    p99(ours),
                    QStringLiteral("bare write()"),
                    p99(theirs),
                    QStringLiteral("us"),
                    QStringLiteral("added p99 < 1000 us"),
                    added < 1000}
            .print();
    return met ? 0 : 1;
}
