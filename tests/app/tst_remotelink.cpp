// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeCaptureDevice.h"
#include "KivraWebcam.h"
#include "LocalTcp.h"
#include "QtRemoteSocket.h"
#include "StationRig.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

constexpr int patience = 10000;

// The station with the real socket component on a port of the test's
// choosing.
struct Station
{
    explicit Station(quint16 port)
        : rig({.capture = &capture,
               .remoteSockets = {[] { return std::make_unique<QtRemoteSocket>(); }, port}})
    {
        window.Load();
    }
    FakeCaptureDevice capture{{QStringLiteral("Cam")}, 0};
    StationRig rig;
    KivraWebcam& window = rig.window();

    QPushButton* toggle() const { return window.controls().cmdEnableRemote; }
    QString status() const { return window.controls().lblStatus->text(); }
    RemoteSocket* socket() const { return window.remoteLink().SocketsDLL(); }
    void expectOff() const
    {
        QVERIFY(!window.remoteControl());
        QVERIFY(!socket());
        QCOMPARE(toggle()->text(), QStringLiteral("Enable Remote Control"));
        QVERIFY(toggle()->isHidden());
    }
};

} // namespace

class TestRemoteLink : public QObject
{
    Q_OBJECT
private slots:
    void hiddenToggleListensNamesPeersAndSwitchesOff()
    {
        const quint16 port = freeTcpPort();
        Station s(port);
        s.expectOff();

        s.toggle()->click();
        QVERIFY(s.window.remoteControl());
        QVERIFY(s.socket());
        QCOMPARE(s.toggle()->text(), QStringLiteral("Disable Remote Control"));
        QCOMPARE(s.status(), QStringLiteral("Listening for Remote connection request"));

        auto first = connectFrom(QStringLiteral("127.0.0.1"), port);
        QTRY_COMPARE_WITH_TIMEOUT(s.status(), QStringLiteral("Connected to 127.0.0.1"), patience);
        auto second = connectFrom(QStringLiteral("127.0.0.2"), port);
        QTRY_COMPARE_WITH_TIMEOUT(s.status(), QStringLiteral("Connected to 127.0.0.2"), patience);

        // A megabyte from the first peer: read to the end, then nothing shows.
        QSignalSpy text(s.socket(), &RemoteSocket::TextReceived);
        const qint64 megabyte = 1 << 20;
        first->write(QByteArray(megabyte, 'p'));
        qint64 received = 0;
        qint64 largest = 0;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                for (; !text.isEmpty(); text.removeFirst()) {
                    const qint64 n = text.first().at(0).toString().size();
                    received += n;
                    largest = qMax(largest, n);
                }
                return received == megabyte;
            }(),
            patience * 3);
        // Read in small pieces and kept nowhere: memory stays flat.
        QVERIFY(largest <= QtRemoteSocket::readPiece);
        for (const QTcpSocket* held : s.socket()->findChildren<QTcpSocket*>()) {
            QCOMPARE(held->bytesAvailable(), 0);
            QVERIFY(held->readBufferSize() > 0);
            QCOMPARE(held->bytesToWrite(), 0);
        }
        QCOMPARE(s.status(), QStringLiteral("Connected to 127.0.0.2"));
        QCOMPARE(s.toggle()->text(), QStringLiteral("Disable Remote Control"));
        QCOMPARE(first->bytesAvailable(), 0);
        QCOMPARE(first->state(), QAbstractSocket::ConnectedState);

        s.toggle()->click();
        s.expectOff();
        QCOMPARE(s.status(), QStringLiteral("Not accepting remote connections"));
        QTRY_COMPARE_WITH_TIMEOUT(first->state(), QAbstractSocket::UnconnectedState, patience);
        QTRY_COMPARE_WITH_TIMEOUT(second->state(), QAbstractSocket::UnconnectedState, patience);
        auto late = connectFrom(QStringLiteral("127.0.0.1"), port);
        QVERIFY(!late->waitForConnected(patience));
        QCOMPARE(late->error(), QAbstractSocket::ConnectionRefusedError);
    }

    void aPortInUseLeavesTheLinkOff()
    {
        QTcpServer holder;
        QVERIFY(holder.listen(QHostAddress::LocalHost, 0));
        Station s(holder.serverPort());

        s.toggle()->click();
        s.expectOff();
        const QString prefix = QStringLiteral("Remote control unavailable: ");
        QVERIFY2(s.status().startsWith(prefix), qPrintable(s.status()));
        QVERIFY(s.status().size() > prefix.size());

        // Once the port is free, the next click listens on it.
        holder.close();
        s.toggle()->click();
        QVERIFY(s.window.remoteControl());
        QCOMPARE(s.status(), QStringLiteral("Listening for Remote connection request"));
    }
};

QTEST_MAIN(TestRemoteLink)
#include "tst_remotelink.moc"
