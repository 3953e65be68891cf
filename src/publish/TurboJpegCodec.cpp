#include "TurboJpegCodec.h"

#include <QFile>
#include <QSaveFile>

#include <turbojpeg.h>

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

    // Written beside the target under a temporary name and renamed over it,
    // so the old file stays whole until the new one is complete.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(CannotWriteFile);
    const qint64 size = qint64(jpegSize);
    if (file.write(reinterpret_cast<const char*>(encoded.get()), size) != size || !file.commit())
        return fail(CannotWriteFile);
    m_error = NoError;
    return true;
}
