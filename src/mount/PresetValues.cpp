// SPDX-License-Identifier: GPL-3.0-or-later
#include "PresetValues.h"

#include "Texts.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace presetvalues {

std::optional<double> toNumber(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return std::nullopt;
    double number = 0;
    bool ok = false;
    if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray) {
        const QString text = value.toString().trimmed();
        if (text.isEmpty())
            return std::nullopt;
        number = QLocale::c().toDouble(text, &ok);
        if (!ok)
            number = QLocale::system().toDouble(text, &ok);
    } else if (value.typeId() != QMetaType::Bool) {
        number = value.toDouble(&ok);
    }
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    return number;
}

std::optional<qint16> toPosition(double number)
{
    const double floored = std::floor(number);
    if (!(floored >= std::numeric_limits<qint16>::min() &&
          floored <= std::numeric_limits<qint16>::max()))
        return std::nullopt;
    return qint16(floored);
}

qint64 timerInterval(double milliseconds, qint64 maxInterval)
{
    if (!(milliseconds > 0))
        return 0;
    if (milliseconds >= double(maxInterval))
        return maxInterval;
    double whole = std::floor(milliseconds);
    const double fraction = milliseconds - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0))
        whole += 1;
    return qint64(whole);
}

bool isPositionField(const QString& field)
{
    return field.compare(QLatin1String("Pan"), Qt::CaseInsensitive) == 0 ||
           field.compare(QLatin1String("Tilt"), Qt::CaseInsensitive) == 0;
}

bool isNumberField(const QString& field)
{
    return isPositionField(field) ||
           field.compare(QLatin1String("Delay"), Qt::CaseInsensitive) == 0;
}

QString whyRefused(const QString& field, const QVariant& value)
{
    if (!isNumberField(field))
        return {};
    const std::optional<double> number = toNumber(value);
    const QString shown = value.toString().trimmed();
    if (!number) {
        return shown.isEmpty() ? QString(texts::fieldIsEmpty).arg(field)
                               : QString(texts::fieldNotANumber).arg(field, shown);
    }
    if (isPositionField(field) && !toPosition(*number))
        return QString(texts::fieldOutOfRange).arg(field, shown);
    return {};
}

} // namespace presetvalues
