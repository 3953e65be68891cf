// SPDX-License-Identifier: GPL-3.0-or-later
#include "dlgFrame.h"

#include "Texts.h"
#include "ToolTipDescriptions.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDateTime>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace {

constexpr QSize previewBox(320, 240);
constexpr int turns[] = {0, 90, 180, 270};

template <typename T, typename... Args> T* named(const char* name, Args&&... args)
{
    auto* control = new T(std::forward<Args>(args)...);
    control->setObjectName(QLatin1String(name));
    return control;
}

} // namespace

dlgFrame::dlgFrame(const FrameDressing& current, const QImage& sample,
                   const std::optional<PresetVisit>& preset, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
    , m_chosen(current)
    , m_sample(sample)
    , m_preset(preset)
{
    setObjectName(QStringLiteral("dlgFrame"));
    setWindowTitle(texts::frameSettingsCaption);
    setWindowIcon(QIcon(QStringLiteral(":/images/kivrawebcam.png")));
    setModal(true);
    build();
    load(current);
    updatePreview();
    ToolTipDescriptions::follow(this);
}

void dlgFrame::build()
{
    txtCaption = named<QLineEdit>("txtCaption");
    txtCaption->setToolTip(texts::captionTip);
    cboPosition = named<QComboBox>("cboPosition");
    cboPosition->addItems({QStringLiteral("Top"), QStringLiteral("Bottom")});
    spnCaptionSize = named<QSpinBox>("spnCaptionSize");
    spnCaptionSize->setRange(FrameDressing::minCaptionSize, FrameDressing::maxCaptionSize);
    spnCaptionSize->setSuffix(QStringLiteral(" px"));
    cmdCaptionColor = named<QPushButton>("cmdCaptionColor", QStringLiteral("Text..."));
    chkBand = named<QCheckBox>("chkBand", QStringLiteral("Band"));
    cmdBandColor = named<QPushButton>("cmdBandColor", QStringLiteral("Band..."));
    spnWidth = named<QSpinBox>("spnWidth");
    spnWidth->setRange(0, FrameDressing::maxWidth);
    spnWidth->setSpecialValueText(texts::frameOwnWidth);
    spnWidth->setSuffix(QStringLiteral(" px"));
    cboRotate = named<QComboBox>("cboRotate");
    for (int degrees : turns)
        cboRotate->addItem(QString::number(degrees) + QChar(0x00B0));
    chkMirror = named<QCheckBox>("chkMirror", QStringLiteral("Mirror left and right"));
    lblPreview = named<QLabel>("lblPreview");
    lblPreview->setFixedSize(previewBox);
    lblPreview->setAlignment(Qt::AlignCenter);
    lblSize = named<QLabel>("lblSize");
    OKButton = named<QPushButton>("OKButton", QStringLiteral("OK"));
    OKButton->setDefault(true);
    CancelButton = named<QPushButton>("CancelButton", QStringLiteral("Cancel"));

    auto* colours = new QHBoxLayout;
    colours->addWidget(cmdCaptionColor);
    colours->addWidget(chkBand);
    colours->addWidget(cmdBandColor);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Caption"), txtCaption);
    form->addRow(QStringLiteral("Position"), cboPosition);
    form->addRow(QStringLiteral("Font size"), spnCaptionSize);
    form->addRow(QStringLiteral("Colours"), colours);
    form->addRow(QStringLiteral("Width"), spnWidth);
    form->addRow(QStringLiteral("Rotate"), cboRotate);
    form->addRow(QString(), chkMirror);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lblPreview, 0, Qt::AlignHCenter);
    layout->addWidget(lblSize, 0, Qt::AlignHCenter);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(OKButton, &QPushButton::clicked, this, &dlgFrame::accept);
    connect(CancelButton, &QPushButton::clicked, this, &dlgFrame::reject);
    connect(cmdCaptionColor, &QPushButton::clicked, this,
            [this] { chooseColor(cmdCaptionColor, m_captionColor, false); });
    connect(cmdBandColor, &QPushButton::clicked, this,
            [this] { chooseColor(cmdBandColor, m_bandColor, true); });
    connect(txtCaption, &QLineEdit::textChanged, this, &dlgFrame::updatePreview);
    connect(cboPosition, &QComboBox::currentIndexChanged, this, &dlgFrame::updatePreview);
    connect(spnCaptionSize, &QSpinBox::valueChanged, this, &dlgFrame::updatePreview);
    connect(chkBand, &QCheckBox::toggled, this, [this](bool on) {
        cmdBandColor->setEnabled(on);
        updatePreview();
    });
    connect(spnWidth, &QSpinBox::valueChanged, this, &dlgFrame::updatePreview);
    connect(cboRotate, &QComboBox::currentIndexChanged, this, &dlgFrame::updatePreview);
    connect(chkMirror, &QCheckBox::toggled, this, &dlgFrame::updatePreview);
}

void dlgFrame::load(const FrameDressing& d)
{
    // Signals stay off until every field holds its value, so the preview
    // is drawn once, from a whole set.
    const QSignalBlocker blockCaption(txtCaption), blockPosition(cboPosition),
        blockSize(spnCaptionSize), blockBand(chkBand), blockWidth(spnWidth), blockRotate(cboRotate),
        blockMirror(chkMirror);
    txtCaption->setText(d.Caption);
    cboPosition->setCurrentIndex(d.CaptionPosition == FrameDressing::Position::Top ? 0 : 1);
    spnCaptionSize->setValue(d.CaptionSize);
    m_captionColor = d.CaptionColor;
    m_bandColor = d.BandColor;
    showColor(cmdCaptionColor, m_captionColor);
    showColor(cmdBandColor, m_bandColor);
    chkBand->setChecked(d.hasBand());
    cmdBandColor->setEnabled(d.hasBand());
    spnWidth->setValue(d.Width);
    const auto turn = std::find(std::begin(turns), std::end(turns), d.Rotate);
    cboRotate->setCurrentIndex(turn == std::end(turns) ? 0 : int(turn - std::begin(turns)));
    chkMirror->setChecked(d.Mirror);
}

FrameDressing dlgFrame::fields() const
{
    FrameDressing d;
    d.Caption = txtCaption->text();
    d.CaptionPosition = cboPosition->currentIndex() == 0 ? FrameDressing::Position::Top
                                                         : FrameDressing::Position::Bottom;
    d.CaptionSize = spnCaptionSize->value();
    d.CaptionColor = m_captionColor;
    d.BandColor = m_bandColor;
    // The band's colour is kept while it is off, so switching it on again
    // brings it back.
    if (!chkBand->isChecked())
        d.BandColor.setAlpha(0);
    else if (d.BandColor.alpha() == 0)
        d.BandColor.setAlpha(255);
    d.Width = spnWidth->value();
    d.Rotate = turns[qBound(0, cboRotate->currentIndex(), int(std::size(turns)) - 1)];
    d.Mirror = chkMirror->isChecked();
    return d;
}

void dlgFrame::chooseColor(QPushButton* button, QColor& color, bool withAlpha)
{
    QColorDialog::ColorDialogOptions options;
    if (withAlpha)
        options |= QColorDialog::ShowAlphaChannel;
    const QColor chosen = QColorDialog::getColor(color, this, button->text(), options);
    if (!chosen.isValid())
        return;
    color = chosen;
    showColor(button, color);
    updatePreview();
}

void dlgFrame::showColor(QPushButton* button, const QColor& color)
{
    QPixmap swatch(16, 16);
    swatch.fill(color);
    button->setIcon(QIcon(swatch));
}

void dlgFrame::updatePreview()
{
    const FrameDressing d = fields();
    const QString caption =
        d.Caption.isEmpty()
            ? QString()
            : FrameDresser::captionText(d.Caption, QDateTime::currentDateTime(), m_preset);
    m_preview =
        FrameDresser::toImage(FrameDresser::dress(FrameDresser::toPixels(m_sample), d, caption));
    lblPreview->setPixmap(QPixmap::fromImage(
        m_preview.scaled(previewBox, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    lblSize->setText(QString(texts::publishedSize).arg(m_preview.width()).arg(m_preview.height()));
}

void dlgFrame::accept()
{
    m_chosen = fields();
    QDialog::accept();
}
