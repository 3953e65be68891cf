// SPDX-License-Identifier: GPL-3.0-or-later
#include "FrameFile.h"

#include "Texts.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace framefile {

namespace {

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

// Writes all bytes; the system's error, or ENOSPC for a write that took
// nothing without one.
int writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote < 0)
            return errno;
        if (wrote == 0)
            return ENOSPC;
        done += wrote;
    }
    return 0;
}

} // namespace

bool replaceFile(const QString& path, const QByteArray& bytes, QString* error)
{
    const QByteArray target = QFile::encodeName(path);
    // Only a regular file of the user's own is replaced: what stands there
    // otherwise (a link, a FIFO, someone else's file) was put there by
    // somebody for a reason.
    struct stat info = {};
    if (::lstat(target.constData(), &info) == 0 &&
        (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid()))
        return fail(error, texts::fileNotOwnRegular);
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray temporary = target.left(slash + 1) + '.' + target.mid(slash + 1) + '.' +
                                 QByteArray::number(QRandomGenerator::global()->generate64(), 36);
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return fail(error, qt_error_string(errno));
    int problem = writeAll(fd, bytes);
    if (::close(fd) != 0 && problem == 0)
        problem = errno;
    if (problem == 0 && std::rename(temporary.constData(), target.constData()) != 0)
        problem = errno;
    if (problem == 0)
        return true;
    ::unlink(temporary.constData());
    return fail(error, qt_error_string(problem));
}

bool saveBitmap(const QImage& image, const QString& path, QString* error)
{
    if (image.isNull())
        return fail(error, QStringLiteral("no picture"));
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "BMP");
        if (!writer.write(image))
            return fail(error, writer.errorString());
    }
    return replaceFile(path, bytes, error);
}

} // namespace framefile
