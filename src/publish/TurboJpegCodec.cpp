#include "TurboJpegCodec.h"

#include <QFile>
#include <QRandomGenerator>

#include <turbojpeg.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

void releaseTurbo(unsigned char* buffer)
{
    tjFree(buffer);
}

struct HandleCloser
{
    void operator()(void* handle) const { tjDestroy(handle); }
};

// Writes the bytes beside path under a name of their own and renames them
// over it, so a reader finds the old file or the new one, never a part.
// Nothing is forced to disk: a frame rewritten every few seconds need not
// survive a power cut, and syncing each one costs time and wears the SD
// cards small stations run from.
bool replaceFile(const QString& path, const unsigned char* bytes, size_t size)
{
    const QByteArray target = QFile::encodeName(path);
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray temporary = target.left(slash + 1) + '.' + target.mid(slash + 1) + '.' +
                                 QByteArray::number(QRandomGenerator::global()->generate64(), 36);
    // A name of our own: never an existing file or a link planted there.
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < size) {
        const ssize_t wrote = ::write(fd, bytes + done, size - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            break;
        done += size_t(wrote);
    }
    if (::close(fd) == 0 && done == size &&
        std::rename(temporary.constData(), target.constData()) == 0)
        return true;
    ::unlink(temporary.constData());
    return false;
}

} // namespace

PixelBuffer TurboJpegCodec::readBitmap(const QString& path)
{
    int width = 0;
    int height = 0;
    int format = TJPF_RGB;
    const QByteArray name = QFile::encodeName(path);
    unsigned char* pixels = tjLoadImage(name.constData(), &width, 1, &height, &format, 0);
    if (!pixels || width <= 0 || height <= 0) {
        tjFree(pixels);
        // The library says only "could not load"; whether the file could be
        // opened at all tells a missing file from a broken one.
        fail(::access(name.constData(), R_OK) == 0 ? NotABitmap : CannotOpenFile);
        return {};
    }
    m_error = NoError;
    return PixelBuffer(pixels, width, height, &releaseTurbo);
}

bool TurboJpegCodec::writeJpeg(const QString& path, const PixelBuffer& pixels, int quality)
{
    if (!pixels || quality < 1 || quality > 100)
        return fail(BadArgument);

    std::unique_ptr<void, HandleCloser> compressor(tjInitCompress());
    if (!compressor)
        return fail(EncodeFailed);

    unsigned char* jpeg = nullptr;
    unsigned long jpegSize = 0;
    const int result =
        tjCompress2(compressor.get(), pixels.pixels(), pixels.width(), 0, pixels.height(), TJPF_RGB,
                    &jpeg, &jpegSize, TJSAMP_420, quality, TJFLAG_ACCURATEDCT);
    const std::unique_ptr<unsigned char, void (*)(unsigned char*)> encoded(jpeg, &releaseTurbo);
    if (result != 0 || !jpeg)
        return fail(EncodeFailed);

    if (!replaceFile(path, encoded.get(), size_t(jpegSize)))
        return fail(CannotWriteFile);
    m_error = NoError;
    return true;
}
