#pragma once

#include <QList>
#include <QObject>

#include <initializer_list>
#include <vector>

#include <signal.h>

class QSocketNotifier;

// Turns the stop requests of a service manager, a terminal or a logout
// (SIGTERM, SIGINT, SIGHUP) into a Qt signal on the user-interface thread,
// where the orderly unload can run. The handler does nothing but write the
// signal's number into a socket pair that the event loop watches. A second
// signal ends the program at once: whoever sends it has seen the first one
// go unanswered or found the unload too slow.
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
    bool isWatching() const { return m_notifier != nullptr; }

signals:
    void received(int signalNumber);

private:
    void onReadable();
    void restoreHandlers();

    // The signals handled here, each with the action it had before.
    std::vector<std::pair<int, struct sigaction>> m_previous;
    int m_readEnd = -1;
    QSocketNotifier* m_notifier = nullptr;
};
