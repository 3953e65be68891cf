// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ImageCodec.h"

#include <QSize>

// Scaling a decoded frame down for publishing. Every output pixel is the
// average of the source area it covers, the way a camera with fewer, larger
// cells would have seen the scene: no moiré on fine patterns, and a flat
// colour stays exactly that colour. It works on the packed RGB pixels
// directly, without the conversions a general image scaler needs.
namespace framescaling {

// The frame at the given size, no larger than it is in either direction; an
// empty buffer when there is no memory for it.
PixelBuffer scaleDown(const PixelBuffer& frame, QSize size);

} // namespace framescaling
