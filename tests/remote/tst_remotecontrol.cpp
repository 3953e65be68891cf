// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeRemoteSocket.h"
#include "RemoteControl.h"

#include <QSignalSpy>
#include <QTest>

class TestRemoteControl : public QObject
{
    Q_OBJECT
private slots:
    void switchingOnCallsTheComponentInOrderAndNamesPeers()
    {
        FakeRemoteSockets sockets;
        RemoteControl link({sockets.factory()}, QStringLiteral("/opt/cam/"));
        QSignalSpy status(&link, &RemoteControl::status);

        link.Toggle();
        QCOMPARE(sockets.calls,
                 (QStringList{"create", "SetOption 0", "Listen 81", "SetFolder /opt/cam"}));

        // The host text is shown exactly as given, even when empty; text is ignored.
        emit link.SocketsDLL()->RemoteConnected(QString());
        emit link.SocketsDLL()->TextReceived(QStringLiteral("PAN 100\r\n"));
        QCOMPARE(status.count(), 2);
        QCOMPARE(status.last().at(0).toString(), QStringLiteral("Connected to "));

        // Back to the start state without a word on the status line.
        link.reset();
        QCOMPARE(sockets.alive, 0);
        QVERIFY(!link.isOn());
        QCOMPARE(link.caption(), QStringLiteral("Enable Remote Control"));
        QCOMPARE(status.count(), 2);
    }

    void noSocketObjectLeavesTheLinkOff()
    {
        FakeRemoteSockets sockets;
        sockets.unavailable = true;
        RemoteControl fromFactory({sockets.factory()}, QString());
        RemoteControl withoutFactory({}, QString());
        for (RemoteControl* link : {&fromFactory, &withoutFactory}) {
            QSignalSpy status(link, &RemoteControl::status);
            link->Toggle();
            QVERIFY(!link->isOn());
            QCOMPARE(status.last().at(0).toString(),
                     QStringLiteral("Remote control unavailable: no socket component"));
        }
    }
};

QTEST_GUILESS_MAIN(TestRemoteControl)
#include "tst_remotecontrol.moc"
