// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

// One upload as the transfer runs it.
struct TransferJob
{
    // The bytes to upload; without them, the local file's, read when the
    // upload starts.
    std::optional<QByteArray> bytes;
    // The local file the bytes are, or come from; named in messages.
    QString localPath;
    // The name on the server.
    QString remoteName;
    // Set for a command text that is not one of the transfer's: the job
    // fails with this reason and sends nothing.
    QString refusal;

    // The job as the command text that asks for it.
    QString command() const;
};

// The internet transfer component, set up for FTP: a server with a user
// name and password, one command at a time, and notifications of how the
// command went. Commands run on after RunCommand returns; the caller's
// thread never waits on the network.
class FileTransfer : public QObject
{
    Q_OBJECT
public:
    // The state numbers of TransferStateChanged.
    enum State : int
    {
        // The command failed; errorText() tells why.
        Failed = 11,
        // The response to the command has been completed.
        ResponseCompleted = 12,
    };

    using QObject::QObject;
    ~FileTransfer() override;

    // Later commands go to this server: "host" (port 21), "host:port" or
    // "[IPv6 address]:port", optionally after "ftp://", "ftpes://",
    // "ftps://" or "sftp://".
    virtual void setServerName(const QString& server) = 0;
    virtual QString ServerName() const = 0;
    // Later commands log in with this user name (empty: anonymous) ...
    virtual void setLoginName(const QString& name) = 0;
    virtual QString LoginName() const = 0;
    // ... and this password.
    virtual void setLoginPassword(const QString& password) = 0;
    virtual QString LoginPassword() const = 0;

    // True from a command's start until it has finished, success or not.
    virtual bool IsBusy() const = 0;
    // Starts a command and returns at once; while busy it does nothing.
    // The one command is sendCommand()'s "SEND <local> <remote>": it uploads
    // the local file under the remote name. The text is read here, once;
    // the upload runs as send() of its job.
    void RunCommand(const QString& command);
    // Starts an upload and returns at once; while busy it does nothing.
    // Bytes not given are the local file's, taken when the upload starts.
    // Every started upload ends in one TransferStateChanged with
    // ResponseCompleted or Failed, delivered after send() has returned.
    virtual void send(const TransferJob& job) = 0;
    // Why the last command failed, in words for the operator.
    virtual QString errorText() const = 0;

    // "SEND " + local path + " " + remote name. The remote name runs to the
    // end of the text, blanks included, and may be empty. A local path with a
    // blank or a double quote in it is put in double quotes, a quote inside
    // doubled.
    static QString sendCommand(const QString& localPath, const QString& remoteName);
    // Splits a SEND command; false when the text is not one.
    static bool parseSendCommand(const QString& command, QString* localPath, QString* remoteName);

signals:
    void TransferStateChanged(int state);
    // Something the operator should know that is no failure, such as a
    // server that cannot replace files atomically.
    void notice(const QString& text);
};
