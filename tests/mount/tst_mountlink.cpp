#include "FakeSerialPort.h"
#include "MemorySettingsStore.h"
#include "MountLink.h"
#include "SettingsKeys.h"
#include "Texts.h"

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

        for (int i = 0; i < 50; ++i) {
            link.SendPan(qint16(i));
            link.SendTilt(qint16(i));
        }
        QVERIFY(port.written.isEmpty());
        QCOMPARE(status.count(), 2);
        QCOMPARE(status.at(1).at(0).toString(), QString(texts::mountNotConnected));

        // Once a port opens, a later loss is told again.
        link.SelectPort(1);
        link.SendPan(5);
        QCOMPARE(port.written.size(), 1);
        link.ClosePort();
        link.SendPan(5);
        link.SendPan(6);
        QCOMPARE(status.count(), 3);
    }
};

QTEST_GUILESS_MAIN(TestMountLink)
#include "tst_mountlink.moc"
