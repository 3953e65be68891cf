// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SerialPort.h"

#include <QSerialPort>

class QtSerialPort final : public SerialPort
{
    Q_OBJECT
public:
    explicit QtSerialPort(QObject* parent = nullptr);

    bool open(const QString& device, const QString& lineSettings) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    bool write(const QByteArray& bytes) override;
    qint64 bytesPending() const override { return m_port.bytesToWrite(); }
    QString errorString() const override { return m_error; }

private:
    void onError(QSerialPort::SerialPortError error);
    bool lineBroken() const;
    void reportLoss(quint64 session);

    QSerialPort m_port;
    QString m_error;
    // Counts openings, so a loss noticed on an earlier opening is not
    // reported against a later one.
    quint64 m_session = 0;
    bool m_lossNoticed = false;
};
