// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ServerAddress.h"
#include "TransferOptions.h"
#include "UploadPlan.h"

#include <QByteArray>
#include <QString>

#include <curl/curl.h>

// One request of an upload as libcurl sees it: a handle with the options of
// the request, the server, the login and the transfer options, and the
// callbacks that hand curl the bytes and collect what went wrong. Used on
// one thread; what it points at must outlive it.
class CurlRequest final
{
public:
    struct Inputs
    {
        ServerAddress address;
        QString login;
        QString password;
        TransferOptions options;
        // The frame and the extra certificates (PEM) to trust.
        QByteArray payload;
        QByteArray caCertificates;
    };

    CurlRequest(const UploadPlan::Request& request, const Inputs& inputs);
    ~CurlRequest();
    CurlRequest(const CurlRequest&) = delete;
    CurlRequest& operator=(const CurlRequest&) = delete;

    // Null when curl could not make a handle.
    CURL* handle() const { return m_easy; }
    // Why the request failed, in words for the operator: the host-key
    // check, else the server's last error reply, else curl's message. A
    // text that holds the password is left out, whoever wrote it.
    QString failureReason(CURLcode result) const;

    // Certificates in a PEM text; one reader serves the check before an
    // upload and each connection's trust store.
    static int certificateCount(const QByteArray& pem);

private:
    void setAddressAndBody(const UploadPlan::Request& request);
    void setProtocol();
    void setLimitsAndLogin();
    bool holdsPassword(const QString& text) const;

    static size_t onRead(char* buffer, size_t size, size_t count, void* self);
    static size_t onHeader(char* buffer, size_t size, size_t count, void* self);
    static int onHostKey(CURL* easy, const curl_khkey* known, const curl_khkey* found,
                         curl_khmatch match, void* self);
    static CURLcode onSslContext(CURL* easy, void* sslContext, void* self);

    const Inputs& m_inputs;
    CURL* m_easy = nullptr;
    curl_slist* m_before = nullptr;
    curl_slist* m_after = nullptr;
    qsizetype m_sent = 0;
    // The newest reply line of the server while it says something went wrong.
    QString m_serverComplaint;
    QString m_hostKeyComplaint;
    char m_curlError[CURL_ERROR_SIZE] = {};
};
