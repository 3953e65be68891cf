// SPDX-License-Identifier: GPL-3.0-or-later
#include "CurlRequest.h"

#include "Durations.h"
#include "Texts.h"

#include <QDir>
#include <QFile>

#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <cstring>

namespace {

// Reads the certificates of a PEM text and adds them to store when there
// is one; the number found either way.
int readCertificates(const QByteArray& pem, X509_STORE* store)
{
    BIO* bio = BIO_new_mem_buf(pem.constData(), int(pem.size()));
    if (!bio)
        return 0;
    int count = 0;
    if (STACK_OF(X509_INFO)* infos = PEM_X509_INFO_read_bio(bio, nullptr, nullptr, nullptr)) {
        for (int i = 0; i < sk_X509_INFO_num(infos); ++i) {
            if (X509* certificate = sk_X509_INFO_value(infos, i)->x509) {
                ++count;
                if (store)
                    X509_STORE_add_cert(store, certificate);
            }
        }
        sk_X509_INFO_pop_free(infos, X509_INFO_free);
    }
    BIO_free(bio);
    return count;
}

curl_slist* commandList(const QList<QByteArray>& commands)
{
    curl_slist* list = nullptr;
    for (const QByteArray& c : commands)
        list = curl_slist_append(list, c.constData());
    return list;
}

} // namespace

int CurlRequest::certificateCount(const QByteArray& pem)
{
    return readCertificates(pem, nullptr);
}

CurlRequest::CurlRequest(const UploadPlan::Request& request, const Inputs& inputs)
    : m_inputs(inputs)
    , m_easy(curl_easy_init())
{
    if (!m_easy)
        return;
    curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_curlError);
    curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &CurlRequest::onHeader);
    curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, this);
    setAddressAndBody(request);
    setProtocol();
    setLimitsAndLogin();
}

CurlRequest::~CurlRequest()
{
    if (m_easy)
        curl_easy_cleanup(m_easy);
    curl_slist_free_all(m_before);
    curl_slist_free_all(m_after);
}

void CurlRequest::setAddressAndBody(const UploadPlan::Request& request)
{
    const QByteArray url = m_inputs.address.url(request.target).toUtf8();
    curl_easy_setopt(m_easy, CURLOPT_URL, url.constData());
    m_before = commandList(request.before);
    m_after = commandList(request.after);
    if (m_before)
        curl_easy_setopt(m_easy, CURLOPT_QUOTE, m_before);
    if (m_after)
        curl_easy_setopt(m_easy, CURLOPT_POSTQUOTE, m_after);
    if (request.target.isEmpty()) {
        // Commands only: nothing is sent or listed.
        curl_easy_setopt(m_easy, CURLOPT_NOBODY, 1L);
        return;
    }
    curl_easy_setopt(m_easy, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(m_easy, CURLOPT_READFUNCTION, &CurlRequest::onRead);
    curl_easy_setopt(m_easy, CURLOPT_READDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_INFILESIZE_LARGE, curl_off_t(m_inputs.payload.size()));
    if (m_inputs.options.maxSendRate > 0)
        curl_easy_setopt(m_easy, CURLOPT_MAX_SEND_SPEED_LARGE,
                         curl_off_t(m_inputs.options.maxSendRate));
}

void CurlRequest::setProtocol()
{
    switch (m_inputs.address.protocol) {
    case ServerAddress::Protocol::Ftp:
        curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "ftp");
        break;
    case ServerAddress::Protocol::FtpExplicitTls:
        curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "ftp");
        // "AUTH TLS" before the login, and the data connections protected
        // too; a server that cannot is refused rather than sent the password.
        curl_easy_setopt(m_easy, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
        break;
    case ServerAddress::Protocol::FtpImplicitTls:
        curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "ftps");
        curl_easy_setopt(m_easy, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
        break;
    case ServerAddress::Protocol::Sftp:
        curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "sftp");
        curl_easy_setopt(m_easy, CURLOPT_SSH_AUTH_TYPES,
                         long(CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
        curl_easy_setopt(m_easy, CURLOPT_SSH_KNOWNHOSTS,
                         QFile::encodeName(m_inputs.options.knownHostsFile).constData());
        curl_easy_setopt(m_easy, CURLOPT_SSH_KEYFUNCTION, &CurlRequest::onHostKey);
        curl_easy_setopt(m_easy, CURLOPT_SSH_KEYDATA, this);
        break;
    }
    if (!m_inputs.caCertificates.isEmpty()) {
        // Added to the system's store in each new connection's context; the
        // store curl may share between connections is left alone.
        curl_easy_setopt(m_easy, CURLOPT_CA_CACHE_TIMEOUT, 0L);
        curl_easy_setopt(m_easy, CURLOPT_SSL_CTX_FUNCTION, &CurlRequest::onSslContext);
        curl_easy_setopt(m_easy, CURLOPT_SSL_CTX_DATA, this);
    }
    if (m_inputs.address.isFtp()) {
        // The remote name goes to the server as typed, in one STOR, rather
        // than being walked directory by directory.
        curl_easy_setopt(m_easy, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_NOCWD));
        // Passive unless the operator chose active mode; "-" lets the
        // server connect back to the address the control connection uses.
        if (!m_inputs.options.passive)
            curl_easy_setopt(m_easy, CURLOPT_FTPPORT, "-");
    }
}

void CurlRequest::setLimitsAndLogin()
{
    const long requestTimeout = long(durations::ftpRequestTimeout.count());
    // A logged-in connection serves the next request to the same server
    // with the same login (the rest of an upload, the next frame), which
    // spares a distant server's round trips. curl drops one that the
    // server has closed, and one idle past a minute, well before common
    // servers' idle limits and NAT time-outs.
    curl_easy_setopt(m_easy, CURLOPT_MAXAGE_CONN, 60L);
    // The connect time-out also covers the login; servers answer a wrong
    // password only after a pause, which a short limit would report as a
    // time-out instead of the refusal it is.
    curl_easy_setopt(m_easy, CURLOPT_CONNECTTIMEOUT, requestTimeout);
    curl_easy_setopt(m_easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, requestTimeout);
    // A data connection that stalls for as long ends the upload too.
    curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_TIME, requestTimeout);
    if (!m_inputs.login.isEmpty()) {
        curl_easy_setopt(m_easy, CURLOPT_USERNAME, m_inputs.login.toUtf8().constData());
        curl_easy_setopt(m_easy, CURLOPT_PASSWORD, m_inputs.password.toUtf8().constData());
    }
}

bool CurlRequest::holdsPassword(const QString& text) const
{
    return !m_inputs.password.isEmpty() && text.contains(m_inputs.password);
}

QString CurlRequest::failureReason(CURLcode result) const
{
    if (!m_hostKeyComplaint.isEmpty())
        return m_hostKeyComplaint;
    if (!m_serverComplaint.isEmpty())
        return m_serverComplaint;
    QString reason = QString::fromLocal8Bit(m_curlError);
    if (reason.isEmpty() || holdsPassword(reason))
        reason = QString::fromLocal8Bit(curl_easy_strerror(result));
    if (result == CURLE_PEER_FAILED_VERIFICATION || result == CURLE_SSL_CACERT_BADFILE)
        reason = texts::transferCertificateRefused + reason;
    return reason;
}

size_t CurlRequest::onRead(char* buffer, size_t size, size_t count, void* self)
{
    auto* request = static_cast<CurlRequest*>(self);
    const QByteArray& payload = request->m_inputs.payload;
    const qsizetype chunk = qMin(qsizetype(size * count), payload.size() - request->m_sent);
    std::memcpy(buffer, payload.constData() + request->m_sent, size_t(chunk));
    request->m_sent += chunk;
    return size_t(chunk);
}

size_t CurlRequest::onHeader(char* buffer, size_t size, size_t count, void* self)
{
    // For FTP these are the server's reply lines.
    auto* request = static_cast<CurlRequest*>(self);
    const size_t length = size * count;
    const QString line = QString::fromUtf8(buffer, qsizetype(length)).trimmed();
    bool isCode = false;
    const int code = line.left(3).toInt(&isCode);
    if (isCode && line.size() >= 3) {
        // A reply that repeats the password (some servers quote what they
        // were sent) is dropped whole: masking it would still tell where
        // it sits and how long it is.
        if (code >= 400 && !request->holdsPassword(line))
            request->m_serverComplaint = line;
        else
            request->m_serverComplaint.clear();
    }
    return length;
}

int CurlRequest::onHostKey(CURL*, const curl_khkey*, const curl_khkey*, curl_khmatch match,
                           void* self)
{
    auto* request = static_cast<CurlRequest*>(self);
    switch (match) {
    case CURLKHMATCH_OK:
        return CURLKHSTAT_FINE;
    case CURLKHMATCH_MISSING:
        // First contact: trust it and remember it, so a later impostor with
        // another key is caught.
        return CURLKHSTAT_FINE_ADD_TO_FILE;
    default:
        request->m_hostKeyComplaint =
            QString(texts::transferHostKeyChanged)
                .arg(QDir::toNativeSeparators(request->m_inputs.options.knownHostsFile));
        return CURLKHSTAT_REJECT;
    }
}

CURLcode CurlRequest::onSslContext(CURL*, void* sslContext, void* self)
{
    auto* request = static_cast<CurlRequest*>(self);
    X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(sslContext));
    if (!store || readCertificates(request->m_inputs.caCertificates, store) == 0)
        return CURLE_SSL_CACERT_BADFILE;
    return CURLE_OK;
}
