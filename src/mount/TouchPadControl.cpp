// SPDX-License-Identifier: GPL-3.0-or-later
#include "TouchPadControl.h"

#include "PointingControls.h"
#include "PresetActions.h"
#include "PresetValues.h"

TouchPadControl::TouchPadControl(PointingControls& controls, MountLink& mount,
                                 PresetRecordSet& presets, QObject* parent)
    : QObject(parent)
    , m_controls(controls)
    , m_mount(mount)
    , m_presets(presets)
{}

void TouchPadControl::MouseMove(float x, float y)
{
    const std::optional<qint16> pan = presetvalues::toPosition(x);
    const std::optional<qint16> tilt = presetvalues::toPosition(y);
    // Only a pointer dragged thousands of pixels off the pad gets here.
    if (!pan || !tilt)
        return;
    pointMount(m_controls, m_mount, *pan, *tilt);
}

void TouchPadControl::Click()
{
    if (!m_controls.trainingChosen())
        return;
    m_controls.beep();
    const QString why = presetactions::storeTrained(
        m_presets, m_controls.panText(), m_controls.tiltText(), m_controls.defaultDelayText());
    if (!why.isEmpty())
        m_controls.showStatus(why);
}
