// SPDX-License-Identifier: GPL-3.0-or-later
#include "CurlUploadWorker.h"

#include "CurlRequest.h"
#include "FileTransfer.h"
#include "Texts.h"
#include "UploadLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 megabyte = 1024 * 1024;
// A certificate bundle is some hundred KB; anything past this is no bundle.
constexpr qint64 caCertificateLimit = 1 * megabyte;
// Far beyond any frame, but a bound on what one command holds in memory.
constexpr qint64 payloadLimit = 256 * megabyte;

bool holdsLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

bool usesTls(const ServerAddress& address)
{
    return address.protocol == ServerAddress::Protocol::FtpExplicitTls ||
           address.protocol == ServerAddress::Protocol::FtpImplicitTls;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Reads a regular file of at most limit bytes; empty, or why not. Opening
// does not wait (a FIFO would block until someone wrote to it), and type
// and size are checked on the opened file, so nothing swapped in between
// is read; a file that grows while it is read is cut off at the limit.
QString readRegularFile(const QString& path, qint64 limit, QByteArray* bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return systemError();
    QString why;
    struct stat info = {};
    if (::fstat(fd, &info) != 0)
        why = systemError();
    else if (!S_ISREG(info.st_mode))
        why = texts::fileNotRegular;
    QByteArray data;
    while (why.isEmpty()) {
        char chunk[64 * 1024];
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            why = systemError();
        else if (got == 0)
            break;
        else if (data.size() + got > limit)
            why = QString(texts::fileTooLarge).arg(limit / megabyte);
        else
            data.append(chunk, got);
    }
    ::close(fd);
    if (why.isEmpty())
        *bytes = data;
    return why;
}

} // namespace

void CurlUploadWorker::run(const UploadJob& job)
{
    Upload upload;
    upload.recordAddress = ServerAddress::withoutPassword(job.server.trimmed());
    QString reason = prepare(job, upload);
    QString notice;
    if (reason.isEmpty())
        reason = send(job, upload, &notice);
    if (m_runner.aborted()) {
        record(job, upload, texts::transferAborted);
        return;
    }
    record(job, upload, reason.isEmpty() ? QString(texts::uploadRecordOk) : reason);
    emit finished(reason.isEmpty() ? FileTransfer::ResponseCompleted : FileTransfer::Failed, reason,
                  notice);
}

QString CurlUploadWorker::prepare(const UploadJob& job, Upload& upload) const
{
    if (!job.transfer.refusal.isEmpty())
        return job.transfer.refusal;
    upload.remoteName = job.transfer.remoteName;
    // A line break would end the FTP command early and start another one
    // of the sender's choosing, so such names never reach the server.
    if (holdsLineBreak(upload.remoteName))
        return texts::transferLineBreakInName;
    if (holdsLineBreak(job.login) || holdsLineBreak(job.password))
        return texts::transferLineBreakInLogin;
    if (upload.remoteName.isEmpty() || upload.remoteName.endsWith(QLatin1Char('/')))
        return texts::transferNoRemoteFile;
    if (job.server.trimmed().isEmpty())
        return texts::transferNoServer;
    const std::optional<ServerAddress> address = ServerAddress::parse(job.server);
    if (!address)
        return texts::transferUnsupportedAddress + ServerAddress::withoutPassword(job.server);
    upload.address = *address;
    // Made of fields that never hold the password, so nothing is masked.
    upload.recordAddress = upload.address.urlForRecord(job.login, upload.remoteName);

    const QString security = prepareSecurity(job, upload);
    if (!security.isEmpty())
        return security;
    const QString& localPath = job.transfer.localPath;
    QString why;
    if (!job.transfer.bytes)
        why = readRegularFile(localPath, payloadLimit, &upload.payload);
    else if (job.transfer.bytes->size() > payloadLimit)
        why = QString(texts::fileTooLarge).arg(payloadLimit / megabyte);
    else
        upload.payload = *job.transfer.bytes;
    if (!why.isEmpty())
        return texts::transferCannotRead + QDir::toNativeSeparators(localPath) +
               QLatin1String(": ") + why;
    return {};
}

QString CurlUploadWorker::prepareSecurity(const UploadJob& job, Upload& upload) const
{
    const QString& caFile = job.options.caCertificate;
    if (usesTls(upload.address) && !caFile.isEmpty()) {
        const QString why = readRegularFile(caFile, caCertificateLimit, &upload.caCertificates);
        if (!why.isEmpty())
            return texts::transferCaUnreadable + QDir::toNativeSeparators(caFile) +
                   QLatin1String(": ") + why;
        if (CurlRequest::certificateCount(upload.caCertificates) == 0)
            return texts::transferCaEmpty + QDir::toNativeSeparators(caFile);
        // The certificates are added to OpenSSL's store of the connection.
        const curl_version_info_data* version = curl_version_info(CURLVERSION_NOW);
        if (!version->ssl_version || std::strncmp(version->ssl_version, "OpenSSL", 7) != 0)
            return texts::transferCaNotSupported;
    }
    if (upload.address.protocol == ServerAddress::Protocol::Sftp) {
        if (job.options.knownHostsFile.isEmpty())
            return texts::transferNoKnownHosts;
        QDir().mkpath(QFileInfo(job.options.knownHostsFile).absolutePath());
    }
    return {};
}

QString CurlUploadWorker::send(const UploadJob& job, const Upload& upload, QString* notice)
{
    // Every request of one upload uses the login copied when it started.
    const CurlRequest::Inputs inputs{upload.address, job.login,      job.password,
                                     job.options,    upload.payload, upload.caCertificates};
    QString reason;
    const auto perform = [&](const UploadPlan::Request& step) {
        const CurlRequest request(step, inputs);
        if (!request.handle()) {
            reason = texts::transferCannotStart;
            return UploadPlan::Outcome::Failed;
        }
        const CURLcode result = m_runner.perform(request.handle());
        if (result == CURLE_OK)
            return UploadPlan::Outcome::Done;
        reason = request.failureReason(result);
        return result == CURLE_QUOTE_ERROR ? UploadPlan::Outcome::Refused
                                           : UploadPlan::Outcome::Failed;
    };
    const UploadPlan plan(upload.address, upload.remoteName);
    UploadPlan::Renaming& known = m_renaming[upload.address.url(QString())];
    bool renamingRefused = false;
    if (plan.run(job.options.atomic, known, perform, &renamingRefused) == UploadPlan::Outcome::Done)
        reason.clear();
    if (renamingRefused)
        *notice = texts::noAtomicReplace;
    return reason;
}

void CurlUploadWorker::record(const UploadJob& job, const Upload& upload,
                              const QString& result) const
{
    if (!job.options.uploadLog)
        return;
    UploadLog::Entry entry;
    entry.when = job.started;
    entry.address = upload.recordAddress;
    entry.bytes = upload.payload.size();
    entry.milliseconds = job.clock.isValid() ? job.clock.elapsed() : 0;
    entry.result = result;
    job.options.uploadLog->append(entry);
}
