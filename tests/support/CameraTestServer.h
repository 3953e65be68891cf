// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "NetworkCamera.h"

#include <QProcess>
#include <QSize>
#include <QString>

class QImage;

// A real network camera for one test (cameraserver.py): an RTSP server
// (H.264) or an HTTP MJPEG server on a free port of 127.0.0.1, showing one
// plain colour that the test changes. It can be stopped and started again
// on the same port, as a camera switched off and on.
class CameraTestServer final
{
public:
    enum class Kind
    {
        Rtsp,
        Mjpeg,
    };
    struct Options
    {
        Kind kind = Kind::Rtsp;
        // With a user the stream wants this login.
        QString user;
        QString password;
        QSize size{320, 240};
        int rate = 25;
    };

    explicit CameraTestServer(const Options& options);
    ~CameraTestServer();
    CameraTestServer(const CameraTestServer&) = delete;
    CameraTestServer& operator=(const CameraTestServer&) = delete;

    bool isRunning() const { return m_process.state() == QProcess::Running && m_port != 0; }
    QString error() const { return m_error; }
    QString address() const;
    // The camera as the operator would enter it, with the server's login.
    NetworkCamera camera(const QString& name) const;

    // "red", "green", "blue", "white" or "black", from the next frame on.
    void setColour(const QString& colour);
    void stop();
    // On the port it had; false when it does not come up.
    bool start();

    // The plain colour a picture shows in its middle, as named above, or
    // empty when it is none of them.
    static QString colourOf(const QImage& image);

private:
    Options m_options;
    QProcess m_process;
    QString m_colour = QStringLiteral("red");
    quint16 m_port = 0;
    QString m_error;
};
