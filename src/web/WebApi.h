// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "LoginThrottle.h"
#include "WebReply.h"
#include "WebSessions.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <functional>
#include <optional>

class FrameHub;
class StationRemote;
class UiBridge;

// One request as the server hands it over.
struct WebRequest
{
    QByteArray method;
    QByteArray path;
    QByteArray cookies;
    QByteArray csrfToken;
    QByteArray contentType;
    QByteArray after;
    QString address;
    QByteArray body;
};

// The web remote's JSON API, run on the server's threads. Requests are
// judged twice: on their headers, before any body is read (unknown path,
// no session, too many failed logins, too large), then whole. Everything
// that touches the station goes through the bridge to the user-interface
// thread.
class WebApi final
{
public:
    static constexpr qsizetype largestBody = 16 * 1024;
    static constexpr auto longestFrameWait = std::chrono::seconds(10);

    struct Passwords
    {
        QString adminHash;
        QString guestHash;
    };

    WebApi(Passwords passwords, WebSessions& sessions, UiBridge& bridge, StationRemote& remote,
           FrameHub& frames, std::function<void(const QString&)> tell);

    // A refusal on the headers alone, or none when the body may come.
    std::optional<WebReply> admit(const WebRequest& headers, std::optional<qint64> length);
    WebReply answer(const WebRequest& request);

private:
    WebReply login(const WebRequest& request);
    WebReply logout(const WebRequest& request, const WebSessions::Session& session);
    WebReply state(const WebSessions::Session& session);
    WebReply frame(const WebRequest& request);
    WebReply point(const QJsonObject& body);
    WebReply onPreset(const QByteArray& path);
    WebReply editPreset(const WebRequest& request);
    WebReply setMode(const QJsonObject& body);
    WebReply sendFrame();
    WebReply onStation(std::function<WebReply()> work);
    std::optional<WebReply> refusedChange(const WebRequest& request,
                                          const WebSessions::Session& session, bool guestMay);

    Passwords m_passwords;
    WebSessions& m_sessions;
    LoginThrottle m_throttle;
    UiBridge& m_bridge;
    StationRemote& m_remote;
    FrameHub& m_frames;
    std::function<void(const QString&)> m_tell;
    QHash<QByteArray, QByteArray> m_page;
};
