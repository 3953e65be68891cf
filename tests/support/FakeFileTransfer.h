// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FileTransfer.h"

#include <QStringList>

// A transfer component that records what it is told; the test ends each
// command with finish().
class FakeFileTransfer final : public FileTransfer
{
public:
    void setServerName(const QString& server) override
    {
        m_server = server;
        propertyWrites.append(QStringLiteral("ServerName=") + server);
    }
    QString ServerName() const override { return m_server; }
    void setLoginName(const QString& name) override
    {
        m_login = name;
        propertyWrites.append(QStringLiteral("LoginName=") + name);
    }
    QString LoginName() const override { return m_login; }
    void setLoginPassword(const QString& password) override
    {
        m_password = password;
        propertyWrites.append(QStringLiteral("LoginPassword=") + password);
    }
    QString LoginPassword() const override { return m_password; }

    bool IsBusy() const override { return busy; }
    void send(const TransferJob& job) override
    {
        commands.append(job.refusal.isEmpty() ? job.command() : job.refusal);
        jobs.append(job);
        busy = true;
    }
    QString errorText() const override { return error; }

    void finish(int state, const QString& reason = {})
    {
        busy = false;
        error = reason;
        emit TransferStateChanged(state);
    }

    // Each job as its command text, and the jobs themselves.
    QStringList commands;
    QList<TransferJob> jobs;
    QStringList propertyWrites;
    bool busy = false;
    QString error;

private:
    QString m_server;
    QString m_login;
    QString m_password;
};
