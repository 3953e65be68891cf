// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// The remote-control socket component: once told to listen, it accepts
// connection requests and reports each peer and the text peers send. It
// never sends anything. Releasing the object stops listening and drops
// every connection it holds.
class RemoteSocket : public QObject
{
    Q_OBJECT
public:
    ~RemoteSocket() override;

    virtual void SetOption(int option) = 0;
    // Starts listening; the number is the TCP port. On failure nothing is
    // listening and errorString() tells why.
    virtual bool Listen(qint32 number) = 0;
    virtual void SetFolder(const QString& folder) = 0;
    virtual QString errorString() const = 0;

signals:
    // A peer connected; the host text is its address.
    void RemoteConnected(const QString& Remotehost);
    // Text a peer sent, in pieces of bounded size as it arrived.
    void TextReceived(const QString& TextContent);

protected:
    explicit RemoteSocket(QObject* parent = nullptr)
        : QObject(parent)
    {}
};

// Makes a new, idle socket object; the link makes one each time it is
// switched on. May hand back none when the component is not available.
using RemoteSocketFactory = std::function<std::unique_ptr<RemoteSocket>()>;
