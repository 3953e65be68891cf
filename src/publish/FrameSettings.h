// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FrameDressing.h"

class SettingsStore;

// The section "Frame" of the settings store. A value that does not read
// (no number, out of range, no colour, a turn that is not a quarter) falls
// back to its default, so a damaged file publishes plain frames rather than
// odd ones.
FrameDressing readFrameDressing(const SettingsStore& store);
// Writes the eight keys: "Caption", "CaptionPosition" ("Top" or "Bottom"),
// "CaptionSize", "CaptionColor", "BandColor" (#rrggbb, or #aarrggbb when not
// opaque), "Width", "Rotate", "Mirror" ("True" or "False").
void storeFrameDressing(const FrameDressing& dressing, SettingsStore& store);
