#include "UnixSignalWatcher.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// Shared with the handler, which may touch nothing else. The flag is an
// atomic rather than a sig_atomic_t because two signals may be handled on
// two threads at the same moment; lock-free atomics are safe in a handler.
int writeEnd = -1;
std::atomic<int> stopRequested{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void onStopSignal(int number)
{
    if (stopRequested.exchange(1) != 0)
        _exit(128 + number);
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
    errno = saved;
}

} // namespace

UnixSignalWatcher::UnixSignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent)
    : QObject(parent)
{
    Q_ASSERT(writeEnd < 0);
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0)
        return;
    m_readEnd = ends[0];
    writeEnd = ends[1];
    stopRequested.store(0);

    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : signalNumbers) {
        struct sigaction previous = {};
        if (::sigaction(number, &action, &previous) == 0)
            m_previous.emplace_back(number, previous);
    }
    m_notifier = new QSocketNotifier(m_readEnd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UnixSignalWatcher::onReadable);
}

UnixSignalWatcher::~UnixSignalWatcher()
{
    restoreHandlers();
    delete m_notifier;
    if (m_readEnd >= 0)
        ::close(m_readEnd);
    if (writeEnd >= 0)
        ::close(writeEnd);
    writeEnd = -1;
    stopRequested.store(0);
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
