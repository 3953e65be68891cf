// SPDX-License-Identifier: GPL-3.0-or-later
#include "WebServer.h"

#include "FrameHub.h"
#include "StationRemote.h"
#include "UiBridge.h"
#include "WebApi.h"
#include "WebCertificate.h"
#include "WebSettings.h"

#include "LogCategories.h"

#include <QHostAddress>
#include <QLoggingCategory>
#include <QMetaObject>

#include <microhttpd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

constexpr const char* securityHeaders[][2] = {
    {"Cache-Control", "no-store"},
    {"X-Content-Type-Options", "nosniff"},
    {"Referrer-Policy", "no-referrer"},
    {"Content-Security-Policy",
     "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' blob:; "
     "connect-src 'self'; form-action 'self'; base-uri 'none'; frame-ancestors 'none'"},
    {"X-Frame-Options", "DENY"},
    {"Strict-Transport-Security", "max-age=31536000"},
};

// What one request has gathered between the library's calls.
struct Pending
{
    WebRequest request;
    bool refused = false;
};

QByteArray header(MHD_Connection* connection, enum MHD_ValueKind kind, const char* name)
{
    const char* value = MHD_lookup_connection_value(connection, kind, name);
    return value ? QByteArray(value) : QByteArray();
}

QString clientAddress(MHD_Connection* connection)
{
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (!info || !info->client_addr)
        return {};
    QHostAddress address(info->client_addr);
    bool mapped = false;
    const quint32 v4 = address.toIPv4Address(&mapped);
    return mapped ? QHostAddress(v4).toString() : address.toString();
}

MHD_Result send(MHD_Connection* connection, const WebReply& reply)
{
    MHD_Response* response = MHD_create_response_from_buffer(
        size_t(reply.body.size()), const_cast<char*>(reply.body.constData()),
        MHD_RESPMEM_MUST_COPY);
    if (!response)
        return MHD_NO;
    if (!reply.contentType.isEmpty())
        MHD_add_response_header(response, "Content-Type", reply.contentType.constData());
    for (const auto& pair : securityHeaders)
        MHD_add_response_header(response, pair[0], pair[1]);
    for (const auto& [name, value] : reply.headers)
        MHD_add_response_header(response, name.constData(), value.constData());
    const MHD_Result queued = MHD_queue_response(connection, unsigned(reply.status), response);
    MHD_destroy_response(response);
    return queued;
}

WebRequest headersOf(MHD_Connection* connection, const char* url, const char* method)
{
    WebRequest r;
    r.method = method;
    r.path = url;
    r.cookies = header(connection, MHD_HEADER_KIND, "Cookie");
    r.csrfToken = header(connection, MHD_HEADER_KIND, "X-CSRF-Token");
    r.contentType = header(connection, MHD_HEADER_KIND, "Content-Type");
    r.after = header(connection, MHD_GET_ARGUMENT_KIND, "after");
    r.address = clientAddress(connection);
    return r;
}

std::optional<qint64> declaredLength(MHD_Connection* connection)
{
    const QByteArray text = header(connection, MHD_HEADER_KIND, "Content-Length");
    bool ok = false;
    const qint64 length = text.toLongLong(&ok);
    if (text.isEmpty())
        return std::nullopt;
    return ok ? length : std::numeric_limits<qint64>::max();
}

MHD_Result onRequest(void* context, MHD_Connection* connection, const char* url, const char* method,
                     const char*, const char* upload, size_t* uploadSize, void** state)
{
    auto& api = *static_cast<WebApi*>(context);
    auto* pending = static_cast<Pending*>(*state);
    if (!pending) {
        // The headers alone: refuse here and the body is never read.
        pending = new Pending{headersOf(connection, url, method)};
        *state = pending;
        if (auto refused = api.admit(pending->request, declaredLength(connection))) {
            pending->refused = true;
            return send(connection, *refused);
        }
        return MHD_YES;
    }
    if (pending->refused)
        return MHD_NO;
    if (*uploadSize > 0) {
        // A body without a declared length that grows past the limit ends
        // the connection.
        if (pending->request.body.size() + qint64(*uploadSize) > WebApi::largestBody)
            return MHD_NO;
        pending->request.body.append(upload, qsizetype(*uploadSize));
        *uploadSize = 0;
        return MHD_YES;
    }
    return send(connection, api.answer(pending->request));
}

// The library's own complaints (a client that is no TLS client, a
// handshake cut short) are for developers, not the operator's log.
void onLibraryMessage(void*, const char* format, va_list arguments)
{
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    qCDebug(kivraRemote, "web server: %s", QByteArray(text).trimmed().constData());
}

void onCompleted(void*, MHD_Connection*, void** state, MHD_RequestTerminationCode)
{
    delete static_cast<Pending*>(*state);
    *state = nullptr;
}

} // namespace

WebServer::WebServer(StationRemote& remote, QObject* parent)
    : QObject(parent)
    , m_remote(remote)
{
    connect(&m_frameTimer, &QTimer::timeout, this, &WebServer::takeFrame);
}

WebServer::~WebServer()
{
    stop();
}

bool WebServer::start(const WebSettings& settings, const WebCertificate& certificate, QString* why)
{
    stop();
    // A bridge for this run only: a call queued by a run already stopped
    // finds its own bridge shut and never reaches the new one's parts.
    m_bridge = std::make_unique<UiBridge>(this);
    m_frames = std::make_unique<FrameHub>(settings.frameWidth);
    m_api = std::make_unique<WebApi>(
        WebApi::Passwords{settings.adminHash, settings.guestHash}, m_sessions, *m_bridge, m_remote,
        *m_frames, [this](const QString& text) {
            QMetaObject::invokeMethod(
                this, [this, text] { emit status(text); }, Qt::QueuedConnection);
        });
    const QByteArray cert = certificate.certificatePem();
    const QByteArray key = certificate.keyPem();
    const unsigned flags = MHD_USE_THREAD_PER_CONNECTION | MHD_USE_INTERNAL_POLLING_THREAD |
                           MHD_USE_POLL | MHD_USE_TLS | MHD_USE_ERROR_LOG;
    for (const unsigned stack : {unsigned(MHD_USE_DUAL_STACK), 0u}) {
        m_daemon = MHD_start_daemon(
            flags | stack, uint16_t(settings.port), nullptr, nullptr, &onRequest, m_api.get(),
            MHD_OPTION_HTTPS_MEM_CERT, cert.constData(), MHD_OPTION_HTTPS_MEM_KEY, key.constData(),
            MHD_OPTION_HTTPS_PRIORITIES, "NORMAL:-VERS-ALL:+VERS-TLS1.3:+VERS-TLS1.2",
            MHD_OPTION_CONNECTION_LIMIT, mostConnections, MHD_OPTION_PER_IP_CONNECTION_LIMIT,
            mostPerAddress, MHD_OPTION_CONNECTION_TIMEOUT, idleSeconds,
            MHD_OPTION_CONNECTION_MEMORY_LIMIT, size_t(64 * 1024), MHD_OPTION_NOTIFY_COMPLETED,
            &onCompleted, nullptr, MHD_OPTION_EXTERNAL_LOGGER, &onLibraryMessage, nullptr,
            MHD_OPTION_END);
        if (m_daemon)
            break;
    }
    if (!m_daemon) {
        const int error = errno;
        if (why)
            *why = QStringLiteral("port %1: %2")
                       .arg(settings.port)
                       .arg(QString::fromLocal8Bit(std::strerror(error)));
        m_api.reset();
        m_frames.reset();
        m_bridge.reset();
        return false;
    }
    const MHD_DaemonInfo* info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_BIND_PORT);
    m_port = info ? info->port : quint16(settings.port);
    m_frameTimer.start(1000 / qMax(1, settings.frameRate));
    return true;
}

void WebServer::stop()
{
    m_frameTimer.stop();
    if (!m_daemon)
        return;
    // Waiting server threads first let go, so the daemon's threads end.
    m_bridge->shutdown();
    m_frames->shutdown();
    MHD_stop_daemon(m_daemon);
    m_daemon = nullptr;
    m_port = 0;
    m_api.reset();
    m_frames.reset();
    m_bridge.reset();
    m_sessions.closeAll();
}

void WebServer::takeFrame()
{
    if (m_frames && m_frames->watched())
        m_frames->offer(m_remote.picture());
}
