// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// The file that keeps the preset table "LineEntry". Records come back in the
// order in which they were added; each carries the key that names it in
// later writes. Values are in field order, a null QVariant for Null.
class PresetStorage
{
public:
    struct Record
    {
        qint64 key = 0;
        QVariantList values;
    };

    virtual ~PresetStorage() = default;

    // Opens the table in the file at path, first creating file and table
    // when there is no file. A file that is there but holds no usable table
    // is left exactly as it is: false, with the reason.
    virtual bool open(const QString& path, QString* reason) = 0;
    // Whether the last open() failed only because someone else holds the
    // file locked: worth trying again a little later.
    virtual bool lockedOut() const { return false; }
    // The table's fields in their order, without the key.
    virtual QStringList fieldNames() const = 0;

    virtual bool readAll(QList<Record>* records, QString* reason) = 0;
    // Adds a record after all others; values by field position, missing
    // ones Null. All or nothing.
    virtual bool append(const QVariantList& values, qint64* key, QString* reason) = 0;
    // Changes the given fields (by position) of one record, all or nothing.
    virtual bool update(qint64 key, const QHash<int, QVariant>& changes, QString* reason) = 0;
    virtual bool remove(qint64 key, QString* reason) = 0;
};
