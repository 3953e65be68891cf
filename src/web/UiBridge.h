// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "WebReply.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QObject;

// Runs work for the server's threads on the user-interface thread: the
// work is queued to `home`'s thread and the server thread waits for the
// answer. The user-interface thread never waits here; shut down, every
// waiting server thread returns at once with no answer.
class UiBridge final
{
public:
    static constexpr auto longestWait = std::chrono::seconds(10);

    explicit UiBridge(QObject* home);
    ~UiBridge();
    UiBridge(const UiBridge&) = delete;
    UiBridge& operator=(const UiBridge&) = delete;

    // The work's reply, or none when the station did not answer in time or
    // the bridge was shut down.
    std::optional<WebReply> run(std::function<WebReply()> work);
    void shutdown();

private:
    struct Shared
    {
        std::mutex lock;
        std::condition_variable answered;
        bool closed = false;
    };

    QObject* const m_home;
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
};
