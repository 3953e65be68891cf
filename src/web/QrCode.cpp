// SPDX-License-Identifier: GPL-3.0-or-later
#include "QrCode.h"

#include <QPainter>

#include <qrencode.h>

namespace qrcode {

QImage image(const QString& text, int scale)
{
    const QByteArray bytes = text.toUtf8();
    QRcode* code = QRcode_encodeString(bytes.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (!code)
        return {};
    constexpr int quietZone = 4;
    const int modules = code->width;
    const int side = (modules + 2 * quietZone) * scale;
    QImage picture(side, side, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    for (int y = 0; y < modules; ++y)
        for (int x = 0; x < modules; ++x)
            if (code->data[y * modules + x] & 1)
                painter.fillRect((x + quietZone) * scale, (y + quietZone) * scale, scale, scale,
                                 Qt::black);
    painter.end();
    QRcode_free(code);
    return picture;
}

} // namespace qrcode
