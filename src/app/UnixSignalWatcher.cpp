// SPDX-License-Identifier: GPL-3.0-or-later
#include "UnixSignalWatcher.h"

#include "Durations.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <chrono>

#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

namespace {

// Shared with the handler, which may touch nothing else. Two signals may be
// handled on two threads at the same moment; lock-free atomics are safe in
// a handler.
int writeEnd = -1;
int watchdogWriteEnd = -1;
// When the first stop signal came (monotonic nanoseconds), 0 before it.
std::atomic<long long> firstSignalAt{0};
static_assert(std::atomic<long long>::is_always_lock_free);

constexpr long long graceNanoseconds =
    std::chrono::duration_cast<std::chrono::nanoseconds>(durations::unloadGrace).count();

// clock_gettime may be called in a signal handler.
long long monotonicNow()
{
    struct timespec now = {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return (static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec) | 1;
}

void writeByte(int fd, int value)
{
    const unsigned char byte = static_cast<unsigned char>(value);
    [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
}

extern "C" void onStopSignal(int number)
{
    const int saved = errno;
    const long long now = monotonicNow();
    long long first = 0;
    if (firstSignalAt.compare_exchange_strong(first, now))
        writeByte(writeEnd, number);
    else if (now - first >= graceNanoseconds)
        _exit(128 + number);
    else
        writeByte(watchdogWriteEnd, number);
    errno = saved;
}

// Waits for further signals that came within the grace; ends the program
// once the grace is over, unless the watcher went first (a 0 byte).
void watchOverTheUnload(int readEnd)
{
    int pending = 0;
    for (;;) {
        int timeout = -1;
        if (pending != 0) {
            const long long left = firstSignalAt.load() + graceNanoseconds - monotonicNow();
            if (left <= 0)
                _exit(128 + pending);
            timeout = int(left / 1000000 + 1);
        }
        struct pollfd watched = {readEnd, POLLIN, 0};
        const int ready = ::poll(&watched, 1, timeout);
        if (ready < 0 && errno != EINTR)
            return;
        if (ready <= 0)
            continue;
        unsigned char byte = 0;
        const ssize_t got = ::read(readEnd, &byte, 1);
        if (got == 0 || (got == 1 && byte == 0))
            return;
        if (got == 1 && pending == 0)
            pending = byte;
    }
}

} // namespace

UnixSignalWatcher::UnixSignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent)
    : QObject(parent)
{
    Q_ASSERT(writeEnd < 0);
    m_watching = setUp(signalNumbers);
}

bool UnixSignalWatcher::setUp(std::initializer_list<int> signalNumbers)
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0)
        return false;
    int watchdogEnds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, watchdogEnds) != 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return false;
    }
    m_readEnd = ends[0];
    writeEnd = ends[1];
    watchdogWriteEnd = watchdogEnds[1];
    firstSignalAt.store(0);
    m_watchdog = std::thread([readEnd = watchdogEnds[0]] {
        watchOverTheUnload(readEnd);
        ::close(readEnd);
    });
    m_notifier = new QSocketNotifier(m_readEnd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UnixSignalWatcher::onReadable);

    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    bool all = true;
    for (int number : signalNumbers) {
        struct sigaction previous = {};
        if (::sigaction(number, &action, &previous) == 0)
            m_previous.emplace_back(number, previous);
        else
            all = false;
    }
    return all && !m_previous.empty();
}

UnixSignalWatcher::~UnixSignalWatcher()
{
    restoreHandlers();
    delete m_notifier;
    if (m_watchdog.joinable()) {
        writeByte(watchdogWriteEnd, 0);
        m_watchdog.join();
    }
    for (int* fd : {&m_readEnd, &writeEnd, &watchdogWriteEnd}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    firstSignalAt.store(0);
}

void UnixSignalWatcher::restoreHandlers()
{
    for (const auto& [number, previous] : m_previous)
        ::sigaction(number, &previous, nullptr);
    m_previous.clear();
}

void UnixSignalWatcher::onReadable()
{
    unsigned char byte = 0;
    ssize_t got = 0;
    int first = 0;
    // Only the first signal is ever written; read whatever is there anyway.
    while ((got = ::read(m_readEnd, &byte, 1)) == 1) {
        if (first == 0)
            first = byte;
    }
    if (first != 0)
        emit received(first);
}
