#include "BenchFigure.h"
#include "IniSettingsStore.h"
#include "MountLink.h"
#include "QtSerialPort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

// How long a pad move takes to reach the line: from MountLink::SendPan
// until the bytes can be read on the far side of a pseudo-terminal, beside
// a bare write() of the same bytes to the same terminal. The event loop
// runs while waiting, as it does in the station.
namespace {

constexpr int sends = 2000;

struct Terminal
{
    int master = -1;
    int slave = -1;
    QString path;
    bool open()
    {
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
            return false;
        termios raw{};
        ::tcgetattr(slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
        path = QString::fromLocal8Bit(name);
        return true;
    }
    // Waits, running the event loop, until `count` bytes were read.
    void receive(qsizetype count) const
    {
        char buffer[64];
        while (count > 0) {
            QCoreApplication::processEvents();
            pollfd ready{master, POLLIN, 0};
            if (::poll(&ready, 1, 0) == 1) {
                const ssize_t got = ::read(master, buffer, sizeof buffer);
                if (got > 0)
                    count -= got;
            }
        }
    }
};

double p99(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[size_t(double(values.size() - 1) * 0.99)];
}

std::vector<double> timeSends(const Terminal& line, const std::function<void(qint16)>& send)
{
    std::vector<double> ms;
    QElapsedTimer clock;
    for (int i = 0; i < sends; ++i) {
        const qint16 pan = qint16(i % 120 + 1);
        clock.start();
        send(pan);
        line.receive(MountLink::command('A', pan).size());
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    return ms;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    Terminal line;
    QTemporaryDir folder;
    if (!line.open() || !folder.isValid())
        return 1;
    IniSettingsStore settings(folder.filePath(QStringLiteral("bench.conf")));
    settings.write(QStringLiteral("Ports"), QStringLiteral("COM1"), line.path);
    QtSerialPort port;
    MountLink mount(port, settings);
    mount.SelectPort(1);
    if (!mount.isOpen())
        return 1;

    const std::vector<double> bare = timeSends(line, [&line](qint16 pan) {
        const QByteArray bytes = MountLink::command('A', pan);
        if (::write(line.slave, bytes.constData(), size_t(bytes.size())) != bytes.size())
            std::abort();
    });
    const std::vector<double> station =
        timeSends(line, [&mount](qint16 pan) { mount.SendPan(pan); });

    BenchFigure figure;
    figure.name = QStringLiteral("pad command to the line, p99 of 2000");
    figure.value = p99(station);
    figure.baselineName = QStringLiteral("bare write()");
    figure.baseline = p99(bare);
    figure.target = QStringLiteral("added p99 < 1 ms");
    figure.met = figure.value - figure.baseline < 1.0;
    return figure.print() ? 0 : 2;
}
