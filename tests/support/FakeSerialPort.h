// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SerialPort.h"

#include <QList>
#include <QSet>

// A serial port that records what it was asked to do.
class FakeSerialPort final : public SerialPort
{
public:
    bool open(const QString& device, const QString& lineSettings) override
    {
        events.append(QStringLiteral("open %1 %2").arg(device, lineSettings));
        if (failingDevices.contains(device)) {
            m_open = false;
            return false;
        }
        m_open = true;
        return true;
    }
    void close() override
    {
        if (m_open)
            events.append(QStringLiteral("close"));
        m_open = false;
    }
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray& bytes) override
    {
        if (!m_open)
            return false;
        written.append(bytes);
        return true;
    }
    // The device takes every byte at once.
    qint64 bytesPending() const override { return 0; }
    QString errorString() const override { return QStringLiteral("No such file or directory"); }

    QStringList events;
    QList<QByteArray> written;
    QSet<QString> failingDevices;

private:
    bool m_open = false;
};
