#include "LoginThrottle.h"

bool LoginThrottle::allowed(const QString& address, Clock::time_point now)
{
    const std::lock_guard lock(m_lock);
    forgetOld(now);
    const auto it = m_failures.find(address);
    return it == m_failures.end() || it->second.size() < std::size_t(limit);
}

void LoginThrottle::failed(const QString& address, Clock::time_point now)
{
    const std::lock_guard lock(m_lock);
    forgetOld(now);
    if (m_failures.size() >= mostAddresses && !m_failures.contains(address))
        m_failures.erase(m_failures.begin());
    m_failures[address].push_back(now);
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
