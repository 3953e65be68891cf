// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtSerialPort.h"

#include <QStringList>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace {

struct LineSettings
{
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

bool parseLineSettings(const QString& text, LineSettings* out)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    bool ok = false;
    out->baudRate = parts[0].trimmed().toInt(&ok);
    if (!ok || out->baudRate <= 0)
        return false;

    const QString parity = parts[1].trimmed().toUpper();
    if (parity == QLatin1String("N"))
        out->parity = QSerialPort::NoParity;
    else if (parity == QLatin1String("E"))
        out->parity = QSerialPort::EvenParity;
    else if (parity == QLatin1String("O"))
        out->parity = QSerialPort::OddParity;
    else if (parity == QLatin1String("M"))
        out->parity = QSerialPort::MarkParity;
    else if (parity == QLatin1String("S"))
        out->parity = QSerialPort::SpaceParity;
    else
        return false;

    const int bits = parts[2].trimmed().toInt(&ok);
    if (!ok || bits < 5 || bits > 8)
        return false;
    out->dataBits = QSerialPort::DataBits(bits);

    const QString stop = parts[3].trimmed();
    if (stop == QLatin1String("1"))
        out->stopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("1.5"))
        out->stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == QLatin1String("2"))
        out->stopBits = QSerialPort::TwoStop;
    else
        return false;
    return true;
}

} // namespace

QtSerialPort::QtSerialPort(QObject* parent)
    : SerialPort(parent)
{
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
    connect(&m_port, &QSerialPort::bytesWritten, this, [this] {
        if (m_port.bytesToWrite() == 0)
            emit drained();
    });
    connect(&m_port, &QSerialPort::readyRead, this, [this] {
        const QByteArray bytes = m_port.readAll();
        if (!bytes.isEmpty())
            emit received(bytes);
    });
}

bool QtSerialPort::open(const QString& device, const QString& lineSettings)
{
    close();
    LineSettings settings;
    if (!parseLineSettings(lineSettings, &settings)) {
        m_error = QStringLiteral("unsupported line settings \"%1\"").arg(lineSettings);
        return false;
    }
    m_port.setPortName(device);
    // Some heads answer (VISCA); for the others what comes in is dropped.
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_error = m_port.errorString();
        return false;
    }
    // Flow control and modem lines stay at the port's defaults on purpose.
    const bool configured =
        m_port.setBaudRate(settings.baudRate) && m_port.setParity(settings.parity) &&
        m_port.setDataBits(settings.dataBits) && m_port.setStopBits(settings.stopBits);
    if (!configured) {
        m_error = m_port.errorString();
        m_port.close();
        return false;
    }
    m_error.clear();
    return true;
}

void QtSerialPort::close()
{
    ++m_session;
    m_lossNoticed = false;
    if (m_port.isOpen())
        m_port.close();
}

bool QtSerialPort::write(const QByteArray& bytes)
{
    if (!m_port.isOpen() || m_lossNoticed)
        return false;
    if (m_port.write(bytes) != bytes.size()) {
        m_error = m_port.errorString();
        return false;
    }
    // Push the bytes out now rather than at the next event-loop turn, so a
    // pan and a tilt leave in the order they were written, back to back.
    // A device that cannot take them yet gets them when it can.
    m_port.flush();
    return !m_lossNoticed;
}

void QtSerialPort::onError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || !m_port.isOpen() ||
        m_lossNoticed)
        return;
    // A full output queue shows as a resource error too ("temporarily
    // unavailable"); only a line that is really gone counts as lost.
    if (error == QSerialPort::ResourceError && !lineBroken()) {
        m_port.clearError();
        return;
    }
    m_error = m_port.errorString();
    m_lossNoticed = true;
    // The port is in the middle of its own write here: it is closed once
    // that has unwound, which also ends the write attempts of a dead line.
    QMetaObject::invokeMethod(
        this, [this, session = m_session] { reportLoss(session); }, Qt::QueuedConnection);
}

bool QtSerialPort::lineBroken() const
{
#ifdef Q_OS_UNIX
    pollfd line{int(m_port.handle()), POLLOUT, 0};
    return ::poll(&line, 1, 0) > 0 && (line.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    return true;
#endif
}

void QtSerialPort::reportLoss(quint64 session)
{
    if (session != m_session)
        return;
    const QString reason = m_error;
    close();
    m_error = reason;
    emit lost(reason);
}
