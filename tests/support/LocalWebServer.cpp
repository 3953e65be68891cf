// SPDX-License-Identifier: GPL-3.0-or-later
#include "LocalWebServer.h"

#include <QTcpSocket>

LocalWebServer::LocalWebServer(QObject* parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &LocalWebServer::onConnection);
}

bool LocalWebServer::start()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QString LocalWebServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
}

void LocalWebServer::addPage(const QString& path, const QString& title)
{
    m_titles.insert(path, title);
}

void LocalWebServer::hold(const QString& path)
{
    m_held.insert(path);
}

void LocalWebServer::release()
{
    m_held.clear();
    const auto waiting = std::exchange(m_waiting, {});
    for (const auto& [socket, path] : waiting) {
        if (socket)
            answer(socket, path);
    }
}

void LocalWebServer::onConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadable(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_received.remove(socket);
            socket->deleteLater();
        });
    }
}

void LocalWebServer::onReadable(QTcpSocket* socket)
{
    QByteArray& received = m_received[socket];
    received += socket->readAll();
    if (!received.contains("\r\n\r\n"))
        return;
    // "GET /path HTTP/1.1"
    const QList<QByteArray> requestLine = received.left(received.indexOf("\r\n")).split(' ');
    received.clear();
    const QString path = requestLine.size() >= 2 ? QString::fromLatin1(requestLine[1]) : QString();
    m_requests.append(path);
    emit requested(path);
    if (m_held.contains(path))
        m_waiting.append({socket, path});
    else
        answer(socket, path);
}

void LocalWebServer::answer(QTcpSocket* socket, const QString& path)
{
    QByteArray status = "200 OK";
    QByteArray body;
    if (m_titles.contains(path)) {
        const QByteArray title = m_titles.value(path).toUtf8();
        body = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + title +
               "</title></head><body><h1>" + title + "</h1></body></html>";
    } else {
        status = "404 Not Found";
        body = "<!DOCTYPE html><html><head><title>Not found</title></head><body></body></html>";
    }
    socket->write("HTTP/1.1 " + status +
                  "\r\nContent-Type: text/html; charset=utf-8"
                  "\r\nCache-Control: no-store"
                  "\r\nConnection: close"
                  "\r\nContent-Length: " +
                  QByteArray::number(body.size()) + "\r\n\r\n" + body);
    socket->disconnectFromHost();
}
