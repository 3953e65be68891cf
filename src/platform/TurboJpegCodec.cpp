#include "TurboJpegCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <turbojpeg.h>

#include <cstdio>
#include <memory>

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
bool replaceFile(const QString& path, const unsigned char* bytes, qint64 size)
{
    const QFileInfo target(path);
    const QString temporary =
        target.dir().filePath(QLatin1Char('.') + target.fileName() + QLatin1Char('.') +
                              QString::number(QRandomGenerator::global()->generate64(), 36));
    QFile file(temporary);
    // A name of our own: never an existing file or a link planted there.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    const bool written =
        file.write(reinterpret_cast<const char*>(bytes), size) == size && file.flush();
    file.close();
    if (written && file.error() == QFileDevice::NoError &&
        std::rename(QFile::encodeName(temporary).constData(),
                    QFile::encodeName(path).constData()) == 0)
        return true;
    QFile::remove(temporary);
    return false;
}

} // namespace

PixelBuffer TurboJpegCodec::readBitmap(const QString& path)
{
    // The library says only "could not load"; telling a missing file from a
    // broken one is worth the extra look.
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly)) {
        fail(CannotOpenFile);
        return {};
    }
    probe.close();

    int width = 0;
    int height = 0;
    int format = TJPF_RGB;
    unsigned char* pixels =
        tjLoadImage(QFile::encodeName(path).constData(), &width, 1, &height, &format, 0);
    if (!pixels || width <= 0 || height <= 0) {
        tjFree(pixels);
        fail(NotABitmap);
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

    if (!replaceFile(path, encoded.get(), qint64(jpegSize)))
        return fail(CannotWriteFile);
    m_error = NoError;
    return true;
}
