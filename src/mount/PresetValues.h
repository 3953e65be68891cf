// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVariant>

#include <optional>

// How the preset fields' values are read, wherever they come from: the
// table, a typed cell, the labels and the default-delay box.
namespace presetvalues {

// The number in a value: null, empty or non-numeric text, and infinities
// or NaN give nothing. Text is read in the C locale, then the system's.
std::optional<double> toNumber(const QVariant& value);

// floor(number) as a 16-bit signed position, when it fits.
std::optional<qint16> toPosition(double number);

// Milliseconds for a timer: to the nearest whole millisecond with halves to
// the even neighbour, 0 for anything not positive, and held at maxInterval.
qint64 timerInterval(double milliseconds, qint64 maxInterval);

// Why a value cannot stand in a field, or an empty text when it can.
// "Pan" and "Tilt" take numbers that floor into 16 bits, "Delay" any number.
QString whyRefused(const QString& field, const QVariant& value);

bool isPositionField(const QString& field);
bool isNumberField(const QString& field);

} // namespace presetvalues
