// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FtpTestServer.h"

#include <QProcess>
#include <QTemporaryDir>

// A real SFTP server (paramiko) for one test: a fresh root folder that is
// also the user's home, a password made here, the host key in hostKeyFile
// (made by the server when the file is missing), a free port on 127.0.0.1.
class SftpTestServer final
{
public:
    // port 0 takes a free one; a given port lets a test bring "the same
    // server" back with another key.
    SftpTestServer(const QString& hostKeyFile,
                   FtpTestServer::Rename rename = FtpTestServer::Rename::Replace, quint16 port = 0);
    ~SftpTestServer();
    SftpTestServer(const SftpTestServer&) = delete;
    SftpTestServer& operator=(const SftpTestServer&) = delete;

    bool isRunning() const { return m_port != 0; }
    QString error() const { return m_error; }
    quint16 port() const { return m_port; }
    QString address() const { return QStringLiteral("sftp://127.0.0.1:%1").arg(m_port); }
    QString user() const { return QStringLiteral("camera"); }
    QString password() const { return m_password; }
    QString root() const { return m_root.path(); }
    QByteArray file(const QString& relativePath) const;

private:
    QTemporaryDir m_root;
    QProcess m_process;
    QString m_password;
    quint16 m_port = 0;
    QString m_error;
};
