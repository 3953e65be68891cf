// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoginThrottle.h"

bool LoginThrottle::allowed(const QString& address, Clock::time_point now)
{
    const std::lock_guard lock(m_lock);
    forgetOld(now);
    const auto it = m_failures.find(address);
    return it == m_failures.end() || it->second.size() < std::size_t(limit);
}

bool LoginThrottle::attempt(const QString& address, Clock::time_point now)
{
    const std::lock_guard lock(m_lock);
    forgetOld(now);
    auto it = m_failures.find(address);
    if (it != m_failures.end() && it->second.size() >= std::size_t(limit))
        return false;
    if (it == m_failures.end()) {
        if (m_failures.size() >= mostAddresses)
            m_failures.erase(m_failures.begin());
        it = m_failures.emplace(address, std::deque<Clock::time_point>{}).first;
    }
    it->second.push_back(now);
    return true;
}

void LoginThrottle::succeeded(const QString& address)
{
    const std::lock_guard lock(m_lock);
    const auto it = m_failures.find(address);
    if (it == m_failures.end())
        return;
    it->second.pop_back();
    if (it->second.empty())
        m_failures.erase(it);
}

void LoginThrottle::forgetOld(Clock::time_point now)
{
    for (auto it = m_failures.begin(); it != m_failures.end();) {
        auto& times = it->second;
        while (!times.empty() && now - times.front() >= window)
            times.pop_front();
        it = times.empty() ? m_failures.erase(it) : std::next(it);
    }
}
