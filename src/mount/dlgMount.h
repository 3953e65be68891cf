// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MountSettings.h"

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;
class SettingsStore;

// The mount settings dialog: the head's protocol, address and line speed,
// the angles the pad spans, and the bytes a move to the middle of the pad
// puts on the line with the fields as they stand.
class dlgMount final : public QDialog
{
    Q_OBJECT
public:
    explicit dlgMount(const MountSettings& current, QWidget* parent = nullptr);

    // Opens the dialog on the store's section "Mount"; OK writes it back.
    // False when cancelled; `unsaved` gets why the store could not be
    // written.
    static bool edit(SettingsStore& store, QWidget* parent, QString* unsaved);

    const MountSettings& settings() const { return m_chosen; }
    MountSettings fields() const;
    // The test move's bytes as shown, in hexadecimal, one frame a line.
    QString testMoveText() const;

    void accept() override;

    static constexpr qint16 testPan = (MountSettings::firstPan + MountSettings::lastPan) / 2;
    static constexpr qint16 testTilt = (MountSettings::firstTilt + MountSettings::lastTilt) / 2;

private:
    void build();
    void load(const MountSettings& s);
    void protocolChosen();
    void updateTestMove();

    MountSettings m_chosen;

    QComboBox* cboProtocol = nullptr;
    QSpinBox* spnAddress = nullptr;
    QComboBox* cboBaud = nullptr;
    QDoubleSpinBox* spnPanFrom = nullptr;
    QDoubleSpinBox* spnPanTo = nullptr;
    QDoubleSpinBox* spnTiltFrom = nullptr;
    QDoubleSpinBox* spnTiltTo = nullptr;
    QDoubleSpinBox* spnUnits = nullptr;
    QSpinBox* spnGap = nullptr;
    QLabel* lblTestMove = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
};
