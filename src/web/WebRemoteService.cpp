// SPDX-License-Identifier: GPL-3.0-or-later
#include "WebRemoteService.h"

#include "LogCategories.h"
#include "WebServer.h"
#include "WebSettings.h"

#include <QHostAddress>
#include <QLoggingCategory>
#include <QTcpServer>

WebRemoteService::WebRemoteService(SettingsStore& settings, StationRemote& remote,
                                   QString dataFolder, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_dataFolder(std::move(dataFolder))
    , m_server(new WebServer(remote, this))
{
    connect(m_server, &WebServer::status, this, &WebRemoteService::status);
}

WebRemoteService::~WebRemoteService()
{
    stop();
}

void WebRemoteService::apply()
{
    const WebSettings settings = readWebSettings(m_settings);
    const bool wasRunning = m_server->isRunning();
    m_server->stop();
    m_certificate = WebCertificate();
    if (!settings.enabled) {
        if (wasRunning)
            emit status(QStringLiteral("Web remote stopped"));
        return;
    }
    if (!settings.canRun()) {
        emit status(QStringLiteral("Web remote off: no admin password is set"));
        return;
    }
    const bool ownFiles = !settings.certificate.isEmpty() || !settings.key.isEmpty();
    WebCertificate certificate =
        ownFiles ? WebCertificate::fromFiles(settings.certificate, settings.key)
                 : WebCertificate::selfSigned(m_dataFolder, WebCertificate::stationNames());
    if (!certificate.isValid()) {
        emit status(QStringLiteral("Web remote could not start: ") + certificate.error());
        return;
    }
    QString why;
    if (!m_server->start(settings, certificate, &why)) {
        emit status(QStringLiteral("Web remote could not start: ") +
                    whyNotStarted(settings.port, why));
        return;
    }
    m_certificate = certificate;
    qCInfo(kivraRemote, "web remote certificate SHA-256 %s", qPrintable(fingerprint()));
    emit status(QStringLiteral("Web remote on port %1").arg(m_server->port()));
}

void WebRemoteService::stop()
{
    m_server->stop();
}

bool WebRemoteService::isRunning() const
{
    return m_server->isRunning();
}

quint16 WebRemoteService::port() const
{
    return m_server->port();
}

QStringList WebRemoteService::addresses() const
{
    QStringList list;
    if (!isRunning())
        return list;
    for (const QString& name : WebCertificate::stationNames()) {
        const QHostAddress address(name);
        if (address.isLoopback() || name == QLatin1String("localhost"))
            continue;
        const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                                 ? QLatin1Char('[') + name + QLatin1Char(']')
                                 : name;
        list.append(QStringLiteral("https://%1:%2/").arg(host).arg(port()));
    }
    return list;
}

WebSessions& WebRemoteService::sessions()
{
    return m_server->sessions();
}

// The server library says little about a failed start; a plain listen on
// the same port names the usual reason, a port that is taken.
QString WebRemoteService::whyNotStarted(int port, const QString& serverReason) const
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::Any, quint16(port))) {
        if (probe.serverError() == QAbstractSocket::AddressInUseError)
            return QStringLiteral("port %1 is in use").arg(port);
        return QStringLiteral("port %1: %2").arg(port).arg(probe.errorString());
    }
    return serverReason;
}
