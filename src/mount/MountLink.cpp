#include "MountLink.h"

#include "SerialPort.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "Texts.h"

MountLink::MountLink(SerialPort& port, const SettingsStore& store, QObject* parent)
    : QObject(parent)
    , m_port(port)
    , m_store(store)
{}

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

void MountLink::SelectPort(int portNumber)
{
    if (m_port.isOpen())
        m_port.close();
    m_portNumber = portNumber;
    if (!m_port.open(deviceFor(portNumber), lineSettings)) {
        emit status(texts::couldNotOpenPrefix + QStringLiteral("COM%1: ").arg(portNumber) +
                    m_port.errorString());
        return;
    }
    m_toldNotConnected = false;
    m_toldWriteFailed = false;
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
    m_port.close();
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
    if (!m_port.isOpen()) {
        if (!m_toldNotConnected) {
            m_toldNotConnected = true;
            emit status(texts::mountNotConnected);
        }
        return;
    }
    if (m_port.write(command(letter, value))) {
        m_toldWriteFailed = false;
    } else if (!m_toldWriteFailed) {
        m_toldWriteFailed = true;
        emit status(texts::mountWriteFailed + m_port.errorString());
    }
}
