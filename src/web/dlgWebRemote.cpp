// SPDX-License-Identifier: GPL-3.0-or-later
#include "dlgWebRemote.h"

#include "PasswordHash.h"
#include "QrCode.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr qsizetype shortestPassword = 8;

QLineEdit* passwordField(QWidget* parent, const char* name, bool isSet)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setEchoMode(QLineEdit::Password);
    field->setPlaceholderText(isSet ? QStringLiteral("(unchanged)") : QStringLiteral("(not set)"));
    return field;
}

// Links for the addresses; each text is escaped, whatever the system
// calls itself.
QString addressLinks(const QStringList& addresses)
{
    if (addresses.isEmpty())
        return QStringLiteral("(the remote is off)");
    QStringList links;
    for (const QString& address : addresses) {
        const QString escaped = address.toHtmlEscaped();
        links.append(QStringLiteral("<a href=\"%1\">%1</a>").arg(escaped));
    }
    return links.join(QStringLiteral("<br>"));
}

} // namespace

dlgWebRemote::dlgWebRemote(const WebSettings& current, const Shown& shown, QWidget* parent)
    : QDialog(parent)
    , m_chosen(current)
{
    setObjectName(QStringLiteral("dlgWebRemote"));
    setWindowTitle(QStringLiteral("Web Remote"));
    build(shown);
}

void dlgWebRemote::build(const Shown& shown)
{
    auto* form = new QFormLayout;
    chkEnabled = new QCheckBox(QStringLiteral("Web remote on"), this);
    chkEnabled->setObjectName(QStringLiteral("chkEnabled"));
    chkEnabled->setChecked(m_chosen.enabled);
    form->addRow(chkEnabled);
    spnPort = new QSpinBox(this);
    spnPort->setObjectName(QStringLiteral("spnPort"));
    spnPort->setRange(WebSettings::lowestPort, 65535);
    spnPort->setValue(m_chosen.port);
    form->addRow(QStringLiteral("Port:"), spnPort);
    txtAdminPassword = passwordField(this, "txtAdminPassword", !m_chosen.adminHash.isEmpty());
    form->addRow(QStringLiteral("Admin password:"), txtAdminPassword);
    txtGuestPassword = passwordField(this, "txtGuestPassword", !m_chosen.guestHash.isEmpty());
    form->addRow(QStringLiteral("Guest password:"), txtGuestPassword);
    chkNoGuest = new QCheckBox(QStringLiteral("No guests"), this);
    chkNoGuest->setObjectName(QStringLiteral("chkNoGuest"));
    chkNoGuest->setChecked(m_chosen.guestHash.isEmpty());
    connect(txtGuestPassword, &QLineEdit::textEdited, chkNoGuest,
            [this] { chkNoGuest->setChecked(false); });
    form->addRow(chkNoGuest);
    txtCertificate = new QLineEdit(m_chosen.certificate, this);
    txtCertificate->setObjectName(QStringLiteral("txtCertificate"));
    txtCertificate->setPlaceholderText(QStringLiteral("(the station's own)"));
    form->addRow(QStringLiteral("Certificate file:"), txtCertificate);
    txtKey = new QLineEdit(m_chosen.key, this);
    txtKey->setObjectName(QStringLiteral("txtKey"));
    txtKey->setPlaceholderText(QStringLiteral("(the station's own)"));
    form->addRow(QStringLiteral("Key file:"), txtKey);

    auto* addresses = new QLabel(addressLinks(shown.addresses), this);
    addresses->setObjectName(QStringLiteral("lblAddresses"));
    addresses->setTextFormat(Qt::RichText);
    addresses->setOpenExternalLinks(true);
    form->addRow(QStringLiteral("Open on the phone:"), addresses);
    auto* codes = new QHBoxLayout;
    for (const QString& address : shown.addresses) {
        auto* code = new QLabel(this);
        code->setObjectName(QStringLiteral("qrAddress"));
        code->setPixmap(QPixmap::fromImage(qrcode::image(address, 3)));
        code->setToolTip(address);
        code->setAccessibleName(address);
        codes->addWidget(code);
    }
    codes->addStretch();
    form->addRow(codes);
    auto* fingerprint = new QLabel(shown.fingerprint, this);
    fingerprint->setObjectName(QStringLiteral("lblFingerprint"));
    fingerprint->setTextFormat(Qt::PlainText);
    fingerprint->setWordWrap(true);
    fingerprint->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QStringLiteral("SHA-256 fingerprint:"), fingerprint);
    auto* sessions = new QListWidget(this);
    sessions->setObjectName(QStringLiteral("lstSignedIn"));
    for (const WebSessions::Session& s : shown.signedIn)
        sessions->addItem(QStringLiteral("%1 from %2").arg(roleName(s.role), s.address));
    form->addRow(QStringLiteral("Signed in:"), sessions);

    lblProblem = new QLabel(this);
    lblProblem->setObjectName(QStringLiteral("lblProblem"));
    lblProblem->setTextFormat(Qt::PlainText);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lblProblem);
    layout->addWidget(buttons);
}

QString dlgWebRemote::refusal() const
{
    const QString admin = txtAdminPassword->text();
    const QString guest = chkNoGuest->isChecked() ? QString() : txtGuestPassword->text();
    for (const QString& typed : {admin, guest})
        if (!typed.isEmpty() && typed.size() < shortestPassword)
            return QStringLiteral("A password needs at least %1 characters.").arg(shortestPassword);
    if (chkEnabled->isChecked() && admin.isEmpty() && m_chosen.adminHash.isEmpty())
        return QStringLiteral("Set an admin password to turn the remote on.");
    if (txtCertificate->text().trimmed().isEmpty() != txtKey->text().trimmed().isEmpty())
        return QStringLiteral("Give both the certificate and the key file, or neither.");
    return {};
}

void dlgWebRemote::accept()
{
    if (const QString why = refusal(); !why.isEmpty()) {
        lblProblem->setText(why);
        return;
    }
    WebSettings chosen = m_chosen;
    chosen.enabled = chkEnabled->isChecked();
    chosen.port = spnPort->value();
    chosen.certificate = txtCertificate->text().trimmed();
    chosen.key = txtKey->text().trimmed();
    if (!txtAdminPassword->text().isEmpty())
        chosen.adminHash = passwordhash::make(txtAdminPassword->text().toUtf8());
    if (chkNoGuest->isChecked())
        chosen.guestHash.clear();
    else if (!txtGuestPassword->text().isEmpty())
        chosen.guestHash = passwordhash::make(txtGuestPassword->text().toUtf8());
    m_chosen = chosen;
    QDialog::accept();
}
