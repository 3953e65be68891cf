// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SettingsStore.h"

#include <QMap>
#include <QStringList>

// A settings store in memory that remembers the order of its writes.
class MemorySettingsStore final : public SettingsStore
{
public:
    QString read(const QString& section, const QString& key,
                 const QString& fallback = {}) const override
    {
        return values.value(section + QLatin1Char('/') + key, fallback);
    }
    QStringList keys(const QString& section) const override
    {
        QStringList found;
        const QString prefix = section + QLatin1Char('/');
        for (const QString& name : values.keys()) {
            if (name.startsWith(prefix))
                found.append(name.mid(prefix.size()));
        }
        return found;
    }
    void write(const QString& section, const QString& key, const QString& value) override
    {
        values.insert(section + QLatin1Char('/') + key, value);
        writes.append(section + QLatin1Char('/') + key + QLatin1Char('=') + value);
    }
    bool flush(QString* = nullptr) override
    {
        ++flushes;
        return true;
    }

    void set(const QString& section, const QString& key, const QString& value)
    {
        values.insert(section + QLatin1Char('/') + key, value);
    }

    QMap<QString, QString> values;
    QStringList writes;
    int flushes = 0;
};
