// SPDX-License-Identifier: GPL-3.0-or-later
#include "TurboJpegCodec.h"

#include "FrameFile.h"

#include <QFile>

#include <turbojpeg.h>

#include <memory>
#include <unistd.h>

namespace {

void releaseTurbo(unsigned char* buffer)
{
    tjFree(buffer);
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

void TurboJpegCodec::HandleCloser::operator()(void* handle) const
{
    tjDestroy(handle);
}

TurboJpegCodec::TurboJpegCodec() = default;
TurboJpegCodec::~TurboJpegCodec() = default;

QByteArray TurboJpegCodec::encodeJpeg(const QImage& picture, int quality)
{
    switch (picture.format()) {
    case QImage::Format_RGB888:
        return encode(picture.constBits(), picture.width(), int(picture.bytesPerLine()),
                      picture.height(), TJPF_RGB, quality);
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        // 0xAARRGGBB words: B, G, R, A in memory on this byte order.
        return encode(
            picture.constBits(), picture.width(), int(picture.bytesPerLine()), picture.height(),
            QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TJPF_BGRX : TJPF_XRGB, quality);
    default:
        break;
    }
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull() && !picture.isNull()) {
        fail(EncodeFailed);
        return {};
    }
    return encode(rgb.constBits(), rgb.width(), int(rgb.bytesPerLine()), rgb.height(), TJPF_RGB,
                  quality);
}

QByteArray TurboJpegCodec::encode(const unsigned char* pixels, int width, int pitch, int height,
                                  int format, int quality)
{
    if (!pixels || width <= 0 || height <= 0 || quality < 1 || quality > 100) {
        fail(BadArgument);
        return {};
    }
    if (!m_compressor)
        m_compressor.reset(tjInitCompress());
    if (!m_compressor) {
        fail(EncodeFailed);
        return {};
    }
    unsigned char* jpeg = nullptr;
    unsigned long jpegSize = 0;
    const int result = tjCompress2(m_compressor.get(), pixels, width, pitch, height, format, &jpeg,
                                   &jpegSize, TJSAMP_420, quality, TJFLAG_ACCURATEDCT);
    const std::unique_ptr<unsigned char, void (*)(unsigned char*)> encoded(jpeg, &releaseTurbo);
    if (result != 0 || !jpeg) {
        fail(EncodeFailed);
        return {};
    }
    m_error = NoError;
    return QByteArray(reinterpret_cast<const char*>(encoded.get()), qsizetype(jpegSize));
}

bool TurboJpegCodec::writeJpeg(const QString& path, const PixelBuffer& pixels, int quality)
{
    if (!pixels)
        return fail(BadArgument);
    const QByteArray jpeg = encode(pixels.pixels(), pixels.width(), pixels.width() * 3,
                                   pixels.height(), TJPF_RGB, quality);
    if (jpeg.isEmpty())
        return false;
    if (!framefile::replaceFile(path, jpeg, nullptr))
        return fail(CannotWriteFile);
    m_error = NoError;
    return true;
}
