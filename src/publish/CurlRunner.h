// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <curl/curl.h>

#include <atomic>
#include <mutex>
#include <set>

// Runs curl requests one at a time on the calling thread, waiting in poll()
// between steps for what curl names: its sockets and its time-out. libcurl 7.88 still waits for
// some FTP and SSH replies inside its own calls (the reply after the data, the rename commands), so
// requests belong on a thread that nothing else waits for. abort(), from any thread, wakes the poll
// and shuts the request's sockets down, which ends curl's own waits as well.
class CurlRunner final
{
public:
    CurlRunner();
    ~CurlRunner();
    CurlRunner(const CurlRunner&) = delete;
    CurlRunner& operator=(const CurlRunner&) = delete;

    // Runs a request whose options are set to its end. The sockets it opens
    // are tracked, so the runner sets curl's socket and progress callbacks.
    CURLcode perform(CURL* easy);
    // Thread-safe. Ends the running request and makes every later one end
    // at once with CURLE_ABORTED_BY_CALLBACK.
    void abort();
    bool aborted() const { return m_aborted; }

private:
    // Waits until curl has something to do, or abort().
    void waitForCurl();
    bool namesASocket() const;
    static curl_socket_t onOpenSocket(void* self, curlsocktype purpose, curl_sockaddr* address);
    static int onCloseSocket(void* self, curl_socket_t socket);
    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

    CURLM* m_multi = nullptr;
    std::atomic<bool> m_aborted{false};
    // The sockets curl has open. A socket is closed under the lock, so
    // abort() never shuts down a number the system has handed out again.
    std::mutex m_mutex;
    std::set<curl_socket_t> m_sockets;
    // The socket curl opened last, until it was seen connected.
    curl_socket_t m_newest = CURL_SOCKET_BAD;
    // Waits in a row in which curl named no socket.
    int m_blindWaits = 0;
};
