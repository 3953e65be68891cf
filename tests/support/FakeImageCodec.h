// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ImageCodec.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QList>

#include <cstring>

// An image library on QImage that can be told to fail, and that counts the
// pixel buffers it handed out and are not released yet.
class FakeImageCodec final : public ImageCodec
{
public:
    PixelBuffer readBitmap(const QString& path) override
    {
        if (readError != NoError) {
            m_error = readError;
            return {};
        }
        const QImage image = QImage(path).convertToFormat(QImage::Format_RGB888);
        if (image.isNull()) {
            m_error = CannotOpenFile;
            return {};
        }
        const qsizetype rowBytes = qsizetype(image.width()) * 3;
        auto* pixels = new unsigned char[size_t(rowBytes * image.height())];
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(pixels + y * rowBytes, image.constScanLine(y), size_t(rowBytes));
        ++unreleased;
        m_error = NoError;
        return PixelBuffer(pixels, image.width(), image.height(), &release);
    }

    // Cut in half, as an encoder that stopped early leaves it, when asked.
    QByteArray encodeJpeg(const QImage& image, int quality) override
    {
        qualities.append(quality);
        if (writeError != NoError) {
            m_error = writeError;
            return {};
        }
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        m_error = image.save(&buffer, "JPG", quality) ? NoError : EncodeFailed;
        if (cutShort)
            bytes.truncate(bytes.size() / 2);
        return m_error == NoError ? bytes : QByteArray();
    }

    bool writeJpeg(const QString& path, const PixelBuffer& pixels, int quality) override
    {
        qualities.append(quality);
        if (writeError != NoError) {
            m_error = writeError;
            return false;
        }
        const QImage image(pixels.pixels(), pixels.width(), pixels.height(), pixels.width() * 3,
                           QImage::Format_RGB888);
        m_error = image.save(path, "JPG", quality) ? NoError : CannotWriteFile;
        if (m_error == NoError && cutShort)
            QFile::resize(path, QFile(path).size() / 2);
        return m_error == NoError;
    }

    int lastError() const override { return m_error; }

    static void release(unsigned char* pixels)
    {
        --unreleased;
        delete[] pixels;
    }

    static inline int unreleased = 0;
    int readError = NoError;
    int writeError = NoError;
    // Reports success over a file or bytes cut in half.
    bool cutShort = false;
    QList<int> qualities;

private:
    int m_error = NoError;
};
