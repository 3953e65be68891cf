// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeSerialPort.h"
#include "MemorySettingsStore.h"
#include "MountLink.h"
#include "PseudoTerminal.h"
#include "QtSerialPort.h"
#include "SettingsKeys.h"
#include "Texts.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

class TestMountLink : public QObject
{
    Q_OBJECT
private slots:
    void commandsAreLetterDecimalAndCarriageReturn_data()
    {
        QTest::addColumn<char>("letter");
        QTest::addColumn<int>("value");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("pan 57") << 'A' << 57 << QByteArray::fromHex("4135370D");
        QTest::newRow("tilt 12") << 'B' << 12 << QByteArray::fromHex("4231320D");
        QTest::newRow("pan 7 unpadded") << 'A' << 7 << QByteArray::fromHex("41370D");
        QTest::newRow("negative") << 'B' << -1 << QByteArray("B-1\r");
        QTest::newRow("16-bit extremes") << 'A' << -32768 << QByteArray("A-32768\r");
        QTest::newRow("accel faster") << 'D' << 1 << QByteArray::fromHex("44310D");
    }
    void commandsAreLetterDecimalAndCarriageReturn()
    {
        QFETCH(char, letter);
        QFETCH(int, value);
        QFETCH(QByteArray, bytes);
        QCOMPARE(MountLink::command(letter, qint16(value)), bytes);
    }

    void portsMapToConfiguredOrDefaultDevices()
    {
        FakeSerialPort port;
        MemorySettingsStore store;
        store.set(keys::portsSection, QStringLiteral("COM2"), QStringLiteral("/dev/ttyUSB0"));
        MountLink link(port, store);
        QCOMPARE(link.deviceFor(2), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(link.deviceFor(1), MountLink::defaultDevice(1));
        QCOMPARE(MountLink::defaultDevice(4), QStringLiteral("/dev/ttyS3"));
    }

    void choosingAPortClosesTheOpenOneFirst()
    {
        FakeSerialPort port;
        MemorySettingsStore store;
        MountLink link(port, store);
        link.SelectPort(1);
        link.SelectPort(3);
        link.SelectPort(3);
        QCOMPARE(port.events,
                 QStringList({QStringLiteral("open /dev/ttyS0 9600,N,8,1"), QStringLiteral("close"),
                              QStringLiteral("open /dev/ttyS2 9600,N,8,1"), QStringLiteral("close"),
                              QStringLiteral("open /dev/ttyS2 9600,N,8,1")}));
        QCOMPARE(link.portNumber(), 3);
    }

    void aMoveIsPanThenTilt()
    {
        FakeSerialPort port;
        MemorySettingsStore store;
        MountLink link(port, store);
        link.SelectPort(1);
        link.SendPan(120);
        link.SendTilt(1);
        QCOMPARE(port.written, QList<QByteArray>({"A120\r", "B1\r"}));
    }

    void failedOpenIsReportedAndCommandsAreDroppedWithOneNotice()
    {
        FakeSerialPort port;
        MemorySettingsStore store;
        port.failingDevices.insert(QStringLiteral("/dev/ttyS2"));
        MountLink link(port, store);
        QSignalSpy status(&link, &MountLink::status);

        link.SelectPort(3);
        QCOMPARE(status.count(), 1);
        QCOMPARE(status.at(0).at(0).toString(),
                 QStringLiteral("Could not open COM3: No such file or directory"));

        // The reason for the failure stays on the status line; the moves
        // meanwhile reach no port and are not piled up.
        for (int i = 0; i < 50; ++i) {
            link.SendPan(qint16(i));
            link.SendTilt(qint16(i));
        }
        QVERIFY(port.written.isEmpty());
        QCOMPARE(status.count(), 1);
        QCOMPARE(link.waitingCommands(), 2);

        // Once a port opens, a later loss is told again.
        link.SelectPort(1);
        link.SendPan(5);
        QCOMPARE(port.written, QList<QByteArray>{"A5\r"});
        link.ClosePort();
        link.SendPan(5);
        link.SendPan(6);
        QCOMPARE(status.count(), 2);
        QCOMPARE(status.at(1).at(0).toString(), QString(texts::mountNotConnected));
    }

    // A pseudo-terminal nobody reads: the line's buffers fill, and from
    // then on only the newest pan and tilt wait for the mount.
    void aMountThatStopsReadingIsReportedAndGetsOnlyTheNewestMove()
    {
        PseudoTerminal pty;
        QVERIFY(pty.isValid());
        MemorySettingsStore store;
        store.set(keys::portsSection, QStringLiteral("COM1"), pty.slavePath());
        QtSerialPort port;
        MountLink link(port, store);
        QSignalSpy status(&link, &MountLink::status);
        link.SelectPort(1);
        QVERIFY(link.isOpen());

        constexpr int moves = 6000;
        auto move = [&](int i) {
            link.SendPan(qint16(i));
            link.SendTilt(qint16(-i));
            if (i % 50 == 0)
                QCoreApplication::processEvents();
        };
        for (int i = 1; i <= moves; ++i)
            move(i);
        QTRY_VERIFY_WITH_TIMEOUT(!status.isEmpty(), 10000);
        QCOMPARE(status.at(0).at(0).toString(), QStringLiteral("Mount on COM1 is not reading"));
        for (int i = moves + 1; i <= 2 * moves; ++i)
            move(i);
        QVERIFY(port.bytesPending() <= 3 * 8);
        QVERIFY(link.waitingCommands() <= 2);
        QCOMPARE(status.count(), 1);

        // Reading again: what the line held, then the newest move, and the
        // operator hears that the mount is back.
        QByteArray received;
        const QByteArray newest = "A12000\rB-12000\r";
        QTRY_VERIFY_WITH_TIMEOUT((received += pty.readAvailable()).endsWith(newest), 20000);
        QCOMPARE(status.last().at(0).toString(), QStringLiteral("Mount on COM1 back"));
        QVERIFY2(received.count('\r') < moves, qPrintable(QString::number(received.size())));
        QVERIFY(received.startsWith("A1\rB-1\rA2\rB-2\r"));
        // Whole moves only, pan first, however the line held them up.
        QVERIFY(QRegularExpression(QStringLiteral("^(A(\\d+)\rB-\\2\r)+$"))
                    .match(QString::fromLatin1(received))
                    .hasMatch());
    }
};

QTEST_GUILESS_MAIN(TestMountLink)
#include "tst_mountlink.moc"
