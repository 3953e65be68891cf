// SPDX-License-Identifier: GPL-3.0-or-later
#include "WebApi.h"

#include "FrameHub.h"
#include "LogCategories.h"
#include "PasswordHash.h"
#include "StationRemote.h"
#include "UiBridge.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QVariant>

#include <algorithm>

namespace {

const QByteArray loginPath = "/api/login";
const QByteArray presetPrefix = "/api/presets/";

// The page's files, compiled into the program; the page needs no session.
struct PageFile
{
    const char* path;
    const char* resource;
    const char* type;
};
constexpr PageFile pageFiles[] = {
    {"/", ":/web/index.html", "text/html; charset=utf-8"},
    {"/app.js", ":/web/app.js", "text/javascript; charset=utf-8"},
    {"/app.css", ":/web/app.css", "text/css; charset=utf-8"},
};

const PageFile* pageFile(const QByteArray& method, const QByteArray& path)
{
    if (method != "GET")
        return nullptr;
    for (const PageFile& file : pageFiles)
        if (path == file.path)
            return &file;
    return nullptr;
}

// /api/presets/<n>: a preset's fields changed.
bool isPresetEdit(const QByteArray& path)
{
    if (!path.startsWith(presetPrefix) || path.size() == presetPrefix.size())
        return false;
    const QByteArray number = path.mid(presetPrefix.size());
    return std::all_of(number.cbegin(), number.cend(), [](char c) { return c >= '0' && c <= '9'; });
}

bool isKnownPath(const QByteArray& method, const QByteArray& path)
{
    if (pageFile(method, path))
        return true;
    if (method == "GET")
        return path == "/api/state" || path == "/api/frame";
    if (method != "POST")
        return false;
    if (path.startsWith(presetPrefix) && (path.endsWith("/go") || path.endsWith("/delete")))
        return true;
    if (isPresetEdit(path))
        return true;
    return path == loginPath || path == "/api/logout" || path == "/api/point" ||
           path == "/api/presets" || path == "/api/mode" || path == "/api/send";
}

std::optional<QJsonObject> jsonBody(const QByteArray& body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

WebReply fromOutcome(StationRemote::Outcome outcome, const QString& notFound,
                     const QString& refused = {})
{
    switch (outcome) {
    case StationRemote::Outcome::Done:
        return WebReply::json({{QStringLiteral("ok"), true}});
    case StationRemote::Outcome::NotFound:
        return WebReply::error(404, notFound);
    case StationRemote::Outcome::Refused:
        return WebReply::error(400, refused);
    case StationRemote::Outcome::NotNow:
        break;
    }
    return WebReply::error(409, QStringLiteral("Not possible in the station's present mode"));
}

QJsonObject stateJson(const RemoteState& s, WebRole role)
{
    QJsonArray presets;
    for (const RemotePreset& p : s.presets)
        presets.append(QJsonObject{{QStringLiteral("number"), p.number},
                                   {QStringLiteral("pan"), p.pan},
                                   {QStringLiteral("tilt"), p.tilt},
                                   {QStringLiteral("delay"), p.delay},
                                   {QStringLiteral("name"), p.name}});
    return {{QStringLiteral("role"), roleName(role)},
            {QStringLiteral("mode"), s.mode},
            {QStringLiteral("pan"), s.pan},
            {QStringLiteral("tilt"), s.tilt},
            {QStringLiteral("padEnabled"), s.padEnabled},
            {QStringLiteral("presets"), presets},
            {QStringLiteral("status"), s.status},
            {QStringLiteral("lastUpload"), s.lastUpload}};
}

} // namespace

WebApi::WebApi(Passwords passwords, WebSessions& sessions, UiBridge& bridge, StationRemote& remote,
               FrameHub& frames, std::function<void(const QString&)> tell)
    : m_passwords(std::move(passwords))
    , m_sessions(sessions)
    , m_bridge(bridge)
    , m_remote(remote)
    , m_frames(frames)
    , m_tell(std::move(tell))
{
    // Read once here, so the server's threads only ever read a copy.
    for (const PageFile& file : pageFiles) {
        QFile resource(QLatin1String(file.resource));
        if (resource.open(QIODevice::ReadOnly))
            m_page.insert(QByteArray(file.path), resource.readAll());
    }
}

std::optional<WebReply> WebApi::admit(const WebRequest& headers, std::optional<qint64> length)
{
    if (!isKnownPath(headers.method, headers.path))
        return WebReply::error(404, QStringLiteral("No such page"));
    if (pageFile(headers.method, headers.path)) {
        // The page itself is public; everything it shows comes from the API.
    } else if (headers.path == loginPath) {
        if (!m_throttle.allowed(headers.address))
            return WebReply::error(429, QStringLiteral("Too many failed logins; wait a minute"));
    } else if (!m_sessions.find(WebSessions::idFromCookies(headers.cookies))) {
        return WebReply::error(401, QStringLiteral("Sign in first"));
    }
    if (length && *length > largestBody)
        return WebReply::error(413, QStringLiteral("Request too large"));
    return std::nullopt;
}

WebReply WebApi::answer(const WebRequest& request)
{
    if (auto refused = admit(request, request.body.size()))
        return *refused;
    if (const PageFile* file = pageFile(request.method, request.path)) {
        WebReply reply;
        reply.contentType = file->type;
        reply.body = m_page.value(request.path);
        return reply;
    }
    if (request.path == loginPath)
        return login(request);
    // Looked up again: the session may have ended while the body came.
    const auto session = m_sessions.find(WebSessions::idFromCookies(request.cookies));
    if (!session)
        return WebReply::error(401, QStringLiteral("Sign in first"));
    if (request.method == "GET")
        return request.path == "/api/state" ? state(*session) : frame(request);

    const bool preset = request.path.startsWith(presetPrefix);
    const bool guestMay = (preset && request.path.endsWith("/go")) || request.path == "/api/logout";
    if (auto refused = refusedChange(request, *session, guestMay))
        return *refused;
    if (request.path == "/api/logout")
        return logout(request, *session);
    if (isPresetEdit(request.path))
        return editPreset(request);
    if (preset)
        return onPreset(request.path);
    if (request.path == "/api/presets")
        return onStation([this] { return fromOutcome(m_remote.addPreset(), {}); });
    if (request.path == "/api/send")
        return sendFrame();
    const auto body = jsonBody(request.body);
    if (!body)
        return WebReply::error(400, QStringLiteral("A JSON object is expected"));
    return request.path == "/api/point" ? point(*body) : setMode(*body);
}

std::optional<WebReply> WebApi::refusedChange(const WebRequest& request,
                                              const WebSessions::Session& session, bool guestMay)
{
    if (!WebSessions::tokenMatches(session, request.csrfToken))
        return WebReply::error(403, QStringLiteral("Missing or wrong X-CSRF-Token"));
    if (session.role != WebRole::Admin && !guestMay)
        return WebReply::error(403, QStringLiteral("Guests may only view and call presets"));
    return std::nullopt;
}

WebReply WebApi::login(const WebRequest& request)
{
    // A form of another site cannot send this type without the browser
    // asking first, so a login cannot be planted from elsewhere.
    if (!request.contentType.startsWith("application/json"))
        return WebReply::error(415, QStringLiteral("Send the login as application/json"));
    const auto body = jsonBody(request.body);
    if (!body)
        return WebReply::error(400, QStringLiteral("A JSON object is expected"));
    const QString user = body->value(QStringLiteral("user")).toString();
    const QByteArray password = body->value(QStringLiteral("password")).toString().toUtf8();
    const bool admin = user == QLatin1String("admin");
    const QString& hash = admin ? m_passwords.adminHash : m_passwords.guestHash;
    const bool known = admin || user == QLatin1String("guest");
    if (!m_throttle.attempt(request.address))
        return WebReply::error(429, QStringLiteral("Too many failed logins; wait a minute"));
    if (!known || !passwordhash::verify(hash, password)) {
        qCWarning(kivraRemote, "web remote: failed login as %s from %s",
                  qPrintable(known ? user : QStringLiteral("an unknown user")),
                  qPrintable(request.address));
        return WebReply::error(401, QStringLiteral("Wrong user or password"));
    }
    m_throttle.succeeded(request.address);
    const auto session = m_sessions.open(admin ? WebRole::Admin : WebRole::Guest, request.address);
    if (session.id.isEmpty())
        return WebReply::error(500, QStringLiteral("No session could be made"));
    m_tell(QStringLiteral("Web remote: %1 signed in from %2").arg(user, request.address));
    WebReply reply = WebReply::json({{QStringLiteral("csrf"), QString::fromLatin1(session.csrf)},
                                     {QStringLiteral("role"), user}});
    reply.headers.append({"Set-Cookie", WebSessions::cookie(session)});
    return reply;
}

WebReply WebApi::logout(const WebRequest& request, const WebSessions::Session& session)
{
    m_sessions.close(session.id);
    qCInfo(kivraRemote, "web remote: %s signed out from %s", qPrintable(roleName(session.role)),
           qPrintable(request.address));
    WebReply reply = WebReply::json({{QStringLiteral("ok"), true}});
    reply.headers.append({"Set-Cookie", WebSessions::clearingCookie()});
    return reply;
}

WebReply WebApi::state(const WebSessions::Session& session)
{
    const WebRole role = session.role;
    // A page opened again finds its token here; another site cannot read
    // this answer.
    const QString csrf = QString::fromLatin1(session.csrf);
    return onStation([this, role, csrf] {
        QJsonObject state = stateJson(m_remote.state(), role);
        state.insert(QStringLiteral("csrf"), csrf);
        return WebReply::json(state);
    });
}

WebReply WebApi::frame(const WebRequest& request)
{
    bool number = false;
    const quint64 after = request.after.isEmpty() ? 0 : request.after.toULongLong(&number);
    if (!request.after.isEmpty() && !number)
        return WebReply::error(400, QStringLiteral("after= takes a frame number"));
    const auto frame = m_frames.frameAfter(after, longestFrameWait);
    WebReply reply;
    if (!frame) {
        reply.status = 204;
        reply.contentType.clear();
        return reply;
    }
    reply.contentType = "image/jpeg";
    reply.body = frame->jpeg;
    reply.headers.append({"X-Frame-Sequence", QByteArray::number(frame->sequence)});
    return reply;
}

WebReply WebApi::point(const QJsonObject& body)
{
    const QJsonValue x = body.value(QStringLiteral("x"));
    const QJsonValue y = body.value(QStringLiteral("y"));
    if (!x.isDouble() || !y.isDouble() || x.toDouble() < 0 || x.toDouble() > 1 ||
        y.toDouble() < 0 || y.toDouble() > 1)
        return WebReply::error(400, QStringLiteral("x and y are numbers from 0 to 1"));
    return onStation([this, px = x.toDouble(), py = y.toDouble()] {
        return fromOutcome(m_remote.point(px, py), {});
    });
}

// /api/presets/<n>/go and /api/presets/<n>/delete
WebReply WebApi::onPreset(const QByteArray& path)
{
    const QByteArrayList parts = path.mid(presetPrefix.size()).split('/');
    bool number = false;
    const int n = parts.size() == 2 ? parts[0].toInt(&number) : 0;
    if (!number || n < 1)
        return WebReply::error(404, QStringLiteral("No such preset"));
    const bool go = parts[1] == "go";
    return onStation([this, n, go] {
        return fromOutcome(go ? m_remote.goToPreset(n) : m_remote.deletePreset(n),
                           QStringLiteral("No such preset"));
    });
}

WebReply WebApi::editPreset(const WebRequest& request)
{
    const int n = request.path.mid(presetPrefix.size()).toInt();
    const auto body = jsonBody(request.body);
    if (!body || body->isEmpty())
        return WebReply::error(400, QStringLiteral("A JSON object with pan, tilt, delay or name "
                                                   "is expected"));
    PresetEdit edit;
    const std::pair<QString, std::optional<QString>*> fields[] = {
        {QStringLiteral("pan"), &edit.pan},
        {QStringLiteral("tilt"), &edit.tilt},
        {QStringLiteral("delay"), &edit.delay},
        {QStringLiteral("name"), &edit.name},
    };
    for (auto it = body->begin(); it != body->end(); ++it) {
        const auto field = std::find_if(std::begin(fields), std::end(fields),
                                        [&it](const auto& f) { return f.first == it.key(); });
        const QJsonValue value = it.value();
        if (field == std::end(fields) || !(value.isString() || value.isDouble()))
            return WebReply::error(400, QStringLiteral("pan, tilt, delay and name take a number "
                                                       "or a text"));
        // The shortest text that reads back as the same number.
        *field->second = value.isString() ? value.toString() : value.toVariant().toString();
    }
    if (n < 1)
        return WebReply::error(404, QStringLiteral("No such preset"));
    return onStation([this, n, edit] {
        QString why;
        const auto outcome = m_remote.editPreset(n, edit, &why);
        return fromOutcome(outcome, QStringLiteral("No such preset"), why);
    });
}

WebReply WebApi::setMode(const QJsonObject& body)
{
    const QString mode = body.value(QStringLiteral("mode")).toString();
    static const QStringList modes{QStringLiteral("manual"), QStringLiteral("random"),
                                   QStringLiteral("sequenced"), QStringLiteral("training")};
    if (!modes.contains(mode))
        return WebReply::error(400,
                               QStringLiteral("mode is manual, random, sequenced or training"));
    return onStation([this, mode] { return fromOutcome(m_remote.setMode(mode), {}); });
}

WebReply WebApi::sendFrame()
{
    return onStation([this] { return fromOutcome(m_remote.sendFrame(), {}); });
}

WebReply WebApi::onStation(std::function<WebReply()> work)
{
    if (auto reply = m_bridge.run(std::move(work)))
        return *reply;
    return WebReply::error(503, QStringLiteral("The station did not answer"));
}
