// SPDX-License-Identifier: GPL-3.0-or-later
#include "MountLink.h"

#include "Durations.h"
#include "LogCategories.h"
#include "SerialPort.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "StationProtocol.h"
#include "Texts.h"

#include <utility>

MountLink::MountLink(SerialPort& port, const SettingsStore& store, QObject* parent)
    : QObject(parent)
    , m_port(port)
    , m_store(store)
    , m_settings(readMountSettings(store))
    , m_protocol(makeMountProtocol(m_settings))
{
    m_reopen.setInterval(durations::mountReopenInterval);
    m_stall.setInterval(durations::mountStallLimit);
    m_stall.setSingleShot(true);
    m_gap.setSingleShot(true);
    // A pause cut short is no pause to a head that counts it.
    m_gap.setTimerType(Qt::PreciseTimer);
    m_answer.setSingleShot(true);
    connect(&m_reopen, &QTimer::timeout, this, &MountLink::reopen);
    connect(&m_stall, &QTimer::timeout, this, &MountLink::onStalled);
    // A tilt whose pan went out before the pause joins it even on a slow
    // line, as it would have without the pause.
    connect(&m_gap, &QTimer::timeout, this, [this] { writeWaiting(m_panWritten); });
    connect(&m_answer, &QTimer::timeout, this, &MountLink::onAnswerMissing);
    connect(&m_port, &SerialPort::lost, this, &MountLink::onLost);
    connect(&m_port, &SerialPort::drained, this, &MountLink::onDrained);
    connect(&m_port, &SerialPort::received, this, &MountLink::onReceived);
}

MountLink::~MountLink() = default;

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
    // The head may have changed with the port.
    m_settings = readMountSettings(m_store);
    m_protocol = makeMountProtocol(m_settings);
    m_portNumber = portNumber;
    m_toldNotConnected = false;
    const QString device = deviceFor(portNumber);
    if (!m_port.open(device, m_settings.lineSettings())) {
        // The reason stays on the status line: commands due meanwhile are
        // held quietly, and the port is tried again until it opens.
        m_line = Line::Down;
        m_reopen.start();
        emit status(texts::couldNotOpenPrefix + portName() + QStringLiteral(": ") +
                    m_port.errorString());
        return;
    }
    qCInfo(kivraMount, "%s open on %s, %s, %s", qPrintable(portName()), qPrintable(device),
           qPrintable(m_settings.lineSettings()),
           qPrintable(MountSettings::protocolName(m_settings.protocol)));
    opened();
}

void MountLink::applySettings()
{
    if (m_line != Line::NoneChosen) {
        SelectPort(m_portNumber);
        return;
    }
    m_settings = readMountSettings(m_store);
    m_protocol = makeMountProtocol(m_settings);
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
    m_gap.stop();
    m_answer.stop();
    m_awaitingAnswer = false;
    m_waiting.clear();
    m_toldNotReading = false;
    if (m_port.isOpen()) {
        m_port.close();
        qCInfo(kivraMount, "%s closed", qPrintable(portName()));
    }
    m_line = Line::NoneChosen;
}

bool MountLink::isOpen() const
{
    return m_port.isOpen();
}

QByteArray MountLink::command(char letter, qint16 value)
{
    return StationProtocol::command(letter, value);
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
    (letter == 'A'   ? m_waiting.pan
     : letter == 'B' ? m_waiting.tilt
                     : m_waiting.acceleration) = value;
    // A tilt right after its pan joins it, even on a line that is slow to
    // take bytes: the mount never gets half a move.
    const bool completesMove = letter == 'B' && std::exchange(m_panWritten, false);
    writeWaiting(completesMove);
}

bool MountLink::mayWrite() const
{
    return m_line == Line::Open && !m_awaitingAnswer && !m_gap.isActive();
}

void MountLink::writeWaiting(bool evenIfPending)
{
    m_panWritten = false;
    // While the device has not taken the last commands, newer ones wait
    // here, where they can still be replaced, instead of piling up in the
    // port.
    if (mayWrite() && (evenIfPending || m_port.bytesPending() == 0)) {
        while (mayWrite()) {
            const bool panWaits = m_waiting.pan.has_value();
            const QByteArray frame = m_protocol->nextFrame(m_waiting);
            if (frame.isEmpty())
                break;
            if (!m_port.write(frame)) {
                onLost(m_port.errorString());
                return;
            }
            m_panWritten = panWaits && !m_waiting.pan;
            if (m_protocol->awaitsAnswer()) {
                m_awaitingAnswer = true;
                m_answer.start(durations::mountAnswerLimit);
            } else if (m_settings.gap.count() > 0) {
                m_gap.start(m_settings.gap);
            }
        }
    }
    if (m_line == Line::Open && m_port.bytesPending() > 0 && !m_stall.isActive())
        m_stall.start();
}

void MountLink::opened()
{
    m_line = Line::Open;
    m_protocol->reset();
    writeWaiting();
}

void MountLink::onReceived(const QByteArray& bytes)
{
    if (m_line != Line::Open)
        return;
    for (const MountAnswer& answer : m_protocol->read(bytes)) {
        switch (answer.kind) {
        case MountAnswer::Kind::Accepted:
            m_answer.start(durations::mountMoveLimit);
            break;
        case MountAnswer::Kind::Completed:
            m_toldProblem.clear();
            commandOver();
            break;
        case MountAnswer::Kind::Refused:
            tellProblem(texts::mountRefused.arg(portName(), answer.problem));
            commandOver();
            break;
        }
    }
}

void MountLink::onAnswerMissing()
{
    m_protocol->answerMissing();
    tellProblem(texts::mountNoAnswer.arg(portName()));
    commandOver();
}

void MountLink::commandOver()
{
    if (!std::exchange(m_awaitingAnswer, false))
        return;
    m_answer.stop();
    if (m_settings.gap.count() > 0)
        m_gap.start(m_settings.gap);
    writeWaiting();
}

void MountLink::tellProblem(const QString& text)
{
    if (text == m_toldProblem)
        return;
    m_toldProblem = text;
    emit status(text);
}

void MountLink::onLost(const QString& reason)
{
    if (m_line != Line::Open)
        return;
    m_line = Line::Down;
    m_stall.stop();
    m_gap.stop();
    m_answer.stop();
    m_awaitingAnswer = false;
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
    if (!m_port.open(deviceFor(m_portNumber), m_settings.lineSettings()))
        return;
    m_reopen.stop();
    emit status(texts::mountBack.arg(portName()));
    // The mount goes straight to the newest position it missed.
    opened();
}
