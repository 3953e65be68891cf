// SPDX-License-Identifier: GPL-3.0-or-later
#include "UiBridge.h"

#include <QMetaObject>
#include <QObject>

UiBridge::UiBridge(QObject* home)
    : m_home(home)
{}

UiBridge::~UiBridge()
{
    shutdown();
}

std::optional<WebReply> UiBridge::run(std::function<WebReply()> work)
{
    auto answer = std::make_shared<std::optional<WebReply>>();
    {
        const std::lock_guard lock(m_shared->lock);
        if (m_shared->closed)
            return std::nullopt;
    }
    // The queued call owns everything it touches through shared pointers:
    // it may run after this thread stopped waiting.
    QMetaObject::invokeMethod(
        m_home,
        [shared = m_shared, answer, work = std::move(work)] {
            {
                const std::lock_guard lock(shared->lock);
                if (shared->closed)
                    return;
            }
            WebReply reply = work();
            const std::lock_guard lock(shared->lock);
            *answer = std::move(reply);
            shared->answered.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(m_shared->lock);
    m_shared->answered.wait_for(lock, longestWait,
                                [&] { return answer->has_value() || m_shared->closed; });
    if (!answer->has_value())
        return std::nullopt;
    return std::move(*answer);
}

void UiBridge::shutdown()
{
    const std::lock_guard lock(m_shared->lock);
    m_shared->closed = true;
    m_shared->answered.notify_all();
}
