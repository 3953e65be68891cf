// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RandomGenerator.h"
#include "VisitedPreset.h"

#include <QObject>

class IntervalTimer;
class MountLink;
class PointingControls;
class PresetRecordSet;

// Points the mount without the operator. The mode switches set up the
// pointing timer `Timer1`; each of its ticks makes a random step or the
// next sequenced step, whichever mode option is chosen at that moment.
// A sequenced step stays at its preset for the preset's "Delay" and arms
// the snapshot timer `tmrSnapPic` half-way; whoever handles that timer's
// tick takes the picture, asking visitedPreset() which preset it shows.
class PointingScheduler final : public QObject, public VisitedPreset
{
    Q_OBJECT
public:
    static constexpr int randomSpan = 120;

    PointingScheduler(PointingControls& controls, MountLink& mount, PresetRecordSet& presets,
                      IntervalTimer& timer1, IntervalTimer& snapshotTimer,
                      QObject* parent = nullptr);

    // Run when their option becomes selected.
    void chooseManual();
    void chooseRandom();
    void chooseSequence();
    void chooseTraining();

    // A tick of Timer1; does nothing while held.
    void tick();
    // Holds the tour (the night's pause) without touching Timer1, so the
    // operator's setting of it stays what is saved.
    void setHeld(bool held) { m_held = held; }

    // The current preset while sequenced pointing is chosen.
    std::optional<PresetVisit> visitedPreset() const override;

private:
    void randomStep();
    void sequencedStep();

    PointingControls& m_controls;
    MountLink& m_mount;
    PresetRecordSet& m_presets;
    IntervalTimer& m_timer1;
    IntervalTimer& m_snapshot;
    RandomGenerator m_random;
    bool m_held = false;
};
