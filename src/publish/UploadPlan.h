// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ServerAddress.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// The requests of one upload, and how a server's refusals change them.
// By default a frame goes in under a temporary name in the same folder and
// is renamed over the remote name, so a reader only ever loads a whole
// frame. A server that will not rename over an existing file gets the old
// file renamed aside, the new one renamed in and the old one deleted, all
// in one request, so the old frame is never lost; one that will not rename
// at all gets the frame stored directly. What a server allows is learnt
// during the run and kept by the caller.
class UploadPlan final
{
public:
    // What a server is known to allow.
    enum class Renaming
    {
        // Nothing learnt yet: try renaming over the old file.
        OverAFile,
        // Renames, but not over an existing file.
        NotOverAFile,
        // Refuses every rename.
        Never,
    };

    enum class Step
    {
        // Straight under the remote name.
        Direct,
        // Under the temporary name, then renamed over the remote name.
        ToTemporary,
        // Under the temporary name, then the old file swapped aside.
        ToTemporaryAside,
        // The temporary file is up but the rename was refused: swap.
        SwapAside,
        // Renaming is refused altogether: put back a file left aside, store
        // directly and remove the temporary and the aside file.
        DirectAfterRenameFailed,
    };

    struct Request
    {
        Step step = Step::Direct;
        // Where the bytes go; empty when the request only runs commands.
        QString target;
        // Server commands before the upload and after it, in curl's form:
        // a leading "*" lets the command fail without ending the request.
        QList<QByteArray> before;
        QList<QByteArray> after;
    };

    // How a request ended: through, its commands refused by the server, or
    // failed some other way (the network, the login, the certificate).
    enum class Outcome
    {
        Done,
        Refused,
        Failed,
    };
    using Perform = std::function<Outcome(const Request&)>;

    UploadPlan(const ServerAddress& address, const QString& remoteName);

    Request request(Step step) const;
    // Runs the upload's requests through perform, one after another as the
    // server's refusals require, and returns how the last one ended. known
    // is what the server allows, updated with what the requests teach;
    // *renamingRefused is set when they taught that it refuses every rename.
    Outcome run(bool atomic, Renaming& known, const Perform& perform,
                bool* renamingRefused = nullptr) const;

    // The remote names beside the target: ".part-" and ".old-" in front of
    // the file name, in the same folder.
    QString temporaryName() const;
    QString asideName() const;

private:
    struct Retry
    {
        Step next = Step::Direct;
        std::optional<Renaming> learnt;
    };

    static Step firstStep(bool atomic, Renaming known);
    // The next request after a refused command; none when the upload failed.
    static std::optional<Retry> afterRefusal(Step step);
    // What a request that went through tells about its server.
    static std::optional<Renaming> afterSuccess(Step step);

    QList<QByteArray> rename(const QString& from, const QString& to, bool mayFail) const;
    QByteArray remove(const QString& name) const;
    QList<QByteArray> swapAside() const;

    ServerAddress m_address;
    QString m_remoteName;
};
