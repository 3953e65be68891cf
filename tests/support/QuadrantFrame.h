// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QImage>
#include <QString>

// A frame of four quadrants in colours of their own, red top left, green top
// right, blue bottom left, yellow bottom right ("RGBY"), so every turn and
// mirror of it shows in its corners.
namespace quadrantframe {

inline const QColor red(200, 30, 30), green(30, 200, 30), blue(30, 30, 200), yellow(220, 220, 40);

inline QImage make(QSize size)
{
    QImage image(size, QImage::Format_RGB888);
    const int w = size.width() / 2;
    const int h = size.height() / 2;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixelColor(x, y, y < h ? (x < w ? red : green) : (x < w ? blue : yellow));
    return image;
}

// The colours a tenth in from the corners, as letters: top left, top
// right, bottom left, bottom right; "?" for none of the four (a JPEG
// shifts colours a little, a band or a caption a lot).
inline QString corners(const QImage& image)
{
    const auto near = [](const QColor& a, const QColor& b) {
        return qAbs(a.red() - b.red()) < 40 && qAbs(a.green() - b.green()) < 40 &&
               qAbs(a.blue() - b.blue()) < 40;
    };
    const int l = image.width() / 10, r = image.width() - 1 - l;
    const int t = image.height() / 10, b = image.height() - 1 - t;
    QString letters;
    for (const QPoint& p : {QPoint(l, t), QPoint(r, t), QPoint(l, b), QPoint(r, b)}) {
        QChar found = QLatin1Char('?');
        const std::pair<QChar, QColor> colours[] = {
            {u'R', red}, {u'G', green}, {u'B', blue}, {u'Y', yellow}};
        for (const auto& [letter, colour] : colours)
            if (near(image.pixelColor(p), colour))
                found = letter;
        letters += found;
    }
    return letters;
}

} // namespace quadrantframe
