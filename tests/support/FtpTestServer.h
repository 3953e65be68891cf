// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A real FTP server (pyftpdlib) for one test: a fresh root folder, a user
// with a password made here, a free port on 127.0.0.1. It stops with the
// object, or earlier with stop().
class FtpTestServer final
{
public:
    enum class Tls
    {
        None,
        Explicit,
        Implicit,
    };
    // How the server treats a rename: replace the target, refuse an
    // existing target, refuse every rename.
    enum class Rename
    {
        Replace,
        NoOverwrite,
        Refuse,
    };
    struct Options
    {
        // > 0 makes uploads crawl at that many bytes a second.
        qint64 readLimit = 0;
        Tls tls = Tls::None;
        // PEM file with the server's certificate and key (TLS only).
        QString certificate;
        Rename rename = Rename::Replace;
        // Seconds of silence between an upload's data and the reply that
        // completes it.
        double finalReplyDelay = 0;
        // The user's password; empty for one made up here.
        QString password;
        // A refused login's reply repeats the password that was sent.
        bool quotePassword = false;
    };

    explicit FtpTestServer(qint64 readLimit = 0);
    explicit FtpTestServer(const Options& options);
    ~FtpTestServer();
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    bool isRunning() const { return m_port != 0; }
    // Why the server did not start.
    QString error() const { return m_error; }
    // What the operator would type, scheme included for TLS.
    QString address() const;
    QString user() const { return QStringLiteral("camera"); }
    QString password() const { return m_password; }
    QString root() const { return m_root.path(); }
    // The bytes of a file below the root; a null array when it is missing.
    QByteArray file(const QString& relativePath) const;
    void stop();

    // A port on 127.0.0.1 where nothing listens.
    static quint16 closedPort();
    // Starts a server script under the system interpreter and reads the
    // port it prints; 0 with *error set when it does not come up.
    static quint16 launch(QProcess& process, const QString& script, const QStringList& arguments,
                          QString* error);
    static QString renameArgument(Rename rename);
    // Shared by the test servers: a served file's bytes (empty, not null,
    // for an empty file), and ending a server process.
    static QByteArray readServedFile(const QString& path);
    static void end(QProcess& process);

private:
    QTemporaryDir m_root;
    QProcess m_process;
    QString m_password;
    Tls m_tls = Tls::None;
    quint16 m_port = 0;
    QString m_error;
};
