// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariant>

#include <memory>

#include "PresetStorage.h"

// The preset table's data source `datPivora`: one record set with a cursor
// over the table "LineEntry", in the order in which records were added.
//
// The cursor is on a record, before the first (BOF) or after the last (EOF);
// an empty table is both. After Delete it stays at the removed record's
// place with no current record: MoveNext then reaches the record that
// followed, MovePrevious the one before. Every write goes to the file at
// once; a table that cannot be used reads as empty and refuses writes.
// ("EOF" is a C library macro, hence isBOF()/isEOF().)
class PresetRecordSet final : public QObject
{
    Q_OBJECT
public:
    // Over the preset file named by databaseName(), kept by `storage`.
    explicit PresetRecordSet(std::unique_ptr<PresetStorage> storage, QObject* parent = nullptr);
    ~PresetRecordSet() override;

    void setDatabaseName(const QString& path) { m_databaseName = path; }
    // The file really in use once open() ran.
    QString databaseName() const { return m_databaseName; }
    QString RecordSource() const;

    // Opens the table and reads it (Refresh). An absent file is created,
    // in the per-user data folder when its own folder cannot take it.
    void open();
    bool isAvailable() const { return m_available; }
    QString unavailableReason() const { return m_unavailableReason; }

    // Reads the table afresh; the cursor goes to the first record.
    void Refresh();

    bool isBOF() const;
    bool isEOF() const;
    int RecordCount() const { return int(m_records.size()); }
    void MoveFirst();
    void MoveNext();
    void MovePrevious();
    void MoveLast();
    // Removes the current record; nothing without one.
    void Delete();

    // A new record, its fields written by position, stored by Update after
    // all others. Texts written to "Pan", "Tilt" and "Delay" become numbers.
    void AddNew();
    void setField(int position, const QVariant& value);
    bool Update();

    // A field of the current record by name; an invalid QVariant for Null or
    // when there is no current record.
    QVariant field(const QString& name) const;

    // Row access for the grid: rows are records in table order.
    QStringList fieldNames() const;
    // The current record's row, or -1 when there is none.
    int currentRow() const;
    // The grid's own move: makes a row current; RecordCount() (the grid's
    // new-record row) puts the cursor at EOF. The grid writes its own edits.
    void moveTo(int row);
    QVariant value(int row, int column) const;
    // Changes fields (by position) of one record, all or nothing; refused
    // values are reported and nothing is written.
    bool updateRecord(int row, const QHash<int, QVariant>& changes);
    // updateRecord for a change made elsewhere than the grid: the grid's
    // edits are written first, so they cannot later overwrite this one.
    bool changeRecord(int row, const QHash<int, QVariant>& changes);
    // The grid's new-record row written as one record after all others, all
    // or nothing, like updateRecord.
    bool appendRecord(const QHash<int, QVariant>& fields);
    void removeRecords(QList<int> rows);

signals:
    // Something other than the grid's own row writes is about to move the
    // cursor or change the table: edits held elsewhere (an open grid cell,
    // a grid row not yet written) must be written now, before it happens.
    void editsDue();
    // Records are about to come or go, and they came or went: rows held
    // elsewhere must be settled before and read again after. Always paired.
    void aboutToReset();
    void reset();
    // One record is about to be added at row, and was added there.
    void aboutToAppend(int row);
    void appended(int row);
    void currentChanged();
    void recordChanged(int row);
    // A text for the operator's status line.
    void status(const QString& text);

private:
    // Lets the holders of edits write them (editsDue), once at a time.
    void settleEdits();
    bool append(const QVariantList& values);
    // Reports and refuses a write while the table is unavailable.
    bool refuseWrite();
    // Opens the storage; a file locked by someone else arms the retries.
    bool tryOpen();
    void retryLocked();
    // True when a file that was locked has opened now (and was read).
    bool reopenIfLocked();
    void setUnavailable(const QString& reason);
    // The value to store for a field, or the reason it cannot be stored.
    QVariant storedValue(int position, const QVariant& value, QString* refused) const;
    int fieldPosition(const QString& name) const;

    std::unique_ptr<PresetStorage> m_storage;
    QString m_databaseName;
    bool m_available = false;
    bool m_locked = false;
    QTimer m_retry;
    int m_quietRetriesLeft = 0;
    QString m_unavailableReason;
    QStringList m_fields;
    QList<PresetStorage::Record> m_records;
    // -1 is BOF, RecordCount() is EOF (also in an empty table once the grid
    // put the cursor on its new-record row); m_onRemoved marks the place of a
    // record just deleted (m_position then names the one that followed it).
    int m_position = -1;
    bool m_onRemoved = false;
    bool m_adding = false;
    bool m_settling = false;
    QVariantList m_newRecord;
    QString m_newRecordRefused;
};
