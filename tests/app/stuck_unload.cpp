// SPDX-License-Identifier: GPL-3.0-or-later
// A program whose unload sticks: it watches the stop signals as the station
// does and, at the first one, hangs where the station would save.
#include "UnixSignalWatcher.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

#include <unistd.h>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    UnixSignalWatcher stopSignals({SIGTERM, SIGINT, SIGHUP});
    QObject::connect(&stopSignals, &UnixSignalWatcher::received, &app, [] {
        std::puts("unloading");
        std::fflush(stdout);
        for (;;)
            ::pause();
    });
    std::puts("ready");
    std::fflush(stdout);
    return app.exec();
}
