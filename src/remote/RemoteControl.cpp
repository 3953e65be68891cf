// SPDX-License-Identifier: GPL-3.0-or-later
#include "RemoteControl.h"

#include "Texts.h"

#include <QDir>

namespace {

// The program's folder as the component gets it: without a trailing
// separator, whatever the platform reported.
QString withoutTrailingSeparator(const QString& folder)
{
    return folder.isEmpty() ? folder : QDir::cleanPath(folder);
}

} // namespace

RemoteControl::RemoteControl(RemoteSocketSource source, QString programFolder, QObject* parent)
    : QObject(parent)
    , m_source(std::move(source))
    , m_programFolder(withoutTrailingSeparator(programFolder))
{}

RemoteControl::~RemoteControl() = default;

QString RemoteControl::caption() const
{
    return m_on ? QString(texts::disableRemote) : QString(texts::enableRemote);
}

void RemoteControl::Toggle()
{
    if (m_on)
        switchOff();
    else
        switchOn();
}

void RemoteControl::reset()
{
    setOn(false);
    m_socket.reset();
}

void RemoteControl::switchOff()
{
    setOn(false);
    m_socket.reset();
    emit status(texts::remoteOff);
}

void RemoteControl::switchOn()
{
    setOn(true);
    m_socket.reset();
    if (m_source.create)
        m_socket = m_source.create();
    if (!m_socket) {
        fail(texts::remoteNoComponent);
        return;
    }
    connect(m_socket.get(), &RemoteSocket::RemoteConnected, this,
            &RemoteControl::onRemoteConnected);
    // Text from the peer is not connected to anything on purpose: no
    // command arriving over the link is ever acted upon.

    m_socket->SetOption(0);
    if (!m_socket->Listen(m_source.listenNumber)) {
        fail(m_socket->errorString());
        return;
    }
    m_socket->SetFolder(m_programFolder);
    emit status(texts::remoteListening);
}

// A link that cannot listen is no link: it goes back to off at once, so
// the flag never claims a listening socket that is not there.
void RemoteControl::fail(const QString& reason)
{
    setOn(false);
    m_socket.reset();
    emit status(texts::remoteUnavailablePrefix + reason);
}

void RemoteControl::setOn(bool on)
{
    m_on = on;
    emit captionChanged(caption());
}

void RemoteControl::onRemoteConnected(const QString& Remotehost)
{
    emit status(texts::remoteConnectedPrefix + Remotehost);
}
