// SPDX-License-Identifier: GPL-3.0-or-later
#include "CameraTestServer.h"

#include "FtpTestServer.h"

#include <QColor>
#include <QImage>

CameraTestServer::CameraTestServer(const Options& options)
    : m_options(options)
{
    start();
}

CameraTestServer::~CameraTestServer()
{
    stop();
}

bool CameraTestServer::start()
{
    if (m_process.state() != QProcess::NotRunning)
        return true;
    QStringList arguments = {QStringLiteral("--kind"),
                             m_options.kind == Kind::Rtsp ? QStringLiteral("rtsp")
                                                          : QStringLiteral("mjpeg"),
                             QStringLiteral("--port"),
                             QString::number(m_port),
                             QStringLiteral("--colour"),
                             m_colour,
                             QStringLiteral("--width"),
                             QString::number(m_options.size.width()),
                             QStringLiteral("--height"),
                             QString::number(m_options.size.height()),
                             QStringLiteral("--rate"),
                             QString::number(m_options.rate)};
    if (!m_options.user.isEmpty())
        arguments << QStringLiteral("--user") << m_options.user << QStringLiteral("--password")
                  << m_options.password;
    const quint16 port = FtpTestServer::launch(
        m_process, QStringLiteral(KIVRA_CAMERA_SERVER_SCRIPT), arguments, &m_error);
    if (port == 0)
        return false;
    m_port = port;
    return true;
}

void CameraTestServer::stop()
{
    FtpTestServer::end(m_process);
}

QString CameraTestServer::address() const
{
    if (m_options.kind == Kind::Rtsp)
        return QStringLiteral("rtsp://127.0.0.1:%1/stream").arg(m_port);
    return QStringLiteral("http://127.0.0.1:%1/").arg(m_port);
}

NetworkCamera CameraTestServer::camera(const QString& name) const
{
    NetworkCamera camera;
    camera.name = name;
    camera.address = address();
    camera.user = m_options.user;
    camera.password = m_options.password;
    return camera;
}

void CameraTestServer::setColour(const QString& colour)
{
    m_colour = colour;
    m_process.write(colour.toUtf8() + '\n');
}

QString CameraTestServer::colourOf(const QImage& image)
{
    if (image.isNull())
        return {};
    const QColor c = image.pixelColor(image.width() / 2, image.height() / 2);
    const auto high = [](int v) { return v > 190; };
    const auto low = [](int v) { return v < 70; };
    if (high(c.red()) && low(c.green()) && low(c.blue()))
        return QStringLiteral("red");
    if (low(c.red()) && high(c.green()) && low(c.blue()))
        return QStringLiteral("green");
    if (low(c.red()) && low(c.green()) && high(c.blue()))
        return QStringLiteral("blue");
    if (high(c.red()) && high(c.green()) && high(c.blue()))
        return QStringLiteral("white");
    if (low(c.red()) && low(c.green()) && low(c.blue()))
        return QStringLiteral("black");
    return {};
}
