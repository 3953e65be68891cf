// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsValues.h"

#include <cmath>

namespace settingsvalues {

QString fromBool(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString fromInt(qint64 value)
{
    return QString::number(value);
}

std::optional<bool> toBool(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double number = t.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    return number != 0;
}

std::optional<qint64> toInt(const QString& text, qint64 min, qint64 max)
{
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    const double whole = std::nearbyint(number); // the default rounding mode: halves to even
    if (whole < double(min) || whole > double(max))
        return std::nullopt;
    return qint64(whole);
}

} // namespace settingsvalues
