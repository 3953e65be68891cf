#include "CurlFileTransfer.h"
#include "Texts.h"

#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

// Uploads to a real server are tested through the frame publisher; here
// the command format and what must never reach a server.
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
};

QTEST_GUILESS_MAIN(TestFileTransfer)
#include "tst_filetransfer.moc"
