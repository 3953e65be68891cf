// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FrameDresser.h"
#include "FrameDressing.h"

#include <QDialog>
#include <QImage>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The frame settings dialog: the caption band, the width and the turn of
// published frames, with a preview of a sample frame dressed as the fields
// say. It opens with the given settings and, on OK, hands back the values
// chosen; storing them is the caller's part.
class dlgFrame final : public QDialog
{
    Q_OBJECT
public:
    // sample is the frame the preview dresses, preset what {preset} and
    // {name} show in it.
    dlgFrame(const FrameDressing& current, const QImage& sample,
             const std::optional<PresetVisit>& preset, QWidget* parent = nullptr);

    // The values confirmed with OK (the opening values before that).
    const FrameDressing& settings() const { return m_chosen; }
    // What the fields say now.
    FrameDressing fields() const;
    // The dressed sample, as the preview shows it before fitting it in.
    const QImage& preview() const { return m_preview; }

    void accept() override;

private:
    void build();
    void load(const FrameDressing& d);
    void chooseColor(QPushButton* button, QColor& color, bool withAlpha);
    void showColor(QPushButton* button, const QColor& color);
    void updatePreview();

    FrameDressing m_chosen;
    QImage m_sample;
    std::optional<PresetVisit> m_preset;
    QImage m_preview;
    QColor m_captionColor;
    QColor m_bandColor;

    QLineEdit* txtCaption = nullptr;
    QComboBox* cboPosition = nullptr;
    QSpinBox* spnCaptionSize = nullptr;
    QPushButton* cmdCaptionColor = nullptr;
    QCheckBox* chkBand = nullptr;
    QPushButton* cmdBandColor = nullptr;
    QSpinBox* spnWidth = nullptr;
    QComboBox* cboRotate = nullptr;
    QCheckBox* chkMirror = nullptr;
    QLabel* lblPreview = nullptr;
    QLabel* lblSize = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
};
