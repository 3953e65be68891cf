// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The per-user settings store: one text value per key, grouped in sections.
// Values are texts on purpose; each caller decides how to read them back.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;

    // The stored text, or fallback when the key is absent or unreadable.
    virtual QString read(const QString& section, const QString& key,
                         const QString& fallback = {}) const = 0;
    // The keys of a section, stored or written in this run; a group's keys
    // come as "group/key".
    virtual QStringList keys(const QString& section) const = 0;
    // Creates or replaces the value.
    virtual void write(const QString& section, const QString& key, const QString& value) = 0;
    // Writes pending changes out; false with a reason when the store could
    // not be written.
    virtual bool flush(QString* reason = nullptr) = 0;
    // Why this run never writes the store (its file could not be read, or is
    // not the user's own); empty when it may. The operator is told once.
    virtual QString refusal() const { return {}; }
    // Empty, or why what the store holds is open to others (the FTP
    // password in a file other users can read). Asked at each start-up.
    virtual QString exposure() const { return {}; }
};
