// SPDX-License-Identifier: GPL-3.0-or-later
#include "ViscaProtocol.h"

#include "LogCategories.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr char terminator = char(0xFF);
// Longer than any answer the station asks for; a run without a terminator
// past this is noise.
constexpr qsizetype longestAnswer = 16;

bool startsFrame(char byte)
{
    return (quint8(byte) & 0x80) != 0 && byte != terminator;
}

void appendNibbles(QByteArray& bytes, qint16 value)
{
    const quint16 bits = quint16(value);
    for (int shift = 12; shift >= 0; shift -= 4)
        bytes.append(char((bits >> shift) & 0x0F));
}

} // namespace

ViscaProtocol::ViscaProtocol(const MountSettings& settings)
    : m_settings(settings)
    , m_speeds(speeds(2))
{}

QByteArray ViscaProtocol::addressSet()
{
    return QByteArray::fromHex("883001FF");
}

QByteArray ViscaProtocol::interfaceClear()
{
    return QByteArray::fromHex("88010001FF");
}

QByteArray ViscaProtocol::absoluteMove(quint8 address, quint8 panSpeed, quint8 tiltSpeed,
                                       qint16 pan, qint16 tilt)
{
    QByteArray bytes;
    bytes.reserve(15);
    for (quint8 b :
         {quint8(0x80 | address), quint8(0x01), quint8(0x06), quint8(0x02), panSpeed, tiltSpeed})
        bytes.append(char(b));
    appendNibbles(bytes, pan);
    appendNibbles(bytes, tilt);
    bytes.append(terminator);
    return bytes;
}

std::pair<quint8, quint8> ViscaProtocol::speeds(qint16 acceleration)
{
    if (acceleration <= 1)
        return {0x18, 0x14};
    return acceleration == 2 ? std::pair<quint8, quint8>{0x0C, 0x0A}
                             : std::pair<quint8, quint8>{0x04, 0x03};
}

qint16 ViscaProtocol::units(double degrees) const
{
    const double u = std::round(degrees * m_settings.unitsPerDegree);
    return qint16(std::clamp(u, double(std::numeric_limits<qint16>::min()),
                             double(std::numeric_limits<qint16>::max())));
}

void ViscaProtocol::reset()
{
    m_greetingSent = 0;
    m_inFlight = InFlight::Nothing;
    m_received.clear();
}

QByteArray ViscaProtocol::nextFrame(MountCommands& waiting)
{
    if (m_greetingSent == 0) {
        ++m_greetingSent;
        m_inFlight = InFlight::AddressSet;
        return addressSet();
    }
    if (m_greetingSent == 1) {
        ++m_greetingSent;
        m_inFlight = InFlight::InterfaceClear;
        return interfaceClear();
    }
    if (waiting.acceleration)
        m_speeds = speeds(*std::exchange(waiting.acceleration, std::nullopt));
    // A move is a pan and then its tilt: the pan waits for the tilt, so
    // the head gets one move rather than two.
    if (!waiting.tilt)
        return {};
    m_pan = std::exchange(waiting.pan, std::nullopt).value_or(m_pan);
    m_tilt = std::exchange(waiting.tilt, std::nullopt).value_or(m_tilt);
    m_inFlight = InFlight::Move;
    return absoluteMove(quint8(m_settings.address), m_speeds.first, m_speeds.second,
                        units(m_settings.panDegrees(m_pan)), units(m_settings.tiltDegrees(m_tilt)));
}

QList<MountAnswer> ViscaProtocol::read(const QByteArray& bytes)
{
    m_received += bytes;
    QList<MountAnswer> answers;
    for (;;) {
        // Whatever precedes a frame's first byte is no answer.
        const auto start = std::find_if(m_received.begin(), m_received.end(), startsFrame);
        m_received.remove(0, start - m_received.begin());
        if (m_received.isEmpty())
            break;
        const qsizetype end = m_received.indexOf(terminator);
        const auto nextStart = std::find_if(m_received.begin() + 1, m_received.end(), startsFrame);
        const qsizetype restarts = nextStart - m_received.begin();
        if (end < 0 || restarts < end) {
            // Cut short by a new frame, or no end in sight: skipped.
            if (restarts < m_received.size() || m_received.size() > longestAnswer) {
                qCDebug(kivraMount)
                    << "Skipped from the mount:" << m_received.left(restarts).toHex(' ');
                m_received.remove(0, restarts);
                continue;
            }
            break;
        }
        const QByteArray frame = m_received.left(end + 1);
        m_received.remove(0, end + 1);
        if (const std::optional<MountAnswer> a = answer(frame))
            answers.append(*a);
    }
    return answers;
}

std::optional<MountAnswer> ViscaProtocol::answer(const QByteArray& frame)
{
    const quint8 header = quint8(frame[0]);
    // From the controller's address: our own bytes handed back by a two-wire
    // adapter, or a broadcast that went round the chain.
    if ((header & 0x70) == 0)
        return broadcastAnswer(frame);
    if (header != quint8(0x80 | (m_settings.address << 4)) || m_inFlight != InFlight::Move)
        return std::nullopt;
    const quint8 kind = quint8(frame[1]) & 0xF0;
    if (frame.size() == 3 && kind == 0x40)
        return MountAnswer{MountAnswer::Kind::Accepted, {}};
    if (frame.size() == 3 && kind == 0x50) {
        m_inFlight = InFlight::Nothing;
        return MountAnswer{MountAnswer::Kind::Completed, {}};
    }
    if (frame.size() == 4 && kind == 0x60)
        return refusal(quint8(frame[2]));
    qCDebug(kivraMount) << "Skipped from the mount:" << frame.toHex(' ');
    return std::nullopt;
}

std::optional<MountAnswer> ViscaProtocol::broadcastAnswer(const QByteArray& frame)
{
    // The address set comes back with the next free address (2 and up);
    // with 01 it is only our own frame.
    const bool addressed =
        frame.size() == 4 && quint8(frame[0]) == 0x88 && frame[1] == 0x30 && quint8(frame[2]) >= 2;
    const bool cleared = frame == interfaceClear();
    if ((m_inFlight == InFlight::AddressSet && addressed) ||
        (m_inFlight == InFlight::InterfaceClear && cleared)) {
        m_inFlight = InFlight::Nothing;
        return MountAnswer{MountAnswer::Kind::Completed, {}};
    }
    return std::nullopt;
}

std::optional<MountAnswer> ViscaProtocol::refusal(quint8 code)
{
    m_inFlight = InFlight::Nothing;
    QString problem;
    switch (code) {
    case 0x02:
        problem = QStringLiteral("syntax error");
        break;
    case 0x03:
        // Another controller on the chain keeps the head busy; the next
        // move the station sends tries again.
        problem = QStringLiteral("buffer full");
        break;
    case 0x41:
        problem = QStringLiteral("not executable");
        break;
    default:
        problem = QStringLiteral("error %1").arg(code, 2, 16, QLatin1Char('0'));
    }
    return MountAnswer{MountAnswer::Kind::Refused, problem};
}
