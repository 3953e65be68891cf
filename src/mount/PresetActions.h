// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class MountLink;
class PointingControls;
class PresetRecordSet;

// What the operator's buttons and clicks do to the preset table.
namespace presetactions {

// The "Delete" button: with a current record it goes and the cursor steps
// back to the record before it (BOF after the first); with none, the first
// record goes and the cursor moves to the one that followed it.
void deleteClicked(PresetRecordSet& presets);

// Appends a trained preset from the texts on show: the pan and tilt labels
// and the default delay. Then the table is read again, the cursor on the
// first record. Returns why nothing was stored, or an empty text.
QString storeTrained(PresetRecordSet& presets, const QString& panText, const QString& tiltText,
                     const QString& delayText);

// Points the mount at the preset of `row` (from 0) the way a sequenced
// step does: the cursor moves there, "Pan" and "Tilt" are checked, the
// position is shown and sent. Returns why the mount stayed put, or an
// empty text.
QString pointAtPreset(PresetRecordSet& presets, PointingControls& controls, MountLink& mount,
                      int row);

} // namespace presetactions
