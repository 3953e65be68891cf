// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "StationRemote.h"

#include <QObject>

#include <functional>

class FramePublisher;
class MainWindowLayout;
class MountLink;
class PointingPanel;
class PresetRecordSet;
class TouchPadControl;

// The web remote's way into the station: every call drives the objects the
// desktop controls drive (the pad's handlers, the mode options, the Send
// Frame button), so a tap sends exactly what a click on the pad at the same
// place sends. Runs on the user-interface thread only.
class WebStationRemote final : public QObject, public StationRemote
{
    Q_OBJECT
public:
    struct Parts
    {
        const MainWindowLayout& ui;
        TouchPadControl& pad;
        PointingPanel& panel;
        MountLink& mount;
        PresetRecordSet& presets;
        FramePublisher& publisher;
        std::function<QImage()> picture;
    };

    explicit WebStationRemote(Parts parts, QObject* parent = nullptr);

    RemoteState state() const override;
    Outcome point(double x, double y) override;
    Outcome goToPreset(int number) override;
    Outcome addPreset() override;
    Outcome deletePreset(int number) override;
    Outcome editPreset(int number, const PresetEdit& edit, QString* why) override;
    Outcome setMode(const QString& mode) override;
    Outcome sendFrame() override;
    QImage picture() const override;

private:
    QString mode() const;
    // A field's position in the preset file, or -1.
    int column(const QString& name) const;
    QList<RemotePreset> presetList() const;

    Parts m_parts;
    QString m_lastUpload;
};
