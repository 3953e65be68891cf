// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RemoteSocket.h"

#include <QObject>
#include <QString>

#include <memory>

// What the remote-control link needs from outside: a maker of socket
// objects and the number it hands to Listen (the TCP port).
struct RemoteSocketSource
{
    RemoteSocketFactory create;
    qint32 listenNumber = 81;
};

// The remote-control link behind the toggle button: the flag, and the
// socket object that exists only while the flag is set. Peers are named on
// the status line; what they send is ignored.
class RemoteControl final : public QObject
{
    Q_OBJECT
public:
    RemoteControl(RemoteSocketSource source, QString programFolder, QObject* parent = nullptr);
    ~RemoteControl() override;

    // The click of the toggle: switches the link off when it is on, and on
    // when it is off.
    void Toggle();
    // Back to off without a word on the status line: the start state.
    void reset();

    // The remote-control flag.
    bool isOn() const { return m_on; }
    // The socket object, or none while the link is off.
    RemoteSocket* SocketsDLL() const { return m_socket.get(); }
    // What the toggle button says: the action its next click performs.
    QString caption() const;

signals:
    void captionChanged(const QString& caption);
    // A text for the operator's status line.
    void status(const QString& text);

private:
    void switchOn();
    void switchOff();
    void fail(const QString& reason);
    void setOn(bool on);
    void onRemoteConnected(const QString& Remotehost);

    RemoteSocketSource m_source;
    QString m_programFolder;
    bool m_on = false;
    std::unique_ptr<RemoteSocket> m_socket;
};
