// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PointingControls.h"

#include <functional>

class MainWindowLayout;

// The main window's pointing controls as the mount logic sees them: the
// four mode options, the pad, "Delete", the position labels and the
// default-delay box. It also holds the current position.
class PointingPanel final : public PointingControls
{
public:
    PointingPanel(const MainWindowLayout& ui, std::function<void(const QString&)> showStatus);

    bool randomChosen() const override;
    bool sequenceChosen() const override;
    bool trainingChosen() const override;
    void endSequence() override;
    void setPadEnabled(bool enabled) override;
    void setDeleteEnabled(bool enabled) override;
    void showPosition(qint16 pan, qint16 tilt) override;
    QString panText() const override;
    QString tiltText() const override;
    QString defaultDelayText() const override;
    void beep() override;
    void showStatus(const QString& text) override;

    qint16 pan() const { return m_pan; }
    qint16 tilt() const { return m_tilt; }

private:
    const MainWindowLayout& m_ui;
    std::function<void(const QString&)> m_showStatus;
    qint16 m_pan = 0;
    qint16 m_tilt = 0;
};
