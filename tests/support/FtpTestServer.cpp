#include "FtpTestServer.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTcpServer>

#include <chrono>

FtpTestServer::FtpTestServer(qint64 readLimit)
    : m_password(QString::number(QRandomGenerator::global()->generate64(), 36))
{
    // The system interpreter has pyftpdlib; the first python3 on PATH may not.
    QStringList arguments = {QStringLiteral(KIVRA_FTP_SERVER_SCRIPT),
                             QStringLiteral("--root"),
                             m_root.path(),
                             QStringLiteral("--user"),
                             user(),
                             QStringLiteral("--password"),
                             m_password};
    if (readLimit > 0)
        arguments << QStringLiteral("--read-limit") << QString::number(readLimit);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("/usr/bin/python3"), arguments);
    if (!m_process.waitForStarted(30000)) {
        m_error = m_process.errorString();
        return;
    }
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(30000)) {
            m_error = QStringLiteral("the FTP server did not report its port");
            return;
        }
    }
    m_port = quint16(m_process.readLine().trimmed().toUInt());
}

FtpTestServer::~FtpTestServer()
{
    stop();
}

QString FtpTestServer::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

QByteArray FtpTestServer::file(const QString& relativePath) const
{
    QFile f(m_root.filePath(relativePath));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = f.readAll();
    // An empty file is still there.
    if (bytes.isNull())
        bytes = QByteArray("");
    return bytes;
}

void FtpTestServer::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(30000);
    }
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
