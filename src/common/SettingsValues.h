// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// How settings values are written and read back. Booleans are written as
// "True" and "False"; on reading, a number counts as True unless it is 0.
// Numbers are decimal text. A text that does not convert gives no value, so
// the caller falls back to the key's default.
namespace settingsvalues {

QString fromBool(bool value);
QString fromInt(qint64 value);

std::optional<bool> toBool(const QString& text);
// Whole numbers within [min, max]; a fraction is taken to the nearest whole
// number, halves to the even one, the way the stored files have always been
// read.
std::optional<qint64> toInt(const QString& text, qint64 min, qint64 max);

} // namespace settingsvalues
