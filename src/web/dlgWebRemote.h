// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "WebSessions.h"
#include "WebSettings.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;

// "Web Remote...": turns the web remote on or off and sets its port,
// passwords and certificate files; shows the addresses to open on a phone,
// the certificate's fingerprint to compare there, and who is signed in.
// Passwords typed here leave it only as hashes; storing the settings is the
// caller's part.
class dlgWebRemote final : public QDialog
{
    Q_OBJECT
public:
    struct Shown
    {
        QStringList addresses;
        QString fingerprint;
        QList<WebSessions::Session> signedIn;
    };

    dlgWebRemote(const WebSettings& current, const Shown& shown, QWidget* parent = nullptr);

    // The values confirmed with OK (the opening values before that).
    const WebSettings& settings() const { return m_chosen; }

    void accept() override;

private:
    void build(const Shown& shown);
    QString refusal() const;

    WebSettings m_chosen;
    QCheckBox* chkEnabled = nullptr;
    QSpinBox* spnPort = nullptr;
    QLineEdit* txtAdminPassword = nullptr;
    QLineEdit* txtGuestPassword = nullptr;
    QCheckBox* chkNoGuest = nullptr;
    QLineEdit* txtCertificate = nullptr;
    QLineEdit* txtKey = nullptr;
    QLabel* lblProblem = nullptr;
};
