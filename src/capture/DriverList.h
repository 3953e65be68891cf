#pragma once

#include <QObject>

class CaptureDevice;
class MessageBoxes;
class QComboBox;
class QWidget;

// Keeps the capture-driver list and the capture component in step: the list
// is filled once at start-up, and every change of its selection, by the
// operator or by code, connects that driver or falls back to the previous.
class DriverList final : public QObject
{
    Q_OBJECT
public:
    DriverList(QComboBox& list, CaptureDevice& capture, MessageBoxes& messages,
               QWidget* messageParent, QObject* parent = nullptr);

    void FillDriverList();
    void SelectDriver();

signals:
    void status(const QString& text);

private:
    QComboBox& m_list;
    CaptureDevice& m_capture;
    MessageBoxes& m_messages;
    QWidget* m_messageParent;
};
