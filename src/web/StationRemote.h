// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QList>
#include <QString>

#include <optional>

// One stored preset as the web remote lists it.
struct RemotePreset
{
    int number = 0;
    QString pan;
    QString tilt;
    QString delay;
    QString name;
};

// New values for some fields of a preset; the others stay as they are.
struct PresetEdit
{
    std::optional<QString> pan;
    std::optional<QString> tilt;
    std::optional<QString> delay;
    std::optional<QString> name;
};

// What the web page shows of the station.
struct RemoteState
{
    QString mode;
    int pan = 0;
    int tilt = 0;
    bool padEnabled = false;
    QList<RemotePreset> presets;
    QString status;
    QString lastUpload;
};

// The station as the web remote drives it. Called on the user-interface
// thread only (the server queues every call there), and implemented over
// the same objects the desktop controls use.
class StationRemote
{
public:
    enum class Outcome
    {
        Done,
        // The preset or the mode does not exist.
        NotFound,
        // Not possible now: the pad is off in this mode, or the mount's
        // port is closed.
        NotNow,
        // A value the preset table does not take; nothing was changed.
        Refused,
    };

    virtual ~StationRemote() = default;

    virtual RemoteState state() const = 0;
    // A tap on the pad at a relative position, 0 to 1 from the left and
    // top: the same move and click a mouse there sends.
    virtual Outcome point(double x, double y) = 0;
    // Presets count from 1, in the table's order.
    virtual Outcome goToPreset(int number) = 0;
    // The position on show stored as a new preset, as a training click
    // stores it.
    virtual Outcome addPreset() = 0;
    virtual Outcome deletePreset(int number) = 0;
    // Checked and written as a row typed into the preset grid is, all or
    // nothing; `why` tells what was refused.
    virtual Outcome editPreset(int number, const PresetEdit& edit, QString* why) = 0;
    // "manual", "random", "sequenced" or "training".
    virtual Outcome setMode(const QString& mode) = 0;
    virtual Outcome sendFrame() = 0;
    // The live picture as it is now; empty when there is none.
    virtual QImage picture() const = 0;
};
