// SPDX-License-Identifier: GPL-3.0-or-later
#include "PseudoTerminal.h"

#include <QElapsedTimer>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    m_slavePath = QString::fromLocal8Bit(name);
    // Keep the master side raw so bytes arrive exactly as written.
    termios tio{};
    tcgetattr(m_master, &tio);
    cfmakeraw(&tio);
    tcsetattr(m_master, TCSANOW, &tio);
}

PseudoTerminal::~PseudoTerminal()
{
    hangUp();
}

QByteArray PseudoTerminal::read(qsizetype count, std::chrono::milliseconds limit)
{
    QByteArray data;
    QElapsedTimer clock;
    clock.start();
    while (data.size() < count && clock.elapsed() < limit.count()) {
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0 && (p.revents & POLLIN)) {
            char buffer[256];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0)
                data.append(buffer, n);
        }
    }
    return data;
}

QByteArray PseudoTerminal::drain(std::chrono::milliseconds wait)
{
    return read(1 << 20, wait);
}

QByteArray PseudoTerminal::readAvailable()
{
    QByteArray data;
    pollfd p{m_master, POLLIN, 0};
    while (m_master >= 0 && ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN)) {
        char buffer[4096];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        data.append(buffer, n);
    }
    return data;
}

bool PseudoTerminal::write(const QByteArray& bytes)
{
    return m_master >= 0 &&
           ::write(m_master, bytes.constData(), size_t(bytes.size())) == ssize_t(bytes.size());
}

void PseudoTerminal::hangUp()
{
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_master = m_slave = -1;
}

PseudoTerminal::LineSettings PseudoTerminal::lineSettings() const
{
    LineSettings s;
    termios tio{};
    if (tcgetattr(m_slave, &tio) != 0)
        return s;
    switch (cfgetospeed(&tio)) {
    case B9600:
        s.baud = 9600;
        break;
    case B19200:
        s.baud = 19200;
        break;
    case B38400:
        s.baud = 38400;
        break;
    default:
        s.baud = -1;
    }
    switch (tio.c_cflag & CSIZE) {
    case CS5:
        s.dataBits = 5;
        break;
    case CS6:
        s.dataBits = 6;
        break;
    case CS7:
        s.dataBits = 7;
        break;
    default:
        s.dataBits = 8;
    }
    s.parity = (tio.c_cflag & PARENB) != 0;
    s.twoStopBits = (tio.c_cflag & CSTOPB) != 0;
    return s;
}
