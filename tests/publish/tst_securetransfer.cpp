// SPDX-License-Identifier: GPL-3.0-or-later
#include "CurlFileTransfer.h"
#include "FtpTestServer.h"
#include "SftpTestServer.h"
#include "TestCertificates.h"
#include "Texts.h"
#include "UploadLog.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#include <sys/stat.h>

namespace {

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator rng(seed);
    for (char& b : bytes)
        b = char(rng.bounded(256));
    return bytes;
}

// One server of any of the four kinds, with what a test needs of it.
struct AnyServer
{
    std::unique_ptr<FtpTestServer> ftp;
    std::unique_ptr<SftpTestServer> sftp;

    bool isRunning() const { return ftp ? ftp->isRunning() : sftp && sftp->isRunning(); }
    QString error() const { return ftp ? ftp->error() : sftp->error(); }
    QString address() const { return ftp ? ftp->address() : sftp->address(); }
    QString user() const { return ftp ? ftp->user() : sftp->user(); }
    QString password() const { return ftp ? ftp->password() : sftp->password(); }
    QByteArray file(const QString& name) const { return ftp ? ftp->file(name) : sftp->file(name); }
    bool put(const QString& name, const QByteArray& bytes) const
    {
        QFile file((ftp ? ftp->root() : sftp->root()) + QLatin1Char('/') + name);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
};

// A transfer with an upload record and a local frame in a folder of its own.
struct Station
{
    Station()
        : log(folder.filePath(QStringLiteral("uploads.log")))
    {
        options.knownHostsFile = folder.filePath(QStringLiteral("data/known_hosts"));
        options.uploadLog = &log;
        transfer.setOptions(options);
    }
    void use(const AnyServer& server)
    {
        transfer.setServerName(server.address());
        transfer.setLoginName(server.user());
        transfer.setLoginPassword(server.password());
    }
    void configure() { transfer.setOptions(options); }
    // Uploads bytes under the remote name; calls poll every few
    // milliseconds until the transfer has ended.
    int send(const QByteArray& bytes, const QString& remote, const std::function<void()>& poll = {})
    {
        const QString local = folder.filePath(QStringLiteral("Picture.jpg"));
        QFile file(local);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return -1;
        file.close();
        QSignalSpy states(&transfer, &FileTransfer::TransferStateChanged);
        QTimer poller;
        if (poll) {
            QObject::connect(&poller, &QTimer::timeout, poll);
            poller.start(5);
        }
        transfer.RunCommand(FileTransfer::sendCommand(local, remote));
        if (!states.wait(90000))
            return -1;
        return states.first().first().toInt();
    }
    QStringList logLines() const
    {
        QFile file(log.path());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QTemporaryDir folder;
    UploadLog log;
    TransferOptions options;
    CurlFileTransfer transfer;
};

enum class Kind
{
    Ftp,
    ExplicitTls,
    ImplicitTls,
    Sftp
};

} // namespace

Q_DECLARE_METATYPE(Kind)
Q_DECLARE_METATYPE(FtpTestServer::Rename)

// CTest runs these functions in two parts side by side (CMakeLists.txt);
// tst_securetransfer_parts fails on a function that joins neither.
class TestSecureTransfer : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_keys;
    TestCertificate m_good;
    TestCertificate m_otherName;

    // A server of the kind, trusted through "CACertificate" when it has TLS.
    AnyServer start(Kind kind, Station& station,
                    FtpTestServer::Rename rename = FtpTestServer::Rename::Replace)
    {
        AnyServer server;
        if (kind == Kind::Sftp) {
            server.sftp = std::make_unique<SftpTestServer>(
                m_keys.filePath(QStringLiteral("host_key")), rename);
            return server;
        }
        FtpTestServer::Options options;
        options.rename = rename;
        if (kind != Kind::Ftp) {
            options.tls = kind == Kind::ExplicitTls ? FtpTestServer::Tls::Explicit
                                                    : FtpTestServer::Tls::Implicit;
            options.certificate = m_good.serverPem;
            station.options.caCertificate = m_good.certificatePem;
            station.configure();
        }
        server.ftp = std::make_unique<FtpTestServer>(options);
        return server;
    }

private slots:
    void initTestCase()
    {
        QString error;
        m_good = makeTestCertificate(m_keys.path(), QStringLiteral("good"),
                                     QStringLiteral("IP:127.0.0.1"), &error);
        QVERIFY2(!m_good.serverPem.isEmpty(), qPrintable(error));
        m_otherName = makeTestCertificate(m_keys.path(), QStringLiteral("other"),
                                          QStringLiteral("DNS:elsewhere.invalid"), &error);
        QVERIFY2(!m_otherName.serverPem.isEmpty(), qPrintable(error));
    }

    void aReaderOnlyEverSeesAWholeFrame_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("scheme");
        QTest::newRow("ftp") << Kind::Ftp << "ftp://";
        QTest::newRow("explicit TLS") << Kind::ExplicitTls << "ftpes://";
        QTest::newRow("implicit TLS") << Kind::ImplicitTls << "ftps://";
        QTest::newRow("sftp") << Kind::Sftp << "sftp://";
    }
    void aReaderOnlyEverSeesAWholeFrame()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, scheme);
        Station station;
        const AnyServer server = start(kind, station);
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        station.use(server);

        const QByteArray old = randomBytes(64 * 1024, 1);
        QVERIFY2(station.send(old, QStringLiteral("cam.jpg")) == FileTransfer::ResponseCompleted,
                 qPrintable(station.transfer.errorText()));
        QCOMPARE(server.file(QStringLiteral("cam.jpg")), old);

        // A slow upload of a new frame, watched from outside all along.
        const QByteArray fresh = randomBytes(160 * 1024, 2);
        station.options.maxSendRate = 64 * 1024;
        station.configure();
        int reads = 0;
        QStringList seen;
        const int state = station.send(fresh, QStringLiteral("cam.jpg"), [&] {
            const QByteArray now = server.file(QStringLiteral("cam.jpg"));
            ++reads;
            if (now != old && now != fresh)
                seen << QStringLiteral("%1 bytes").arg(now.size());
        });
        QVERIFY2(state == FileTransfer::ResponseCompleted,
                 qPrintable(station.transfer.errorText()));
        QVERIFY(reads > 20);
        QVERIFY2(seen.isEmpty(), qPrintable(seen.join(QLatin1String(", "))));
        QCOMPARE(server.file(QStringLiteral("cam.jpg")), fresh);
        QVERIFY(server.file(QStringLiteral(".part-cam.jpg")).isNull());

        const QStringList lines = station.logLines();
        QCOMPARE(lines.size(), 2);
        for (const QString& line : lines) {
            const QStringList fields = line.split(QLatin1Char('\t'));
            QCOMPARE(fields.size(), 5);
            QVERIFY(QDateTime::fromString(fields[0], Qt::ISODate).isValid());
            QVERIFY2(fields[1].startsWith(scheme + server.user() + QLatin1Char('@')),
                     qPrintable(fields[1]));
            QCOMPARE(fields[4], QStringLiteral("ok"));
            QVERIFY(!line.contains(server.password()));
        }
        QCOMPARE(lines[1].split(QLatin1Char('\t'))[2], QString::number(fresh.size()));
    }

    void withoutAtomicReplaceHalfAFrameShows()
    {
        // Shows that the watching above can catch a partial file; active
        // mode on the way.
        Station station;
        const AnyServer server = start(Kind::Ftp, station);
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        station.use(server);
        station.options.atomic = false;
        station.options.passive = false;
        station.options.maxSendRate = 64 * 1024;
        station.configure();
        const QByteArray fresh = randomBytes(160 * 1024, 3);
        bool partial = false;
        const int state = station.send(fresh, QStringLiteral("cam.jpg"), [&] {
            const QByteArray now = server.file(QStringLiteral("cam.jpg"));
            partial = partial || (!now.isEmpty() && now.size() < fresh.size());
        });
        QVERIFY2(state == FileTransfer::ResponseCompleted,
                 qPrintable(station.transfer.errorText()));
        QVERIFY(partial);
        QCOMPARE(server.file(QStringLiteral("cam.jpg")), fresh);
    }

    void serversThatWillNotRename_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<FtpTestServer::Rename>("rename");
        QTest::newRow("ftp, not over a file") << Kind::Ftp << FtpTestServer::Rename::NoOverwrite;
        QTest::newRow("ftp, never") << Kind::Ftp << FtpTestServer::Rename::Refuse;
        QTest::newRow("sftp, not over a file") << Kind::Sftp << FtpTestServer::Rename::NoOverwrite;
        QTest::newRow("sftp, never") << Kind::Sftp << FtpTestServer::Rename::Refuse;
    }
    void serversThatWillNotRename()
    {
        QFETCH(Kind, kind);
        QFETCH(FtpTestServer::Rename, rename);
        Station station;
        const AnyServer server = start(kind, station, rename);
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        station.use(server);
        QSignalSpy notices(&station.transfer, &FileTransfer::notice);
        // Slow enough for the watching below to see a part of a frame.
        const bool swaps = rename == FtpTestServer::Rename::NoOverwrite;
        if (swaps) {
            station.options.maxSendRate = 64 * 1024;
            station.configure();
        }
        QByteArray previous;
        if (swaps) {
            // An earlier upload cut off between the two renames left the
            // old frame aside: it must not make both renames fail.
            previous = randomBytes(1024, 3u);
            QVERIFY(server.put(QStringLiteral("cam.jpg"), previous));
            QVERIFY(server.put(QStringLiteral(".old-cam.jpg"), "left over"));
        }
        for (quint32 seed : {4u, 5u, 6u}) {
            const QByteArray frame = randomBytes(swaps ? 128 * 1024 : 8 * 1024, seed);
            QStringList seen;
            const auto watch = [&] {
                // A login changed while an upload runs (the dialog's OK) must
                // not reach that upload's later requests (the swap, a retry).
                if (seed == 5u)
                    station.transfer.setLoginPassword(QStringLiteral("changed meanwhile"));
                // The old frame, the new one, or nothing for the moment
                // between the two renames of the swap; never a part.
                const QByteArray now = server.file(QStringLiteral("cam.jpg"));
                if (!now.isNull() && now != previous && now != frame)
                    seen << QStringLiteral("%1 bytes").arg(now.size());
            };
            QCOMPARE(station.send(frame, QStringLiteral("cam.jpg"), watch),
                     int(FileTransfer::ResponseCompleted));
            station.use(server);
            if (swaps)
                QVERIFY2(seen.isEmpty(), qPrintable(seen.join(QLatin1String(", "))));
            QCOMPARE(server.file(QStringLiteral("cam.jpg")), frame);
            QVERIFY(server.file(QStringLiteral(".part-cam.jpg")).isNull());
            QVERIFY(server.file(QStringLiteral(".old-cam.jpg")).isNull());
            previous = frame;
        }
        if (rename == FtpTestServer::Rename::Refuse) {
            QCOMPARE(notices.size(), 1);
            QCOMPARE(notices.first().first().toString(), QString(texts::noAtomicReplace));
        } else {
            QVERIFY(notices.isEmpty());
        }
        QCOMPARE(station.logLines().size(), 3);
    }

    void untrustedOrWrongCertificatesAreRefused()
    {
        struct Case
        {
            FtpTestServer::Tls tls;
            TestCertificate certificate;
            QString trusted;
            QString expected;
        };
        const Case cases[] = {
            // Nobody vouches for it.
            {FtpTestServer::Tls::Explicit, m_good, QString(), QStringLiteral("self-signed")},
            {FtpTestServer::Tls::Implicit, m_good, QString(), QStringLiteral("self-signed")},
            // Trusted, but made out to another name.
            {FtpTestServer::Tls::Explicit, m_otherName, m_otherName.certificatePem,
             QStringLiteral("127.0.0.1")},
            {FtpTestServer::Tls::Implicit, m_otherName, m_otherName.certificatePem,
             QStringLiteral("127.0.0.1")},
        };
        for (const Case& c : cases) {
            Station station;
            FtpTestServer::Options options;
            options.tls = c.tls;
            options.certificate = c.certificate.serverPem;
            FtpTestServer server(options);
            QVERIFY2(server.isRunning(), qPrintable(server.error()));
            station.transfer.setServerName(server.address());
            station.transfer.setLoginName(server.user());
            station.transfer.setLoginPassword(server.password());
            station.options.caCertificate = c.trusted;
            station.configure();
            QCOMPARE(station.send("frame", QStringLiteral("cam.jpg")), int(FileTransfer::Failed));
            const QString error = station.transfer.errorText();
            QVERIFY2(error.startsWith(texts::transferCertificateRefused), qPrintable(error));
            QVERIFY2(error.contains(c.expected), qPrintable(error));
            QVERIFY(server.file(QStringLiteral("cam.jpg")).isNull());
            const QStringList lines = station.logLines();
            QCOMPARE(lines.size(), 1);
            QVERIFY(lines[0].endsWith(error));
            QVERIFY(!lines[0].contains(server.password()));
        }

        // A CACertificate that cannot be used stops the upload before it starts.
        Station station;
        station.transfer.setServerName(
            QStringLiteral("ftpes://127.0.0.1:%1").arg(FtpTestServer::closedPort()));
        station.options.caCertificate = station.folder.filePath(QStringLiteral("missing.pem"));
        station.configure();
        QCOMPARE(station.send("frame", QStringLiteral("cam.jpg")), int(FileTransfer::Failed));
        QVERIFY(station.transfer.errorText().startsWith(texts::transferCaUnreadable));
        station.options.caCertificate = m_good.serverPem.chopped(4) + QStringLiteral(".key");
        station.configure();
        QCOMPARE(station.send("frame", QStringLiteral("cam.jpg")), int(FileTransfer::Failed));
        QVERIFY(station.transfer.errorText().startsWith(texts::transferCaEmpty));

        // Endless, blocking or huge: refused without reading on.
        const QString fifo = station.folder.filePath(QStringLiteral("fifo.pem"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString huge = station.folder.filePath(QStringLiteral("huge.pem"));
        QFile hugeFile(huge);
        QVERIFY(hugeFile.open(QIODevice::WriteOnly) && hugeFile.resize(1024 * 1024 + 1));
        hugeFile.close();
        const QList<std::pair<QString, QString>> refused = {
            {QStringLiteral("/dev/zero"), texts::fileNotRegular},
            {fifo, texts::fileNotRegular},
            {huge, QString(texts::fileTooLarge).arg(1)},
        };
        for (const auto& [path, why] : refused) {
            station.options.caCertificate = path;
            station.configure();
            QCOMPARE(station.send("frame", QStringLiteral("cam.jpg")), int(FileTransfer::Failed));
            QCOMPARE(station.transfer.errorText(),
                     texts::transferCaUnreadable + path + QLatin1String(": ") + why);
        }
    }

    void thePasswordNeverShows()
    {
        // A server that repeats a refused password in its reply, and a
        // password that is also part of the server's address.
        FtpTestServer::Options options;
        options.quotePassword = true;
        FtpTestServer server(options);
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        Station station;
        station.transfer.setServerName(server.address());
        station.transfer.setLoginName(server.user());
        station.transfer.setLoginPassword(QStringLiteral("127"));
        QCOMPARE(station.send("frame", QStringLiteral("cam.jpg")), int(FileTransfer::Failed));
        const QString error = station.transfer.errorText();
        QVERIFY2(!error.isEmpty() && !error.contains(QLatin1String("127")), qPrintable(error));
        const QStringList fields = station.logLines().value(0).split(QLatin1Char('\t'));
        QCOMPARE(fields.size(), 5);
        QCOMPARE(fields[1], QStringLiteral("ftp://camera@%1/cam.jpg").arg(server.address()));
        QCOMPARE(fields[4], error);
    }

    void aChangedHostKeyIsRefused()
    {
        Station station;
        QTemporaryDir keys;
        quint16 port = 0;
        {
            SftpTestServer first(keys.filePath(QStringLiteral("first")));
            QVERIFY2(first.isRunning(), qPrintable(first.error()));
            station.transfer.setServerName(first.address());
            station.transfer.setLoginName(first.user());
            station.transfer.setLoginPassword(first.password());
            QCOMPARE(station.send("one", QStringLiteral("/cam.jpg")),
                     int(FileTransfer::ResponseCompleted));
            QCOMPARE(first.file(QStringLiteral("cam.jpg")), QByteArray("one"));
            // Recorded on first use, and accepted again.
            QVERIFY(QFileInfo(station.options.knownHostsFile).size() > 0);
            QCOMPARE(station.send("two", QStringLiteral("/cam.jpg")),
                     int(FileTransfer::ResponseCompleted));
            port = first.port();
        }
        SftpTestServer impostor(keys.filePath(QStringLiteral("second")),
                                FtpTestServer::Rename::Replace, port);
        QVERIFY2(impostor.isRunning(), qPrintable(impostor.error()));
        station.transfer.setLoginPassword(impostor.password());
        QCOMPARE(station.send("three", QStringLiteral("/cam.jpg")), int(FileTransfer::Failed));
        QCOMPARE(station.transfer.errorText(),
                 QString(texts::transferHostKeyChanged).arg(station.options.knownHostsFile));
        QVERIFY(impostor.file(QStringLiteral("cam.jpg")).isNull());
        const QStringList lines = station.logLines();
        QCOMPARE(lines.size(), 3);
        QVERIFY(!lines.join(QLatin1Char('\n')).contains(impostor.password()));
    }
};

QTEST_GUILESS_MAIN(TestSecureTransfer)
#include "tst_securetransfer.moc"
