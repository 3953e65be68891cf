// SPDX-License-Identifier: GPL-3.0-or-later
#include "PresetTableModel.h"

#include "PresetRecordSet.h"
#include "PresetValues.h"
#include "Texts.h"

PresetTableModel::PresetTableModel(PresetRecordSet& presets, QObject* parent)
    : QAbstractTableModel(parent)
    , m_presets(presets)
{
    connect(&m_presets, &PresetRecordSet::aboutToReset, this, [this] {
        commitRow();
        beginResetModel();
    });
    connect(&m_presets, &PresetRecordSet::reset, this, [this] { endResetModel(); });
    // Inserted before the new-record row rather than reset: a reset would
    // close a cell editor open in another row and drop its text.
    connect(&m_presets, &PresetRecordSet::aboutToAppend, this, [this](int row) {
        beginInsertRows({}, row, row);
        if (m_editedRow >= row)
            ++m_editedRow;
    });
    connect(&m_presets, &PresetRecordSet::appended, this, [this](int row) {
        endInsertRows();
        emit headerDataChanged(Qt::Vertical, row, rowCount() - 1);
    });
    connect(&m_presets, &PresetRecordSet::recordChanged, this,
            [this](int row) { emit dataChanged(index(row, 0), index(row, columnCount() - 1)); });
    connect(&m_presets, &PresetRecordSet::currentChanged, this,
            &PresetTableModel::onCurrentChanged);
}

int PresetTableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_presets.isAvailable())
        return 0;
    return m_presets.RecordCount() + 1;
}

int PresetTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_presets.fieldNames().size());
}

int PresetTableModel::newRecordRow() const
{
    return m_presets.isAvailable() ? m_presets.RecordCount() : -1;
}

QVariant PresetTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    if (index.row() == m_editedRow && m_edits.contains(index.column()))
        return m_edits.value(index.column());
    // As text: a number would get a spin box editor with its own narrow
    // range, and a locale's rendering of it.
    const QVariant value = m_presets.value(index.row(), index.column());
    return value.isValid() ? QVariant(value.toString()) : QVariant();
}

QVariant PresetTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return m_presets.fieldNames().value(section);
    if (section == m_editedRow)
        return editedMark;
    if (section == newRecordRow())
        return newRecordMark;
    if (section == m_presets.currentRow())
        return currentMark;
    return QString();
}

Qt::ItemFlags PresetTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool PresetTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    const int row = index.row();
    const bool newRecord = row == newRecordRow();
    const QString field = m_presets.fieldNames().value(index.column());
    // Leaving the new-record row empty adds nothing.
    if (newRecord && m_editedRow != row && value.toString().trimmed().isEmpty())
        return false;
    const QString why = presetvalues::whyRefused(field, value);
    if (!why.isEmpty()) {
        emit status((newRecord ? texts::presetNotStored : texts::presetNotChanged) + why);
        return false;
    }
    if (m_editedRow != row) {
        if (!newRecord && value.toString() == data(index, Qt::EditRole).toString())
            return true;
        commitRow();
        m_editedRow = row;
    }
    m_edits.insert(index.column(), value.toString().trimmed());
    emit dataChanged(index, index);
    emit headerDataChanged(Qt::Vertical, row, row);
    return true;
}

void PresetTableModel::clearEdits()
{
    const int row = m_editedRow;
    m_editedRow = -1;
    m_edits.clear();
    if (row >= 0 && row < rowCount()) {
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        emit headerDataChanged(Qt::Vertical, row, row);
    }
}

void PresetTableModel::commitRow()
{
    if (m_editedRow < 0)
        return;
    const int row = m_editedRow;
    const QHash<int, QVariant> edits = m_edits;
    // Cleared first: the signals of the write below must find the row written.
    clearEdits();
    if (row == m_presets.RecordCount()) {
        m_presets.appendRecord(edits);
    } else {
        m_presets.updateRecord(row, edits);
    }
}

void PresetTableModel::removeRecords(const QList<int>& rows)
{
    QList<int> records;
    for (int row : rows) {
        if (row >= 0 && row < m_presets.RecordCount())
            records.append(row);
    }
    // Edits of a row that goes are dropped with it.
    if (records.contains(m_editedRow))
        clearEdits();
    m_presets.removeRecords(records);
}

void PresetTableModel::onCurrentChanged()
{
    const int rows = rowCount();
    if (rows > 0)
        emit headerDataChanged(Qt::Vertical, 0, rows - 1);
}
