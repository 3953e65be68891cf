// SPDX-License-Identifier: GPL-3.0-or-later
#include "PresetActions.h"

#include "PresetRecordSet.h"
#include "PresetValues.h"
#include "Texts.h"

namespace presetactions {

void deleteClicked(PresetRecordSet& presets)
{
    // No current record also right after rows were deleted in the grid.
    if (presets.isEOF() || presets.isBOF() || presets.currentRow() < 0) {
        if (presets.RecordCount() > 0) {
            presets.MoveFirst();
            presets.Delete();
            presets.MoveNext();
        }
    } else if (presets.RecordCount() > 0) {
        presets.Delete();
        presets.MovePrevious();
    }
}

QString storeTrained(PresetRecordSet& presets, const QString& panText, const QString& tiltText,
                     const QString& delayText)
{
    if (panText.isEmpty() || tiltText.isEmpty())
        return texts::noPositionShown;
    if (!presetvalues::toNumber(delayText))
        return texts::defaultDelayNotANumber;
    presets.AddNew();
    presets.setField(0, panText);
    presets.setField(1, tiltText);
    presets.setField(2, delayText);
    // A failed write is reported by the record set itself.
    if (presets.Update())
        presets.Refresh();
    return {};
}

} // namespace presetactions
