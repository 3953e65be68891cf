#pragma once

#include "FileTransfer.h"
#include "ServerAddress.h"
#include "TransferOptions.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QSet>
#include <QTimer>

#include <curl/curl.h>

#include <map>

class QSocketNotifier;

// The transfer component on libcurl's multi interface, driven by the Qt
// event loop: socket notifiers tell curl when its sockets are ready and a
// timer serves curl's time-outs. FTP (plain, explicit or implicit TLS) and
// SFTP, one upload at a time; an upload may take up to three requests when
// the file goes in under a temporary name first.
class CurlFileTransfer final : public FileTransfer
{
    Q_OBJECT
public:
    explicit CurlFileTransfer(QObject* parent = nullptr);
    ~CurlFileTransfer() override;

    void setServerName(const QString& server) override { m_server = server; }
    QString ServerName() const override { return m_server; }
    void setLoginName(const QString& name) override { m_login = name; }
    QString LoginName() const override { return m_login; }
    void setLoginPassword(const QString& password) override { m_password = password; }
    QString LoginPassword() const override { return m_password; }
    // Applies to uploads started later.
    void setOptions(const TransferOptions& options) { m_options = options; }

    bool IsBusy() const override { return m_busy; }
    void RunCommand(const QString& command) override;
    QString errorText() const override { return m_error; }

private:
    // The requests of one upload.
    enum class Step
    {
        // Straight under the remote name.
        Direct,
        // Under the temporary name, renamed over the remote name after.
        ToTemporary,
        // The rename was refused: delete the old file, rename again.
        ReplaceOld,
        // Renaming is refused altogether: store directly, drop the
        // temporary file.
        DirectAfterRenameFailed,
    };

    struct Watch
    {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
    };

    static int onSocket(CURL* easy, curl_socket_t socket, int what, void* self, void* data);
    static int onTimer(CURLM* multi, long timeoutMs, void* self);
    static size_t onRead(char* buffer, size_t size, size_t count, void* self);
    static size_t onHeader(char* buffer, size_t size, size_t count, void* self);
    static int onHostKey(CURL* easy, const curl_khkey* known, const curl_khkey* found,
                         curl_khmatch match, void* self);
    static CURLcode onSslContext(CURL* easy, void* sslContext, void* self);

    QString startUpload(const QString& localPath, const QString& remoteName);
    QString prepareSecurity();
    QString startRequest(Step step);
    void refuse(const QString& reason);
    void watch(curl_socket_t socket, int what);
    void act(curl_socket_t socket, int events);
    void collectFinished();
    void finish(CURLcode result);
    QString failureReason(CURLcode result) const;
    void end(int state, const QString& reason);
    void record(const QString& result);
    void dropRequest();
    QString serverKey() const;

    QString m_server;
    QString m_login;
    QString m_password;
    // The login of the upload under way: every request of one upload (the
    // store, the rename, a retry) uses these, whatever the dialog sets
    // meanwhile.
    QString m_uploadLogin;
    QString m_uploadPassword;
    TransferOptions m_options;

    CURLM* m_multi = nullptr;
    CURL* m_easy = nullptr;
    curl_slist* m_commands = nullptr;
    bool m_busy = false;
    QString m_error;

    // The upload under way: where to, what, since when.
    ServerAddress m_address;
    QString m_remoteName;
    QString m_temporaryName;
    Step m_step = Step::Direct;
    QString m_recordAddress;
    QElapsedTimer m_clock;
    QDateTime m_started;
    QByteArray m_caCertificates;
    QString m_hostKeyComplaint;

    // The bytes of the local file, taken when the upload starts.
    QByteArray m_payload;
    qsizetype m_sent = 0;
    // The newest reply line of the server while it says something went wrong.
    QString m_serverComplaint;
    char m_curlError[CURL_ERROR_SIZE] = {};

    // Servers (protocol, host, port) that refuse to rename over a file, and
    // those that refuse to rename at all; remembered for the run.
    QSet<QString> m_deleteBeforeRename;
    QSet<QString> m_cannotRename;

    QTimer m_curlTimer;
    std::map<curl_socket_t, Watch> m_watches;
};
