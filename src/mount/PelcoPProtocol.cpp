// SPDX-License-Identifier: GPL-3.0-or-later
#include "PelcoPProtocol.h"

QByteArray PelcoPProtocol::frame(quint8 address, const PelcoCommand& c)
{
    QByteArray bytes;
    bytes.reserve(8);
    for (quint8 b :
         {quint8(0xA0), quint8(address - 1), c.cmd1, c.cmd2, c.data1, c.data2, quint8(0xAF)})
        bytes.append(char(b));
    quint8 check = 0;
    for (char b : bytes)
        check ^= quint8(b);
    bytes.append(char(check));
    return bytes;
}

QByteArray PelcoPProtocol::nextFrame(MountCommands& waiting)
{
    const std::optional<PelcoCommand> command = PelcoCommand::next(waiting, m_settings);
    return command ? frame(quint8(m_settings.address), *command) : QByteArray();
}
