// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchFigure.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <csignal>
#include <unistd.h>

// Start-up and memory of the station beside a minimal Qt window showing the
// same test pattern: the time from starting the process until its window
// is mapped on the X server, the processor time it takes over the next 5 s
// idle (the live picture running) and the resident memory after them. Runs
// under an X server (scripts/bench starts Xvfb when there is none).
namespace {

// Windows come and go while the tree is walked; a window gone is no error.
int ignoreXError(Display*, XErrorEvent*)
{
    return 0;
}

bool viewableWindowNamed(Display* display, Window window, const QByteArray& title)
{
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable) {
        char* name = nullptr;
        if (XFetchName(display, window, &name) && name) {
            const bool same = title == name;
            XFree(name);
            if (same)
                return true;
        }
    }
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return false;
    bool found = false;
    for (unsigned int i = 0; i < count && !found; ++i)
        found = viewableWindowNamed(display, children[i], title);
    if (children)
        XFree(children);
    return found;
}

double residentMegabytes(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

// User and system time of the process so far, in clock ticks.
qint64 cpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    // Fields after the command name, which may hold blanks: utime and
    // stime are the 12th and 13th of them.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields[11].toLongLong() + fields[12].toLongLong() : 0;
}

struct Run
{
    double startMs = 0;
    double rssMb = 0;
    // Percent of one core over the idle seconds.
    double idleCpu = 0;
};

// One start of `program`, in a home of its own, until its window shows.
Run startOnce(Display* display, const QString& program, const QStringList& arguments,
              const QByteArray& title)
{
    QTemporaryDir home;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("c")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("d")));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    Run run;
    while (clock.elapsed() < 30000 &&
           !viewableWindowNamed(display, DefaultRootWindow(display), title))
        QThread::usleep(500);
    run.startMs = double(clock.nsecsElapsed()) / 1e6;
    const qint64 ticksBefore = cpuTicks(process.processId());
    QElapsedTimer idle;
    idle.start();
    QThread::sleep(5);
    const double idleSeconds = double(idle.nsecsElapsed()) / 1e9;
    run.idleCpu = 100.0 * double(cpuTicks(process.processId()) - ticksBefore) /
                  double(sysconf(_SC_CLK_TCK)) / idleSeconds;
    run.rssMb = residentMegabytes(process.processId());
    process.kill();
    process.waitForFinished();
    return run;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s STATION MINIMAL_WINDOW\n", argv[0]);
        return 1;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    XSetErrorHandler(ignoreXError);
    const QString station = QString::fromLocal8Bit(argv[1]);
    const QString minimal = QString::fromLocal8Bit(argv[2]);
    std::vector<double> stationStart, minimalStart, stationRss, minimalRss, stationCpu, minimalCpu;
    for (int round = 0; round < 5; ++round) {
        const Run s = startOnce(display, station, {QStringLiteral("--test-pattern")},
                                "KivraWebcam - What do you want to see today?");
        const Run m = startOnce(display, minimal, {}, "Minimal");
        stationStart.push_back(s.startMs);
        stationRss.push_back(s.rssMb);
        minimalStart.push_back(m.startMs);
        minimalRss.push_back(m.rssMb);
        stationCpu.push_back(s.idleCpu);
        minimalCpu.push_back(m.idleCpu);
    }
    XCloseDisplay(display);

    BenchFigure start;
    start.name = QStringLiteral("start-up until the window shows, median of 5");
    start.value = median(stationStart);
    start.baselineName = QStringLiteral("minimal QVideoWidget window");
    start.baseline = median(minimalStart);
    start.target = QStringLiteral("ratio <= 1.3");
    start.met = start.ratio() <= 1.3;
    BenchFigure memory;
    memory.name = QStringLiteral("resident memory after 5 s idle, median of 5");
    memory.value = median(stationRss);
    memory.baselineName = start.baselineName;
    memory.baseline = median(minimalRss);
    memory.unit = QStringLiteral("MB");
    memory.target = QStringLiteral("ratio <= 1.3");
    memory.met = memory.ratio() <= 1.3;
    BenchFigure cpu;
    cpu.name = QStringLiteral("processor while idle (live picture), 5 s, median of 5");
    cpu.value = median(stationCpu);
    cpu.baselineName = start.baselineName;
    cpu.baseline = median(minimalCpu);
    cpu.unit = QStringLiteral("%");
    cpu.target = QStringLiteral("ratio <= 1.3");
    cpu.met = cpu.ratio() <= 1.3;
    const bool met = start.print() & memory.print() & cpu.print();
    return met ? 0 : 2;
}
