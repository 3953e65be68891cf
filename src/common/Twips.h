// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>

// Window layouts are drawn in twips, 15 to the pixel on the usual screen.
inline constexpr int twipsPerPixel = 15;

constexpr int twips(int value)
{
    return value / twipsPerPixel;
}

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}
