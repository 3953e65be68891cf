// SPDX-License-Identifier: GPL-3.0-or-later
#include "FrameDresser.h"

#include "FrameScaling.h"
#include "FrameSettings.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <ctime>
#include <new>
#include <vector>

namespace {

void releasePacked(unsigned char* pixels)
{
    delete[] pixels;
}

bool quarterTurned(const FrameDressing& d)
{
    return d.Rotate == 90 || d.Rotate == 270;
}

QString expandTimeFields(const QString& caption, const QDateTime& snappedAt)
{
    if (!caption.contains(QLatin1Char('%')))
        return caption;
    const std::time_t seconds = std::time_t(snappedAt.toSecsSinceEpoch());
    std::tm local{};
    if (!localtime_r(&seconds, &local))
        return caption;
    const QByteArray format = caption.toLocal8Bit();
    // strftime says 0 both for "too small" and for an empty result; the
    // buffer grows up to a bound, and an empty text is the answer beyond it.
    constexpr size_t maxTextBytes = 1 << 20;
    std::vector<char> text;
    for (size_t size = size_t(format.size()) * 8 + 64; size <= maxTextBytes; size *= 4) {
        text.resize(size);
        const size_t length = std::strftime(text.data(), text.size(), format.constData(), &local);
        if (length > 0)
            return QString::fromLocal8Bit(text.data(), qsizetype(length));
    }
    return {};
}

QString withoutExtension(const QString& fileName)
{
    const qsizetype folderEnd =
        qMax(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    // ".cam" is a name, not an extension.
    return dot > folderEnd + 1 ? fileName.left(dot) : fileName;
}

// One pass over the text, so what a field inserts is never read again.
QString fillPresetFields(const QString& text, const std::optional<PresetVisit>& preset)
{
    const QString number = preset ? QString::number(preset->number) : QString();
    const QString name = preset ? withoutExtension(preset->fileName) : QString();
    const QStringView presetField = u"{preset}";
    const QStringView nameField = u"{name}";
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const QStringView rest = QStringView(text).mid(i);
        if (rest.startsWith(presetField)) {
            result += number;
            i += presetField.size();
        } else if (rest.startsWith(nameField)) {
            result += name;
            i += nameField.size();
        } else {
            result += text.at(i++);
        }
    }
    return result;
}

void drawCaption(QImage& picture, const FrameDressing& d, const QString& text)
{
    const QRect band = FrameDresser::bandRect(picture.size(), d);
    QPainter painter(&picture);
    // Nothing outside the band changes, whatever the font's overhang.
    painter.setClipRect(band);
    if (d.hasBand())
        painter.fillRect(band, d.BandColor);
    QFont font = painter.font();
    font.setPixelSize(d.CaptionSize);
    painter.setFont(font);
    painter.setPen(d.CaptionColor);
    const int margin = d.CaptionSize / 2;
    painter.drawText(band.adjusted(margin, 0, -margin, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

QImage over(PixelBuffer& pixels)
{
    return QImage(pixels.pixels(), pixels.width(), pixels.height(), qsizetype(pixels.width()) * 3,
                  QImage::Format_RGB888);
}

// Scaled first, so the turn and the caption have no more pixels to handle
// than are published.
PixelBuffer scaled(PixelBuffer frame, QSize size)
{
    if (size == QSize(frame.width(), frame.height()))
        return frame;
    PixelBuffer smaller = framescaling::scaleDown(frame, size);
    return smaller ? std::move(smaller) : std::move(frame);
}

using Pixel = std::array<unsigned char, 3>;
static_assert(sizeof(Pixel) == 3 && alignof(Pixel) == 1, "pixels are packed RGB");

// Half turns and mirrors keep the size, so they are done in place: a half
// turn reverses all pixels, a mirror each row, both together the row order.
void turnInPlace(PixelBuffer& pixels, bool halfTurn, bool mirror)
{
    auto* first = reinterpret_cast<Pixel*>(pixels.pixels());
    const qsizetype width = pixels.width();
    const qsizetype height = pixels.height();
    if (halfTurn && mirror) {
        for (qsizetype top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
            std::swap_ranges(first + top * width, first + (top + 1) * width,
                             first + bottom * width);
    } else if (halfTurn) {
        std::reverse(first, first + width * height);
    } else if (mirror) {
        for (qsizetype row = 0; row < height; ++row)
            std::reverse(first + row * width, first + (row + 1) * width);
    }
}

} // namespace

FrameDresser::FrameDresser(const SettingsStore& store)
    : m_store(store)
{}

QImage FrameDresser::operator()(const QImage& frame, const QDateTime& snappedAt,
                                const std::optional<PresetVisit>& preset) const
{
    const FrameDressing dressing = readFrameDressing(m_store);
    if (dressing.leavesFrameAsIs())
        return frame;
    QString text;
    if (!dressing.Caption.isEmpty())
        text = captionText(dressing.Caption, snappedAt, preset);
    PixelBuffer pixels = toPixels(frame);
    // Without memory for the copy the frame goes out undressed.
    return pixels ? toImage(dress(std::move(pixels), dressing, text)) : frame;
}

QString FrameDresser::captionText(const QString& caption, const QDateTime& snappedAt,
                                  const std::optional<PresetVisit>& preset)
{
    return fillPresetFields(expandTimeFields(caption, snappedAt), preset);
}

QSize FrameDresser::dressedSize(QSize frame, const FrameDressing& d)
{
    const QSize turned = quarterTurned(d) ? frame.transposed() : frame;
    if (d.Width <= 0 || d.Width >= turned.width())
        return turned;
    const double height = double(turned.height()) * d.Width / turned.width();
    return QSize(d.Width, qMax(1, int(std::lround(height))));
}

QRect FrameDresser::bandRect(QSize picture, const FrameDressing& d)
{
    const int height = qMin(picture.height(), d.CaptionSize + d.CaptionSize / 2);
    const int top =
        d.CaptionPosition == FrameDressing::Position::Top ? 0 : picture.height() - height;
    return QRect(0, top, picture.width(), height);
}

PixelBuffer FrameDresser::dress(PixelBuffer frame, const FrameDressing& d, const QString& text)
{
    if (!frame)
        return frame;
    const QSize target = dressedSize(QSize(frame.width(), frame.height()), d);
    PixelBuffer pixels = scaled(std::move(frame), quarterTurned(d) ? target.transposed() : target);
    const bool captioned = !d.Caption.isEmpty();
    if (!quarterTurned(d)) {
        turnInPlace(pixels, d.Rotate == 180, d.Mirror);
        // The caption goes straight into the pixels at hand.
        if (captioned) {
            QImage picture = over(pixels);
            drawCaption(picture, d, text);
        }
        return pixels;
    }
    QImage picture = over(pixels).transformed(QTransform().rotate(d.Rotate));
    if (d.Mirror && !picture.isNull())
        picture = std::move(picture).mirrored(true, false);
    if (picture.isNull())
        return pixels;
    if (captioned)
        drawCaption(picture, d, text);
    PixelBuffer turned = toPixels(picture);
    return turned ? std::move(turned) : std::move(pixels);
}

PixelBuffer FrameDresser::toPixels(const QImage& image)
{
    const QImage rgb = image.format() == QImage::Format_RGB888
                           ? image
                           : image.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull())
        return {};
    const qsizetype rowBytes = qsizetype(rgb.width()) * 3;
    auto* pixels = new (std::nothrow) unsigned char[size_t(rowBytes * rgb.height())];
    if (!pixels)
        return {};
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(pixels + y * rowBytes, rgb.constScanLine(y), size_t(rowBytes));
    return PixelBuffer(pixels, rgb.width(), rgb.height(), &releasePacked);
}

QImage FrameDresser::toImage(const PixelBuffer& pixels)
{
    if (!pixels)
        return {};
    return QImage(pixels.pixels(), pixels.width(), pixels.height(), qsizetype(pixels.width()) * 3,
                  QImage::Format_RGB888)
        .copy();
}
