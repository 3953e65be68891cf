// SPDX-License-Identifier: GPL-3.0-or-later
#include "dlgFTP.h"

#include "MessageBoxes.h"
#include "PlacedControl.h"
#include "Texts.h"
#include "ToolTipDescriptions.h"
#include "Twips.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSlider>

#include <cmath>
#include <limits>

namespace {} // namespace

dlgFTP::dlgFTP(const UploadSettings& current, MessageBoxes& messages, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_messages(messages)
    , m_chosen(current)
{
    setObjectName(QStringLiteral("dlgFTP"));
    setWindowTitle(texts::ftpSettingsCaption);
    setWindowIcon(QIcon(QStringLiteral(":/images/kivrawebcam.png")));
    setFixedSize(twips(5835), twips(5565));
    setModal(true);
    build();
    load(current);
}

void dlgFTP::build()
{
    OKButton = placeControl<QPushButton>(this, "OKButton", twipsRect(1680, 5040, 1215, 375),
                                         QStringLiteral("OK"));
    OKButton->setDefault(true);
    CancelButton = placeControl<QPushButton>(this, "CancelButton", twipsRect(3000, 5040, 1215, 375),
                                             QStringLiteral("Cancel"));
    connect(OKButton, &QPushButton::clicked, this, &dlgFTP::accept);
    connect(CancelButton, &QPushButton::clicked, this, &dlgFTP::reject);

    FTP = placeControl<QLabel>(this, "FTP", twipsRect(480, 600, 855, 255),
                               QStringLiteral("FTP Server"));
    txtFTPServer = placeControl<QLineEdit>(this, "txtFTPServer", twipsRect(1560, 600, 3375, 375));
    lblLogin = placeControl<QLabel>(this, "lblLogin", twipsRect(480, 1080, 495, 255),
                                    QStringLiteral("Login"));
    txtLogin = placeControl<QLineEdit>(this, "txtLogin", twipsRect(1560, 1080, 3375, 405));
    lblPassword = placeControl<QLabel>(this, "lblPassword", twipsRect(480, 1560, 855, 255),
                                       QStringLiteral("Password"));
    txtPassword = placeControl<QLineEdit>(this, "txtPassword", twipsRect(1560, 1560, 3375, 375));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    chkFTPEnable = placeControl<QCheckBox>(this, "chkFTPEnable", twipsRect(600, 120, 1215, 375),
                                           QStringLiteral("Enable"));
    txtFileName = placeControl<QLineEdit>(this, "txtFileName", twipsRect(1560, 2520, 3375, 375));
    Label1 = placeControl<QLabel>(this, "Label1", twipsRect(480, 2640, 975, 255),
                                  QStringLiteral("FileName"));
    Path =
        placeControl<QLabel>(this, "Path", twipsRect(480, 2160, 615, 255), QStringLiteral("Path"));
    txtFilePath = placeControl<QLineEdit>(this, "txtFilePath", twipsRect(1560, 2040, 3375, 375));

    Frame1 = placeControl<QGroupBox>(this, "Frame1", twipsRect(480, 3000, 4455, 735),
                                     QStringLiteral("Auto Update"));
    Label2 = placeControl<QLabel>(Frame1, "Label2", twipsRect(1320, 360, 615, 255),
                                  QStringLiteral("Interval"));
    chkAutoUpdate = placeControl<QCheckBox>(Frame1, "chkAutoUpdate", twipsRect(360, 300, 975, 375),
                                            QStringLiteral("Enable"));
    txtInterval = placeControl<QLineEdit>(Frame1, "txtInterval", twipsRect(2040, 345, 855, 285));
    Label3 = placeControl<QLabel>(Frame1, "Label3", twipsRect(3000, 360, 855, 255),
                                  QStringLiteral("(seconds)"));

    Frame2 = placeControl<QGroupBox>(this, "Frame2", twipsRect(480, 3840, 4455, 1095),
                                     QStringLiteral("Image Quality"));
    sldrJPGQuality = placeControl<QSlider>(Frame2, "sldrJPGQuality", twipsRect(120, 360, 4215, 255),
                                           Qt::Horizontal);
    sldrJPGQuality->setRange(1, 100);
    sldrJPGQuality->setSingleStep(1);
    sldrJPGQuality->setPageStep(10);
    sldrJPGQuality->setTickInterval(5);
    sldrJPGQuality->setTickPosition(QSlider::TicksBelow);
    sldrJPGQuality->setValue(30);
    sldrJPGQuality->setToolTip(texts::jpegQualityTip);
    Label4 = placeControl<QLabel>(Frame2, "Label4", twipsRect(240, 720, 1575, 255),
                                  QStringLiteral("Better Compression"));
    Label5 = placeControl<QLabel>(Frame2, "Label5", twipsRect(3240, 720, 1095, 255),
                                  QStringLiteral("Higher Quality"));

    connect(chkFTPEnable, &QCheckBox::toggled, this, &dlgFTP::applyEnableRule);

    // Each field is named after its label for screen readers; the slider
    // after its frame, as no one label names it.
    FTP->setBuddy(txtFTPServer);
    lblLogin->setBuddy(txtLogin);
    lblPassword->setBuddy(txtPassword);
    Label1->setBuddy(txtFileName);
    Path->setBuddy(txtFilePath);
    Label2->setBuddy(txtInterval);
    sldrJPGQuality->setAccessibleName(Frame2->title());

    // Keyboard order of the design; labels and frames take no focus.
    const QList<QWidget*> tabOrder = {OKButton,    CancelButton, txtFTPServer,  txtLogin,
                                      txtPassword, chkFTPEnable, txtFileName,   chkAutoUpdate,
                                      txtInterval, txtFilePath,  sldrJPGQuality};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
    ToolTipDescriptions::follow(this);
}

void dlgFTP::load(const UploadSettings& s)
{
    txtFTPServer->setText(s.FileHost);
    txtFileName->setText(s.FileName);
    txtLogin->setText(s.FileLogin);
    txtPassword->setText(s.FilePassword);
    // The server fields open enabled whatever the box shows; only the
    // operator's clearing of the box disables them.
    chkFTPEnable->setChecked(s.FTPEnable != 0);
    txtFilePath->setText(s.FilePath);
    chkAutoUpdate->setChecked(s.FileAuto != 0);
    txtInterval->setText(QString::number(s.FileInterval));
    sldrJPGQuality->setValue(s.FileQuality);
}

void dlgFTP::applyEnableRule(bool enabled)
{
    for (QWidget* field : {static_cast<QWidget*>(txtFTPServer), static_cast<QWidget*>(txtLogin),
                           static_cast<QWidget*>(txtPassword)})
        field->setEnabled(enabled);
}

std::optional<qint16> dlgFTP::intervalFrom(const QString& text)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double whole = std::floor(value);
    if (whole < std::numeric_limits<qint16>::min() || whole > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(whole);
}

void dlgFTP::accept()
{
    const std::optional<qint16> interval = intervalFrom(txtInterval->text());
    if (!interval) {
        // Nothing is taken over until the interval is one the field holds.
        m_messages.information(this, texts::ftpSettingsCaption, texts::intervalNotAllowed);
        txtInterval->setFocus();
        txtInterval->selectAll();
        return;
    }
    m_chosen.FTPEnable = chkFTPEnable->isChecked() ? 1 : 0;
    m_chosen.FileHost = txtFTPServer->text();
    m_chosen.FileLogin = txtLogin->text();
    m_chosen.FilePassword = txtPassword->text();
    m_chosen.FileName = txtFileName->text();
    m_chosen.FilePath = txtFilePath->text();
    m_chosen.FileQuality = qint16(sldrJPGQuality->value());
    m_chosen.FileAuto = chkAutoUpdate->isChecked() ? 1 : 0;
    m_chosen.FileInterval = *interval;
    QDialog::accept();
}
