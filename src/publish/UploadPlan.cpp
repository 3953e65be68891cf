// SPDX-License-Identifier: GPL-3.0-or-later
#include "UploadPlan.h"

#include "Texts.h"

namespace {

QString withPrefix(const QString& remoteName, QLatin1String prefix)
{
    const qsizetype slash = remoteName.lastIndexOf(QLatin1Char('/'));
    return remoteName.left(slash + 1) + prefix + remoteName.mid(slash + 1);
}

// SFTP commands take paths in double quotes; curl reads a backslash as the
// escape within them. A relative name goes as it is: servers resolve it in
// the home folder, where the upload's URL put the file ("/~/" is not
// expanded in these commands).
QByteArray sftpPath(const QString& name)
{
    QString path = name;
    path.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    path.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return '"' + path.toUtf8() + '"';
}

} // namespace

UploadPlan::UploadPlan(const ServerAddress& address, const QString& remoteName)
    : m_address(address)
    , m_remoteName(remoteName)
{}

QString UploadPlan::temporaryName() const
{
    return withPrefix(m_remoteName, texts::temporaryUploadPrefix);
}

QString UploadPlan::asideName() const
{
    return withPrefix(m_remoteName, texts::asideUploadPrefix);
}

UploadPlan::Step UploadPlan::firstStep(bool atomic, Renaming known)
{
    if (!atomic || known == Renaming::Never)
        return Step::Direct;
    return known == Renaming::NotOverAFile ? Step::ToTemporaryAside : Step::ToTemporary;
}

UploadPlan::Request UploadPlan::request(Step step) const
{
    Request r;
    r.step = step;
    r.target = m_remoteName;
    switch (step) {
    case Step::Direct:
        break;
    case Step::ToTemporary:
        r.target = temporaryName();
        r.after = rename(temporaryName(), m_remoteName, false);
        break;
    case Step::ToTemporaryAside:
        r.target = temporaryName();
        r.after = swapAside();
        break;
    case Step::SwapAside:
        r.target.clear();
        r.before = swapAside();
        break;
    case Step::DirectAfterRenameFailed:
        r.before = rename(asideName(), m_remoteName, true);
        r.after << remove(temporaryName()) << remove(asideName());
        break;
    }
    return r;
}

UploadPlan::Outcome UploadPlan::run(bool atomic, Renaming& known, const Perform& perform,
                                    bool* renamingRefused) const
{
    Step step = firstStep(atomic, known);
    for (;;) {
        const Outcome outcome = perform(request(step));
        if (outcome == Outcome::Done) {
            if (const auto learnt = afterSuccess(step))
                known = *learnt;
            return outcome;
        }
        const auto retry = outcome == Outcome::Refused ? afterRefusal(step) : std::nullopt;
        if (!retry)
            return outcome;
        if (retry->learnt == Renaming::Never && known != Renaming::Never && renamingRefused)
            *renamingRefused = true;
        if (retry->learnt)
            known = *retry->learnt;
        step = retry->next;
    }
}

std::optional<UploadPlan::Retry> UploadPlan::afterRefusal(Step step)
{
    switch (step) {
    case Step::ToTemporary:
        // Perhaps only renaming over a file is refused.
        return Retry{Step::SwapAside, std::nullopt};
    case Step::ToTemporaryAside:
    case Step::SwapAside:
        return Retry{Step::DirectAfterRenameFailed, Renaming::Never};
    case Step::Direct:
    case Step::DirectAfterRenameFailed:
        break;
    }
    return std::nullopt;
}

std::optional<UploadPlan::Renaming> UploadPlan::afterSuccess(Step step)
{
    if (step == Step::SwapAside)
        return Renaming::NotOverAFile;
    return std::nullopt;
}

QList<QByteArray> UploadPlan::rename(const QString& from, const QString& to, bool mayFail) const
{
    const QByteArray ignore = mayFail ? "*" : "";
    if (m_address.isFtp())
        return {ignore + "RNFR " + from.toUtf8(), ignore + "RNTO " + to.toUtf8()};
    return {ignore + "rename " + sftpPath(from) + ' ' + sftpPath(to)};
}

QByteArray UploadPlan::remove(const QString& name) const
{
    // Removing what may not be there never ends a request.
    if (m_address.isFtp())
        return "*DELE " + name.toUtf8();
    return "*rm " + sftpPath(name);
}

QList<QByteArray> UploadPlan::swapAside() const
{
    // An aside file left by an interrupted run would block the swap. The
    // remote name may be missing (a first upload), so moving it aside may
    // fail; bringing the new file in may not.
    return QList<QByteArray>{remove(asideName())} + rename(m_remoteName, asideName(), true) +
           rename(temporaryName(), m_remoteName, false) + QList<QByteArray>{remove(asideName())};
}
