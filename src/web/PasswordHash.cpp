// SPDX-License-Identifier: GPL-3.0-or-later
#include "PasswordHash.h"

#include <sodium.h>

#include <mutex>

namespace {

// Each sign-in takes the memory limit (64 MiB); one check at a time keeps a
// burst of logins from taking the station's memory.
std::mutex& hashingTurn()
{
    static std::mutex turn;
    return turn;
}

} // namespace

namespace passwordhash {

QString make(const QByteArray& password)
{
    if (password.isEmpty() || sodium_init() < 0)
        return {};
    char out[crypto_pwhash_STRBYTES];
    // Without the turn: only the operator sets passwords, and the window
    // must not wait for a sign-in checked on a server thread.
    if (crypto_pwhash_str(out, password.constData(), quint64(password.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        return {};
    return QString::fromLatin1(out);
}

bool verify(const QString& hash, const QByteArray& password)
{
    const QByteArray stored = hash.toLatin1();
    if (stored.isEmpty() || stored.size() >= crypto_pwhash_STRBYTES || sodium_init() < 0)
        return false;
    const std::lock_guard lock(hashingTurn());
    return crypto_pwhash_str_verify(stored.constData(), password.constData(),
                                    quint64(password.size())) == 0;
}

} // namespace passwordhash
