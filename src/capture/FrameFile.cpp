#include "FrameFile.h"

#include "Texts.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace framefile {

bool saveBitmap(const QImage& image, const QString& path, QString* error)
{
    const auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (image.isNull())
        return fail(QStringLiteral("no picture"));
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "BMP");
        if (!writer.write(image))
            return fail(writer.errorString());
    }

    // Only a regular file of the user's own is replaced: the save would
    // follow a link and replace whatever file it points to.
    struct stat info = {};
    if (::lstat(QFile::encodeName(path).constData(), &info) == 0 &&
        (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid()))
        return fail(texts::fileNotOwnRegular);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    // commit() misses a disk that fills up under a buffered write, and a
    // short write raises no error at all: the bytes are counted and pushed
    // out first, and a file that did not take them all is dropped.
    errno = 0;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const int systemError = errno;
        const QString reason = file.error() != QFileDevice::NoError ? file.errorString()
                               : systemError != 0                   ? qt_error_string(systemError)
                                                                    : QString(texts::frameCutShort);
        file.cancelWriting();
        return fail(reason);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

} // namespace framefile
