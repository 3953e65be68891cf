// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// A preset that sequenced pointing is visiting.
struct PresetVisit
{
    // Counted from 1 in the table's order.
    int number = 0;
    // Its "FileName"; empty when it has none or the field is Null.
    QString fileName;
};

// Tells which preset the mount is visiting when a frame is snapped; the
// pointing side knows, the publishing side asks.
class VisitedPreset
{
public:
    virtual ~VisitedPreset() = default;
    // Nothing outside sequenced pointing or without a current preset; the
    // preset's fields are read only when there is one.
    virtual std::optional<PresetVisit> visitedPreset() const = 0;
};
