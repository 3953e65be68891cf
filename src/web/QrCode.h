// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>

// A QR code of a text (libqrencode, error correction M), black on white
// with the quiet zone around it, each module `scale` pixels wide; an empty
// image when the text does not fit.
namespace qrcode {

QImage image(const QString& text, int scale = 4);

} // namespace qrcode
