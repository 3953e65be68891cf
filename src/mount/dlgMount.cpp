// SPDX-License-Identifier: GPL-3.0-or-later
#include "dlgMount.h"

#include "MountProtocol.h"
#include "SettingsStore.h"
#include "Texts.h"
#include "ToolTipDescriptions.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace {

constexpr MountSettings::Protocol protocols[] = {
    MountSettings::Protocol::Station, MountSettings::Protocol::PelcoD,
    MountSettings::Protocol::PelcoP, MountSettings::Protocol::Visca};

template <typename T> T* named(const char* name)
{
    auto* control = new T;
    control->setObjectName(QLatin1String(name));
    return control;
}

QDoubleSpinBox* degrees(const char* name)
{
    auto* box = named<QDoubleSpinBox>(name);
    box->setRange(-360, 360);
    box->setDecimals(2);
    box->setSuffix(QString(QChar(0x00B0)));
    return box;
}

} // namespace

dlgMount::dlgMount(const MountSettings& current, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
    , m_chosen(current)
{
    setObjectName(QStringLiteral("dlgMount"));
    setWindowTitle(texts::mountSettingsCaption);
    setWindowIcon(QIcon(QStringLiteral(":/images/kivrawebcam.png")));
    setModal(true);
    build();
    load(current);
    updateTestMove();
    ToolTipDescriptions::follow(this);
}

bool dlgMount::edit(SettingsStore& store, QWidget* parent, QString* unsaved)
{
    dlgMount dialog(readMountSettings(store), parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    storeMountSettings(dialog.settings(), store);
    QString reason;
    if (!store.flush(&reason) && unsaved)
        *unsaved = reason;
    return true;
}

void dlgMount::build()
{
    cboProtocol = named<QComboBox>("cboProtocol");
    for (MountSettings::Protocol p : protocols)
        cboProtocol->addItem(MountSettings::protocolName(p));
    cboProtocol->setToolTip(texts::mountProtocolTip);
    spnAddress = named<QSpinBox>("spnAddress");
    spnAddress->setToolTip(texts::mountAddressTip);
    cboBaud = named<QComboBox>("cboBaud");
    for (int baud : MountSettings::bauds)
        cboBaud->addItem(QString::number(baud), baud);
    spnPanFrom = degrees("spnPanFrom");
    spnPanTo = degrees("spnPanTo");
    spnTiltFrom = degrees("spnTiltFrom");
    spnTiltTo = degrees("spnTiltTo");
    spnUnits = named<QDoubleSpinBox>("spnUnits");
    spnUnits->setRange(0.01, 1000);
    spnUnits->setToolTip(texts::mountUnitsTip);
    spnGap = named<QSpinBox>("spnGap");
    spnGap->setRange(0, MountSettings::maxGapMs);
    spnGap->setSuffix(QStringLiteral(" ms"));
    spnGap->setToolTip(texts::mountGapTip);
    lblTestMove = named<QLabel>("lblTestMove");
    lblTestMove->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    lblTestMove->setTextInteractionFlags(Qt::TextSelectableByMouse);
    OKButton = new QPushButton(QStringLiteral("OK"));
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cancel"));
    CancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Protocol"), cboProtocol);
    form->addRow(QStringLiteral("Address"), spnAddress);
    form->addRow(QStringLiteral("Baud"), cboBaud);
    form->addRow(QStringLiteral("Pan from (left)"), spnPanFrom);
    form->addRow(QStringLiteral("Pan to (right)"), spnPanTo);
    form->addRow(QStringLiteral("Tilt from (top)"), spnTiltFrom);
    form->addRow(QStringLiteral("Tilt to (bottom)"), spnTiltTo);
    form->addRow(QStringLiteral("VISCA units per degree"), spnUnits);
    form->addRow(QStringLiteral("Minimum gap"), spnGap);
    form->addRow(QString(texts::mountTestMoveLabel).arg(testPan).arg(testTilt), lblTestMove);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(OKButton, &QPushButton::clicked, this, &dlgMount::accept);
    connect(CancelButton, &QPushButton::clicked, this, &dlgMount::reject);
    connect(cboProtocol, &QComboBox::currentIndexChanged, this, &dlgMount::protocolChosen);
    for (QSpinBox* box : {spnAddress, spnGap})
        connect(box, &QSpinBox::valueChanged, this, &dlgMount::updateTestMove);
    for (QDoubleSpinBox* box : {spnPanFrom, spnPanTo, spnTiltFrom, spnTiltTo, spnUnits})
        connect(box, &QDoubleSpinBox::valueChanged, this, &dlgMount::updateTestMove);
    connect(cboBaud, &QComboBox::currentIndexChanged, this, &dlgMount::updateTestMove);
}

void dlgMount::load(const MountSettings& s)
{
    const QSignalBlocker blockProtocol(cboProtocol);
    cboProtocol->setCurrentIndex(int(
        std::find(std::begin(protocols), std::end(protocols), s.protocol) - std::begin(protocols)));
    spnAddress->setRange(1, MountSettings::maxAddress(s.protocol));
    spnAddress->setValue(s.address);
    cboBaud->setCurrentIndex(qMax(0, cboBaud->findData(s.baud)));
    spnPanFrom->setValue(s.panFrom);
    spnPanTo->setValue(s.panTo);
    spnTiltFrom->setValue(s.tiltFrom);
    spnTiltTo->setValue(s.tiltTo);
    spnUnits->setValue(s.unitsPerDegree);
    spnGap->setValue(int(s.gap.count()));
}

MountSettings dlgMount::fields() const
{
    MountSettings s;
    s.protocol = protocols[qBound(0, cboProtocol->currentIndex(), int(std::size(protocols)) - 1)];
    s.address = spnAddress->value();
    s.baud = cboBaud->currentData().toInt();
    s.panFrom = spnPanFrom->value();
    s.panTo = spnPanTo->value();
    s.tiltFrom = spnTiltFrom->value();
    s.tiltTo = spnTiltTo->value();
    s.unitsPerDegree = spnUnits->value();
    s.gap = std::chrono::milliseconds(spnGap->value());
    return s;
}

// Another protocol brings its own address range and the pause its heads
// usually need.
void dlgMount::protocolChosen()
{
    const MountSettings::Protocol p = fields().protocol;
    {
        const QSignalBlocker blockAddress(spnAddress), blockGap(spnGap);
        spnAddress->setRange(1, MountSettings::maxAddress(p));
        spnGap->setValue(int(MountSettings::defaultGap(p).count()));
    }
    updateTestMove();
}

QString dlgMount::testMoveText() const
{
    return lblTestMove->text();
}

void dlgMount::updateTestMove()
{
    QStringList lines;
    for (const QByteArray& frame : framesForMove(fields(), testPan, testTilt))
        lines.append(QString::fromLatin1(frame.toHex(' ').toUpper()));
    lblTestMove->setText(lines.join(QLatin1Char('\n')));
}

void dlgMount::accept()
{
    m_chosen = fields();
    QDialog::accept();
}
