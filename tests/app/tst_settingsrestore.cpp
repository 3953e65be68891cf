// SPDX-License-Identifier: GPL-3.0-or-later
#include "FramePublisher.h"
#include "IniSettingsStore.h"
#include "IntervalTimer.h"
#include "KivraWebcam.h"
#include "MemorySettingsStore.h"
#include "PseudoTerminal.h"
#include "QtSerialPort.h"
#include "SettingsKeys.h"
#include "StationRig.h"
#include "TouchPad.h"
#include "dlgFTP.h"

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

void store(MemorySettingsStore& s, const char* key, const char* value)
{
    s.set(keys::settingsSection, QLatin1String(key), QLatin1String(value));
}

QStringList settingsWrites(const MemorySettingsStore& s)
{
    QStringList result;
    for (const QString& w : s.writes) {
        if (w.startsWith(QLatin1String("Settings/")))
            result.append(w.mid(9));
    }
    return result;
}

} // namespace

// The settings store through the main window: what a restart brings back.
class TestSettingsRestore : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;

private slots:
    void emptyStoreGivesTheFirstRunState()
    {
        MemorySettingsStore settings;
        StationRig s({.settings = &settings, .programFolder = m_folder.path()});
        s.start();
        QVERIFY(s.serial.events.isEmpty());
        QVERIFY(s.serial.written.isEmpty());
        for (int n = 1; n <= 4; ++n)
            QVERIFY(!s.ui().portOption(n)->isChecked());
        QCOMPARE(s.ui().hsAccel->value(), 2);
        for (QRadioButton* mode :
             {s.ui().optManual, s.ui().optRandom, s.ui().optsequence, s.ui().optTrain})
            QVERIFY(!mode->isChecked());
        QVERIFY(!s.ui().Picture1->isEnabled());
        QCOMPARE(s.timer("Timer1")->interval(), 0);
        QVERIFY(!s.timer("Timer1")->isEnabled());
        QVERIFY(!s.ui().cmdDelete->isEnabled());
        QVERIFY(!s.ui().cmdCaptureFrame->isEnabled());
    }

    void storedPortOpensDuringTheLoad()
    {
        PseudoTerminal pty;
        MemorySettingsStore settings;
        settings.set(keys::portsSection, QStringLiteral("COM2"), pty.slavePath());
        store(settings, "Com1", "False");
        store(settings, "Com2", "True");
        QtSerialPort port;
        StationRig s({.settings = &settings, .serial = &port, .programFolder = m_folder.path()});
        QVERIFY(!port.isOpen());
        s.start();
        QVERIFY(port.isOpen());
        QVERIFY(s.ui().Option2->isChecked());
        const auto line = pty.lineSettings();
        QCOMPARE(line.baud, 9600);
        QCOMPARE(line.dataBits, 8);
        QVERIFY(!line.parity && !line.twoStopBits);
    }

    void twoStoredPortsLeaveTheHigherOneOpen()
    {
        MemorySettingsStore settings;
        store(settings, "Com1", "True");
        store(settings, "Com3", "True");
        StationRig s({.settings = &settings, .programFolder = m_folder.path()});
        s.start();
        QCOMPARE(s.serial.events, QStringList({"open /dev/ttyS0 9600,N,8,1", "close",
                                               "open /dev/ttyS2 9600,N,8,1"}));
        QVERIFY(s.ui().Option3->isChecked());
        QVERIFY(!s.ui().Option1->isChecked());
    }

    void accelerationIsSentAfterThePortOpens_data()
    {
        QTest::addColumn<QString>("accel");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("3") << "3"
                           << "Slower" << QByteArray::fromHex("44330D");
        QTest::newRow("1") << "1"
                           << "Faster" << QByteArray::fromHex("44310D");
        QTest::newRow("2 sends nothing") << "2"
                                         << "Normal" << QByteArray();
    }
    void accelerationIsSentAfterThePortOpens()
    {
        QFETCH(QString, accel);
        QFETCH(QString, caption);
        QFETCH(QByteArray, bytes);
        PseudoTerminal pty;
        MemorySettingsStore settings;
        settings.set(keys::portsSection, QStringLiteral("COM1"), pty.slavePath());
        store(settings, "Com1", "True");
        settings.set(keys::settingsSection, keys::accel, accel);
        QtSerialPort port;
        StationRig s({.settings = &settings, .serial = &port, .programFolder = m_folder.path()});
        s.start();
        QCOMPARE(s.ui().lblAccel->text(), caption);
        QCOMPARE(pty.drain(std::chrono::milliseconds(300)), bytes);
    }

    void unloadWritesTheControlStates()
    {
        MemorySettingsStore settings;
        StationRig s({.settings = &settings, .programFolder = m_folder.path()});
        s.start();
        s.ui().Option1->click();
        s.ui().hsAccel->setValue(1);
        s.ui().optRandom->click();
        settings.writes.clear();
        s.window().close();
        QCOMPARE(settingsWrites(settings),
                 QStringList({"Com1=True", "Com2=False", "Com3=False", "Com4=False", "Accel=1",
                              "Manual=False", "Random=True", "Sequence=False", "Train=False",
                              "Picture=False", "Interval=1500", "Timer1=True", "Delete=True",
                              "CaptureFrame=False"}));
        // The settings are written before the port is closed.
        QCOMPARE(s.serial.events.last(), QStringLiteral("close"));
    }

    void aSendInFlightAtClosingSavesTheButtonItWillBe()
    {
        MemorySettingsStore settings;
        store(settings, "FTPEnable", "1");
        store(settings, "CaptureFrame", "True");
        StationRig s({.settings = &settings, .programFolder = m_folder.path()});
        s.start();
        s.capture.frame = QImage(8, 8, QImage::Format_RGB888);
        s.ui().cmdCaptureFrame->click();
        QVERIFY(s.transfer.IsBusy());
        QVERIFY(!s.ui().cmdCaptureFrame->isEnabled());
        s.window().close();
        QCOMPARE(settings.read(keys::settingsSection, keys::captureFrame), QStringLiteral("True"));
    }

    void storedIntervalMakesTheRestoredTimerTick()
    {
        MemorySettingsStore settings;
        store(settings, "Interval", "1500");
        store(settings, "Timer1", "True");
        StationRig ticking({.settings = &settings, .programFolder = m_folder.path()});
        ticking.start();
        QVERIFY(ticking.timer("Timer1")->isTicking());
        QCOMPARE(ticking.timer("Timer1")->interval(), 1500);

        MemorySettingsStore noInterval;
        store(noInterval, "Timer1", "True");
        StationRig silent({.settings = &noInterval, .programFolder = m_folder.path()});
        silent.start();
        QVERIFY(silent.timer("Timer1")->isEnabled());
        QVERIFY(!silent.timer("Timer1")->isTicking());
    }

    void storedModeEndsChosenWithTheStoredControlStates()
    {
        MemorySettingsStore settings;
        store(settings, "Manual", "True");
        store(settings, "Picture", "False");
        store(settings, "Delete", "False");
        store(settings, "Interval", "1500");
        store(settings, "Timer1", "False");
        store(settings, "CaptureFrame", "True");
        StationRig s({.settings = &settings, .programFolder = m_folder.path()});
        s.start();
        QVERIFY(s.ui().optManual->isChecked());
        QVERIFY(!s.ui().Picture1->isEnabled());
        QVERIFY(!s.ui().cmdDelete->isEnabled());
        QVERIFY(!s.timer("Timer1")->isEnabled());
        QVERIFY(s.ui().cmdCaptureFrame->isEnabled());
    }

    void garbageEverywhereGivesTheDefaults()
    {
        MemorySettingsStore settings;
        for (const char* key :
             {"Com1", "Com2", "Com3", "Com4", "Accel", "Manual", "Random", "Sequence", "Train",
              "Picture", "Interval", "Timer1", "Delete", "CaptureFrame"})
            store(settings, key, "#garbage#");
        StationRig s({.settings = &settings, .programFolder = m_folder.path()});
        s.start();
        QVERIFY(s.serial.events.isEmpty());
        QCOMPARE(s.ui().hsAccel->value(), 2);
        QVERIFY(!s.ui().optManual->isChecked() && !s.ui().optRandom->isChecked());
        QCOMPARE(s.timer("Timer1")->interval(), 0);
    }

    void uploadSettingsReachTheTransferButStartNoUploads()
    {
        MemorySettingsStore settings;
        store(settings, "FTPEnable", "1");
        store(settings, "FileHost", "ftp.example.net:2121");
        store(settings, "FileLogin", "cam");
        store(settings, "FilePassword", "pa ss");
        store(settings, "FilePath", "/pub/");
        store(settings, "FileName", "cam.jpg");
        store(settings, "FileInterval", "5");
        store(settings, "FileAuto", "1");
        store(settings, "FileQuality", "80");
        StationRig s({.settings = &settings, .programFolder = m_folder.path()});
        s.start();

        QCOMPARE(s.transfer.propertyWrites, QStringList({"ServerName=ftp.example.net:2121",
                                                         "LoginPassword=pa ss", "LoginName=cam"}));
        const UploadSettings& u = s.window().uploadSettings();
        QCOMPARE(u.FilePath, QStringLiteral("/pub/"));
        QCOMPARE(u.FileName, QStringLiteral("cam.jpg"));
        QCOMPARE(u.FileInterval, qint16(5));
        QCOMPARE(u.FileQuality, qint16(80));
        // Neither the Send Frame button nor the automatic uploads follow
        // the FTP keys at start-up.
        QVERIFY(!s.ui().cmdCaptureFrame->isEnabled());
        QVERIFY(!s.timer("Timer2")->isEnabled());
        QVERIFY(s.transfer.commands.isEmpty());

        // Confirming the dialog with what was restored starts them.
        s.window().publisher().ApplyFtpSettings(u);
        QVERIFY(s.timer("Timer2")->isTicking());
        QCOMPARE(s.timer("Timer2")->interval(), 5000);
    }

    void ftpDialogOpenedBeforeTheLoadKeepsTheStoredServer()
    {
        MemorySettingsStore settings;
        store(settings, "FileHost", "ftp.example.net");
        store(settings, "FileLogin", "cam");
        store(settings, "FilePassword", "secret");
        StationRig s({.settings = &settings, .programFolder = m_folder.path()});
        s.window().Load();
        QString shown;
        QTimer::singleShot(0, &s.window(), [&] {
            auto* dialog = s.window().findChild<dlgFTP*>();
            QVERIFY(dialog);
            shown = dialog->findChild<QLineEdit*>(QStringLiteral("txtFTPServer"))->text();
            dialog->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
        });
        s.ui().cmdFTPSettings->click(); // well within the first 1.5 s
        QCOMPARE(shown, QStringLiteral("ftp.example.net"));
        QCOMPARE(settings.read(keys::settingsSection, keys::fileHost),
                 QStringLiteral("ftp.example.net"));
        QCOMPARE(settings.read(keys::settingsSection, keys::filePassword),
                 QStringLiteral("secret"));
        // The load ran once, not again when its timer would have fired.
        QVERIFY(s.window().settingsLoaded());
        QVERIFY(!s.timer("Timer3")->isEnabled());
    }

    void damagedUploadNumbersFallBackToDefaults()
    {
        MemorySettingsStore settings;
        store(settings, "FTPEnable", "lots");
        store(settings, "FileInterval", "99999");
        store(settings, "FileAuto", "1e9");
        store(settings, "FileQuality", "500");
        StationRig s({.settings = &settings, .programFolder = m_folder.path()});
        s.start();
        QCOMPARE(s.window().uploadSettings(), UploadSettings{});
    }

    void roundTripThroughARealFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("KivraWebcam/KivraWebcam.conf"));
        {
            IniSettingsStore ini(path);
            StationRig first({.settings = &ini, .programFolder = m_folder.path()});
            first.start();
            first.ui().Option4->click();
            first.ui().hsAccel->setValue(3);
            first.ui().optTrain->click();
            first.window().close();
        }
        IniSettingsStore ini(path);
        StationRig second({.settings = &ini, .programFolder = m_folder.path()});
        second.start();
        QVERIFY(second.ui().Option4->isChecked());
        QCOMPARE(second.ui().hsAccel->value(), 3);
        QCOMPARE(second.ui().lblAccel->text(), QStringLiteral("Slower"));
        QVERIFY(second.ui().optTrain->isChecked());
        QVERIFY(second.ui().Picture1->isEnabled());
        QVERIFY(second.ui().cmdDelete->isEnabled());
        QVERIFY(!second.timer("Timer1")->isEnabled());
        QCOMPARE(second.serial.events.first(), QStringLiteral("open /dev/ttyS3 9600,N,8,1"));
        QVERIFY(!(QFile::permissions(path) & (QFile::ReadOther | QFile::ReadGroup)));
    }

    void closingBeforeTheLoadLeavesTheFileAlone()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("KivraWebcam.conf"));
        {
            IniSettingsStore ini(path);
            ini.write(keys::settingsSection, keys::com2, QStringLiteral("True"));
            ini.write(keys::settingsSection, keys::accel, QStringLiteral("3"));
            ini.write(keys::settingsSection, keys::random, QStringLiteral("True"));
            QVERIFY(ini.flush());
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();

        {
            IniSettingsStore ini(path);
            StationRig s({.settings = &ini, .programFolder = m_folder.path()});
            s.window().Load();
            s.window().close();
            QVERIFY(!s.window().settingsLoaded());
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }
};

QTEST_MAIN(TestSettingsRestore)
#include "tst_settingsrestore.moc"
