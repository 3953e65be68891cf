// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class MountLink;
class PointingControls;
class PresetRecordSet;

// The touch pad's handlers: every move over the enabled pad points the
// mount there, and in training mode a click stores the position on show
// as a new preset.
class TouchPadControl final : public QObject
{
    Q_OBJECT
public:
    TouchPadControl(PointingControls& controls, MountLink& mount, PresetRecordSet& presets,
                    QObject* parent = nullptr);

    // x and y in pad units; each is floored, shown and sent, every time.
    void MouseMove(float x, float y);
    void Click();

private:
    PointingControls& m_controls;
    MountLink& m_mount;
    PresetRecordSet& m_presets;
};
