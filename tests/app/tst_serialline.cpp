// SPDX-License-Identifier: GPL-3.0-or-later
#include "MountLink.h"
#include "PseudoTerminal.h"
#include "QtSerialPort.h"
#include "SettingsKeys.h"
#include "StationRig.h"
#include "Texts.h"

#include "IntervalTimer.h"

#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Counts every event the application delivers while it lives.
struct EventCount final : QObject
{
    EventCount() { QCoreApplication::instance()->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent*) override
    {
        ++count;
        return false;
    }
    int count = 0;
};

} // namespace

// The station's serial line end to end: controls of the main window, the
// mount link, the real serial port and a pseudo-terminal standing in for
// the mount's line.
class TestSerialLine : public QObject
{
    Q_OBJECT

    // The station over the real serial port, COM1 and COM2 mapped to the
    // given devices.
    struct Station
    {
        QtSerialPort port;
        StationRig rig{{.serial = &port}};
        const MainWindowLayout& ui() { return rig.ui(); }
        MountLink& link() { return rig.window().mountLink(); }
    };

    static std::unique_ptr<Station> station(const QString& com1, const QString& com2 = {})
    {
        auto s = std::make_unique<Station>();
        s->rig.settings.set(keys::portsSection, QStringLiteral("COM1"), com1);
        if (!com2.isEmpty())
            s->rig.settings.set(keys::portsSection, QStringLiteral("COM2"), com2);
        return s;
    }

private slots:
    void choosingCom1OpensThePtyAt9600_8N1()
    {
        PseudoTerminal pty;
        QVERIFY(pty.isValid());
        auto s = station(pty.slavePath());
        QCOMPARE(s->ui().Option1->toolTip(), pty.slavePath());
        s->ui().Option1->click();
        QVERIFY(s->link().isOpen());
        const auto line = pty.lineSettings();
        QCOMPARE(line.baud, 9600);
        QCOMPARE(line.dataBits, 8);
        QVERIFY(!line.parity);
        QVERIFY(!line.twoStopBits);
    }

    void accelerationBarSendsTheDCommand()
    {
        PseudoTerminal pty;
        auto s = station(pty.slavePath());
        const MainWindowLayout& ui = s->ui();
        ui.Option1->click();

        ui.hsAccel->setValue(1);
        QCOMPARE(ui.lblAccel->text(), QStringLiteral("Faster"));
        QCOMPARE(pty.read(3), QByteArray::fromHex("44310D"));
        ui.hsAccel->setValue(3);
        QCOMPARE(ui.lblAccel->text(), QStringLiteral("Slower"));
        QCOMPARE(pty.read(3), QByteArray::fromHex("44330D"));
        // The same value again is no change and sends nothing.
        ui.hsAccel->setValue(3);
        QCOMPARE(pty.drain(), QByteArray());
    }

    void panThenTiltOnTheWire()
    {
        PseudoTerminal pty;
        auto s = station(pty.slavePath());
        s->ui().Option1->click();
        s->link().SendPan(120);
        s->link().SendTilt(1);
        QCOMPARE(pty.read(8), QByteArray::fromHex("413132300D42310D"));
    }

    void choosingTheOpenPortAgainReopensIt()
    {
        PseudoTerminal pty;
        auto s = station(pty.slavePath());
        QRadioButton* com1 = s->ui().Option1;
        com1->click();
        QCOMPARE(pty.lineSettings().baud, 9600);

        // Disturb the line from outside; only a fresh open sets it back.
        termios tio{};
        const int fd = ::open(qPrintable(pty.slavePath()), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0);
        tcgetattr(fd, &tio);
        cfsetospeed(&tio, B19200);
        cfsetispeed(&tio, B19200);
        tcsetattr(fd, TCSANOW, &tio);
        ::close(fd);
        QCOMPARE(pty.lineSettings().baud, 19200);

        com1->click();
        QVERIFY(com1->isChecked());
        QVERIFY(s->link().isOpen());
        QCOMPARE(pty.lineSettings().baud, 9600);
        s->link().SendPan(7);
        QCOMPARE(pty.read(3), QByteArray::fromHex("41370D"));
    }

    void missingDeviceIsReportedAndNothingBreaks()
    {
        PseudoTerminal pty;
        auto s = station(pty.slavePath(), QStringLiteral("/nonexistent/kivra-tty"));
        const MainWindowLayout& ui = s->ui();
        ui.Option2->click();
        QVERIFY(ui.Option2->isChecked());
        QVERIFY(!s->link().isOpen());
        QVERIFY2(ui.lblStatus->text().startsWith(QStringLiteral("Could not open COM2: ")),
                 qPrintable(ui.lblStatus->text()));
        QVERIFY(ui.lblStatus->text().size() > QStringLiteral("Could not open COM2: ").size());

        // The reason stays on the status line while commands fall due.
        const QString reason = ui.lblStatus->text();
        ui.hsAccel->setValue(1);
        QCOMPARE(ui.lblStatus->text(), reason);

        // A good port afterwards works as usual.
        ui.Option1->click();
        ui.hsAccel->setValue(3);
        QCOMPARE(pty.read(3), QByteArray::fromHex("44330D"));
    }

    // The mount's adapter is pulled out in the middle of random pointing and
    // plugged in again; its device name is a link, as udev names adapters.
    void aHungUpMountIsReopenedAndRandomPointingGoesOn()
    {
        QTemporaryDir folder;
        const QString device = folder.filePath(QStringLiteral("ttyMount"));
        auto pty = std::make_unique<PseudoTerminal>();
        QVERIFY(QFile::link(pty->slavePath(), device));
        auto s = station(device);
        const MainWindowLayout& ui = s->ui();
        ui.Option1->click();
        ui.optRandom->click();
        QByteArray received;
        QTRY_VERIFY_WITH_TIMEOUT((received += pty->readAvailable()).count('\r') >= 4, 10000);

        // Pulled out: the device and its link go away.
        pty->hangUp();
        QVERIFY(QFile::remove(device));
        const QString lost = QStringLiteral("Mount on COM1 lost: ");
        QTRY_VERIFY_WITH_TIMEOUT(ui.lblStatus->text().startsWith(lost), 10000);
        QVERIFY(ui.lblStatus->text().size() > lost.size());

        // Waiting for the device to come back costs next to nothing: while
        // the pointing timer ticks twice and the station tries the device
        // again, the user-interface thread handles a handful of events (3
        // here), not the stream of a notifier or timer spinning on a dead
        // line (over 400 for a reopen timer of no interval).
        EventCount events;
        QSignalSpy ticks(s->rig.timer("Timer1"), &IntervalTimer::timeout);
        QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 2, 20000);
        QVERIFY2(events.count < 100, qPrintable(QString::number(events.count)));
        QVERIFY(ui.lblStatus->text().startsWith(lost));

        pty = std::make_unique<PseudoTerminal>();
        QVERIFY(QFile::link(pty->slavePath(), device));
        QTRY_COMPARE_WITH_TIMEOUT(ui.lblStatus->text(), QStringLiteral("Mount on COM1 back"),
                                  10000);
        QVERIFY(ui.Option1->isChecked());
        QVERIFY(ui.optRandom->isChecked());
        received.clear();
        QTRY_VERIFY_WITH_TIMEOUT((received += pty->readAvailable()).count('\r') >= 4, 10000);
        QVERIFY2(QRegularExpression(QStringLiteral("^(A-?\\d+\rB-?\\d+\r)+$"))
                     .match(QString::fromLatin1(received))
                     .hasMatch(),
                 received.constData());
    }
};

QTEST_MAIN(TestSerialLine)
#include "tst_serialline.moc"
