// SPDX-License-Identifier: GPL-3.0-or-later
#include "MemorySettingsStore.h"
#include "MountLink.h"
#include "PelcoDProtocol.h"
#include "PelcoPProtocol.h"
#include "PseudoTerminal.h"
#include "QtSerialPort.h"
#include "SettingsKeys.h"
#include "SimulatedHead.h"
#include "ViscaProtocol.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

using Position = SimulatedHead::Position;

// A link on a pseudo-terminal with a simulated head at the other end. The
// pad's pan 1 to 21 spans -120 to 120 degrees, its tilt 1 to 17 spans 30
// (the top) to -50.
struct Rig
{
    Rig(SimulatedHead::Protocol head, const QString& protocol, int address,
        const QString& gap = QStringLiteral("0"))
    {
        const QString mount = keys::mountSection;
        store.set(keys::portsSection, QStringLiteral("COM1"), pty.slavePath());
        store.set(mount, keys::protocol, protocol);
        store.set(mount, keys::address, QString::number(address));
        store.set(mount, keys::baud, QStringLiteral("19200"));
        store.set(mount, keys::panFrom, QStringLiteral("-120"));
        store.set(mount, keys::panTo, QStringLiteral("120"));
        store.set(mount, keys::tiltFrom, QStringLiteral("30"));
        store.set(mount, keys::tiltTo, QStringLiteral("-50"));
        store.set(mount, keys::unitsPerDegree, QStringLiteral("14.4"));
        store.set(mount, keys::gap, gap);
        simulated = std::make_unique<SimulatedHead>(pty, head, address, 14.4);
        link.SelectPort(1);
    }
    // Points the head and waits until it got there.
    bool move(qint16 pan, qint16 tilt)
    {
        const qsizetype before = simulated->visited.size();
        link.SendPan(pan);
        link.SendTilt(tilt);
        return QTest::qWaitFor([&] { return simulated->visited.size() > before; }, 10000);
    }

    PseudoTerminal pty;
    MemorySettingsStore store;
    QtSerialPort port;
    MountLink link{port, store};
    QSignalSpy status{&link, &MountLink::status};
    std::unique_ptr<SimulatedHead> simulated;
};

} // namespace

class TestMountProtocols : public QObject
{
    Q_OBJECT
private slots:
    void publishedExamplesByteForByte()
    {
        QCOMPARE(PelcoDProtocol::frame(1, PelcoCommand::callPreset(5)),
                 QByteArray::fromHex("FF01000700050D"));
        QCOMPARE(PelcoDProtocol::frame(1, PelcoCommand::panTo(123.45)),
                 QByteArray::fromHex("FF01004B3039B5"));
        QCOMPARE(PelcoDProtocol::frame(1, PelcoCommand::stop()),
                 QByteArray::fromHex("FF010000000001"));
        QCOMPARE(PelcoPProtocol::frame(1, PelcoCommand::callPreset(5)),
                 QByteArray::fromHex("A00000070005AF0D"));
        // Ten degrees below the horizon: 36000 less 1000 hundredths.
        QCOMPARE(PelcoDProtocol::frame(1, PelcoCommand::tiltTo(-10)),
                 QByteArray::fromHex("FF01004D88B88E"));
        QCOMPARE(ViscaProtocol::addressSet(), QByteArray::fromHex("883001FF"));
        QCOMPARE(ViscaProtocol::interfaceClear(), QByteArray::fromHex("88010001FF"));
    }

    // Every protocol points the head where the settings say, at the speed
    // the acceleration asks for, in frames the head takes.
    void eachProtocolPointsTheSimulatedHead_data()
    {
        QTest::addColumn<int>("head");
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("panSpeed");
        QTest::addColumn<int>("tiltSpeed");
        QTest::newRow("Pelco-D") << int(SimulatedHead::Protocol::PelcoD) << "PelcoD" << 200 << 0x3F
                                 << 0x3F;
        QTest::newRow("Pelco-P") << int(SimulatedHead::Protocol::PelcoP) << "PelcoP" << 3 << 0x3F
                                 << 0x3F;
        QTest::newRow("VISCA") << int(SimulatedHead::Protocol::Visca) << "Visca" << 2 << 0x18
                               << 0x14;
    }
    void eachProtocolPointsTheSimulatedHead()
    {
        QFETCH(int, head);
        QFETCH(QString, protocol);
        QFETCH(int, address);
        QFETCH(int, panSpeed);
        QFETCH(int, tiltSpeed);
        Rig rig(SimulatedHead::Protocol(head), protocol, address, QStringLiteral("150"));
        QVERIFY(rig.link.isOpen());
        QCOMPARE(rig.pty.lineSettings().baud, 19200);

        rig.link.SendAcceleration(1);
        const QList<Position> expected = {{-120, 30}, {120, -50}, {0, -10}, {-60, -30}, {120, 30}};
        QVERIFY(rig.move(1, 1));
        QVERIFY(rig.move(21, 17));
        QVERIFY(rig.move(11, 9));
        QVERIFY(rig.move(6, 13));
        // Past the pad's range the head stops at the end the settings give.
        QVERIFY(rig.move(40, -5));
        QVERIFY2(rig.simulated->faults.isEmpty(), qPrintable(rig.simulated->faults.join('\n')));
        QCOMPARE(rig.simulated->visited.size(), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i)
            QVERIFY2(sameAngles(rig.simulated->visited[i], expected[i]),
                     qPrintable(describe(rig.simulated->visited)));
        QCOMPARE(rig.simulated->panSpeed, panSpeed);
        QCOMPARE(rig.simulated->tiltSpeed, tiltSpeed);
        QVERIFY(rig.status.isEmpty());

        // Pelco heads hear nothing for a while after each frame; the pause
        // is measured where the bytes arrive, so only its lower half counts.
        if (protocol.startsWith(QLatin1String("Pelco"))) {
            const QList<qint64>& at = rig.simulated->arrivals;
            for (qsizetype i = 1; i < at.size(); ++i)
                QVERIFY2(at[i] - at[i - 1] >= 75, qPrintable(QString::number(at[i] - at[i - 1])));
        }
    }

    // One command in flight; the head's complaints, its silence, its echo
    // and noise on the line are told once and the line goes on.
    void viscaAnswersDriveTheLine()
    {
        Rig rig(SimulatedHead::Protocol::Visca, QStringLiteral("Visca"), 1);
        SimulatedHead& head = *rig.simulated;
        head.answer = SimulatedHead::Answer::EchoFirst;
        QVERIFY(rig.move(1, 1));

        // While a move runs only the newest position waits for the head.
        head.moveTime = std::chrono::milliseconds(1000);
        for (qint16 pan = 2; pan <= 6; ++pan) {
            rig.link.SendPan(pan);
            rig.link.SendTilt(1);
            QTest::qWait(20);
        }
        // Noise, and answers that are none, while the first move runs.
        rig.pty.write(QByteArray::fromHex("51FF905107FF4290"));
        QTRY_COMPARE_WITH_TIMEOUT(head.visited.size(), 3, 10000);
        QVERIFY2(sameAngles(head.visited[1], {-108, 30}) && sameAngles(head.visited[2], {-60, 30}),
                 qPrintable(describe(head.visited)));
        QVERIFY2(head.faults.isEmpty(), qPrintable(head.faults.join('\n')));
        QVERIFY(rig.status.isEmpty());

        head.moveTime = {};
        head.errorCode = 0x41;
        toldOnceAndGoesOn(rig, SimulatedHead::Answer::Error,
                          QStringLiteral("Mount on COM1 refused a command: not executable"));
        head.errorCode = 0x02;
        toldOnceAndGoesOn(rig, SimulatedHead::Answer::Error,
                          QStringLiteral("Mount on COM1 refused a command: syntax error"));
        toldOnceAndGoesOn(rig, SimulatedHead::Answer::Nothing,
                          QStringLiteral("Mount on COM1 does not answer"));
        QVERIFY2(head.faults.isEmpty(), qPrintable(head.faults.join('\n')));
    }

private:
    // Two moves the head answers the wrong way make one status text; the
    // move after that goes through.
    void toldOnceAndGoesOn(Rig& rig, SimulatedHead::Answer answer, const QString& told)
    {
        rig.simulated->answer = answer;
        rig.link.SendPan(7);
        rig.link.SendTilt(2);
        rig.link.SendPan(8);
        rig.link.SendTilt(2);
        QTRY_VERIFY_WITH_TIMEOUT(rig.link.waitingCommands() == 0, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(rig.status.count(), 1, 10000);
        // The next move goes through only once the second wrong answer (or
        // its time-out) has been dealt with, so by then a second text would
        // have come.
        rig.simulated->answer = SimulatedHead::Answer::AckAndCompletion;
        QVERIFY(rig.move(9, 3));
        QCOMPARE(rig.status.count(), 1);
        QCOMPARE(rig.status.takeFirst().at(0).toString(), told);
    }
};

QTEST_GUILESS_MAIN(TestMountProtocols)
#include "tst_mountprotocols.moc"
