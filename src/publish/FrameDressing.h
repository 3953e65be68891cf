// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>

// How a published frame is dressed for the web page: a caption band, a
// width to scale to and a turn. The defaults leave the frame as grabbed, so
// a station that asks for nothing publishes what it always published. Each
// field carries the name of the settings key that holds it.
struct FrameDressing
{
    enum class Position
    {
        Top,
        Bottom,
    };

    // The caption: strftime fields in the local time of the snap, plus
    // {preset} and {name} of the preset being visited. Empty: no caption.
    QString Caption;
    Position CaptionPosition = Position::Bottom;
    // Font size in pixels of the published picture.
    int CaptionSize = 16;
    QColor CaptionColor = QColor(Qt::white);
    // The band behind the text; fully transparent draws the text straight
    // onto the picture.
    QColor BandColor = QColor(Qt::black);
    // Width of the published picture, the height following the aspect
    // ratio; 0 keeps the frame's width. A frame is never made larger.
    int Width = 0;
    // Clockwise turn in degrees: 0, 90, 180 or 270.
    int Rotate = 0;
    // Left and right swapped in the published picture, after the turn.
    bool Mirror = false;

    static constexpr int minCaptionSize = 4;
    static constexpr int maxCaptionSize = 512;
    static constexpr int maxWidth = 16384;

    bool operator==(const FrameDressing&) const = default;

    // Whether a frame comes out exactly as it went in.
    bool leavesFrameAsIs() const
    {
        return Caption.isEmpty() && Width == 0 && Rotate == 0 && !Mirror;
    }
    bool hasBand() const { return BandColor.alpha() != 0; }
};
