// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// The web remote's passwords, kept only as Argon2id hashes (libsodium's
// text form, salt and cost included), slow enough that a copied settings
// file does not give them away.
namespace passwordhash {

// The hash of the password, or an empty text when there is nothing to hash
// or the library cannot (out of memory).
QString make(const QByteArray& password);
// Whether the password matches the stored hash; an empty hash matches
// nothing.
bool verify(const QString& hash, const QByteArray& password);

} // namespace passwordhash
