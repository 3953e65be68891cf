// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MountSettings.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

// Commands that wait for the line, at most one of each kind: a newer pan
// replaces a pan not yet sent, likewise tilt and acceleration.
struct MountCommands
{
    std::optional<qint16> acceleration;
    std::optional<qint16> pan;
    std::optional<qint16> tilt;

    int count() const { return int(acceleration.has_value()) + pan.has_value() + tilt.has_value(); }
    void clear() { *this = {}; }
};

// What a head said back about the command in flight.
struct MountAnswer
{
    enum class Kind
    {
        // Taken; the move goes on (wait for its completion).
        Accepted,
        // Done: the next command may go.
        Completed,
        // Refused; `problem` says why. The command is over.
        Refused,
    };
    Kind kind;
    QString problem;
};

// The language of the head on the serial line: turns the station's pan,
// tilt and acceleration into frames and, for heads that answer, reads what
// comes back.
class MountProtocol
{
public:
    virtual ~MountProtocol();

    // Takes from `waiting` what its next frame carries and returns that
    // frame; empty when nothing waits that it can send. Every sender gives
    // a pan and then its tilt, so a head that takes both in one frame may
    // hold a pan until its tilt comes. After reset() a head that needs
    // setting up gets that first.
    virtual QByteArray nextFrame(MountCommands& waiting) = 0;
    // Whether the frame just taken must be answered before the next goes.
    virtual bool awaitsAnswer() const { return false; }
    // Bytes read from the line: what the head said about the command in
    // flight. Anything else (our own bytes handed back, noise, answers to
    // nobody) is skipped up to the next frame's start.
    virtual QList<MountAnswer> read(const QByteArray& bytes);
    // The port was opened again: nothing is in flight, and the head is set
    // up afresh.
    virtual void reset() {}
    // The answer did not come in time: the command in flight is given up.
    virtual void answerMissing() {}
};

// The implementation the settings ask for.
std::unique_ptr<MountProtocol> makeMountProtocol(const MountSettings& settings);

// The frames a freshly opened line carries for one move, as the settings
// dialog shows them.
QList<QByteArray> framesForMove(const MountSettings& settings, qint16 pan, qint16 tilt);
