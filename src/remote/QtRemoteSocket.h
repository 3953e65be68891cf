// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RemoteSocket.h"

#include <QList>

class QTcpServer;
class QTcpSocket;

// The socket component on Qt Network: a TCP server on every interface.
// Incoming text is read as soon as it arrives and handed on in pieces, so
// a talkative peer never makes the station hold more than a few pieces.
class QtRemoteSocket final : public RemoteSocket
{
    Q_OBJECT
public:
    // Beyond this many connections at once, further peers are closed as
    // soon as they connect: each one costs a file handle.
    static constexpr int maxConnections = 16;
    // The largest piece of text read (and reported) in one go, in bytes.
    static constexpr qint64 readPiece = 4096;

    explicit QtRemoteSocket(QObject* parent = nullptr);
    ~QtRemoteSocket() override;

    void SetOption(int option) override;
    bool Listen(qint32 number) override;
    void SetFolder(const QString& folder) override;
    QString errorString() const override { return m_error; }

    bool isListening() const;
    int connectionCount() const { return int(m_peers.size()); }

private:
    void acceptPending();
    void readFrom(QTcpSocket* peer);
    void forget(QTcpSocket* peer);
    void dropAll();

    QTcpServer* m_server;
    QList<QTcpSocket*> m_peers;
    QString m_error;
};
