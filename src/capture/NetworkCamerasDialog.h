// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "NetworkCamera.h"

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

// Adds, edits and removes the network cameras. The fields edit the camera
// chosen in the list as they are typed; OK is refused, with the reason,
// while a camera lacks a usable name or address.
class NetworkCamerasDialog final : public QDialog
{
    Q_OBJECT
public:
    NetworkCamerasDialog(QList<NetworkCamera> cameras, QWidget* parent = nullptr);

    QList<NetworkCamera> cameras() const { return m_cameras; }

    void accept() override;

private:
    void buildFields();
    void addCamera();
    void removeCamera();
    void showCamera(int row);
    void takeFields();
    QString problem() const;

    QList<NetworkCamera> m_cameras;
    int m_row = -1;
    QListWidget* m_list = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_address = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    QSpinBox* m_latency = nullptr;
    QPushButton* m_remove = nullptr;
    QLabel* m_problem = nullptr;
};
