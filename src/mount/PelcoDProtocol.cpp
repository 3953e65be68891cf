// SPDX-License-Identifier: GPL-3.0-or-later
#include "PelcoDProtocol.h"

QByteArray PelcoDProtocol::frame(quint8 address, const PelcoCommand& c)
{
    // A plain byte sum: a decimal remainder, as some programs take, breaks
    // every frame whose sum passes 99.
    const quint8 sum = quint8(address + c.cmd1 + c.cmd2 + c.data1 + c.data2);
    const char bytes[] = {char(0xFF),    char(address), char(c.cmd1), char(c.cmd2),
                          char(c.data1), char(c.data2), char(sum)};
    return QByteArray(bytes, sizeof bytes);
}

QByteArray PelcoDProtocol::nextFrame(MountCommands& waiting)
{
    const std::optional<PelcoCommand> command = PelcoCommand::next(waiting, m_settings);
    return command ? frame(quint8(m_settings.address), *command) : QByteArray();
}
