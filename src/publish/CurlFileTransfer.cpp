#include "CurlFileTransfer.h"

#include "Durations.h"
#include "Texts.h"
#include "UploadLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <cstring>
#include <limits>

namespace {

bool holdsLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

bool usesTls(const ServerAddress& address)
{
    return address.protocol == ServerAddress::Protocol::FtpExplicitTls ||
           address.protocol == ServerAddress::Protocol::FtpImplicitTls;
}

// The name the upload goes in under first: same folder, a prefix that
// keeps it out of the way of what visitors load.
QString temporaryNameFor(const QString& remoteName)
{
    const qsizetype slash = remoteName.lastIndexOf(QLatin1Char('/'));
    return remoteName.left(slash + 1) + texts::temporaryUploadPrefix + remoteName.mid(slash + 1);
}

// SFTP commands take paths in double quotes; curl reads a backslash as the
// escape within them. A relative name goes as it is: servers resolve it in
// the home folder, where the upload's URL put the file ("/~/" is not
// expanded in these commands).
QByteArray sftpPath(const QString& name)
{
    QString path = name;
    path.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    path.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return '"' + path.toUtf8() + '"';
}

QByteArray deleteCommand(const ServerAddress& address, const QString& name, bool mayFail)
{
    const QByteArray ignore = mayFail ? "*" : "";
    if (address.isFtp())
        return ignore + "DELE " + name.toUtf8();
    return ignore + "rm " + sftpPath(name);
}

QList<QByteArray> renameCommands(const ServerAddress& address, const QString& from,
                                 const QString& to)
{
    if (address.isFtp())
        return {"RNFR " + from.toUtf8(), "RNTO " + to.toUtf8()};
    return {"rename " + sftpPath(from) + ' ' + sftpPath(to)};
}

// Counts the certificates of a PEM text, so a file that holds none is named
// before anything is sent.
int certificateCount(const QByteArray& pem)
{
    BIO* bio = BIO_new_mem_buf(pem.constData(), int(pem.size()));
    if (!bio)
        return 0;
    int count = 0;
    if (STACK_OF(X509_INFO)* infos = PEM_X509_INFO_read_bio(bio, nullptr, nullptr, nullptr)) {
        for (int i = 0; i < sk_X509_INFO_num(infos); ++i)
            if (sk_X509_INFO_value(infos, i)->x509)
                ++count;
        sk_X509_INFO_pop_free(infos, X509_INFO_free);
    }
    BIO_free(bio);
    return count;
}

} // namespace

CurlFileTransfer::CurlFileTransfer(QObject* parent)
    : FileTransfer(parent)
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
    m_multi = curl_multi_init();
    if (m_multi) {
        curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &CurlFileTransfer::onSocket);
        curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
        curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &CurlFileTransfer::onTimer);
        curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
    }
    m_curlTimer.setSingleShot(true);
    connect(&m_curlTimer, &QTimer::timeout, this, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
}

CurlFileTransfer::~CurlFileTransfer()
{
    dropRequest();
    if (m_multi)
        curl_multi_cleanup(m_multi);
    for (auto& [socket, w] : m_watches) {
        delete w.read;
        delete w.write;
    }
    curl_global_cleanup();
}

void CurlFileTransfer::RunCommand(const QString& command)
{
    if (m_busy)
        return;
    m_clock.start();
    m_started = QDateTime::currentDateTime();
    m_payload.clear();
    m_recordAddress = ServerAddress::withoutPassword(m_server.trimmed());
    QString localPath;
    QString remoteName;
    if (!parseSendCommand(command, &localPath, &remoteName))
        return refuse(texts::transferUnknownCommand + command);
    const QString reason = startUpload(localPath, remoteName);
    if (!reason.isEmpty())
        refuse(reason);
}

QString CurlFileTransfer::startUpload(const QString& localPath, const QString& remoteName)
{
    // A line break would end the FTP command early and start another one
    // of the sender's choosing, so such names never reach the server.
    if (holdsLineBreak(remoteName))
        return texts::transferLineBreakInName;
    if (holdsLineBreak(m_login) || holdsLineBreak(m_password))
        return texts::transferLineBreakInLogin;
    if (remoteName.isEmpty() || remoteName.endsWith(QLatin1Char('/')))
        return texts::transferNoRemoteFile;
    if (m_server.trimmed().isEmpty())
        return texts::transferNoServer;
    const std::optional<ServerAddress> address = ServerAddress::parse(m_server);
    if (!address)
        return texts::transferUnsupportedAddress + ServerAddress::withoutPassword(m_server);
    m_address = *address;
    m_uploadLogin = m_login;
    m_uploadPassword = m_password;
    m_remoteName = remoteName;
    m_temporaryName = temporaryNameFor(remoteName);
    m_recordAddress = m_address.urlForRecord(m_uploadLogin, remoteName);

    const QString security = prepareSecurity();
    if (!security.isEmpty())
        return security;

    QFile file(localPath);
    if (!file.open(QIODevice::ReadOnly))
        return texts::transferCannotRead + QDir::toNativeSeparators(localPath) +
               QLatin1String(": ") + file.errorString();
    m_payload = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_payload.clear();
        return texts::transferCannotRead + QDir::toNativeSeparators(localPath) +
               QLatin1String(": ") + file.errorString();
    }

    Step first = Step::Direct;
    if (m_options.atomic && !m_cannotRename.contains(serverKey()))
        first = Step::ToTemporary;
    const QString reason = startRequest(first);
    if (!reason.isEmpty())
        return reason;
    // curl asks for a time-out of 0 here; the transfer itself begins when
    // the event loop serves it, after RunCommand has returned.
    m_busy = true;
    m_error.clear();
    return {};
}

QString CurlFileTransfer::prepareSecurity()
{
    m_caCertificates.clear();
    if (usesTls(m_address) && !m_options.caCertificate.isEmpty()) {
        QFile file(m_options.caCertificate);
        if (!file.open(QIODevice::ReadOnly))
            return texts::transferCaUnreadable + QDir::toNativeSeparators(file.fileName()) +
                   QLatin1String(": ") + file.errorString();
        m_caCertificates = file.readAll();
        if (certificateCount(m_caCertificates) == 0)
            return texts::transferCaEmpty + QDir::toNativeSeparators(file.fileName());
        // The certificates are added to OpenSSL's store of the connection.
        const curl_version_info_data* version = curl_version_info(CURLVERSION_NOW);
        if (!version->ssl_version || std::strncmp(version->ssl_version, "OpenSSL", 7) != 0)
            return texts::transferCaNotSupported;
    }
    if (m_address.protocol == ServerAddress::Protocol::Sftp) {
        if (m_options.knownHostsFile.isEmpty())
            return texts::transferNoKnownHosts;
        QDir().mkpath(QFileInfo(m_options.knownHostsFile).absolutePath());
    }
    return {};
}

QString CurlFileTransfer::startRequest(Step step)
{
    dropRequest();
    m_step = step;
    m_sent = 0;
    if (!m_multi)
        return texts::transferCannotStart;
    m_easy = curl_easy_init();
    if (!m_easy)
        return texts::transferCannotStart;

    const bool ftp = m_address.isFtp();
    QString target = m_remoteName;
    QList<QByteArray> before;
    QList<QByteArray> after;
    const bool deleteFirst = m_deleteBeforeRename.contains(serverKey());
    switch (step) {
    case Step::Direct:
        break;
    case Step::ToTemporary:
        target = m_temporaryName;
        if (deleteFirst)
            after << deleteCommand(m_address, m_remoteName, true);
        after << renameCommands(m_address, m_temporaryName, m_remoteName);
        break;
    case Step::ReplaceOld:
        target.clear();
        before << deleteCommand(m_address, m_remoteName, true)
               << renameCommands(m_address, m_temporaryName, m_remoteName);
        break;
    case Step::DirectAfterRenameFailed:
        after << deleteCommand(m_address, m_temporaryName, true);
        break;
    }
    for (const QByteArray& c : before + after)
        m_commands = curl_slist_append(m_commands, c.constData());

    const QByteArray address = m_address.url(target).toUtf8();
    const long requestTimeout = long(durations::ftpRequestTimeout.count());
    m_curlError[0] = '\0';
    m_serverComplaint.clear();
    m_hostKeyComplaint.clear();
    curl_easy_setopt(m_easy, CURLOPT_URL, address.constData());
    curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_curlError);
    if (step == Step::ReplaceOld) {
        curl_easy_setopt(m_easy, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(m_easy, CURLOPT_QUOTE, m_commands);
    } else {
        curl_easy_setopt(m_easy, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(m_easy, CURLOPT_READFUNCTION, &CurlFileTransfer::onRead);
        curl_easy_setopt(m_easy, CURLOPT_READDATA, this);
        curl_easy_setopt(m_easy, CURLOPT_INFILESIZE_LARGE, curl_off_t(m_payload.size()));
        if (m_commands)
            curl_easy_setopt(m_easy, CURLOPT_POSTQUOTE, m_commands);
        if (m_options.maxSendRate > 0)
            curl_easy_setopt(m_easy, CURLOPT_MAX_SEND_SPEED_LARGE,
                             curl_off_t(m_options.maxSendRate));
    }
    curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &CurlFileTransfer::onHeader);
    curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, this);

    switch (m_address.protocol) {
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
                         QFile::encodeName(m_options.knownHostsFile).constData());
        curl_easy_setopt(m_easy, CURLOPT_SSH_KEYFUNCTION, &CurlFileTransfer::onHostKey);
        curl_easy_setopt(m_easy, CURLOPT_SSH_KEYDATA, this);
        break;
    }
    if (!m_caCertificates.isEmpty()) {
        // Added to the system's store in each new connection's context; the
        // store curl may share between connections is left alone.
        curl_easy_setopt(m_easy, CURLOPT_CA_CACHE_TIMEOUT, 0L);
        curl_easy_setopt(m_easy, CURLOPT_SSL_CTX_FUNCTION, &CurlFileTransfer::onSslContext);
        curl_easy_setopt(m_easy, CURLOPT_SSL_CTX_DATA, this);
    }
    if (ftp) {
        // The remote name goes to the server as typed, in one STOR, rather
        // than being walked directory by directory.
        curl_easy_setopt(m_easy, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_NOCWD));
        // Passive unless the operator chose active mode; "-" lets the
        // server connect back to the address the control connection uses.
        if (!m_options.passive)
            curl_easy_setopt(m_easy, CURLOPT_FTPPORT, "-");
    }
    // A fresh login for every request, so a server restarted in between is
    // no surprise.
    curl_easy_setopt(m_easy, CURLOPT_FORBID_REUSE, 1L);
    // The connect time-out also covers the login; servers answer a wrong
    // password only after a pause, which a short limit would report as a
    // time-out instead of the refusal it is.
    curl_easy_setopt(m_easy, CURLOPT_CONNECTTIMEOUT, requestTimeout);
    curl_easy_setopt(m_easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, requestTimeout);
    // A data connection that stalls for as long ends the upload too.
    curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_TIME, requestTimeout);
    if (!m_uploadLogin.isEmpty()) {
        curl_easy_setopt(m_easy, CURLOPT_USERNAME, m_uploadLogin.toUtf8().constData());
        curl_easy_setopt(m_easy, CURLOPT_PASSWORD, m_uploadPassword.toUtf8().constData());
    }

    if (curl_multi_add_handle(m_multi, m_easy) != CURLM_OK) {
        dropRequest();
        return texts::transferCannotStart;
    }
    return {};
}

void CurlFileTransfer::refuse(const QString& reason)
{
    // Reported like any other failure: later, from the event loop.
    m_busy = true;
    m_error = reason;
    QTimer::singleShot(0, this, [this] { end(Failed, m_error); });
}

int CurlFileTransfer::onSocket(CURL*, curl_socket_t socket, int what, void* self, void*)
{
    static_cast<CurlFileTransfer*>(self)->watch(socket, what);
    return 0;
}

int CurlFileTransfer::onTimer(CURLM*, long timeoutMs, void* self)
{
    auto* transfer = static_cast<CurlFileTransfer*>(self);
    if (timeoutMs < 0)
        transfer->m_curlTimer.stop();
    else
        transfer->m_curlTimer.start(int(qMin<long>(timeoutMs, std::numeric_limits<int>::max())));
    return 0;
}

size_t CurlFileTransfer::onRead(char* buffer, size_t size, size_t count, void* self)
{
    auto* transfer = static_cast<CurlFileTransfer*>(self);
    const qsizetype room = qsizetype(size * count);
    const qsizetype chunk = qMin(room, transfer->m_payload.size() - transfer->m_sent);
    std::memcpy(buffer, transfer->m_payload.constData() + transfer->m_sent, size_t(chunk));
    transfer->m_sent += chunk;
    return size_t(chunk);
}

size_t CurlFileTransfer::onHeader(char* buffer, size_t size, size_t count, void* self)
{
    // For FTP these are the server's reply lines.
    auto* transfer = static_cast<CurlFileTransfer*>(self);
    const size_t length = size * count;
    const QString line = QString::fromUtf8(buffer, qsizetype(length)).trimmed();
    bool isCode = false;
    const int code = line.left(3).toInt(&isCode);
    if (isCode && line.size() >= 3) {
        if (code >= 400)
            transfer->m_serverComplaint = line;
        else
            transfer->m_serverComplaint.clear();
    }
    return length;
}

int CurlFileTransfer::onHostKey(CURL*, const curl_khkey*, const curl_khkey*, curl_khmatch match,
                                void* self)
{
    auto* transfer = static_cast<CurlFileTransfer*>(self);
    switch (match) {
    case CURLKHMATCH_OK:
        return CURLKHSTAT_FINE;
    case CURLKHMATCH_MISSING:
        // First contact: trust it and remember it, so a later impostor with
        // another key is caught.
        return CURLKHSTAT_FINE_ADD_TO_FILE;
    default:
        transfer->m_hostKeyComplaint =
            QString(texts::transferHostKeyChanged)
                .arg(QDir::toNativeSeparators(transfer->m_options.knownHostsFile));
        return CURLKHSTAT_REJECT;
    }
}

CURLcode CurlFileTransfer::onSslContext(CURL*, void* sslContext, void* self)
{
    auto* transfer = static_cast<CurlFileTransfer*>(self);
    X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(sslContext));
    const QByteArray& pem = transfer->m_caCertificates;
    BIO* bio = BIO_new_mem_buf(pem.constData(), int(pem.size()));
    if (!store || !bio) {
        BIO_free(bio);
        return CURLE_SSL_CACERT_BADFILE;
    }
    STACK_OF(X509_INFO)* infos = PEM_X509_INFO_read_bio(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    if (!infos)
        return CURLE_SSL_CACERT_BADFILE;
    for (int i = 0; i < sk_X509_INFO_num(infos); ++i)
        if (X509* certificate = sk_X509_INFO_value(infos, i)->x509)
            X509_STORE_add_cert(store, certificate);
    sk_X509_INFO_pop_free(infos, X509_INFO_free);
    return CURLE_OK;
}

void CurlFileTransfer::watch(curl_socket_t socket, int what)
{
    if (what == CURL_POLL_REMOVE) {
        const auto it = m_watches.find(socket);
        if (it == m_watches.end())
            return;
        // curl may be inside one of these notifiers' signals right now.
        for (QSocketNotifier* n : {it->second.read, it->second.write}) {
            n->setEnabled(false);
            n->deleteLater();
        }
        m_watches.erase(it);
        return;
    }
    Watch& w = m_watches[socket];
    if (!w.read) {
        w.read = new QSocketNotifier(qintptr(socket), QSocketNotifier::Read, this);
        connect(w.read, &QSocketNotifier::activated, this,
                [this, socket] { act(socket, CURL_CSELECT_IN); });
        w.write = new QSocketNotifier(qintptr(socket), QSocketNotifier::Write, this);
        connect(w.write, &QSocketNotifier::activated, this,
                [this, socket] { act(socket, CURL_CSELECT_OUT); });
    }
    w.read->setEnabled(what == CURL_POLL_IN || what == CURL_POLL_INOUT);
    w.write->setEnabled(what == CURL_POLL_OUT || what == CURL_POLL_INOUT);
}

void CurlFileTransfer::act(curl_socket_t socket, int events)
{
    if (!m_multi)
        return;
    int running = 0;
    curl_multi_socket_action(m_multi, socket, events, &running);
    collectFinished();
}

void CurlFileTransfer::collectFinished()
{
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(m_multi, &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == m_easy) {
            finish(message->data.result);
            return;
        }
    }
}

void CurlFileTransfer::finish(CURLcode result)
{
    // The file is on the server under its temporary name but the rename
    // was refused: try once more with the old file out of the way.
    if (result == CURLE_QUOTE_ERROR && m_step == Step::ToTemporary &&
        !m_deleteBeforeRename.contains(serverKey())) {
        const QString reason = startRequest(Step::ReplaceOld);
        if (reason.isEmpty())
            return;
        return end(Failed, reason);
    }
    if (result == CURLE_QUOTE_ERROR &&
        (m_step == Step::ReplaceOld || m_step == Step::ToTemporary)) {
        // Renaming does not work here at all: the frame goes in directly,
        // and the operator hears about it once.
        m_cannotRename.insert(serverKey());
        m_deleteBeforeRename.remove(serverKey());
        emit notice(texts::noAtomicReplace);
        const QString reason = startRequest(Step::DirectAfterRenameFailed);
        if (reason.isEmpty())
            return;
        return end(Failed, reason);
    }
    if (result == CURLE_OK && m_step == Step::ReplaceOld)
        m_deleteBeforeRename.insert(serverKey());
    if (result == CURLE_OK)
        return end(ResponseCompleted, {});
    end(Failed, failureReason(result));
}

QString CurlFileTransfer::failureReason(CURLcode result) const
{
    if (!m_hostKeyComplaint.isEmpty())
        return m_hostKeyComplaint;
    if (!m_serverComplaint.isEmpty())
        return m_serverComplaint;
    QString reason = m_curlError[0] != '\0' ? QString::fromLocal8Bit(m_curlError)
                                            : QString::fromLocal8Bit(curl_easy_strerror(result));
    if (result == CURLE_PEER_FAILED_VERIFICATION || result == CURLE_SSL_CACERT_BADFILE)
        reason = texts::transferCertificateRefused + reason;
    return reason;
}

void CurlFileTransfer::end(int state, const QString& reason)
{
    dropRequest();
    m_error = reason;
    record(state == ResponseCompleted ? QString(texts::uploadRecordOk) : reason);
    m_payload.clear();
    m_busy = false;
    emit TransferStateChanged(state);
}

void CurlFileTransfer::record(const QString& result)
{
    if (!m_options.uploadLog)
        return;
    UploadLog::Entry entry;
    entry.when = m_started;
    entry.address = m_recordAddress;
    entry.bytes = m_payload.size();
    entry.milliseconds = m_clock.isValid() ? m_clock.elapsed() : 0;
    entry.result = result;
    m_options.uploadLog->append(entry, m_uploadPassword);
}

void CurlFileTransfer::dropRequest()
{
    if (m_easy) {
        curl_multi_remove_handle(m_multi, m_easy);
        curl_easy_cleanup(m_easy);
        m_easy = nullptr;
    }
    curl_slist_free_all(m_commands);
    m_commands = nullptr;
    m_sent = 0;
}

QString CurlFileTransfer::serverKey() const
{
    return m_address.url(QString());
}
