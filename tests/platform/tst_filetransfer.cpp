#include "CurlFileTransfer.h"
#include "FtpTestServer.h"
#include "Texts.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray noise(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator rng(7);
    for (char& c : bytes)
        c = char(rng.bounded(256));
    return bytes;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Runs one command and waits for its one notification.
int run(FileTransfer& transfer, const QString& command)
{
    QSignalSpy states(&transfer, &FileTransfer::TransferStateChanged);
    transfer.RunCommand(command);
    if (!transfer.IsBusy() || !states.isEmpty())
        return -1;
    if (!states.wait(90000) || states.size() != 1)
        return -2;
    return states.first().first().toInt();
}

} // namespace

// The transfer component against a real FTP server on 127.0.0.1.
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
        QTest::newRow("empty remote keeps its blank") << "/srv/Picture.jpg"
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

    void uploadArrivesByteIdentical()
    {
        FtpTestServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        QVERIFY(QDir(server.root()).mkdir(QStringLiteral("pub")));
        QTemporaryDir local;
        const QString path = local.filePath(QStringLiteral("my frames/Picture.jpg"));
        QVERIFY(QDir(local.path()).mkdir(QStringLiteral("my frames")));
        const QByteArray bytes = noise(300 * 1024);
        QVERIFY(writeFile(path, bytes));

        CurlFileTransfer transfer;
        transfer.setServerName(server.address());
        transfer.setLoginPassword(server.password());
        transfer.setLoginName(server.user());

        QCOMPARE(run(transfer, FileTransfer::sendCommand(path, QStringLiteral("/pub/cam.jpg"))),
                 int(FileTransfer::ResponseCompleted));
        QVERIFY(!transfer.IsBusy());
        QCOMPARE(server.file(QStringLiteral("pub/cam.jpg")), bytes);

        // Relative names land in the login folder, blanks and all.
        QCOMPARE(run(transfer, FileTransfer::sendCommand(path, QStringLiteral("web cam.jpg"))),
                 int(FileTransfer::ResponseCompleted));
        QCOMPARE(server.file(QStringLiteral("web cam.jpg")), bytes);
    }

    void failuresSayWhy()
    {
        FtpTestServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        QTemporaryDir local;
        const QString path = local.filePath(QStringLiteral("Picture.jpg"));
        QVERIFY(writeFile(path, "jpeg"));
        CurlFileTransfer transfer;
        transfer.setLoginName(server.user());

        // The server answers a wrong password only after a pause; the
        // operator must read a refusal, not a time-out.
        transfer.setServerName(server.address());
        transfer.setLoginPassword(QStringLiteral("not the password"));
        QCOMPARE(run(transfer, FileTransfer::sendCommand(path, QStringLiteral("cam.jpg"))),
                 int(FileTransfer::Failed));
        QVERIFY2(transfer.errorText().startsWith(QLatin1String("530")),
                 qPrintable(transfer.errorText()));

        transfer.setServerName(QStringLiteral("127.0.0.1:%1").arg(FtpTestServer::closedPort()));
        transfer.setLoginPassword(server.password());
        QCOMPARE(run(transfer, FileTransfer::sendCommand(path, QStringLiteral("cam.jpg"))),
                 int(FileTransfer::Failed));
        QVERIFY2(transfer.errorText().contains(QLatin1String("connect"), Qt::CaseInsensitive),
                 qPrintable(transfer.errorText()));

        transfer.setServerName(server.address());
        QCOMPARE(run(transfer, FileTransfer::sendCommand(local.filePath(QStringLiteral("gone.jpg")),
                                                         QStringLiteral("cam.jpg"))),
                 int(FileTransfer::Failed));
        QVERIFY2(transfer.errorText().startsWith(texts::transferCannotRead),
                 qPrintable(transfer.errorText()));
        QVERIFY(server.file(QStringLiteral("cam.jpg")).isNull());
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
        QVERIFY(writeFile(path, "jpeg"));

        CurlFileTransfer transfer;
        transfer.setServerName(QStringLiteral("127.0.0.1:%1").arg(listener.serverPort()));
        transfer.setLoginName(login);
        QCOMPARE(run(transfer, FileTransfer::sendCommand(path, remote)), int(FileTransfer::Failed));
        QCOMPARE(transfer.errorText(), reason);
        QVERIFY(!listener.waitForNewConnection(200));
    }

    void bytesAreTakenWhenTheUploadStarts()
    {
        // About four seconds on the wire, plenty of time to change the file.
        FtpTestServer server(64 * 1024);
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        QTemporaryDir local;
        const QString path = local.filePath(QStringLiteral("Picture.jpg"));
        const QByteArray first = noise(256 * 1024);
        QVERIFY(writeFile(path, first));

        CurlFileTransfer transfer;
        transfer.setServerName(server.address());
        transfer.setLoginPassword(server.password());
        transfer.setLoginName(server.user());
        QSignalSpy states(&transfer, &FileTransfer::TransferStateChanged);
        transfer.RunCommand(FileTransfer::sendCommand(path, QStringLiteral("cam.jpg")));
        QVERIFY(writeFile(path, QByteArray(100, 'x')));
        // A second command while busy is not started.
        transfer.RunCommand(FileTransfer::sendCommand(path, QStringLiteral("other.jpg")));

        QVERIFY(states.wait(90000));
        QCOMPARE(states.size(), 1);
        QCOMPARE(states.first().first().toInt(), int(FileTransfer::ResponseCompleted));
        QCOMPARE(server.file(QStringLiteral("cam.jpg")), first);
        QVERIFY(server.file(QStringLiteral("other.jpg")).isNull());
    }
};

QTEST_GUILESS_MAIN(TestFileTransfer)
#include "tst_filetransfer.moc"
