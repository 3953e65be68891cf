// SPDX-License-Identifier: GPL-3.0-or-later
#include "PresetRecordSet.h"

#include "PresetValues.h"
#include "StationPaths.h"
#include "Texts.h"

#include <algorithm>

namespace {

// A file locked by someone else at start-up (a backup, a second station)
// is tried again quietly for a few seconds, then reported, then tried on at
// a slower pace and at every use until it opens.
constexpr int quietRetries = 12;
constexpr std::chrono::milliseconds quietRetryStep{250};
constexpr std::chrono::milliseconds lockedRetryStep{2000};

} // namespace

PresetRecordSet::PresetRecordSet(std::unique_ptr<PresetStorage> storage, QObject* parent)
    : QObject(parent)
    , m_storage(std::move(storage))
    , m_unavailableReason(texts::presetTableNotOpen)
{
    connect(&m_retry, &QTimer::timeout, this, &PresetRecordSet::retryLocked);
}

PresetRecordSet::~PresetRecordSet() = default;

QString PresetRecordSet::RecordSource() const
{
    return texts::presetTable;
}

void PresetRecordSet::open()
{
    m_databaseName = StationPaths::presetFile(m_databaseName);
    tryOpen();
    Refresh();
}

bool PresetRecordSet::tryOpen()
{
    QString reason;
    if (m_storage->open(m_databaseName, &reason)) {
        m_retry.stop();
        m_locked = false;
        m_available = true;
        m_unavailableReason.clear();
        m_fields = m_storage->fieldNames();
        return true;
    }
    if (!m_storage->lockedOut()) {
        m_retry.stop();
        m_locked = false;
        setUnavailable(reason);
        return false;
    }
    m_unavailableReason = reason;
    if (!m_locked) {
        m_locked = true;
        m_available = false;
        m_fields.clear();
        m_records.clear();
        m_quietRetriesLeft = quietRetries;
        m_retry.start(quietRetryStep);
    }
    return false;
}

void PresetRecordSet::retryLocked()
{
    if (reopenIfLocked())
        return;
    if (m_locked && m_quietRetriesLeft > 0 && --m_quietRetriesLeft == 0) {
        emit status(texts::presetDatabaseBusy + m_unavailableReason);
        m_retry.start(lockedRetryStep);
    }
}

bool PresetRecordSet::reopenIfLocked()
{
    if (!m_locked || !tryOpen())
        return false;
    Refresh();
    return true;
}

void PresetRecordSet::setUnavailable(const QString& reason)
{
    m_available = false;
    m_unavailableReason = reason;
    m_fields.clear();
    m_records.clear();
    emit status(texts::presetDatabaseUnavailable + reason);
}

void PresetRecordSet::settleEdits()
{
    if (m_settling)
        return;
    m_settling = true;
    emit editsDue();
    m_settling = false;
}

void PresetRecordSet::Refresh()
{
    settleEdits();
    emit aboutToReset();
    m_adding = false;
    m_onRemoved = false;
    if (m_available) {
        QString reason;
        if (!m_storage->readAll(&m_records, &reason))
            setUnavailable(reason);
    }
    m_position = m_records.isEmpty() ? -1 : 0;
    emit reset();
    emit currentChanged();
}

bool PresetRecordSet::isBOF() const
{
    return m_records.isEmpty() || (!m_onRemoved && m_position < 0);
}

bool PresetRecordSet::isEOF() const
{
    return m_records.isEmpty() || (!m_onRemoved && m_position >= RecordCount());
}

int PresetRecordSet::currentRow() const
{
    if (m_onRemoved || m_position < 0 || m_position >= RecordCount())
        return -1;
    return m_position;
}

void PresetRecordSet::MoveFirst()
{
    settleEdits();
    m_onRemoved = false;
    m_position = m_records.isEmpty() ? -1 : 0;
    emit currentChanged();
}

void PresetRecordSet::MoveLast()
{
    settleEdits();
    m_onRemoved = false;
    m_position = RecordCount() - 1;
    emit currentChanged();
}

void PresetRecordSet::MoveNext()
{
    settleEdits();
    // A table that has just become readable starts on its first record.
    if (reopenIfLocked())
        return;
    if (m_onRemoved)
        m_onRemoved = false; // the follower already sits at m_position
    else if (!m_records.isEmpty() && m_position < RecordCount())
        ++m_position;
    emit currentChanged();
}

void PresetRecordSet::MovePrevious()
{
    settleEdits();
    if (m_onRemoved) {
        m_onRemoved = false;
        --m_position;
    } else if (!m_records.isEmpty() && m_position >= 0) {
        --m_position;
    }
    emit currentChanged();
}

void PresetRecordSet::moveTo(int row)
{
    if (row < 0 || row > RecordCount())
        return;
    if (row == currentRow())
        return;
    m_onRemoved = false;
    m_position = row;
    emit currentChanged();
}

void PresetRecordSet::Delete()
{
    settleEdits();
    const int row = currentRow();
    if (row >= 0)
        removeRecords({row});
}

void PresetRecordSet::removeRecords(QList<int> rows)
{
    rows.removeIf([this](int row) { return row < 0 || row >= RecordCount(); });
    if (rows.isEmpty() || refuseWrite())
        return;
    // Rows written now are appended or changed in place: the numbers of
    // the rows to go stay valid.
    settleEdits();
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    emit aboutToReset();
    for (int row : rows) {
        QString reason;
        if (!m_storage->remove(m_records[row].key, &reason)) {
            emit status(texts::presetNotDeleted + reason);
            break;
        }
        m_records.removeAt(row);
        if (row < m_position)
            --m_position;
        else if (row == m_position)
            m_onRemoved = true;
    }
    emit reset();
    emit currentChanged();
}

void PresetRecordSet::AddNew()
{
    settleEdits();
    reopenIfLocked();
    m_adding = true;
    m_newRecord = QVariantList(m_fields.size());
    m_newRecordRefused.clear();
}

void PresetRecordSet::setField(int position, const QVariant& value)
{
    if (!m_adding || position < 0 || position >= m_newRecord.size())
        return;
    QString refused;
    m_newRecord[position] = storedValue(position, value, &refused);
    if (!refused.isEmpty() && m_newRecordRefused.isEmpty())
        m_newRecordRefused = refused;
}

bool PresetRecordSet::Update()
{
    if (!m_adding)
        return false;
    m_adding = false;
    if (refuseWrite())
        return false;
    if (!m_newRecordRefused.isEmpty()) {
        emit status(texts::presetNotStored + m_newRecordRefused);
        return false;
    }
    return append(m_newRecord);
}

bool PresetRecordSet::appendRecord(const QHash<int, QVariant>& fields)
{
    if (refuseWrite())
        return false;
    QVariantList values(m_fields.size());
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        if (it.key() < 0 || it.key() >= m_fields.size())
            continue;
        QString refused;
        values[it.key()] = storedValue(it.key(), it.value(), &refused);
        if (!refused.isEmpty()) {
            emit status(texts::presetNotStored + refused);
            return false;
        }
    }
    return append(values);
}

bool PresetRecordSet::append(const QVariantList& values)
{
    PresetStorage::Record record;
    record.values = values;
    QString reason;
    if (!m_storage->append(record.values, &record.key, &reason)) {
        emit status(texts::presetNotStored + reason);
        return false;
    }
    const int row = RecordCount();
    const bool atEOF = !m_onRemoved && m_position >= row;
    emit aboutToAppend(row);
    m_records.append(record);
    // The cursor stays where it was: after the last record (the grid's
    // new-record row) it stays after the new last one.
    if (atEOF)
        m_position = RecordCount();
    emit appended(row);
    emit currentChanged();
    return true;
}

bool PresetRecordSet::updateRecord(int row, const QHash<int, QVariant>& changes)
{
    if (row < 0 || row >= RecordCount() || refuseWrite())
        return false;
    QHash<int, QVariant> stored;
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (it.key() < 0 || it.key() >= m_fields.size())
            continue;
        QString refused;
        stored.insert(it.key(), storedValue(it.key(), it.value(), &refused));
        if (!refused.isEmpty()) {
            emit status(texts::presetNotChanged + refused);
            return false;
        }
    }
    QString reason;
    if (!m_storage->update(m_records[row].key, stored, &reason)) {
        emit status(texts::presetNotChanged + reason);
        return false;
    }
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        m_records[row].values[it.key()] = it.value();
    emit recordChanged(row);
    return true;
}

bool PresetRecordSet::changeRecord(int row, const QHash<int, QVariant>& changes)
{
    // Rows the grid writes now are changed in place or appended: `row`
    // still names the same record afterwards.
    settleEdits();
    return updateRecord(row, changes);
}

bool PresetRecordSet::refuseWrite()
{
    if (m_available)
        return false;
    emit status((m_locked ? texts::presetDatabaseBusy : texts::presetDatabaseUnavailable) +
                m_unavailableReason);
    return true;
}

QVariant PresetRecordSet::storedValue(int position, const QVariant& value, QString* refused) const
{
    const QString& name = m_fields[position];
    if (presetvalues::isNumberField(name)) {
        *refused = presetvalues::whyRefused(name, value);
        if (!refused->isEmpty())
            return {};
        return *presetvalues::toNumber(value);
    }
    if (value.isNull() || value.toString().isEmpty())
        return {};
    return value.toString();
}

int PresetRecordSet::fieldPosition(const QString& name) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QStringList PresetRecordSet::fieldNames() const
{
    return m_fields;
}

QVariant PresetRecordSet::field(const QString& name) const
{
    const int position = fieldPosition(name);
    const int row = currentRow();
    if (position < 0 || row < 0)
        return {};
    return value(row, position);
}

QVariant PresetRecordSet::value(int row, int column) const
{
    if (row < 0 || row >= RecordCount() || column < 0 || column >= m_records[row].values.size())
        return {};
    const QVariant& v = m_records[row].values[column];
    return v.isNull() ? QVariant() : v;
}
