// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

class MountLink;

// The window's side of mount pointing: the mode options, the pad and
// "Delete" button states, the position labels and the status line. The
// pointing mode is read from the options each time, never kept elsewhere.
class PointingControls
{
public:
    virtual ~PointingControls() = default;

    virtual bool randomChosen() const = 0;
    virtual bool sequenceChosen() const = 0;
    virtual bool trainingChosen() const = 0;
    // Leaves "Sequenced Pointing" and with it every mode option unselected.
    virtual void endSequence() = 0;

    virtual void setPadEnabled(bool enabled) = 0;
    virtual void setDeleteEnabled(bool enabled) = 0;

    // Stores the current position and shows pan, then tilt.
    virtual void showPosition(qint16 pan, qint16 tilt) = 0;
    virtual QString panText() const = 0;
    virtual QString tiltText() const = 0;
    virtual QString defaultDelayText() const = 0;

    virtual void beep() = 0;
    virtual void showStatus(const QString& text) = 0;
};

// Points the mount: the position is shown, then sent pan first.
void pointMount(PointingControls& controls, MountLink& mount, qint16 pan, qint16 tilt);
