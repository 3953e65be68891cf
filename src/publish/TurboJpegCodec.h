// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ImageCodec.h"

#include <memory>

// The image library on libjpeg-turbo's TurboJPEG API. One compressor serves
// every frame; the codec is used from one thread.
class TurboJpegCodec final : public ImageCodec
{
public:
    TurboJpegCodec();
    ~TurboJpegCodec() override;

    QByteArray encodeJpeg(const QImage& picture, int quality) override;
    PixelBuffer readBitmap(const QString& path) override;
    bool writeJpeg(const QString& path, const PixelBuffer& pixels, int quality) override;
    int lastError() const override { return m_error; }

private:
    QByteArray encode(const unsigned char* pixels, int width, int pitch, int height, int format,
                      int quality);
    bool fail(Error error)
    {
        m_error = error;
        return false;
    }

    struct HandleCloser
    {
        void operator()(void* handle) const;
    };

    int m_error = NoError;
    std::unique_ptr<void, HandleCloser> m_compressor;
};
