// SPDX-License-Identifier: GPL-3.0-or-later
#include "CurlFileTransfer.h"
#include "FtpTestServer.h"
#include "IniSettingsStore.h"
#include "IntervalTimer.h"
#include "KivraWebcam.h"
#include "PresetRecordSet.h"
#include "PseudoTerminal.h"
#include "QtCaptureDevice.h"
#include "SettingsKeys.h"
#include "SqlitePresetFile.h"
#include "StationRig.h"
#include "TouchPad.h"
#include "TurboJpegCodec.h"
#include "UnixSignalWatcher.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool put(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

mode_t modeOf(const QString& path)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode : 0;
}

// A table of two presets in `folder`.
void writePresets(const QString& folder)
{
    PresetRecordSet presets{sqlitePresetFile()};
    presets.setDatabaseName(folder + QStringLiteral("/Pivora.mdb"));
    presets.open();
    for (int pan : {10, 20}) {
        presets.AddNew();
        presets.setField(0, pan);
        presets.setField(1, 5);
        presets.setField(2, 3);
        presets.Update();
    }
}

// A station over the real settings file and preset file, with doubles for
// the rest; its stored settings are applied at once rather than in 1.5 s.
struct Station
{
    Station(const QString& settingsFile, const QString& folder)
        : settings(settingsFile)
        , rig({.settings = &settings, .programFolder = folder})
    {}
    void start() { rig.start(); }
    QString status() { return rig.status(); }

    IniSettingsStore settings;
    StationRig rig;
    KivraWebcam& window = rig.window();
};

} // namespace

// Every way the station ends leaves the same files, and files it must not
// write come out of a run as they went in.
// CTest runs these functions in two parts side by side (CMakeLists.txt);
// tst_stopping_parts fails on a function that joins neither.
class TestStopping : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_program;
    int m_runs = 0;

    QString freshFolder()
    {
        const QString folder = m_root.filePath(QString::number(++m_runs));
        QDir().mkpath(folder);
        return folder;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        // The program keeps its presets beside itself, so each test run
        // gets a copy of its own.
        m_program = m_root.filePath(QStringLiteral("program/kivrawebcam"));
        QDir().mkpath(QFileInfo(m_program).absolutePath());
        QVERIFY(QFile::copy(QStringLiteral(KIVRA_PROGRAM), m_program));
        QVERIFY(QFile::setPermissions(m_program, QFile::ExeOwner | QFile::ReadOwner));
    }

    void signalsLeaveWhatAWindowCloseLeaves_data()
    {
        QTest::addColumn<QList<int>>("sent");
        QTest::newRow("SIGTERM") << QList<int>{SIGTERM};
        QTest::newRow("SIGINT") << QList<int>{SIGINT};
        QTest::newRow("SIGHUP") << QList<int>{SIGHUP};
        // Two at once, as a closing terminal sends them: the second one
        // does not cut the unload short.
        QTest::newRow("SIGINT and SIGTERM together") << QList<int>{SIGINT, SIGTERM};
        QTest::newRow("SIGHUP, SIGTERM and SIGINT") << QList<int>{SIGHUP, SIGTERM, SIGINT};
    }

    void signalsLeaveWhatAWindowCloseLeaves()
    {
        QFETCH(QList<int>, sent);
        PseudoTerminal pty;
        QVERIFY(pty.isValid());
        // Keys missing from the file are written by the unload only.
        const QByteArray stored = "[Ports]\nCOM1=" + pty.slavePath().toUtf8() +
                                  "\n\n[Settings]\nAccel=3\nCom1=True\nDelete=True\n"
                                  "Interval=1500\nRandom=True\nTimer1=True\n\n"
                                  "[Upload]\nAtomic=false\n";

        // What closing the window leaves.
        const QString reference = freshFolder();
        QVERIFY(put(reference + QStringLiteral("/KivraWebcam.conf"), stored));
        writePresets(reference);
        {
            Station s(reference + QStringLiteral("/KivraWebcam.conf"), reference);
            s.start();
            QVERIFY(s.window.controls().optRandom->isChecked());
            s.window.close();
        }
        const QByteArray closedSettings = contents(reference + QStringLiteral("/KivraWebcam.conf"));
        QVERIFY(closedSettings != stored);

        // The program itself, ended by the signal once its settings are in.
        const QString home = freshFolder();
        const QString settingsFile = home + QStringLiteral("/config/KivraWebcam/KivraWebcam.conf");
        QVERIFY(put(settingsFile, stored));
        const QString presetFile =
            QFileInfo(m_program).absolutePath() + QStringLiteral("/Pivora.mdb");
        QFile::remove(presetFile);
        QVERIFY(QFile::copy(reference + QStringLiteral("/Pivora.mdb"), presetFile));
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(m_program, {QStringLiteral("--test-pattern")});
        QVERIFY(program.waitForStarted());
        // The acceleration command goes out while the stored settings are
        // applied; the signal is seen only after that has finished. Bytes
        // before it are passed over: a terminal number freed by another
        // test may still be written to from there.
        QByteArray line;
        QDeadlineTimer limit(std::chrono::seconds(60));
        while (!line.endsWith("D3\r") && !limit.hasExpired())
            line += pty.read(1, std::chrono::milliseconds(limit.remainingTime()));
        QVERIFY2(line.endsWith("D3\r"), line.constData());
        const auto pid = pid_t(program.processId());
        if (sent.size() > 1)
            QCOMPARE(::kill(pid, SIGSTOP), 0);
        for (int number : sent)
            QCOMPARE(::kill(pid, number), 0);
        if (sent.size() > 1)
            QCOMPARE(::kill(pid, SIGCONT), 0);
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);

        QCOMPARE(contents(presetFile), contents(reference + QStringLiteral("/Pivora.mdb")));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(contents(settingsFile), closedSettings);
    }

    // A further signal leaves a stuck unload its 5 s before it ends the
    // program, with the status that signal gives.
    void aStuckUnloadEndsOnceItsGraceIsOver()
    {
        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(STUCK_UNLOAD), {});
        QVERIFY(program.waitForReadyRead(30000));
        QCOMPARE(program.readLine().trimmed(), QByteArray("ready"));
        const auto pid = pid_t(program.processId());
        QElapsedTimer sinceFirst;
        sinceFirst.start();
        QCOMPARE(::kill(pid, SIGTERM), 0);
        QVERIFY(program.canReadLine() || program.waitForReadyRead(30000));
        QCOMPARE(program.readLine().trimmed(), QByteArray("unloading"));
        QCOMPARE(::kill(pid, SIGINT), 0);
        QVERIFY(!program.waitForFinished(2000));
        QVERIFY(program.waitForFinished(60000));
        QVERIFY(sinceFirst.elapsed() >= 5000);
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 128 + SIGINT);
    }

    void aWatcherSaysWhetherItWatches()
    {
        {
            UnixSignalWatcher watcher({SIGTERM, SIGINT});
            QVERIFY(watcher.isWatching());
        }
        // No handler can be set for SIGKILL.
        UnixSignalWatcher watcher({SIGTERM, SIGKILL});
        QVERIFY(!watcher.isWatching());
    }

    void filesNotToBeWrittenComeOutUnchanged_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("refusal");
        const QByteArray good = "[Ports]\nCOM2=/dev/ttyUSB0\n\n[Settings]\nAccel=3\n"
                                "FilePath=/web/\n\n[Upload]\nAtomic=false\n";
        const QString unreadable = QStringLiteral("%1 could not be read");
        const QString linkRefused =
            QStringLiteral("%1 links to %2, which is not a regular file of your own");
        QTest::newRow("mode 0000") << good << 0 << QString() << unreadable;
        QTest::newRow("stray quote")
            << QByteArray("[Settings]\nAccel=3\nFilePath=/web\"cam/\n\n[Ports]\nCOM2=/dev/"
                          "ttyUSB0\n\n[Upload]\nAtomic=false\n")
            << 0640 << QString() << unreadable;
        QTest::newRow("damaged section") << QByteArray("[Settings]\nAccel=3\n[Ports\nCOM2=x\n")
                                         << 0600 << QString() << unreadable;
        QTest::newRow("link to another user's file")
            << good << 0644 << QStringLiteral("other") << linkRefused;
        QTest::newRow("link to a folder")
            << good << 0600 << QStringLiteral("folder") << linkRefused;
        QTest::newRow("dangling link") << good << 0600 << QStringLiteral("nothing") << linkRefused;
    }

    void filesNotToBeWrittenComeOutUnchanged()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, mode);
        QFETCH(QString, link);
        QFETCH(QString, refusal);
        const bool root = ::geteuid() == 0;
        if ((mode == 0 && root) || (link == QLatin1String("other") && !root))
            QSKIP("needs a file this user cannot read, or one of someone else");

        const QString folder = freshFolder();
        const QString path = folder + QStringLiteral("/KivraWebcam.conf");
        QString target = path;
        if (!link.isEmpty()) {
            target = folder + QLatin1Char('/') + link;
            QVERIFY(QFile::link(target, path));
        }
        if (link == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(target));
        else if (link != QLatin1String("nothing"))
            QVERIFY(put(target, bytes));
        QVERIFY(link == QLatin1String("folder") || link == QLatin1String("nothing") ||
                ::chmod(QFile::encodeName(target).constData(), mode_t(mode)) == 0);
        if (link == QLatin1String("other"))
            QCOMPARE(::chown(QFile::encodeName(target).constData(), 65534, 65534), 0);
        const mode_t linkMode = modeOf(path);
        const mode_t targetMode = modeOf(target);
        {
            Station s(path, folder);
            s.start();
            QCOMPARE(s.status(),
                     QStringLiteral("Settings not saved: ") +
                         (link.isEmpty() ? refusal.arg(path) : refusal.arg(path, target)));
            if (refusal.contains(QLatin1String("could not be read")))
                QCOMPARE(s.window.controls().hsAccel->value(), 2); // the defaults, not half a file
            s.window.controls().Option1->click();
            s.window.controls().optTrain->click();
            s.window.close();
        }
        QCOMPARE(modeOf(path), linkMode);
        QCOMPARE(modeOf(target), targetMode);
        if (link != QLatin1String("folder") && link != QLatin1String("nothing")) {
            QVERIFY(::chmod(QFile::encodeName(target).constData(), 0600) == 0);
            QCOMPARE(contents(target), bytes);
        }
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot));
    }

    void aLinkedFileIsWrittenThroughAndReadsBack()
    {
        const QString folder = freshFolder();
        const QString target = folder + QStringLiteral("/kept/settings.ini");
        const QString path = folder + QStringLiteral("/KivraWebcam.conf");
        QVERIFY(put(target, "[Ports]\nCOM2=/dev/ttyUSB0\n\n[Settings]\nAccel=3\n\n"
                            "[Upload]\nAtomic=false\n"));
        QCOMPARE(::chmod(QFile::encodeName(target).constData(), 0640), 0);
        QVERIFY(QFile::link(target, path));
        const QString quoted = QStringLiteral("/web\"cam/ \"x\", y; z");
        {
            IniSettingsStore store(path);
            QCOMPARE(store.refusal(), QString());
            store.write(keys::settingsSection, keys::filePath, quoted);
            store.write(keys::settingsSection, keys::com2, QStringLiteral("True"));
            QVERIFY(store.flush());
        }
        QVERIFY(QFileInfo(path).isSymLink());
        QCOMPARE(modeOf(target) & 07777, mode_t(0640));
        {
            IniSettingsStore store(path);
            QCOMPARE(store.read(keys::settingsSection, keys::filePath), quoted);
            QCOMPARE(store.read(keys::portsSection, QStringLiteral("COM2")),
                     QStringLiteral("/dev/ttyUSB0"));
            QCOMPARE(store.read(keys::uploadSection, keys::atomic), QStringLiteral("false"));
            QCOMPARE(store.read(keys::settingsSection, keys::accel), QStringLiteral("3"));
            // A password makes the file its owner's alone.
            store.write(keys::settingsSection, keys::filePassword, QStringLiteral("se\"cret"));
            QVERIFY(store.flush());
        }
        QVERIFY(QFileInfo(path).isSymLink());
        QCOMPARE(modeOf(target) & 07777, mode_t(0600));
        QCOMPARE(IniSettingsStore(path).read(keys::settingsSection, keys::filePassword),
                 QStringLiteral("se\"cret"));

        // Made readable again by hand: the password already in the file
        // makes it private at the next save, whatever key that saves.
        QCOMPARE(::chmod(QFile::encodeName(target).constData(), 0644), 0);
        {
            IniSettingsStore store(path);
            store.write(keys::settingsSection, keys::accel, QStringLiteral("1"));
            QVERIFY(store.flush());
        }
        QCOMPARE(modeOf(target) & 07777, mode_t(0600));
    }

    void aLockedPresetFileOpensOnceReleased()
    {
        const QString folder = freshFolder();
        writePresets(folder);
        // Another program holds the file the way a writer does.
        QProcess holder;
        holder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        holder.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral("-c"),
                      QStringLiteral("import sqlite3, sys\n"
                                     "db = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
                                     "db.execute('BEGIN EXCLUSIVE')\n"
                                     "print('locked', flush=True)\n"
                                     "sys.stdin.readline()\n"
                                     "db.execute('ROLLBACK')\n"),
                      folder + QStringLiteral("/Pivora.mdb")});
        QVERIFY(holder.waitForReadyRead(30000));
        QCOMPARE(holder.readLine().trimmed(), QByteArray("locked"));

        Station s(folder + QStringLiteral("/KivraWebcam.conf"), folder);
        s.start();
        QTRY_COMPARE_WITH_TIMEOUT(
            s.status(), QStringLiteral("Preset database busy: database is locked"), 30000);
        QCOMPARE(s.window.presets().RecordCount(), 0);

        holder.write("\n");
        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished(30000));
        QTRY_COMPARE_WITH_TIMEOUT(s.window.presets().RecordCount(), 2, 30000);
        QCOMPARE(s.window.controls().DBGrid1->model()->rowCount(), 3);
        QCOMPARE(s.window.presets().field(QStringLiteral("Pan")), QVariant(10.0));
    }

    // Start, send a frame while a real upload runs, move over the pad and
    // close, again and again: the window closes every time, with the
    // settings saved.
    void closingAlwaysCloses()
    {
        FtpTestServer server(20000);
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        const QString folder = freshFolder();
        const QString path = folder + QStringLiteral("/KivraWebcam.conf");
        const QByteArray stored =
            QStringLiteral("[Settings]\nCaptureFrame=True\nDelete=True\nFTPEnable=1\n"
                           "FileHost=%1\nFileLogin=%2\nFileName=frame.jpg\n"
                           "FilePassword=%3\nManual=True\nPicture=True\n")
                .arg(server.address(), server.user(), server.password())
                .toUtf8();
        for (int run = 0; run < 25; ++run) {
            QVERIFY(put(path, stored));
            IniSettingsStore settings(path);
            QtCaptureDevice capture(true);
            TurboJpegCodec codec;
            CurlFileTransfer transfer;
            StationRig rig({.settings = &settings,
                            .capture = &capture,
                            .codec = &codec,
                            .transfer = &transfer,
                            .programFolder = folder});
            rig.start();
            KivraWebcam& window = rig.window();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QPushButton* send = window.controls().cmdCaptureFrame;
            QVERIFY(send->isEnabled());
            QTest::qWait(run % 5 * 40); // a frame or none yet
            QTest::mouseClick(send, Qt::LeftButton);
            TouchPad* pad = window.controls().Picture1;
            for (int i = 0; i < 4; ++i)
                QTest::mouseMove(pad, QPoint(10 + 30 * i, 12 + 20 * i), run % 3 * 10);
            window.windowHandle()->close();
            QVERIFY2(!window.isVisible(), qPrintable(QStringLiteral("run %1").arg(run)));
            QVERIFY(window.hasEnded());
            QVERIFY(contents(path).contains("Com1=False"));
        }
    }
};

QTEST_MAIN(TestStopping)
#include "tst_stopping.moc"
