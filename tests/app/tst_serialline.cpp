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

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/resource.h>
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
        const MainWindowLayout& ui = s->window.controls();
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

        // Waiting for the device to come back costs next to nothing.
        const std::chrono::microseconds cpuBefore = cpuTime();
        QElapsedTimer wall;
        wall.start();
        QTest::qWait(4000);
        const double busy =
            double((cpuTime() - cpuBefore).count()) / 1000.0 / double(wall.elapsed());
        QVERIFY2(busy < 0.25, qPrintable(QStringLiteral("CPU busy %1 of the time").arg(busy)));
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

private:
    static std::chrono::microseconds cpuTime()
    {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const auto micros = [](const timeval& t) {
            return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
        };
        return micros(usage.ru_utime) + micros(usage.ru_stime);
    }
};

QTEST_MAIN(TestSerialLine)
#include "tst_serialline.moc"
