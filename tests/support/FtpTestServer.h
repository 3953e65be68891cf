#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real FTP server (pyftpdlib) for one test: a fresh root folder, a user
// with a password made here, a free port on 127.0.0.1. It stops with the
// object, or earlier with stop().
class FtpTestServer final
{
public:
    // readLimit > 0 makes uploads crawl at that many bytes a second.
    explicit FtpTestServer(qint64 readLimit = 0);
    ~FtpTestServer();
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    bool isRunning() const { return m_port != 0; }
    // Why the server did not start.
    QString error() const { return m_error; }
    QString address() const;
    QString user() const { return QStringLiteral("camera"); }
    QString password() const { return m_password; }
    QString root() const { return m_root.path(); }
    // The bytes of a file below the root; a null array when it is missing.
    QByteArray file(const QString& relativePath) const;
    void stop();

    // A port on 127.0.0.1 where nothing listens.
    static quint16 closedPort();

private:
    QTemporaryDir m_root;
    QProcess m_process;
    QString m_password;
    quint16 m_port = 0;
    QString m_error;
};
