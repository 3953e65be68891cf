#pragma once

#include "ImageCodec.h"

// The image library on libjpeg-turbo's TurboJPEG API.
class TurboJpegCodec final : public ImageCodec
{
public:
    PixelBuffer readBitmap(const QString& path) override;
    bool writeJpeg(const QString& path, const PixelBuffer& pixels, int quality) override;
    int lastError() const override { return m_error; }

private:
    bool fail(Error error)
    {
        m_error = error;
        return false;
    }

    int m_error = NoError;
};
