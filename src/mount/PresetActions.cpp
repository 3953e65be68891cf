// SPDX-License-Identifier: GPL-3.0-or-later
#include "PresetActions.h"

#include "PointingControls.h"
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

QString pointAtPreset(PresetRecordSet& presets, PointingControls& controls, MountLink& mount,
                      int row)
{
    if (row < 0 || row >= presets.RecordCount())
        return QStringLiteral("No such preset");
    presets.moveTo(row);
    const QString pan = QStringLiteral("Pan");
    const QString tilt = QStringLiteral("Tilt");
    for (const QString& name : {pan, tilt}) {
        const QString why = presetvalues::whyRefused(name, presets.field(name));
        if (!why.isEmpty())
            return why;
    }
    pointMount(controls, mount,
               *presetvalues::toPosition(*presetvalues::toNumber(presets.field(pan))),
               *presetvalues::toPosition(*presetvalues::toNumber(presets.field(tilt))));
    return {};
}

} // namespace presetactions
