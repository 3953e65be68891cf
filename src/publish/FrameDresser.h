// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FrameDressing.h"
#include "ImageCodec.h"
#include "VisitedPreset.h"

#include <QDateTime>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

class QImage;
class SettingsStore;

// Dresses a published frame on the pixels already decoded for the JPEG
// writer: scales it to the asked width, turns and mirrors it, then draws the
// caption band, so the caption is upright and sized for the picture that
// visitors see. Frames are dressed as the "Frame" section says at the time
// of each send; a section that asks for nothing hands the frame back
// untouched.
class FrameDresser final
{
public:
    explicit FrameDresser(const SettingsStore& store);

    // preset: the one being visited when the frame was snapped, if any.
    // The picture comes back as it is, not copied, when nothing is asked;
    // a dressed one as 8-bit RGB.
    QImage operator()(const QImage& frame, const QDateTime& snappedAt,
                      const std::optional<PresetVisit>& preset) const;

    // The caption's text: strftime fields in the local time of snappedAt,
    // then {preset} (the preset's number) and {name} (its file name without
    // the extension), both empty without a preset. A preset's name is
    // inserted as it is: its "%" and braces are never read as fields.
    static QString captionText(const QString& caption, const QDateTime& snappedAt,
                               const std::optional<PresetVisit>& preset);
    // The size of a dressed frame: turned, then scaled down to the width.
    static QSize dressedSize(QSize frame, const FrameDressing& dressing);
    // Where the caption band lies in a dressed picture of that size.
    static QRect bandRect(QSize picture, const FrameDressing& dressing);
    // The frame dressed with a caption already expanded. On failure (no
    // memory for the new picture) the frame comes back as it was.
    static PixelBuffer dress(PixelBuffer frame, const FrameDressing& dressing,
                             const QString& captionText);

    // Conversions for previews and tests: a tightly packed RGB copy of an
    // image, and an image copy of pixels. Both are null on failure.
    static PixelBuffer toPixels(const QImage& image);
    static QImage toImage(const PixelBuffer& pixels);

private:
    const SettingsStore& m_store;
};
