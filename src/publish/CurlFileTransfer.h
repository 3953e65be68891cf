// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FileTransfer.h"
#include "TransferOptions.h"

#include <QThread>

class CurlUploadWorker;

// The transfer component on libcurl: FTP (plain, explicit or implicit TLS)
// and SFTP, one upload at a time. Everything that touches the network or a
// file, curl's handles included, lives on a thread of the component's own
// (CurlUploadWorker), because libcurl waits for some server replies inside
// its calls; this side copies the settings when a command starts and hands
// the outcome back on the caller's thread.
class CurlFileTransfer final : public FileTransfer
{
    Q_OBJECT
public:
    explicit CurlFileTransfer(QObject* parent = nullptr);
    // Aborts a running upload and waits for the thread, which takes a few
    // milliseconds: the abort shuts the upload's sockets down.
    ~CurlFileTransfer() override;

    void setServerName(const QString& server) override { m_server = server; }
    QString ServerName() const override { return m_server; }
    void setLoginName(const QString& name) override { m_login = name; }
    QString LoginName() const override { return m_login; }
    void setLoginPassword(const QString& password) override { m_password = password; }
    QString LoginPassword() const override { return m_password; }
    // Applies to uploads started later. The upload record it names is
    // written on the transfer's thread from then on.
    void setOptions(const TransferOptions& options) { m_options = options; }

    bool IsBusy() const override { return m_busy; }
    void send(const TransferJob& job) override;
    QString errorText() const override { return m_error; }

private:
    void onFinished(int state, const QString& error, const QString& notice);

    QString m_server;
    QString m_login;
    QString m_password;
    TransferOptions m_options;
    bool m_busy = false;
    QString m_error;

    QThread m_thread;
    // Lives on m_thread; deleted here once the thread has ended.
    CurlUploadWorker* m_worker = nullptr;
};
