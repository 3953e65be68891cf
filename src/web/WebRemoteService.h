// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "WebCertificate.h"

#include <QObject>
#include <QStringList>

class SettingsStore;
class StationRemote;
class WebServer;
class WebSessions;

// The web remote as the station runs it: on when [Web] says "Enabled" and an
// admin password is set, else off; the certificate chosen and the server
// started, with what happened for the status line.
class WebRemoteService final : public QObject
{
    Q_OBJECT
public:
    WebRemoteService(SettingsStore& settings, StationRemote& remote, QString dataFolder,
                     QObject* parent = nullptr);
    ~WebRemoteService() override;

    // Starts, restarts or stops the remote as the settings say now.
    void apply();
    void stop();

    bool isRunning() const;
    quint16 port() const;
    // Of the certificate in use; empty while off.
    QString fingerprint() const { return m_certificate.fingerprint(); }
    // The addresses to open on a phone, https://…:port/.
    QStringList addresses() const;
    WebSessions& sessions();

signals:
    void status(const QString& text);

private:
    QString whyNotStarted(int port, const QString& serverReason) const;

    SettingsStore& m_settings;
    QString m_dataFolder;
    WebCertificate m_certificate;
    WebServer* m_server;
};
