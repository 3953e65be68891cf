// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>

#include <initializer_list>
#include <thread>
#include <vector>

#include <signal.h>

class QSocketNotifier;

// Turns the stop requests of a service manager, a terminal or a logout
// (SIGTERM, SIGINT, SIGHUP) into a Qt signal on the user-interface thread,
// where the orderly unload can run. The handler does nothing but write the
// signal's number into a socket pair that the event loop watches.
//
// Signals often come in twos (a closing terminal sends SIGHUP and SIGTERM,
// an impatient operator presses Ctrl+C again), and the unload that saves
// the settings takes milliseconds, so a further signal never cuts it
// short. Only an unload still running 5 s after the first signal is taken
// as stuck: a further signal then ends the program at once, with 128 plus
// its number as the status, and one that came earlier does so when the
// 5 s are over.
//
// The handlers are process-wide, so one watcher exists at a time; it puts
// the previous handlers back when it goes.
class UnixSignalWatcher final : public QObject
{
    Q_OBJECT
public:
    explicit UnixSignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    ~UnixSignalWatcher() override;
    UnixSignalWatcher(const UnixSignalWatcher&) = delete;
    UnixSignalWatcher& operator=(const UnixSignalWatcher&) = delete;

    // False when the socket pair or a handler could not be set up; the
    // signals then keep their previous effect.
    bool isWatching() const { return m_watching; }

signals:
    void received(int signalNumber);

private:
    bool setUp(std::initializer_list<int> signalNumbers);
    void onReadable();
    void restoreHandlers();

    // The signals handled here, each with the action it had before.
    std::vector<std::pair<int, struct sigaction>> m_previous;
    int m_readEnd = -1;
    QSocketNotifier* m_notifier = nullptr;
    bool m_watching = false;
    // Ends the program when an early further signal outlasts the grace.
    std::thread m_watchdog;
};
