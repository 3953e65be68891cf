// SPDX-License-Identifier: GPL-3.0-or-later
#include "CurlFileTransfer.h"
#include "FtpTestServer.h"
#include "Texts.h"
#include "UploadPlan.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <QMap>

#include <memory>

Q_DECLARE_METATYPE(UploadPlan::Renaming)

namespace {

// An FTP server's folder as an upload's commands leave it, with one rule
// for renames; every request runs whole, so only the plan is on trial.
struct FolderModel
{
    UploadPlan::Renaming allows = UploadPlan::Renaming::OverAFile;
    QMap<QString, QByteArray> files;
    std::function<void()> afterEachStep;

    UploadPlan::Outcome run(const UploadPlan::Request& request, const QByteArray& bytes)
    {
        if (!commands(request.before))
            return UploadPlan::Outcome::Refused;
        if (!request.target.isEmpty()) {
            files[request.target] = bytes;
            afterEachStep();
        }
        return commands(request.after) ? UploadPlan::Outcome::Done : UploadPlan::Outcome::Refused;
    }
    bool commands(const QList<QByteArray>& list)
    {
        QString from;
        for (QByteArray command : list) {
            const bool mayFail = command.startsWith('*');
            if (mayFail)
                command.remove(0, 1);
            const QByteArray verb = command.left(4);
            const QString name = QString::fromUtf8(command.mid(5));
            bool done = false;
            if (verb == "DELE") {
                done = files.remove(name) > 0;
            } else if (verb == "RNFR") {
                done = files.contains(name);
                from = done ? name : QString();
            } else if (verb == "RNTO") {
                done = !from.isEmpty() && allows != UploadPlan::Renaming::Never &&
                       (allows == UploadPlan::Renaming::OverAFile || !files.contains(name));
                if (done)
                    files[name] = files.take(from);
                from.clear();
            }
            afterEachStep();
            if (!done && !mayFail)
                return false;
        }
        return true;
    }
};

} // namespace

// Uploads to a real server are tested through the frame publisher; here
// the command format, what must never reach a server, and that the
// caller's event loop never waits for one.
class TestFileTransfer : public QObject
{
    Q_OBJECT
private slots:
    void sendCommandKeepsPathsAndNamesApart_data()
    {
        QTest::addColumn<QString>("local");
        QTest::addColumn<QString>("remote");
        QTest::addColumn<QString>("command");
        QTest::newRow("plain") << "/srv/Picture.jpg"
                               << "/pub/cam.jpg"
                               << "SEND /srv/Picture.jpg /pub/cam.jpg";
        QTest::newRow("empty remote") << "/srv/Picture.jpg"
                                      << ""
                                      << "SEND /srv/Picture.jpg ";
        QTest::newRow("blanks") << "/my frames/Picture.jpg"
                                << "web cam.jpg"
                                << "SEND \"/my frames/Picture.jpg\" web cam.jpg";
        QTest::newRow("quote") << "/a\"b/Picture.jpg"
                               << "x"
                               << "SEND \"/a\"\"b/Picture.jpg\" x";
    }
    void sendCommandKeepsPathsAndNamesApart()
    {
        QFETCH(QString, local);
        QFETCH(QString, remote);
        QFETCH(QString, command);
        QCOMPARE(FileTransfer::sendCommand(local, remote), command);
        QString parsedLocal;
        QString parsedRemote;
        QVERIFY(FileTransfer::parseSendCommand(command, &parsedLocal, &parsedRemote));
        QCOMPARE(parsedLocal, local);
        QCOMPARE(parsedRemote, remote);
    }

    void unsafeOrUnusableCommandsNeverReachTheServer_data()
    {
        QTest::addColumn<QString>("remote");
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("reason");
        QTest::newRow("CR LF in name") << "cam.jpg\r\nDELE index.html"
                                       << "camera" << QString(texts::transferLineBreakInName);
        QTest::newRow("LF in name") << "cam\n.jpg"
                                    << "camera" << QString(texts::transferLineBreakInName);
        QTest::newRow("CR in login")
            << "cam.jpg"
            << "camera\rSITE x" << QString(texts::transferLineBreakInLogin);
        QTest::newRow("no file name") << "/pub/"
                                      << "camera" << QString(texts::transferNoRemoteFile);
    }
    void unsafeOrUnusableCommandsNeverReachTheServer()
    {
        QFETCH(QString, remote);
        QFETCH(QString, login);
        QFETCH(QString, reason);
        QTcpServer listener;
        QVERIFY(listener.listen(QHostAddress::LocalHost, 0));
        QTemporaryDir local;
        const QString path = local.filePath(QStringLiteral("Picture.jpg"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("jpeg") == 4);
        file.close();

        CurlFileTransfer transfer;
        transfer.setServerName(QStringLiteral("127.0.0.1:%1").arg(listener.serverPort()));
        transfer.setLoginName(login);
        QSignalSpy states(&transfer, &FileTransfer::TransferStateChanged);
        transfer.RunCommand(FileTransfer::sendCommand(path, remote));
        // Reported like every outcome: after RunCommand, busy until then.
        QVERIFY(transfer.IsBusy());
        QVERIFY(states.isEmpty());
        QVERIFY(states.wait(10000));
        QCOMPARE(states.first().first().toInt(), int(FileTransfer::Failed));
        QCOMPARE(transfer.errorText(), reason);
        QVERIFY(!transfer.IsBusy());
        QVERIFY(!listener.waitForNewConnection(200));
    }

    void anUploadsRequestsFollowWhatTheServerAllows_data()
    {
        QTest::addColumn<UploadPlan::Renaming>("allows");
        QTest::addColumn<QList<int>>("requests");
        QTest::addColumn<bool>("refusalNamed");
        // Requests per upload of three in a row, and whether the operator
        // heard that renaming is refused.
        QTest::newRow("renames over a file")
            << UploadPlan::Renaming::OverAFile << QList<int>{1, 1, 1} << false;
        QTest::newRow("not over a file")
            << UploadPlan::Renaming::NotOverAFile << QList<int>{1, 2, 1} << false;
        QTest::newRow("never") << UploadPlan::Renaming::Never << QList<int>{3, 1, 1} << true;
    }
    void anUploadsRequestsFollowWhatTheServerAllows()
    {
        QFETCH(UploadPlan::Renaming, allows);
        QFETCH(QList<int>, requests);
        QFETCH(bool, refusalNamed);
        const QString name = QStringLiteral("pub/cam.jpg");
        const UploadPlan plan(*ServerAddress::parse(QStringLiteral("host")), name);
        FolderModel folder;
        folder.allows = allows;
        UploadPlan::Renaming known = UploadPlan::Renaming::OverAFile;
        bool refused = false;
        QByteArray old;
        QList<int> counted;
        for (const QByteArray frame : {"one", "two", "three"}) {
            // At every step the name holds a whole frame or, once there was
            // one, the old frame is aside; nothing else.
            QStringList faults;
            folder.afterEachStep = [&] {
                const QByteArray now = folder.files.value(name);
                if (!now.isNull() && now != old && now != frame)
                    faults << QString::fromUtf8(now);
                if (!old.isNull() && now.isNull() && !folder.files.contains(plan.asideName()))
                    faults << QStringLiteral("no frame");
            };
            int count = 0;
            const auto outcome = plan.run(
                true, known,
                [&](const UploadPlan::Request& r) {
                    ++count;
                    return folder.run(r, frame);
                },
                &refused);
            QCOMPARE(outcome, UploadPlan::Outcome::Done);
            QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1String(", "))));
            QCOMPARE(folder.files, (QMap<QString, QByteArray>{{name, frame}}));
            counted << count;
            old = frame;
        }
        QCOMPARE(counted, requests);
        QCOMPARE(refused, refusalNamed);
        QCOMPARE(known, allows);
    }

    void theCallersLoopRunsOnWhileTheServerStalls()
    {
        // The server takes the data, then keeps quiet for 5 s before the
        // reply that completes the upload; curl waits for that reply
        // inside its own calls.
        FtpTestServer::Options options;
        options.finalReplyDelay = 5;
        FtpTestServer server(options);
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        QTemporaryDir local;
        const QString path = local.filePath(QStringLiteral("Picture.jpg"));
        const QByteArray frame(200 * 1024, 'j');
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(frame) == frame.size());
        file.close();

        auto transfer = std::make_unique<CurlFileTransfer>();
        transfer->setServerName(server.address());
        transfer->setLoginName(server.user());
        transfer->setLoginPassword(server.password());
        QList<int> states;
        QList<QThread*> deliveredOn;
        connect(transfer.get(), &FileTransfer::TransferStateChanged, this, [&](int state) {
            states << state;
            deliveredOn << QThread::currentThread();
        });
        QSignalSpy ended(transfer.get(), &FileTransfer::TransferStateChanged);

        // The longest pause of the loop: the gap between ticks of a 1 ms timer.
        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        connect(&ticker, &QTimer::timeout, this,
                [&] { longestGap = qMax(longestGap, sinceTick.restart()); });
        QElapsedTimer clock;
        clock.start();
        sinceTick.start();
        ticker.start(1);
        transfer->RunCommand(FileTransfer::sendCommand(path, QStringLiteral("cam.jpg")));
        QVERIFY(transfer->IsBusy());
        QVERIFY(ended.wait(60000));
        // The time since the last tick counts too: a loop blocked until
        // the end would not tick again before the wait returns.
        longestGap = qMax(longestGap, sinceTick.elapsed());
        ticker.stop();
        QCOMPARE(states, QList<int>{FileTransfer::ResponseCompleted});
        QCOMPARE(deliveredOn.first(), QThread::currentThread());
        QVERIFY(!transfer->IsBusy());
        QCOMPARE(server.file(QStringLiteral("cam.jpg")), frame);
        QVERIFY2(clock.elapsed() >= 4500, "the server did not stall");
        // A loop that waited for the reply would stand still for the whole
        // stall; an honest one pauses for milliseconds. Half the stall tells
        // the two apart on however loaded a machine.
        constexpr qint64 halfTheStall = 2500;
        QVERIFY2(longestGap < halfTheStall, qPrintable(QStringLiteral("%1 ms").arg(longestGap)));

        // Closing the station during such a stall does not wait it out.
        transfer->RunCommand(FileTransfer::sendCommand(path, QStringLiteral("cam.jpg")));
        QTRY_COMPARE_WITH_TIMEOUT(server.file(QStringLiteral(".part-cam.jpg")).size(), frame.size(),
                                  30000);
        QElapsedTimer closing;
        closing.start();
        transfer.reset();
        QVERIFY2(closing.elapsed() < halfTheStall,
                 qPrintable(QStringLiteral("%1 ms").arg(closing.elapsed())));
        // Nothing of the aborted upload is left to be delivered.
        QCoreApplication::sendPostedEvents();
        QCOMPARE(states.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestFileTransfer)
#include "tst_filetransfer.moc"
