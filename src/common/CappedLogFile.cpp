// SPDX-License-Identifier: GPL-3.0-or-later
#include "CappedLogFile.h"

#include "Texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Lines kept in memory are written at once past this size, whatever the
// flush timer of the log's owner says.
constexpr qsizetype pendingLimit = 64 * 1024;

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

CappedLogFile::CappedLogFile(QString path, qint64 cap)
    : m_path(std::move(path))
    , m_cap(cap)
{
    open();
}

CappedLogFile::~CappedLogFile()
{
    flush();
    if (m_fd >= 0)
        ::close(m_fd);
}

void CappedLogFile::refuse(const QString& why)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_pending.clear();
    m_refusal = why;
}

bool CappedLogFile::open()
{
    if (m_path.isEmpty()) {
        refuse(QString(texts::logFileCannotOpen).arg(QString(), QStringLiteral("no file name")));
        return false;
    }
    const QString shown = QDir::toNativeSeparators(m_path);
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    // Without following a link (the target may be another program's
    // records) and without waiting for a reader of a FIFO.
    const int fd = ::open(QFile::encodeName(m_path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                          S_IRUSR | S_IWUSR);
    if (fd < 0) {
        const int error = errno;
        // A link gives ELOOP, a FIFO nobody reads ENXIO.
        if (error == ELOOP || error == ENXIO || error == EISDIR || error == ENODEV)
            refuse(QString(texts::logFileRefused).arg(shown));
        else
            refuse(QString(texts::logFileCannotOpen).arg(shown, systemReason(error)));
        return false;
    }
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        ::close(fd);
        refuse(QString(texts::logFileRefused).arg(shown));
        return false;
    }
    // Server names, user names and what happened are nobody else's business.
    if (info.st_mode & (S_IRWXG | S_IRWXO))
        ::fchmod(fd, S_IRUSR | S_IWUSR);
    m_fd = fd;
    m_size = info.st_size;
    m_refusal.clear();
    return true;
}

bool CappedLogFile::rotate()
{
    if (!flush())
        return false;
    ::close(m_fd);
    m_fd = -1;
    const QByteArray name = QFile::encodeName(m_path);
    // A rename replaces whatever the older name was, link or not, without
    // touching what it pointed to.
    if (::rename(name.constData(), (name + ".1").constData()) != 0) {
        refuse(QString(texts::logFileCannotOpen)
                   .arg(QDir::toNativeSeparators(m_path), systemReason(errno)));
        return false;
    }
    return open();
}

bool CappedLogFile::append(const QByteArray& line)
{
    if (m_fd < 0)
        return false;
    const qint64 size = m_size + m_pending.size();
    if (size > 0 && size + line.size() > m_cap && !rotate())
        return false;
    m_pending += line;
    return m_pending.size() < pendingLimit || flush();
}

bool CappedLogFile::flush()
{
    if (m_fd < 0 || m_pending.isEmpty())
        return m_fd >= 0;
    qsizetype done = 0;
    while (done < m_pending.size()) {
        const ssize_t wrote =
            ::write(m_fd, m_pending.constData() + done, size_t(m_pending.size() - done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            break;
        done += wrote;
        m_size += wrote;
    }
    // Lines that did not fit (a full disk) are dropped rather than piled up.
    const bool whole = done == m_pending.size();
    m_pending.clear();
    return whole;
}
