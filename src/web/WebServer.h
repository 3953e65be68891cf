// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "WebSessions.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class FrameHub;
class StationRemote;
class UiBridge;
class WebApi;
class WebCertificate;
struct MHD_Daemon;
struct WebSettings;

// The web remote's HTTPS server: libmicrohttpd with its own threads, one per
// connection, bounded in number overall and per address, with an idle
// timeout. Lives on the user-interface thread; its threads reach the
// station only through the queued calls of a UiBridge. A frame is taken
// from the station once per period while someone watches.
class WebServer final : public QObject
{
    Q_OBJECT
public:
    static constexpr unsigned mostConnections = 64;
    static constexpr unsigned mostPerAddress = 16;
    static constexpr unsigned idleSeconds = 30;

    explicit WebServer(StationRemote& remote, QObject* parent = nullptr);
    ~WebServer() override;

    // Listens on the settings' port (0 picks a free one, for tests) with
    // the certificate; false with the reason when it cannot.
    bool start(const WebSettings& settings, const WebCertificate& certificate,
               QString* why = nullptr);
    void stop();
    bool isRunning() const { return m_daemon != nullptr; }
    quint16 port() const { return m_port; }
    WebSessions& sessions() { return m_sessions; }

signals:
    // Something for the status line: who signed in.
    void status(const QString& text);

private:
    void takeFrame();

    StationRemote& m_remote;
    WebSessions m_sessions;
    std::unique_ptr<UiBridge> m_bridge;
    std::unique_ptr<FrameHub> m_frames;
    std::unique_ptr<WebApi> m_api;
    MHD_Daemon* m_daemon = nullptr;
    quint16 m_port = 0;
    QTimer m_frameTimer;
};
