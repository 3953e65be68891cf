// SPDX-License-Identifier: GPL-3.0-or-later
#include "SftpTestServer.h"

#include <QFile>
#include <QRandomGenerator>

SftpTestServer::SftpTestServer(const QString& hostKeyFile, FtpTestServer::Rename rename,
                               quint16 port)
    : m_password(QString::number(QRandomGenerator::global()->generate64(), 36))
{
    QStringList arguments = {QStringLiteral("--root"),     m_root.path(),
                             QStringLiteral("--user"),     user(),
                             QStringLiteral("--password"), m_password,
                             QStringLiteral("--host-key"), hostKeyFile,
                             QStringLiteral("--rename"),   FtpTestServer::renameArgument(rename)};
    if (port != 0)
        arguments << QStringLiteral("--port") << QString::number(port);
    m_port = FtpTestServer::launch(m_process, QStringLiteral(KIVRA_SFTP_SERVER_SCRIPT), arguments,
                                   &m_error);
}

SftpTestServer::~SftpTestServer()
{
    FtpTestServer::end(m_process);
}

QByteArray SftpTestServer::file(const QString& relativePath) const
{
    return FtpTestServer::readServedFile(m_root.filePath(relativePath));
}
