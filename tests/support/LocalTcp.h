// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

// A TCP port that nothing listens on right now, on any interface.
inline quint16 freeTcpPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::Any, 0))
        return 0;
    return probe.serverPort();
}

// A client connecting from the given loopback address (127.0.0.1, or
// another of 127/8 to look like a different peer).
inline std::unique_ptr<QTcpSocket> connectFrom(const QString& localAddress, quint16 port)
{
    auto client = std::make_unique<QTcpSocket>();
    client->bind(QHostAddress(localAddress));
    client->connectToHost(QHostAddress::LocalHost, port);
    return client;
}
