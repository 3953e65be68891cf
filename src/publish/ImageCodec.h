// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>

#include <memory>

// A decoded picture in memory: 8-bit RGB, three bytes per pixel, rows from
// the top, no padding between rows. The buffer has exactly one owner and is
// released once, when its owner goes away or hands it on.
class PixelBuffer final
{
public:
    using Release = void (*)(unsigned char*);

    PixelBuffer() = default;
    PixelBuffer(unsigned char* pixels, int width, int height, Release release)
        : m_pixels(pixels, release)
        , m_width(width)
        , m_height(height)
    {}

    explicit operator bool() const { return m_pixels != nullptr; }
    const unsigned char* pixels() const { return m_pixels.get(); }
    // For changes in place, such as a caption drawn into the picture.
    unsigned char* pixels() { return m_pixels.get(); }
    int width() const { return m_width; }
    int height() const { return m_height; }

private:
    std::unique_ptr<unsigned char, Release> m_pixels{nullptr, nullptr};
    int m_width = 0;
    int m_height = 0;
};

// The image library: reads a Windows bitmap file into a pixel buffer and
// encodes a pixel buffer as JPEG, in memory or into a file.
class ImageCodec
{
public:
    // The numbers lastError() reports; they appear on the status line after
    // the step that failed, so they stay fixed once released.
    enum Error : int
    {
        NoError = 0,
        // The file does not exist or cannot be read.
        CannotOpenFile = 1,
        // The file is readable but not a bitmap the library can decode.
        NotABitmap = 2,
        // Nothing to write (empty buffer) or a quality outside 1 to 100.
        BadArgument = 3,
        // The encoder could not compress the pixels.
        EncodeFailed = 4,
        // The JPEG file could not be written or put in place; an older file
        // of that name is left as it was.
        CannotWriteFile = 5,
    };

    virtual ~ImageCodec() = default;

    // The picture of the bitmap file, or an empty buffer on failure.
    virtual PixelBuffer readBitmap(const QString& path) = 0;
    // The picture as JPEG bytes of the given quality, 1 (smallest) to 100
    // (best); empty on failure. Any image format; 8-bit RGB and 32-bit RGB
    // are read where they lie.
    virtual QByteArray encodeJpeg(const QImage& picture, int quality) = 0;
    // Writes the pixels as a JPEG file of the given quality, 1 (smallest)
    // to 100 (best). A reader of the path sees the old file or the whole new
    // one, never a part. False on failure.
    virtual bool writeJpeg(const QString& path, const PixelBuffer& pixels, int quality) = 0;
    // The number of the last failure, NoError after a success.
    virtual int lastError() const = 0;
};
