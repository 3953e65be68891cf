// SPDX-License-Identifier: GPL-3.0-or-later
#include "CurlRunner.h"

#include <algorithm>

#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// How long one wait may last when curl names no earlier time-out; abort()
// wakes it sooner.
constexpr int longestPollMs = 1000;

} // namespace

CurlRunner::CurlRunner()
    : m_multi(curl_multi_init())
{}

CurlRunner::~CurlRunner()
{
    if (m_multi)
        curl_multi_cleanup(m_multi);
}

CURLcode CurlRunner::perform(CURL* easy)
{
    if (!m_multi || !easy)
        return CURLE_FAILED_INIT;
    if (m_aborted)
        return CURLE_ABORTED_BY_CALLBACK;
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &CurlRunner::onOpenSocket);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &CurlRunner::onCloseSocket);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, this);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &CurlRunner::onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    // An abort must not wait for a name lookup still running.
    curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
    if (curl_multi_add_handle(m_multi, easy) != CURLM_OK)
        return CURLE_FAILED_INIT;

    CURLcode result = CURLE_ABORTED_BY_CALLBACK;
    for (bool done = false; !done;) {
        int running = 0;
        curl_multi_perform(m_multi, &running);
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(m_multi, &queued)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
                result = message->data.result;
                done = true;
            }
        }
        if (done || m_aborted)
            break;
        waitForCurl();
    }
    curl_multi_remove_handle(m_multi, easy);
    return result;
}

void CurlRunner::waitForCurl()
{
    long asked = -1;
    curl_multi_timeout(m_multi, &asked);
    int waitMs = asked >= 0 && asked < longestPollMs ? int(asked) : longestPollMs;
    if (waitMs == 0)
        return;
    // libcurl 7.88 names neither a socket nor a near time-out while the
    // data connection of an FTP upload on a reused connection connects,
    // and even once it has connected, until it is driven again. Such a
    // wait watches the newest socket, which is that connection, for its
    // connect, and drives curl again after 1, 2, 4 ... ms until it names
    // something to wait for.
    curl_waitfd connecting{};
    unsigned extra = 0;
    if (namesASocket()) {
        m_blindWaits = 0;
    } else {
        waitMs = std::min(waitMs, 1 << std::min(m_blindWaits++, 10));
        const std::lock_guard lock(m_mutex);
        if (m_newest != CURL_SOCKET_BAD) {
            connecting.fd = m_newest;
            connecting.events = CURL_WAIT_POLLOUT;
            extra = 1;
        }
    }
    curl_multi_poll(m_multi, &connecting, extra, waitMs, nullptr);
    if (extra && connecting.revents) {
        // Connected: writable from now on, so no longer a reason to wake.
        const std::lock_guard lock(m_mutex);
        if (m_newest == connecting.fd)
            m_newest = CURL_SOCKET_BAD;
    }
}

bool CurlRunner::namesASocket() const
{
    fd_set read;
    fd_set write;
    fd_set error;
    FD_ZERO(&read);
    FD_ZERO(&write);
    FD_ZERO(&error);
    int highest = -1;
    curl_multi_fdset(m_multi, &read, &write, &error, &highest);
    return highest >= 0;
}

void CurlRunner::abort()
{
    m_aborted = true;
    {
        const std::lock_guard lock(m_mutex);
        for (curl_socket_t socket : m_sockets)
            ::shutdown(socket, SHUT_RDWR);
    }
    if (m_multi)
        curl_multi_wakeup(m_multi);
}

curl_socket_t CurlRunner::onOpenSocket(void* self, curlsocktype, curl_sockaddr* address)
{
    auto* runner = static_cast<CurlRunner*>(self);
    const std::lock_guard lock(runner->m_mutex);
    if (runner->m_aborted)
        return CURL_SOCKET_BAD;
    const curl_socket_t socket =
        ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (socket != CURL_SOCKET_BAD) {
        runner->m_sockets.insert(socket);
        runner->m_newest = socket;
    }
    return socket;
}

int CurlRunner::onCloseSocket(void* self, curl_socket_t socket)
{
    auto* runner = static_cast<CurlRunner*>(self);
    const std::lock_guard lock(runner->m_mutex);
    runner->m_sockets.erase(socket);
    if (runner->m_newest == socket)
        runner->m_newest = CURL_SOCKET_BAD;
    return ::close(socket);
}

int CurlRunner::onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    // Non-zero ends the request; curl calls this at least once a second
    // while it waits for a reply.
    return static_cast<CurlRunner*>(self)->m_aborted ? 1 : 0;
}
