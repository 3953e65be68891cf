// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

class SettingsStore;

// A camera on the network: what the driver list shows (its name) and where
// its stream is. The login travels beside the address, never inside the
// texts the station shows or logs.
struct NetworkCamera
{
    QString name;
    // rtsp://, http:// or https:// (MJPEG).
    QString address;
    QString user;
    QString password;
    // Milliseconds an RTSP stream is held to even out the network.
    int latency = 100;
    // RTSP over TCP unless the file says "udp".
    bool udp = false;

    bool operator==(const NetworkCamera&) const = default;

    bool isRtsp() const;
    // The address as it may be shown: without a login written into it.
    QString shownAddress() const;
    // The text with this camera's password and any login in an address
    // taken out, for messages that come from the stream's own parts.
    QString masked(const QString& text) const;
};

namespace networkcameras {

// The cameras of [Cameras], in the order of their names; a group without an
// address is no camera (that is how a removed one stays in the file).
QList<NetworkCamera> read(const SettingsStore& store);
// Stores the list; the cameras no longer in it lose their address and login.
void store(const QList<NetworkCamera>& cameras, SettingsStore& store);
// Empty, or why the address cannot be a network camera's.
QString addressProblem(const QString& address);
// Empty, or why the name cannot be one (it is a key of the settings file).
QString nameProblem(const QString& name);
// Takes any "user:password@" out of the addresses in the text.
QString withoutLogins(QString text);

} // namespace networkcameras
