#include "FakeCaptureDevice.h"
#include "FakeFileTransfer.h"
#include "FakeImageCodec.h"
#include "FakeMessageBoxes.h"
#include "KivraWebcam.h"
#include "MemorySettingsStore.h"
#include "MountLink.h"
#include "PseudoTerminal.h"
#include "QtSerialPort.h"
#include "SettingsKeys.h"
#include "SqlitePresetFile.h"
#include "Texts.h"

#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

// The station's serial line end to end: controls of the main window, the
// mount link, the real serial port and a pseudo-terminal standing in for
// the mount's line.
class TestSerialLine : public QObject
{
    Q_OBJECT

    struct Station
    {
        Station(const QString& com1, const QString& com2)
            : portsStored(storePorts(com1, com2))
            , window({settings, serial, capture, messages, QStringLiteral("/opt/cam"), codec,
                      transfer, sqlitePresetFile})
        {}
        bool storePorts(const QString& com1, const QString& com2)
        {
            settings.set(keys::portsSection, QStringLiteral("COM1"), com1);
            if (!com2.isEmpty())
                settings.set(keys::portsSection, QStringLiteral("COM2"), com2);
            return true;
        }
        MemorySettingsStore settings;
        QtSerialPort serial;
        FakeCaptureDevice capture{QStringList{}};
        FakeMessageBoxes messages;
        FakeImageCodec codec;
        FakeFileTransfer transfer;
        bool portsStored;
        KivraWebcam window;
    };

    static std::unique_ptr<Station> station(const QString& com1, const QString& com2 = {})
    {
        return std::make_unique<Station>(com1, com2);
    }

private slots:
    void choosingCom1OpensThePtyAt9600_8N1()
    {
        PseudoTerminal pty;
        QVERIFY(pty.isValid());
        auto s = station(pty.slavePath());
        QCOMPARE(s->window.controls().Option1->toolTip(), pty.slavePath());
        s->window.controls().Option1->click();
        QVERIFY(s->window.mountLink().isOpen());
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
        const MainWindowLayout& ui = s->window.controls();
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
        s->window.controls().Option1->click();
        s->window.mountLink().SendPan(120);
        s->window.mountLink().SendTilt(1);
        QCOMPARE(pty.read(8), QByteArray::fromHex("413132300D42310D"));
    }

    void choosingTheOpenPortAgainReopensIt()
    {
        PseudoTerminal pty;
        auto s = station(pty.slavePath());
        QRadioButton* com1 = s->window.controls().Option1;
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
        QVERIFY(s->window.mountLink().isOpen());
        QCOMPARE(pty.lineSettings().baud, 9600);
        s->window.mountLink().SendPan(7);
        QCOMPARE(pty.read(3), QByteArray::fromHex("41370D"));
    }

    void missingDeviceIsReportedAndNothingBreaks()
    {
        PseudoTerminal pty;
        auto s = station(pty.slavePath(), QStringLiteral("/nonexistent/kivra-tty"));
        const MainWindowLayout& ui = s->window.controls();
        ui.Option2->click();
        QVERIFY(ui.Option2->isChecked());
        QVERIFY(!s->window.mountLink().isOpen());
        QVERIFY2(ui.lblStatus->text().startsWith(QStringLiteral("Could not open COM2: ")),
                 qPrintable(ui.lblStatus->text()));
        QVERIFY(ui.lblStatus->text().size() > QStringLiteral("Could not open COM2: ").size());

        ui.hsAccel->setValue(1);
        QCOMPARE(ui.lblStatus->text(), QString(texts::mountNotConnected));

        // A good port afterwards works as usual.
        ui.Option1->click();
        ui.hsAccel->setValue(3);
        QCOMPARE(pty.read(3), QByteArray::fromHex("44330D"));
    }
};

QTEST_MAIN(TestSerialLine)
#include "tst_serialline.moc"
