// SPDX-License-Identifier: GPL-3.0-or-later
#include "LocalTcp.h"
#include "QtRemoteSocket.h"

#include <QSignalSpy>
#include <QTest>

class TestRemoteSocket : public QObject
{
    Q_OBJECT
private slots:
    void connectionsBeyondTheLimitAreClosed()
    {
        const quint16 port = freeTcpPort();
        QtRemoteSocket socket;
        QSignalSpy peers(&socket, &RemoteSocket::RemoteConnected);
        QVERIFY(socket.Listen(port));

        std::vector<std::unique_ptr<QTcpSocket>> clients;
        for (int i = 0; i < QtRemoteSocket::maxConnections; ++i)
            clients.push_back(connectFrom(QStringLiteral("127.0.0.1"), port));
        QTRY_COMPARE_WITH_TIMEOUT(peers.count(), QtRemoteSocket::maxConnections, 10000);

        auto extra = connectFrom(QStringLiteral("127.0.0.1"), port);
        QTRY_COMPARE_WITH_TIMEOUT(extra->state(), QAbstractSocket::UnconnectedState, 10000);
        QCOMPARE(peers.count(), QtRemoteSocket::maxConnections);

        // A place that comes free is taken by the next peer.
        clients.front()->disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(socket.connectionCount(), QtRemoteSocket::maxConnections - 1,
                                  10000);
        auto next = connectFrom(QStringLiteral("127.0.0.3"), port);
        QTRY_COMPARE_WITH_TIMEOUT(peers.count(), QtRemoteSocket::maxConnections + 1, 10000);
        QCOMPARE(peers.last().at(0).toString(), QStringLiteral("127.0.0.3"));
    }

    void numbersThatAreNoPortAreRefused()
    {
        QtRemoteSocket socket;
        for (qint32 number : {0, -1, 65536}) {
            QVERIFY(!socket.Listen(number));
            QVERIFY(!socket.isListening());
            QVERIFY(!socket.errorString().isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestRemoteSocket)
#include "tst_remotesocket.moc"
