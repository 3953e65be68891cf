// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileTransfer.h"

#include "Texts.h"

namespace {

const QString sendVerb = QStringLiteral("SEND");
const QChar quote = QLatin1Char('"');
const QChar blank = QLatin1Char(' ');

} // namespace

QString TransferJob::command() const
{
    return refusal.isEmpty() ? FileTransfer::sendCommand(localPath, remoteName) : QString();
}

FileTransfer::~FileTransfer() = default;

void FileTransfer::RunCommand(const QString& command)
{
    TransferJob job;
    if (!parseSendCommand(command, &job.localPath, &job.remoteName))
        job.refusal = texts::transferUnknownCommand + command;
    send(job);
}

QString FileTransfer::sendCommand(const QString& localPath, const QString& remoteName)
{
    QString local = localPath;
    if (local.contains(blank) || local.contains(quote))
        local = quote + QString(local).replace(quote, QStringLiteral("\"\"")) + quote;
    return sendVerb + blank + local + blank + remoteName;
}

bool FileTransfer::parseSendCommand(const QString& command, QString* localPath, QString* remoteName)
{
    if (!command.startsWith(sendVerb + blank, Qt::CaseInsensitive))
        return false;
    qsizetype at = sendVerb.size() + 1;
    QString local;
    if (at < command.size() && command[at] == quote) {
        ++at;
        for (;;) {
            if (at >= command.size())
                return false;
            if (command[at] == quote) {
                if (at + 1 < command.size() && command[at + 1] == quote) {
                    local += quote;
                    at += 2;
                    continue;
                }
                ++at;
                break;
            }
            local += command[at++];
        }
    } else {
        const qsizetype end = command.indexOf(blank, at);
        if (end < 0)
            return false;
        local = command.mid(at, end - at);
        at = end;
    }
    if (local.isEmpty() || at >= command.size() || command[at] != blank)
        return false;
    if (localPath)
        *localPath = local;
    if (remoteName)
        *remoteName = command.mid(at + 1);
    return true;
}
