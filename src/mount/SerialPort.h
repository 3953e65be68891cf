#pragma once

#include <QByteArray>
#include <QString>

// A serial line the station only writes to.
class SerialPort
{
public:
    virtual ~SerialPort() = default;

    // Opens the device with a line-settings text such as "9600,N,8,1"
    // (baud rate, parity N/E/O/M/S, data bits, stop bits). On failure the
    // port stays closed and errorString() tells why.
    virtual bool open(const QString& device, const QString& lineSettings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Hands the bytes to the line in one write; false when nothing was sent.
    virtual bool write(const QByteArray& bytes) = 0;
    virtual QString errorString() const = 0;
};
