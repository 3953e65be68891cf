// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The serial line to the mount. Most heads only listen; those that answer
// are heard through received().
class SerialPort : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialPort() override;

    // Opens the device with a line-settings text such as "9600,N,8,1"
    // (baud rate, parity N/E/O/M/S, data bits, stop bits). On failure the
    // port stays closed and errorString() tells why.
    virtual bool open(const QString& device, const QString& lineSettings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Hands the bytes to the line in one write; false when the line refused
    // them. Bytes the device cannot take yet wait in the port.
    virtual bool write(const QByteArray& bytes) = 0;
    // Bytes written that the device has not taken yet.
    virtual qint64 bytesPending() const = 0;
    virtual QString errorString() const = 0;

signals:
    // The device went away or broke (hung up, unplugged, an I/O error).
    // The port has closed itself; errorString() holds the reason.
    void lost(const QString& reason);
    // Every byte written so far has been taken by the device.
    void drained();
    // Bytes that came in from the device.
    void received(const QByteArray& bytes);
};
