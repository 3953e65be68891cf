// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimulatedHead.h"

#include "PseudoTerminal.h"

#include <QSocketNotifier>
#include <QTimer>

#include <unistd.h>

namespace {

QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

quint8 at(const QByteArray& bytes, qsizetype i)
{
    return quint8(bytes[i]);
}

// Hundredths of a degree, 0 to 35999; the upper half counts back from 360
// (left of zero, below the horizon).
double pelcoDegrees(quint8 high, quint8 low)
{
    const int hundredths = high << 8 | low;
    return (hundredths > 18000 ? hundredths - 36000 : hundredths) / 100.0;
}

} // namespace

SimulatedHead::SimulatedHead(PseudoTerminal& line, Protocol protocol, int address,
                             double unitsPerDegree)
    : m_line(line)
    , m_protocol(protocol)
    , m_address(address)
    , m_unitsPerDegree(unitsPerDegree)
    , m_notifier(new QSocketNotifier(line.masterHandle(), QSocketNotifier::Read, this))
{
    m_clock.start();
    connect(m_notifier, &QSocketNotifier::activated, this, &SimulatedHead::onReadable);
}

SimulatedHead::~SimulatedHead() = default;

void SimulatedHead::onReadable()
{
    m_buffer += m_line.readAvailable();
    parse();
}

void SimulatedHead::parse()
{
    for (;;) {
        qsizetype used = 0;
        switch (m_protocol) {
        case Protocol::PelcoD:
            used = takePelco(7);
            break;
        case Protocol::PelcoP:
            used = takePelco(8);
            break;
        case Protocol::Visca:
            used = takeVisca();
            break;
        }
        if (used == 0)
            return;
        m_buffer.remove(0, used);
    }
}

// Pelco-D: FF, address, cmd1, cmd2, data1, data2, sum of bytes 2 to 6.
// Pelco-P: A0, address less one, cmd1, cmd2, data1, data2, AF, xor of 1 to 7.
qsizetype SimulatedHead::takePelco(qsizetype length)
{
    const bool d = length == 7;
    const char start = char(d ? 0xFF : 0xA0);
    const qsizetype first = m_buffer.indexOf(start);
    if (first != 0) {
        if (!m_buffer.isEmpty())
            faults.append(QStringLiteral("bytes outside a frame: ") +
                          hex(m_buffer.left(first < 0 ? m_buffer.size() : first)));
        return first < 0 ? m_buffer.size() : first;
    }
    if (m_buffer.size() < length)
        return 0;
    const QByteArray frame = m_buffer.left(length);
    quint8 check = 0;
    for (qsizetype i = d ? 1 : 0; i < length - 1; ++i)
        check = d ? quint8(check + at(frame, i)) : quint8(check ^ at(frame, i));
    const int address = d ? at(frame, 1) : at(frame, 1) + 1;
    if (check != at(frame, length - 1) || (!d && at(frame, 6) != 0xAF) || address != m_address) {
        faults.append(QStringLiteral("bad frame: ") + hex(frame));
        return 1;
    }
    frames.append(frame);
    arrivals.append(m_clock.elapsed());
    pelcoCommand(at(frame, 2), at(frame, 3), at(frame, 4), at(frame, 5));
    return length;
}

void SimulatedHead::pelcoCommand(quint8 cmd1, quint8 cmd2, quint8 data1, quint8 data2)
{
    const bool position = cmd1 == 0 && (cmd2 == 0x4B || cmd2 == 0x4D);
    if (position && (data1 << 8 | data2) > 35999) {
        faults.append(QStringLiteral("position out of range"));
        return;
    }
    if (cmd1 == 0 && cmd2 == 0x4B) {
        m_pan = pelcoDegrees(data1, data2);
    } else if (cmd1 == 0 && cmd2 == 0x4D) {
        visited.append({m_pan, pelcoDegrees(data1, data2)});
    } else if (cmd1 == 0 && cmd2 == 0x00) {
        if (data1 > 0x3F || data2 > 0x3F)
            faults.append(QStringLiteral("speed out of range"));
        panSpeed = data1;
        tiltSpeed = data2;
    } else {
        faults.append(QStringLiteral("unexpected command %1 %2").arg(cmd1).arg(cmd2));
    }
}

// VISCA: a header byte 8x (x the receiver, 8 all), message bytes below 80,
// FF at the end; at most 16 bytes.
qsizetype SimulatedHead::takeVisca()
{
    if (m_buffer.isEmpty())
        return 0;
    if ((at(m_buffer, 0) & 0xF0) != 0x80) {
        faults.append(QStringLiteral("no header: ") + hex(m_buffer.left(1)));
        return 1;
    }
    const qsizetype end = m_buffer.indexOf(char(0xFF));
    if (end < 0)
        return m_buffer.size() > 16 ? m_buffer.size() : 0;
    const QByteArray frame = m_buffer.left(end + 1);
    if (frame.size() < 3 || frame.size() > 16) {
        faults.append(QStringLiteral("bad length: ") + hex(frame));
        return end + 1;
    }
    frames.append(frame);
    arrivals.append(m_clock.elapsed());
    viscaCommand(frame);
    return end + 1;
}

void SimulatedHead::viscaCommand(const QByteArray& frame)
{
    if (frame == QByteArray::fromHex("883001FF")) {
        addressSet = true;
        reply(QByteArray::fromHex("883002FF"));
    } else if (frame == QByteArray::fromHex("88010001FF")) {
        interfaceCleared = true;
        m_busy = false;
        reply(frame);
    } else if (at(frame, 0) != (0x80 | m_address)) {
        faults.append(QStringLiteral("wrong address: ") + hex(frame));
    } else if (frame.size() == 15 &&
               frame.startsWith(QByteArray::fromHex("010602").prepend(frame[0]))) {
        viscaMove(frame);
    } else {
        faults.append(QStringLiteral("unknown command: ") + hex(frame));
        reply(QByteArray(1, char(0x80 | (m_address + 8) << 4)) + QByteArray::fromHex("6002FF"));
    }
}

void SimulatedHead::viscaMove(const QByteArray& frame)
{
    if (!addressSet || !interfaceCleared)
        faults.append(QStringLiteral("move before the address set and interface clear"));
    if (m_busy)
        faults.append(QStringLiteral("move while the last one runs"));
    const int vv = at(frame, 4);
    const int ww = at(frame, 5);
    if (vv < 0x01 || vv > 0x18 || ww < 0x01 || ww > 0x14)
        faults.append(QStringLiteral("speed out of range: ") + hex(frame));
    qint16 position[2] = {};
    for (int axis = 0; axis < 2; ++axis) {
        quint16 bits = 0;
        for (int i = 0; i < 4; ++i) {
            const quint8 nibble = at(frame, 6 + 4 * axis + i);
            if (nibble > 0x0F)
                faults.append(QStringLiteral("not a nibble: ") + hex(frame));
            bits = quint16(bits << 4 | (nibble & 0x0F));
        }
        position[axis] = qint16(bits);
    }
    const char z = char(0x80 | (m_address + 8) << 4);
    if (answer == Answer::EchoFirst)
        reply(frame);
    if (answer == Answer::Nothing)
        return;
    if (answer == Answer::Error) {
        reply(QByteArray(1, z) + char(0x60 | (errorCode == 0x41 ? 1 : 0)) + char(errorCode) +
              char(0xFF));
        return;
    }
    panSpeed = vv;
    tiltSpeed = ww;
    m_busy = true;
    reply(QByteArray(1, z) + QByteArray::fromHex("41FF"));
    const Position target{position[0] / m_unitsPerDegree, position[1] / m_unitsPerDegree};
    QTimer::singleShot(moveTime, this, [this, target, z] {
        m_busy = false;
        visited.append(target);
        reply(QByteArray(1, z) + QByteArray::fromHex("51FF"));
    });
}

void SimulatedHead::reply(const QByteArray& bytes)
{
    m_line.write(bytes);
}

bool sameAngles(const SimulatedHead::Position& a, const SimulatedHead::Position& b)
{
    return qAbs(a.pan - b.pan) < 0.04 && qAbs(a.tilt - b.tilt) < 0.04;
}

QString describe(const QList<SimulatedHead::Position>& positions)
{
    QStringList parts;
    for (const SimulatedHead::Position& p : positions)
        parts.append(QStringLiteral("(%1, %2)").arg(p.pan).arg(p.tilt));
    return parts.join(QLatin1Char(' '));
}
