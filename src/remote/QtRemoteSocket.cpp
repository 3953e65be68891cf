// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtRemoteSocket.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <utility>

namespace {

// A peer reaching the dual-stack server over IPv4 is named by its IPv4
// address, as the operator knows it, not by the mapped IPv6 form.
QString hostText(const QHostAddress& address)
{
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    if (isV4)
        return QHostAddress(v4).toString();
    return address.toString();
}

} // namespace

QtRemoteSocket::QtRemoteSocket(QObject* parent)
    : RemoteSocket(parent)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &QtRemoteSocket::acceptPending);
}

QtRemoteSocket::~QtRemoteSocket()
{
    dropAll();
}

void QtRemoteSocket::SetOption(int)
{
    // No option changes how this component works.
}

bool QtRemoteSocket::Listen(qint32 number)
{
    dropAll();
    if (number < 1 || number > 65535) {
        m_error = QStringLiteral("%1 is not a TCP port number").arg(number);
        return false;
    }
    if (!m_server->listen(QHostAddress::Any, quint16(number))) {
        m_error = m_server->errorString();
        return false;
    }
    m_error.clear();
    return true;
}

void QtRemoteSocket::SetFolder(const QString&)
{
    // Nothing is read from or written to the folder.
}

bool QtRemoteSocket::isListening() const
{
    return m_server->isListening();
}

void QtRemoteSocket::acceptPending()
{
    // A handler of our notifications may release this object.
    const QPointer<QtRemoteSocket> self(this);
    while (QTcpSocket* peer = m_server->nextPendingConnection()) {
        if (m_peers.size() >= maxConnections) {
            peer->abort();
            peer->deleteLater();
            continue;
        }
        m_peers.append(peer);
        // Bounds what Qt keeps for us should the event loop be busy
        // elsewhere; the kernel then holds the rest and slows the peer.
        peer->setReadBufferSize(readPiece * 4);
        connect(peer, &QTcpSocket::readyRead, this, [this, peer] { readFrom(peer); });
        connect(peer, &QTcpSocket::disconnected, this, [this, peer] { forget(peer); });
        emit RemoteConnected(hostText(peer->peerAddress()));
        if (!self)
            return;
        // Text may have come with the connection itself.
        readFrom(peer);
        if (!self)
            return;
    }
}

void QtRemoteSocket::readFrom(QTcpSocket* peer)
{
    // A handler of our notifications may release this object or drop
    // the peer; stop reading as soon as either happened.
    const QPointer<QtRemoteSocket> self(this);
    char buffer[readPiece];
    while (m_peers.contains(peer) && peer->bytesAvailable() > 0) {
        const qint64 n = peer->read(buffer, readPiece);
        if (n <= 0)
            break;
        emit TextReceived(QString::fromUtf8(buffer, n));
        if (!self)
            return;
    }
}

void QtRemoteSocket::forget(QTcpSocket* peer)
{
    if (!m_peers.removeOne(peer))
        return;
    peer->disconnect(this);
    peer->deleteLater();
}

void QtRemoteSocket::dropAll()
{
    m_server->close();
    const QList<QTcpSocket*> peers = std::exchange(m_peers, {});
    for (QTcpSocket* peer : peers) {
        // Closing emits the socket's own signals; nothing of ours should
        // run on a socket that is going away.
        peer->disconnect(this);
        peer->abort();
        // Deleted later: this may run while the socket is still inside
        // one of its own signals.
        peer->deleteLater();
    }
}
