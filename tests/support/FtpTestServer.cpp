// SPDX-License-Identifier: GPL-3.0-or-later
#include "FtpTestServer.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTcpServer>

FtpTestServer::FtpTestServer(qint64 readLimit)
    : FtpTestServer([readLimit] {
        Options options;
        options.readLimit = readLimit;
        return options;
    }())
{}

FtpTestServer::FtpTestServer(const Options& options)
    : m_password(options.password.isEmpty()
                     ? QString::number(QRandomGenerator::global()->generate64(), 36)
                     : options.password)
    , m_tls(options.tls)
{
    QStringList arguments = {QStringLiteral("--root"),     m_root.path(),
                             QStringLiteral("--user"),     user(),
                             QStringLiteral("--password"), m_password,
                             QStringLiteral("--rename"),   renameArgument(options.rename)};
    if (options.readLimit > 0)
        arguments << QStringLiteral("--read-limit") << QString::number(options.readLimit);
    if (options.finalReplyDelay > 0)
        arguments << QStringLiteral("--final-reply-delay")
                  << QString::number(options.finalReplyDelay);
    if (options.quotePassword)
        arguments << QStringLiteral("--quote-password");
    if (options.tls != Tls::None)
        arguments << QStringLiteral("--tls")
                  << (options.tls == Tls::Explicit ? QStringLiteral("explicit")
                                                   : QStringLiteral("implicit"))
                  << QStringLiteral("--cert") << options.certificate;
    m_port = launch(m_process, QStringLiteral(KIVRA_FTP_SERVER_SCRIPT), arguments, &m_error);
}

FtpTestServer::~FtpTestServer()
{
    stop();
}

quint16 FtpTestServer::launch(QProcess& process, const QString& script,
                              const QStringList& arguments, QString* error)
{
    // The system interpreter has the server libraries; the first python3 on
    // PATH may not.
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral("/usr/bin/python3"), QStringList{script} + arguments);
    if (!process.waitForStarted(30000)) {
        *error = process.errorString();
        return 0;
    }
    while (!process.canReadLine()) {
        if (!process.waitForReadyRead(30000)) {
            *error = QStringLiteral("the server did not report its port");
            return 0;
        }
    }
    return quint16(process.readLine().trimmed().toUInt());
}

QString FtpTestServer::renameArgument(Rename rename)
{
    switch (rename) {
    case Rename::NoOverwrite:
        return QStringLiteral("no-overwrite");
    case Rename::Refuse:
        return QStringLiteral("refuse");
    case Rename::Replace:
        break;
    }
    return QStringLiteral("replace");
}

QString FtpTestServer::address() const
{
    const QString hostPort = QStringLiteral("127.0.0.1:%1").arg(m_port);
    switch (m_tls) {
    case Tls::Explicit:
        return QStringLiteral("ftpes://") + hostPort;
    case Tls::Implicit:
        return QStringLiteral("ftps://") + hostPort;
    case Tls::None:
        break;
    }
    return hostPort;
}

QByteArray FtpTestServer::readServedFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = f.readAll();
    // An empty file is still there.
    if (bytes.isNull())
        bytes = QByteArray("");
    return bytes;
}

void FtpTestServer::end(QProcess& process)
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(30000);
    }
}

QByteArray FtpTestServer::file(const QString& relativePath) const
{
    return readServedFile(m_root.filePath(relativePath));
}

void FtpTestServer::stop()
{
    end(m_process);
    m_port = 0;
}

quint16 FtpTestServer::closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}
