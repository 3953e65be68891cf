// SPDX-License-Identifier: GPL-3.0-or-later
#include "PointingScheduler.h"

#include "Durations.h"
#include "IntervalTimer.h"
#include "MountLink.h"
#include "PointingControls.h"
#include "PresetRecordSet.h"
#include "PresetValues.h"
#include "Texts.h"

#include <cmath>

namespace {

const QString panField = QStringLiteral("Pan");
const QString tiltField = QStringLiteral("Tilt");
const QString delayField = QStringLiteral("Delay");

} // namespace

PointingScheduler::PointingScheduler(PointingControls& controls, MountLink& mount,
                                     PresetRecordSet& presets, IntervalTimer& timer1,
                                     IntervalTimer& snapshotTimer, QObject* parent)
    : QObject(parent)
    , m_controls(controls)
    , m_mount(mount)
    , m_presets(presets)
    , m_timer1(timer1)
    , m_snapshot(snapshotTimer)
{
    connect(&m_timer1, &IntervalTimer::timeout, this, &PointingScheduler::tick);
}

void PointingScheduler::chooseManual()
{
    m_controls.setPadEnabled(true);
    m_timer1.setEnabled(false);
    m_controls.setDeleteEnabled(true);
}

void PointingScheduler::chooseRandom()
{
    m_controls.setPadEnabled(false);
    m_timer1.setInterval(durations::pointingStep);
    m_timer1.setEnabled(true);
    m_controls.setDeleteEnabled(true);
}

void PointingScheduler::chooseSequence()
{
    // With nothing to visit the previous mode's states stay; a timer that
    // mode left running ends the sequence at its next tick.
    if (m_presets.RecordCount() <= 0)
        return;
    m_controls.setDeleteEnabled(false);
    m_controls.setPadEnabled(false);
    m_timer1.setEnabled(false);
    m_presets.MoveFirst();
    m_timer1.setInterval(durations::pointingStep);
    m_timer1.setEnabled(true);
}

void PointingScheduler::chooseTraining()
{
    m_timer1.setEnabled(false);
    m_controls.setPadEnabled(true);
    m_controls.setDeleteEnabled(true);
}

void PointingScheduler::tick()
{
    if (m_held)
        return;
    if (m_controls.randomChosen())
        randomStep();
    if (m_controls.sequenceChosen())
        sequencedStep();
}

void PointingScheduler::randomStep()
{
    // In double: r * 120 + 1 rounded to float could reach 121.
    const double r1 = m_random.next();
    const auto pan = qint16(std::floor(r1 * randomSpan + 1));
    const double r2 = m_random.next();
    const auto tilt = qint16(std::floor(r2 * randomSpan + 1));
    pointMount(m_controls, m_mount, pan, tilt);
}

void PointingScheduler::sequencedStep()
{
    m_presets.MoveNext();
    if (m_presets.isBOF() || m_presets.isEOF()) {
        m_presets.MoveFirst();
        if (m_presets.isBOF() || m_presets.isEOF()) {
            m_controls.endSequence();
            m_timer1.setEnabled(false);
            return;
        }
    }

    const QVariant panValue = m_presets.field(panField);
    const QVariant tiltValue = m_presets.field(tiltField);
    const QVariant delayValue = m_presets.field(delayField);
    for (const auto& [name, value] :
         {std::pair{panField, panValue}, {tiltField, tiltValue}, {delayField, delayValue}}) {
        const QString why = presetvalues::whyRefused(name, value);
        if (why.isEmpty())
            continue;
        // The mount stays put and the walk goes on.
        m_controls.showStatus(
            QString(texts::presetSkipped).arg(m_presets.currentRow() + 1).arg(why));
        m_timer1.setInterval(durations::shortestDwell);
        return;
    }

    const qint16 pan = *presetvalues::toPosition(*presetvalues::toNumber(panValue));
    const qint16 tilt = *presetvalues::toPosition(*presetvalues::toNumber(tiltValue));
    const double delay = *presetvalues::toNumber(delayValue);
    pointMount(m_controls, m_mount, pan, tilt);

    const double dwell = delay * 1000.0;
    m_timer1.setInterval(delay < 1
                             ? qint64(durations::shortestDwell.count())
                             : presetvalues::timerInterval(dwell, IntervalTimer::maxInterval));
    m_snapshot.setInterval(presetvalues::timerInterval(dwell / 2, IntervalTimer::maxInterval));
    m_snapshot.setEnabled(true);
}

std::optional<PresetVisit> PointingScheduler::visitedPreset() const
{
    if (!m_controls.sequenceChosen() || m_presets.currentRow() < 0)
        return std::nullopt;
    return PresetVisit{m_presets.currentRow() + 1,
                       m_presets.field(texts::presetFileNameField).toString()};
}
