#include "MountLink.h"

#include "Durations.h"
#include "LogCategories.h"
#include "SerialPort.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "Texts.h"

#include <algorithm>
#include <utility>

MountLink::MountLink(SerialPort& port, const SettingsStore& store, QObject* parent)
    : QObject(parent)
    , m_port(port)
    , m_store(store)
{
    m_reopen.setInterval(durations::mountReopenInterval);
    m_stall.setInterval(durations::mountStallLimit);
    m_stall.setSingleShot(true);
    connect(&m_reopen, &QTimer::timeout, this, &MountLink::reopen);
    connect(&m_stall, &QTimer::timeout, this, &MountLink::onStalled);
    connect(&m_port, &SerialPort::lost, this, &MountLink::onLost);
    connect(&m_port, &SerialPort::drained, this, &MountLink::onDrained);
}

QString MountLink::defaultDevice(int portNumber)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(portNumber);
#else
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}

QString MountLink::deviceFor(int portNumber) const
{
    const QString key = keys::portKeyPrefix + QString::number(portNumber);
    const QString device = m_store.read(keys::portsSection, key);
    return device.isEmpty() ? defaultDevice(portNumber) : device;
}

QString MountLink::portName() const
{
    return QStringLiteral("COM%1").arg(m_portNumber);
}

void MountLink::SelectPort(int portNumber)
{
    ClosePort();
    m_portNumber = portNumber;
    m_toldNotConnected = false;
    const QString device = deviceFor(portNumber);
    if (!m_port.open(device, lineSettings)) {
        // The reason stays on the status line: commands due meanwhile are
        // held quietly, and the port is tried again until it opens.
        m_line = Line::Down;
        m_reopen.start();
        emit status(texts::couldNotOpenPrefix + portName() + QStringLiteral(": ") +
                    m_port.errorString());
        return;
    }
    m_line = Line::Open;
    qCInfo(kivraMount, "%s open on %s", qPrintable(portName()), qPrintable(device));
}

void MountLink::SendPan(qint16 pan)
{
    send('A', pan);
}

void MountLink::SendTilt(qint16 tilt)
{
    send('B', tilt);
}

void MountLink::SendAcceleration(qint16 acceleration)
{
    send('D', acceleration);
}

void MountLink::ClosePort()
{
    m_reopen.stop();
    m_stall.stop();
    std::fill(std::begin(m_waiting), std::end(m_waiting), std::nullopt);
    m_toldNotReading = false;
    if (m_port.isOpen()) {
        m_port.close();
        qCInfo(kivraMount, "%s closed", qPrintable(portName()));
    }
    m_line = Line::NoneChosen;
}

int MountLink::waitingCommands() const
{
    return int(std::count_if(std::begin(m_waiting), std::end(m_waiting),
                             [](const std::optional<qint16>& v) { return v.has_value(); }));
}

bool MountLink::isOpen() const
{
    return m_port.isOpen();
}

QByteArray MountLink::command(char letter, qint16 value)
{
    return QByteArray(1, letter) + QByteArray::number(value) + '\r';
}

void MountLink::send(char letter, qint16 value)
{
    if (m_line == Line::NoneChosen) {
        if (!m_toldNotConnected) {
            m_toldNotConnected = true;
            emit status(texts::mountNotConnected);
        }
        return;
    }
    const auto slot = std::find(std::begin(sendingOrder), std::end(sendingOrder), letter);
    m_waiting[slot - std::begin(sendingOrder)] = value;
    // A tilt right after its pan joins it, even on a line that is slow to
    // take bytes: the mount never gets half a move.
    const bool completesMove = letter == 'B' && std::exchange(m_lastWritten, 0) == 'A';
    writeWaiting(completesMove);
}

void MountLink::writeWaiting(bool evenIfPending)
{
    m_lastWritten = 0;
    if (m_line != Line::Open)
        return;
    // While the device has not taken the last commands, newer ones wait
    // here, where they can still be replaced, instead of piling up in the
    // port.
    if (evenIfPending || m_port.bytesPending() == 0) {
        for (size_t i = 0; i < std::size(sendingOrder); ++i) {
            const std::optional<qint16> value = std::exchange(m_waiting[i], std::nullopt);
            if (!value)
                continue;
            if (!m_port.write(command(sendingOrder[i], *value))) {
                onLost(m_port.errorString());
                return;
            }
            m_lastWritten = sendingOrder[i];
        }
    }
    if (m_port.bytesPending() > 0 && !m_stall.isActive())
        m_stall.start();
}

void MountLink::onLost(const QString& reason)
{
    if (m_line != Line::Open)
        return;
    m_line = Line::Down;
    m_stall.stop();
    m_toldNotReading = false;
    m_port.close();
    m_reopen.start();
    emit status(texts::mountLost.arg(portName(), reason));
}

void MountLink::onDrained()
{
    m_stall.stop();
    if (m_line != Line::Open)
        return;
    if (m_toldNotReading) {
        m_toldNotReading = false;
        emit status(texts::mountBack.arg(portName()));
    }
    writeWaiting();
}

void MountLink::onStalled()
{
    if (m_line == Line::Open && m_port.bytesPending() > 0 && !m_toldNotReading) {
        m_toldNotReading = true;
        emit status(texts::mountNotReading.arg(portName()));
    }
}

void MountLink::reopen()
{
    if (m_line != Line::Down)
        return;
    if (!m_port.open(deviceFor(m_portNumber), lineSettings))
        return;
    m_line = Line::Open;
    m_reopen.stop();
    emit status(texts::mountBack.arg(portName()));
    // The mount goes straight to the newest position it missed.
    writeWaiting();
}
