#pragma once

#include "FileTransfer.h"

#include <QByteArray>
#include <QTimer>

#include <curl/curl.h>

#include <map>

class QSocketNotifier;

// The transfer component on libcurl's multi interface, driven by the Qt
// event loop: socket notifiers tell curl when its sockets are ready and a
// timer serves curl's time-outs. Uploads go in passive mode, one at a time.
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

    bool IsBusy() const override { return m_busy; }
    void RunCommand(const QString& command) override;
    QString errorText() const override { return m_error; }

private:
    struct Watch
    {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
    };

    static int onSocket(CURL* easy, curl_socket_t socket, int what, void* self, void* data);
    static int onTimer(CURLM* multi, long timeoutMs, void* self);
    static size_t onRead(char* buffer, size_t size, size_t count, void* self);
    static size_t onHeader(char* buffer, size_t size, size_t count, void* self);

    QString startUpload(const QString& localPath, const QString& remoteName);
    void refuse(const QString& reason);
    void watch(curl_socket_t socket, int what);
    void act(curl_socket_t socket, int events);
    void collectFinished();
    void finish(CURLcode result);
    void dropTransfer();

    QString m_server;
    QString m_login;
    QString m_password;

    CURLM* m_multi = nullptr;
    CURL* m_easy = nullptr;
    bool m_busy = false;
    QString m_error;

    // The bytes of the local file, taken when the upload starts.
    QByteArray m_payload;
    qsizetype m_sent = 0;
    // The newest reply line of the server while it says something went wrong.
    QString m_serverComplaint;
    char m_curlError[CURL_ERROR_SIZE] = {};

    QTimer m_curlTimer;
    std::map<curl_socket_t, Watch> m_watches;
};
