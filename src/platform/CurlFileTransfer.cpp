#include "CurlFileTransfer.h"

#include "Durations.h"
#include "Texts.h"

#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QUrl>

#include <cstring>
#include <limits>

namespace {

constexpr int defaultFtpPort = 21;

bool holdsLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

// "host", "host:port", "[v6 address]" or "[v6 address]:port"; a bare IPv6
// address has more than one colon and no port.
bool splitServer(QString text, QString* host, int* port)
{
    text = text.trimmed();
    if (text.startsWith(QLatin1String("ftp://"), Qt::CaseInsensitive))
        text = text.mid(6);
    if (text.endsWith(QLatin1Char('/')))
        text.chop(1);
    *port = defaultFtpPort;
    QString portText;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 0)
            return false;
        *host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':')))
                return false;
            portText = rest.mid(1);
        }
    } else if (text.count(QLatin1Char(':')) == 1) {
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        *host = text.left(colon);
        portText = text.mid(colon + 1);
    } else {
        *host = text;
    }
    if (!portText.isNull()) {
        bool ok = false;
        *port = portText.toInt(&ok);
        if (!ok || *port < 1 || *port > 65535)
            return false;
    }
    return !host->isEmpty();
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
    dropTransfer();
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

    QString host;
    int port = defaultFtpPort;
    QUrl url;
    url.setScheme(QStringLiteral("ftp"));
    if (splitServer(m_server, &host, &port)) {
        url.setHost(host);
        url.setPort(port);
        url.setPath(QLatin1Char('/') + remoteName, QUrl::DecodedMode);
    }
    if (host.isEmpty() || url.host().isEmpty() || !url.isValid())
        return texts::transferBadServer + m_server;

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
    m_sent = 0;

    if (!m_multi)
        return texts::transferCannotStart;
    m_easy = curl_easy_init();
    if (!m_easy)
        return texts::transferCannotStart;

    const long requestTimeout = long(durations::ftpRequestTimeout.count());
    const QByteArray address = url.toEncoded();
    m_curlError[0] = '\0';
    m_serverComplaint.clear();
    curl_easy_setopt(m_easy, CURLOPT_URL, address.constData());
    curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_curlError);
    curl_easy_setopt(m_easy, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(m_easy, CURLOPT_READFUNCTION, &CurlFileTransfer::onRead);
    curl_easy_setopt(m_easy, CURLOPT_READDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_INFILESIZE_LARGE, curl_off_t(m_payload.size()));
    curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &CurlFileTransfer::onHeader);
    curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, this);
    // The remote name goes to the server as typed, in one STOR, rather than
    // being walked directory by directory.
    curl_easy_setopt(m_easy, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_NOCWD));
    // Passive mode (curl's default) and a fresh login for every upload, so a
    // server restarted in between is no surprise.
    curl_easy_setopt(m_easy, CURLOPT_FORBID_REUSE, 1L);
    // The connect time-out also covers the login; servers answer a wrong
    // password only after a pause, which a short limit would report as a
    // time-out instead of the refusal it is.
    curl_easy_setopt(m_easy, CURLOPT_CONNECTTIMEOUT, requestTimeout);
    curl_easy_setopt(m_easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, requestTimeout);
    // A data connection that stalls for as long ends the upload too.
    curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_TIME, requestTimeout);
    if (!m_login.isEmpty()) {
        curl_easy_setopt(m_easy, CURLOPT_USERNAME, m_login.toUtf8().constData());
        curl_easy_setopt(m_easy, CURLOPT_PASSWORD, m_password.toUtf8().constData());
    }

    if (curl_multi_add_handle(m_multi, m_easy) != CURLM_OK) {
        curl_easy_cleanup(m_easy);
        m_easy = nullptr;
        m_payload.clear();
        return texts::transferCannotStart;
    }
    // curl asks for a time-out of 0 here; the transfer itself begins when
    // the event loop serves it, after RunCommand has returned.
    m_busy = true;
    m_error.clear();
    return {};
}

void CurlFileTransfer::refuse(const QString& reason)
{
    // Reported like any other failure: later, from the event loop.
    m_busy = true;
    m_error = reason;
    QTimer::singleShot(0, this, [this] {
        m_busy = false;
        emit TransferStateChanged(Failed);
    });
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
    QString reason;
    if (result != CURLE_OK) {
        if (!m_serverComplaint.isEmpty())
            reason = m_serverComplaint;
        else if (m_curlError[0] != '\0')
            reason = QString::fromLocal8Bit(m_curlError);
        else
            reason = QString::fromLocal8Bit(curl_easy_strerror(result));
    }
    dropTransfer();
    m_busy = false;
    m_error = reason;
    emit TransferStateChanged(result == CURLE_OK ? ResponseCompleted : Failed);
}

void CurlFileTransfer::dropTransfer()
{
    if (m_easy) {
        curl_multi_remove_handle(m_multi, m_easy);
        curl_easy_cleanup(m_easy);
        m_easy = nullptr;
    }
    m_payload.clear();
    m_sent = 0;
}
