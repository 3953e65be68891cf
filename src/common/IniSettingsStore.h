// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SettingsStore.h"

#include <QMap>
#include <QString>
#include <QVariant>

// The settings store as an INI file in Qt's format. The default place is
// $XDG_CONFIG_HOME/KivraWebcam/KivraWebcam.conf on Linux.
//
// The file is read once, when the store is made, and written only by
// flush(), and only with what changed, merged into the file as it then is.
// A file that is there but cannot be read, or that Qt's reader takes for
// something other than what it holds, is never written: the run goes on
// with the defaults and the operator's file stays as it was. A symbolic
// link is written through to its target only when that is a regular file
// of the user's own; the file keeps the mode its owner gave it, except that
// a file holding a password (the FTP one, a network camera's) is never left
// readable by others: each flush makes such a file private, also when no
// value changed.
class IniSettingsStore final : public SettingsStore
{
public:
    IniSettingsStore();
    explicit IniSettingsStore(const QString& filePath);

    static QString defaultFilePath();
    QString filePath() const { return m_path; }

    QString read(const QString& section, const QString& key,
                 const QString& fallback = {}) const override;
    QStringList keys(const QString& section) const override;
    void write(const QString& section, const QString& key, const QString& value) override;
    bool flush(QString* reason = nullptr) override;
    QString refusal() const override { return m_refusal; }
    QString exposure() const override;

private:
    void load();
    // The file to write: the path itself or, for a link, its target; empty
    // with the reason when it must not be written.
    QString writableTarget(QString* reason) const;
    bool replace(const QString& target, QString* reason);
    bool holdsPassword() const;

    QString m_path;
    QString m_refusal;
    // As read from the file, "section/key" to what Qt's reader made of it.
    QMap<QString, QVariant> m_stored;
    // Written in this run and not yet in the file.
    QMap<QString, QString> m_pending;
};
