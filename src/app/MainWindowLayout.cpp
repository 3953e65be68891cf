// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainWindowLayout.h"

#include "ClickableLabel.h"
#include "LivePicture.h"
#include "PlacedControl.h"
#include "RecordNavigator.h"
#include "Texts.h"
#include "ToolTipDescriptions.h"
#include "TouchPad.h"
#include "Twips.h"

#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableView>

namespace {

QLabel* label(QWidget* container, const char* name, QRect geometry, const QString& text,
              Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* l = placeControl<QLabel>(container, name, geometry, text);
    l->setAlignment(alignment);
    return l;
}

QFont bold12(const QWidget* from)
{
    QFont font = from->font();
    font.setPointSize(12);
    font.setBold(true);
    return font;
}

} // namespace

QFont MainWindowLayout::windowFont()
{
    // The layout was drawn for a narrow 8-point sans serif; Liberation Sans
    // keeps its captions inside their design widths.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(8);
    return font;
}

MainWindowLayout::MainWindowLayout(QWidget* w)
{
    w->setFont(windowFont());
    ezVidCap1 = placeControl<LivePicture>(w, "ezVidCap1", twipsRect(120, 120, 4800, 3600));
    ezVidCap1->setToolTip(texts::liveVideoTip);

    cbDriver = placeControl<QComboBox>(w, "cbDriver", twipsRect(6960, 3360, 2610, 315));
    cbDriver->setEditable(false);

    cmdVidSettings = placeControl<QPushButton>(
        w, "cmdVidSettings", twipsRect(3000, 3840, 1935, 495), QStringLiteral("Video Settings"));

    Picture1 = placeControl<TouchPad>(w, "Picture1", twipsRect(120, 3840, 2595, 2175));
    Picture1->setBackdrop(QPixmap(QStringLiteral(":/images/touchpad.png")));
    Label4 =
        label(w, "Label4", twipsRect(120, 6000, 2535, 255), texts::touchPadTitle, Qt::AlignCenter);

    Frame1 = placeControl<QGroupBox>(w, "Frame1", twipsRect(5160, 120, 4095, 615),
                                     QStringLiteral("Communications Port"));
    Option1 = placeControl<QRadioButton>(Frame1, "Option1", twipsRect(120, 240, 855, 255),
                                         QStringLiteral("COM1:"));
    Option2 = placeControl<QRadioButton>(Frame1, "Option2", twipsRect(1080, 240, 855, 255),
                                         QStringLiteral("COM2:"));
    Option3 = placeControl<QRadioButton>(Frame1, "Option3", twipsRect(2040, 240, 855, 255),
                                         QStringLiteral("COM3:"));
    Option4 = placeControl<QRadioButton>(Frame1, "Option4", twipsRect(3000, 240, 855, 255),
                                         QStringLiteral("COM4:"));

    Frame3 = placeControl<QGroupBox>(w, "Frame3", twipsRect(5160, 840, 4095, 855),
                                     QStringLiteral("Acceleration"));
    hsAccel =
        placeControl<QScrollBar>(Frame3, "hsAccel", twipsRect(240, 480, 3615, 255), Qt::Horizontal);
    hsAccel->setRange(1, 3);
    hsAccel->setSingleStep(1);
    hsAccel->setPageStep(1);
    hsAccel->setValue(2);
    // One acceleration command per change, none while the thumb is dragged.
    hsAccel->setTracking(false);
    lblAccel = label(Frame3, "lblAccel", twipsRect(1560, 240, 1095, 255), texts::accelNormal,
                     Qt::AlignCenter);

    Frame2 = placeControl<QGroupBox>(w, "Frame2", twipsRect(5160, 1800, 4095, 1335),
                                     QStringLiteral("Position Information"));
    Label2 = label(Frame2, "Label2", twipsRect(240, 360, 615, 375), QStringLiteral("Pan"));
    lblPan = label(Frame2, "lblPan", twipsRect(960, 360, 855, 375), QString(),
                   Qt::AlignRight | Qt::AlignVCenter);
    Label3 = label(Frame2, "Label3", twipsRect(240, 840, 495, 375), QStringLiteral("Tilt"));
    lblTilt = label(Frame2, "lblTilt", twipsRect(960, 840, 855, 375), QString(),
                    Qt::AlignRight | Qt::AlignVCenter);
    for (QLabel* l : {Label2, lblPan, Label3, lblTilt})
        l->setFont(bold12(l));
    optManual = placeControl<QRadioButton>(Frame2, "optManual", twipsRect(2160, 240, 1695, 255),
                                           QStringLiteral("Manual Control"));
    optRandom = placeControl<QRadioButton>(Frame2, "optRandom", twipsRect(2160, 480, 1815, 255),
                                           QStringLiteral("Random Pointing"));
    optsequence = placeControl<QRadioButton>(Frame2, "optsequence", twipsRect(2160, 720, 1815, 255),
                                             QStringLiteral("Sequenced Pointing"));
    optTrain = placeControl<QRadioButton>(Frame2, "optTrain", twipsRect(2160, 960, 1455, 255),
                                          QStringLiteral("Training Mode"));

    DBGrid1 = placeControl<QTableView>(w, "DBGrid1", twipsRect(5280, 3720, 4455, 1815));
    DBGrid1->setToolTip(texts::gridTip);
    datPivoraNavigator = placeControl<RecordNavigator>(
        w, "datPivora", twipsRect(3480, 5760, 1140, 375), QString(texts::presetNavigatorCaption));

    lblDefDelay =
        label(w, "lblDefDelay", twipsRect(5280, 3360, 975, 255), QStringLiteral("Default Delay"));
    txtDefDelay = placeControl<QLineEdit>(w, "txtDefDelay", twipsRect(6360, 3360, 495, 285),
                                          QStringLiteral("3"));
    txtDefDelay->setAlignment(Qt::AlignCenter);
    lblDefDelay->setBuddy(txtDefDelay);

    cmdDelete = placeControl<QPushButton>(w, "cmdDelete", twipsRect(7200, 5640, 1095, 375),
                                          QStringLiteral("Delete"));
    cmdFTPSettings = placeControl<QPushButton>(
        w, "cmdFTPSettings", twipsRect(3000, 4440, 1935, 495), QStringLiteral("FTP Settings"));
    cmdFTPSettings->setToolTip(texts::ftpSettingsTip);
    cmdCaptureFrame = placeControl<QPushButton>(
        w, "cmdCaptureFrame", twipsRect(3000, 5040, 1935, 495), QStringLiteral("Send Frame"));
    cmdCaptureFrame->setToolTip(texts::sendFrameTip);
    cmdCaptureFrame->setEnabled(false);
    cmdEnableRemote = placeControl<QPushButton>(
        w, "cmdEnableRemote", twipsRect(6000, 6480, 255, 255), QString(texts::enableRemote));
    cmdEnableRemote->setVisible(false);

    Label1 = label(w, "Label1", twipsRect(0, 6480, 495, 255), QStringLiteral("Status"));
    lblStatus = label(w, "lblStatus", twipsRect(600, 6360, 5295, 375), QString());
    lblStatus->setFrameStyle(QFrame::Box | QFrame::Plain);
    lblStatus->setLineWidth(1);
    lblStatus->setWordWrap(false);
    lblStatus->setTextFormat(Qt::PlainText);

    Label5 = label(w, "Label5", twipsRect(0, 6840, 5895, 255),
                   QStringLiteral("KivraWebcam %1 - a camera station for one operator")
                       .arg(QLatin1String(KIVRA_VERSION)),
                   Qt::AlignCenter);

    Picture2 = placeControl<ClickableLabel>(w, "Picture2", twipsRect(6360, 6120, 3375, 855));
    Picture2->setPixmap(QPixmap(QStringLiteral(":/images/logo.png")));
    Picture2->setAlignment(Qt::AlignCenter);
    Picture2->setToolTip(texts::logoTip);
    Picture2->setCursor(Qt::PointingHandCursor);
    Picture2->setFocusPolicy(Qt::StrongFocus);
    // A picture has no text for a screen reader to call it by.
    Picture2->setAccessibleName(QStringLiteral("Visit Our website"));

    // Keyboard order of the design; labels and frames take no focus.
    const QList<QWidget*> tabOrder = {Picture1,       Option1,         Option2,         Option3,
                                      Option4,        hsAccel,         optManual,       optRandom,
                                      optsequence,    DBGrid1,         optTrain,        txtDefDelay,
                                      cmdDelete,      cmdEnableRemote, cmdCaptureFrame, cbDriver,
                                      cmdVidSettings, cmdFTPSettings,  Picture2};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);

    ToolTipDescriptions::follow(w);
}

QRadioButton* MainWindowLayout::portOption(int portNumber) const
{
    switch (portNumber) {
    case 1:
        return Option1;
    case 2:
        return Option2;
    case 3:
        return Option3;
    case 4:
        return Option4;
    default:
        return nullptr;
    }
}
