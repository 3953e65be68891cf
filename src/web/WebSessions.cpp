// SPDX-License-Identifier: GPL-3.0-or-later
#include "WebSessions.h"

#include <sodium.h>

namespace {

QByteArray randomText()
{
    unsigned char bytes[32];
    randombytes_buf(bytes, sizeof bytes);
    return QByteArray(reinterpret_cast<const char*>(bytes), sizeof bytes)
        .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

} // namespace

QString roleName(WebRole role)
{
    return role == WebRole::Admin ? QStringLiteral("admin") : QStringLiteral("guest");
}

WebSessions::Session WebSessions::open(WebRole role, const QString& address, Clock::time_point now)
{
    if (sodium_init() < 0)
        return {};
    Session s{randomText(), randomText(), role, address, now + lifetime};
    const std::lock_guard lock(m_lock);
    dropEnded(now);
    while (m_sessions.size() >= most) {
        auto oldest = m_sessions.begin();
        for (auto it = m_sessions.begin(); it != m_sessions.end(); ++it)
            if (it->second.end < oldest->second.end)
                oldest = it;
        m_sessions.erase(oldest);
    }
    m_sessions[s.id] = s;
    return s;
}

std::optional<WebSessions::Session> WebSessions::find(const QByteArray& id, Clock::time_point now)
{
    if (id.isEmpty())
        return std::nullopt;
    const std::lock_guard lock(m_lock);
    dropEnded(now);
    const auto it = m_sessions.find(id);
    if (it == m_sessions.end())
        return std::nullopt;
    return it->second;
}

void WebSessions::close(const QByteArray& id)
{
    const std::lock_guard lock(m_lock);
    m_sessions.erase(id);
}

void WebSessions::closeAll()
{
    const std::lock_guard lock(m_lock);
    m_sessions.clear();
}

QList<WebSessions::Session> WebSessions::current(Clock::time_point now)
{
    const std::lock_guard lock(m_lock);
    dropEnded(now);
    QList<Session> all;
    for (const auto& [id, s] : m_sessions)
        all.append(s);
    return all;
}

bool WebSessions::tokenMatches(const Session& session, const QByteArray& token)
{
    return !session.csrf.isEmpty() && token.size() == session.csrf.size() &&
           sodium_memcmp(token.constData(), session.csrf.constData(), size_t(token.size())) == 0;
}

QByteArray WebSessions::cookie(const Session& session)
{
    return QByteArray(cookieName) + '=' + session.id +
           "; Path=/; Max-Age=" + QByteArray::number(cookieSeconds) +
           "; Secure; HttpOnly; SameSite=Strict";
}

QByteArray WebSessions::clearingCookie()
{
    return QByteArray(cookieName) + "=; Path=/; Max-Age=0; Secure; HttpOnly; SameSite=Strict";
}

QByteArray WebSessions::idFromCookies(const QByteArray& header)
{
    const QByteArray prefix = QByteArray(cookieName) + '=';
    for (const QByteArray& part : header.split(';')) {
        const QByteArray item = part.trimmed();
        if (item.startsWith(prefix))
            return item.mid(prefix.size());
    }
    return {};
}

void WebSessions::dropEnded(Clock::time_point now)
{
    std::erase_if(m_sessions, [now](const auto& entry) { return entry.second.end <= now; });
}
