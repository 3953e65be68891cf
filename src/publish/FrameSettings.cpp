// SPDX-License-Identifier: GPL-3.0-or-later
#include "FrameSettings.h"

#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "SettingsValues.h"

#include <limits>

namespace {

QString readText(const SettingsStore& store, QLatin1String key)
{
    return store.read(keys::frameSection, key);
}

int readNumber(const SettingsStore& store, QLatin1String key, int min, int max, int fallback)
{
    return int(settingsvalues::toInt(readText(store, key), min, max).value_or(fallback));
}

QColor readColor(const SettingsStore& store, QLatin1String key, const QColor& fallback)
{
    const QColor color = QColor::fromString(readText(store, key).trimmed());
    return color.isValid() ? color : fallback;
}

FrameDressing::Position readPosition(const SettingsStore& store, FrameDressing::Position fallback)
{
    const QString text = readText(store, keys::captionPosition).trimmed();
    if (text.compare(keys::positionTop, Qt::CaseInsensitive) == 0)
        return FrameDressing::Position::Top;
    if (text.compare(keys::positionBottom, Qt::CaseInsensitive) == 0)
        return FrameDressing::Position::Bottom;
    return fallback;
}

// Any whole number of quarter turns, "-90" and "450" included.
int readTurn(const SettingsStore& store, int fallback)
{
    const auto degrees =
        settingsvalues::toInt(readText(store, keys::rotate), std::numeric_limits<int>::min() / 2,
                              std::numeric_limits<int>::max() / 2);
    if (!degrees || *degrees % 90 != 0)
        return fallback;
    return int((*degrees % 360 + 360) % 360);
}

QString colorText(const QColor& color)
{
    return color.name(color.alpha() == 255 ? QColor::HexRgb : QColor::HexArgb);
}

} // namespace

FrameDressing readFrameDressing(const SettingsStore& store)
{
    const FrameDressing defaults;
    FrameDressing d;
    d.Caption = readText(store, keys::caption);
    d.CaptionPosition = readPosition(store, defaults.CaptionPosition);
    d.CaptionSize = readNumber(store, keys::captionSize, FrameDressing::minCaptionSize,
                               FrameDressing::maxCaptionSize, defaults.CaptionSize);
    d.CaptionColor = readColor(store, keys::captionColor, defaults.CaptionColor);
    d.BandColor = readColor(store, keys::bandColor, defaults.BandColor);
    d.Width = readNumber(store, keys::width, 0, FrameDressing::maxWidth, defaults.Width);
    d.Rotate = readTurn(store, defaults.Rotate);
    d.Mirror = settingsvalues::toBool(readText(store, keys::mirror)).value_or(defaults.Mirror);
    return d;
}

void storeFrameDressing(const FrameDressing& d, SettingsStore& store)
{
    const QString section = keys::frameSection;
    store.write(section, keys::caption, d.Caption);
    store.write(section, keys::captionPosition,
                d.CaptionPosition == FrameDressing::Position::Top ? QString(keys::positionTop)
                                                                  : QString(keys::positionBottom));
    store.write(section, keys::captionSize, settingsvalues::fromInt(d.CaptionSize));
    store.write(section, keys::captionColor, colorText(d.CaptionColor));
    store.write(section, keys::bandColor, colorText(d.BandColor));
    store.write(section, keys::width, settingsvalues::fromInt(d.Width));
    store.write(section, keys::rotate, settingsvalues::fromInt(d.Rotate));
    store.write(section, keys::mirror, settingsvalues::fromBool(d.Mirror));
}
