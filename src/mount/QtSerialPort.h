#pragma once

#include "SerialPort.h"

#include <QSerialPort>

class QtSerialPort final : public SerialPort
{
public:
    QtSerialPort() = default;

    bool open(const QString& device, const QString& lineSettings) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    bool write(const QByteArray& bytes) override;
    QString errorString() const override { return m_error; }

private:
    QSerialPort m_port;
    QString m_error;
};
