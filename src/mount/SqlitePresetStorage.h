// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PresetStorage.h"
#include "Texts.h"

class QSqlError;

// The preset table in a SQLite file, through Qt SQL's QSQLITE driver.
//
// A new file gets the table with "Pan", "Tilt", "Delay", "FileName" and an
// AUTOINCREMENT key "ID" last; records are read in key order, so the order
// of adding holds whatever SQLite does with its row ids. A file made
// elsewhere is first looked at through a read-only connection and only
// opened for writing when it holds the table with its fields.
class SqlitePresetStorage final : public PresetStorage
{
public:
    static inline const QString tableName = texts::presetTable;

    SqlitePresetStorage();
    ~SqlitePresetStorage() override;
    SqlitePresetStorage(const SqlitePresetStorage&) = delete;
    SqlitePresetStorage& operator=(const SqlitePresetStorage&) = delete;

    bool open(const QString& path, QString* reason) override;
    bool lockedOut() const override { return m_locked; }
    QStringList fieldNames() const override { return m_fields; }
    bool readAll(QList<Record>* records, QString* reason) override;
    bool append(const QVariantList& values, qint64* key, QString* reason) override;
    bool update(qint64 key, const QHash<int, QVariant>& changes, QString* reason) override;
    bool remove(qint64 key, QString* reason) override;

private:
    bool connect(const QString& path, bool readOnly, QString* reason);
    void disconnect();
    bool createTable(QString* reason);
    bool readLayout(const QString& path, QString* reason);
    // Takes SQLite's reason; with notDatabase (the file's name) it says the
    // file is no database, unless it is only locked.
    bool refused(const QSqlError& error, QString* reason, const QString& notDatabase = {});

    QString m_connection;
    QStringList m_fields;
    QString m_key;
    bool m_locked = false;
};
