// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "UploadSettings.h"

#include <QDialog>

#include <optional>

class MessageBoxes;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

// The FTP settings dialog: the FTP target, whether the Send Frame button is
// usable, the automatic-update schedule and the JPEG quality. It opens with
// the given settings and, on OK, hands back the values chosen; applying and
// storing them is the caller's part.
class dlgFTP final : public QDialog
{
    Q_OBJECT
public:
    dlgFTP(const UploadSettings& current, MessageBoxes& messages, QWidget* parent = nullptr);

    // The values confirmed with OK (the opening values before that).
    const UploadSettings& settings() const { return m_chosen; }

    // An interval text as a whole number of seconds, rounded towards minus
    // infinity; nothing when the text is no number or the result does not
    // fit 16 bits.
    static std::optional<qint16> intervalFrom(const QString& text);

    void accept() override;

private:
    void build();
    void load(const UploadSettings& s);
    void applyEnableRule(bool enabled);

    MessageBoxes& m_messages;
    UploadSettings m_chosen;

    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QLabel* FTP = nullptr;
    QLineEdit* txtFTPServer = nullptr;
    QLabel* lblLogin = nullptr;
    QLineEdit* txtLogin = nullptr;
    QLabel* lblPassword = nullptr;
    QLineEdit* txtPassword = nullptr;
    QCheckBox* chkFTPEnable = nullptr;
    QLineEdit* txtFileName = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Path = nullptr;
    QLineEdit* txtFilePath = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLabel* Label2 = nullptr;
    QCheckBox* chkAutoUpdate = nullptr;
    QLineEdit* txtInterval = nullptr;
    QLabel* Label3 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QSlider* sldrJPGQuality = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
};
