// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class CaptureDevice;
class MessageBoxes;
class QComboBox;
class QWidget;

// Keeps the capture-driver list and the capture component in step: the list
// is filled once at start-up, and every change of its selection, by the
// operator or by code, connects that driver or falls back to the previous.
// It also tells the operator when the driver in use breaks or stops
// delivering, and connects it again when its camera is plugged back in.
class DriverList final : public QObject
{
    Q_OBJECT
public:
    DriverList(QComboBox& list, CaptureDevice& capture, MessageBoxes& messages,
               QWidget* messageParent, QObject* parent = nullptr);

    void FillDriverList();
    void SelectDriver();
    // Lists the drivers again after the network cameras changed; running
    // tells whether the driver in use went on running (it stays chosen),
    // else the component's driver is chosen as the operator would.
    void RefreshDriverList(bool running);

signals:
    void status(const QString& text);

private:
    void addEntries();
    void fallBack(int previous);
    void onStartFailed(const QString& reason);
    void onTrouble(const QString& text);
    void onDevicesChanged();

    QComboBox& m_list;
    CaptureDevice& m_capture;
    MessageBoxes& m_messages;
    QWidget* m_messageParent;
    // The driver that was in use before the current one was chosen.
    int m_previous = -1;
    // The current driver broke or stalled and has not delivered since.
    bool m_troubled = false;
    bool m_reconnecting = false;
};
