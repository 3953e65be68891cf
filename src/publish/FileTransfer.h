#pragma once

#include <QObject>
#include <QString>

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

    // True from RunCommand until its command has finished, success or not.
    virtual bool IsBusy() const = 0;
    // Starts a command and returns at once; while busy it does nothing.
    // The one command is sendCommand()'s "SEND <local> <remote>": it uploads
    // the local file under the remote name. The local file's bytes are taken
    // when the command starts. Every started command ends in one
    // TransferStateChanged with ResponseCompleted or Failed, delivered after
    // RunCommand has returned.
    virtual void RunCommand(const QString& command) = 0;
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
