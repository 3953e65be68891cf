// SPDX-License-Identifier: GPL-3.0-or-later
#include "NetworkCamerasDialog.h"

#include "Texts.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

template <typename Widget> Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

NetworkCamerasDialog::NetworkCamerasDialog(QList<NetworkCamera> cameras, QWidget* parent)
    : QDialog(parent)
    , m_cameras(std::move(cameras))
{
    setObjectName(QStringLiteral("dlgNetworkCameras"));
    setWindowTitle(texts::networkCamerasCaption);
    buildFields();
    for (const NetworkCamera& camera : std::as_const(m_cameras))
        m_list->addItem(camera.name);
    connect(m_list, &QListWidget::currentRowChanged, this, &NetworkCamerasDialog::showCamera);
    m_list->setCurrentRow(m_cameras.isEmpty() ? -1 : 0);
    showCamera(m_list->currentRow());
}

void NetworkCamerasDialog::buildFields()
{
    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    m_list = named(new QListWidget(this), "lstCameras");
    left->addWidget(m_list);
    auto* add = named(new QPushButton(tr("Add"), this), "cmdAdd");
    m_remove = named(new QPushButton(tr("Remove"), this), "cmdRemove");
    left->addWidget(add);
    left->addWidget(m_remove);
    columns->addLayout(left);

    auto* form = new QFormLayout;
    m_name = named(new QLineEdit(this), "txtName");
    m_address = named(new QLineEdit(this), "txtAddress");
    m_address->setPlaceholderText(QStringLiteral("rtsp://192.168.1.20:554/stream1"));
    m_address->setToolTip(tr("rtsp://, or http:// or https:// for an MJPEG stream"));
    m_user = named(new QLineEdit(this), "txtUser");
    m_password = named(new QLineEdit(this), "txtPassword");
    m_password->setEchoMode(QLineEdit::Password);
    m_latency = named(new QSpinBox(this), "spnLatency");
    m_latency->setRange(0, 10000);
    m_latency->setSuffix(QStringLiteral(" ms"));
    m_latency->setToolTip(tr("How long an RTSP stream is held to even out the network"));
    form->addRow(tr("Name"), m_name);
    form->addRow(tr("Address"), m_address);
    form->addRow(tr("User"), m_user);
    form->addRow(tr("Password"), m_password);
    form->addRow(tr("Latency"), m_latency);
    columns->addLayout(form);
    layout->addLayout(columns);

    m_problem = named(new QLabel(this), "lblProblem");
    layout->addWidget(m_problem);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(add, &QPushButton::clicked, this, &NetworkCamerasDialog::addCamera);
    connect(m_remove, &QPushButton::clicked, this, &NetworkCamerasDialog::removeCamera);
    for (QLineEdit* field : {m_name, m_address, m_user, m_password})
        connect(field, &QLineEdit::textEdited, this, &NetworkCamerasDialog::takeFields);
    connect(m_latency, &QSpinBox::valueChanged, this, &NetworkCamerasDialog::takeFields);
}

void NetworkCamerasDialog::addCamera()
{
    NetworkCamera camera;
    for (int n = int(m_cameras.size()) + 1;; ++n) {
        camera.name = tr("Camera %1").arg(n);
        if (std::none_of(m_cameras.cbegin(), m_cameras.cend(),
                         [&](const NetworkCamera& c) { return c.name == camera.name; }))
            break;
    }
    m_cameras.append(camera);
    m_list->addItem(camera.name);
    m_list->setCurrentRow(int(m_cameras.size()) - 1);
    m_address->setFocus();
}

void NetworkCamerasDialog::removeCamera()
{
    if (m_row < 0)
        return;
    const int row = m_row;
    m_cameras.removeAt(row);
    delete m_list->takeItem(row);
    showCamera(m_list->currentRow());
}

void NetworkCamerasDialog::showCamera(int row)
{
    m_row = row >= 0 && row < m_cameras.size() ? row : -1;
    const NetworkCamera shown = m_row >= 0 ? m_cameras[m_row] : NetworkCamera{};
    const QSignalBlocker blocker(m_latency);
    m_name->setText(shown.name);
    m_address->setText(shown.address);
    m_user->setText(shown.user);
    m_password->setText(shown.password);
    m_latency->setValue(shown.latency);
    for (QWidget* field : {static_cast<QWidget*>(m_name), static_cast<QWidget*>(m_address),
                           static_cast<QWidget*>(m_user), static_cast<QWidget*>(m_password),
                           static_cast<QWidget*>(m_latency), static_cast<QWidget*>(m_remove)})
        field->setEnabled(m_row >= 0);
}

void NetworkCamerasDialog::takeFields()
{
    if (m_row < 0)
        return;
    NetworkCamera& camera = m_cameras[m_row];
    camera.name = m_name->text();
    camera.address = m_address->text().trimmed();
    camera.user = m_user->text();
    camera.password = m_password->text();
    camera.latency = m_latency->value();
    m_list->item(m_row)->setText(camera.name);
    m_problem->clear();
}

QString NetworkCamerasDialog::problem() const
{
    for (qsizetype i = 0; i < m_cameras.size(); ++i) {
        const NetworkCamera& camera = m_cameras[i];
        QString why = networkcameras::nameProblem(camera.name);
        if (why.isEmpty())
            why = networkcameras::addressProblem(camera.address);
        for (qsizetype j = 0; why.isEmpty() && j < i; ++j) {
            if (m_cameras[j].name == camera.name)
                why = tr("two cameras have this name");
        }
        if (!why.isEmpty())
            return QStringLiteral("%1: %2").arg(camera.name, why);
    }
    return {};
}

void NetworkCamerasDialog::accept()
{
    const QString why = problem();
    m_problem->setText(why);
    if (why.isEmpty())
        QDialog::accept();
}
