// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <chrono>
#include <deque>
#include <map>
#include <mutex>

// Slows password guessing: an address that failed to sign in `limit` times
// within a minute is refused until the oldest of those failures is a
// minute old. A good password does not clear the count, so a guest cannot
// buy fresh guesses at the admin password.
class LoginThrottle final
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int limit = 5;
    static constexpr auto window = std::chrono::minutes(1);
    // Addresses remembered at most; the table never grows past it.
    static constexpr std::size_t mostAddresses = 4096;

    // Whether the address may try now: for refusing a request on its
    // headers, before its body comes.
    bool allowed(const QString& address, Clock::time_point now = Clock::now());
    // Counts a sign-in as failed before its password is checked, so that
    // guesses sent side by side cannot all pass the limit; false, with
    // nothing counted, when the address is at the limit.
    bool attempt(const QString& address, Clock::time_point now = Clock::now());
    // The attempt's password was right: its count is taken back.
    void succeeded(const QString& address);

private:
    void forgetOld(Clock::time_point now);

    std::mutex m_lock;
    std::map<QString, std::deque<Clock::time_point>> m_failures;
};
