// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <map>
#include <mutex>
#include <optional>

// Who may do what on the web remote.
enum class WebRole
{
    Guest,
    Admin,
};

QString roleName(WebRole role);

// The signed-in browsers: each session has a random id (its cookie), a
// random token that every state-changing request must carry, a role and an
// end. Used from the server's threads and the window's, so every call
// locks.
class WebSessions final
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr auto lifetime = std::chrono::hours(12);
    static constexpr int cookieSeconds = 12 * 3600;
    // More sessions than any station has viewers; the oldest goes first.
    static constexpr std::size_t most = 64;

    struct Session
    {
        QByteArray id;
        QByteArray csrf;
        WebRole role = WebRole::Guest;
        QString address;
        Clock::time_point end;
    };

    Session open(WebRole role, const QString& address, Clock::time_point now = Clock::now());
    // The live session of a cookie value, if any.
    std::optional<Session> find(const QByteArray& id, Clock::time_point now = Clock::now());
    void close(const QByteArray& id);
    void closeAll();
    // The signed-in sessions, for the dialog.
    QList<Session> current(Clock::time_point now = Clock::now());

    // Whether the token is the session's, compared in constant time.
    static bool tokenMatches(const Session& session, const QByteArray& token);
    // The Set-Cookie header value that hands the session to the browser,
    // and the one that takes it back.
    static QByteArray cookie(const Session& session);
    static QByteArray clearingCookie();
    // The session id in a Cookie header value, or empty.
    static QByteArray idFromCookies(const QByteArray& header);

    static constexpr const char* cookieName = "kivra_session";

private:
    void dropEnded(Clock::time_point now);

    std::mutex m_lock;
    std::map<QByteArray, Session> m_sessions;
};
