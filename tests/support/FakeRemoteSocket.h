// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RemoteSocket.h"

#include <QStringList>

// What the socket objects of one factory were asked to do, kept in one
// place so a test still sees it after the objects are released.
struct FakeRemoteSockets
{
    // "create", "SetOption 0", "Listen 81", "SetFolder /opt/cam", "release"
    QStringList calls;
    int alive = 0;
    // The factory hands back no object.
    bool unavailable = false;
    // Listen fails with this reason unless it is empty.
    QString listenError;

    RemoteSocketFactory factory();
};

class FakeRemoteSocket final : public RemoteSocket
{
public:
    explicit FakeRemoteSocket(FakeRemoteSockets& log)
        : m_log(log)
    {
        ++m_log.alive;
        m_log.calls.append(QStringLiteral("create"));
    }
    ~FakeRemoteSocket() override
    {
        --m_log.alive;
        m_log.calls.append(QStringLiteral("release"));
    }

    void SetOption(int option) override
    {
        m_log.calls.append(QStringLiteral("SetOption %1").arg(option));
    }
    bool Listen(qint32 number) override
    {
        m_log.calls.append(QStringLiteral("Listen %1").arg(number));
        return m_log.listenError.isEmpty();
    }
    void SetFolder(const QString& folder) override
    {
        m_log.calls.append(QStringLiteral("SetFolder ") + folder);
    }
    QString errorString() const override { return m_log.listenError; }

private:
    FakeRemoteSockets& m_log;
};

inline RemoteSocketFactory FakeRemoteSockets::factory()
{
    return [this]() -> std::unique_ptr<RemoteSocket> {
        if (unavailable)
            return nullptr;
        return std::make_unique<FakeRemoteSocket>(*this);
    };
}
