// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <QHash>

class PresetRecordSet;

// The grid's view of the preset record set: one row per record in table
// order, the fields as columns, and an empty new-record row below the last.
//
// Typed values are checked at once (a refused one never enters the row)
// and held with the row until commitRow(), which the grid calls when the
// row is left or taken with Enter, and before anything else changes the
// table; the row then goes to the table in one write. The row header
// is the record selector: "▶" on the record set's current record, "✎" on a
// row with edits not yet written, "*" on the new-record row.
class PresetTableModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    static inline const QString currentMark = QStringLiteral("\u25B6");
    static inline const QString editedMark = QStringLiteral("\u270E");
    static inline const QString newRecordMark = QStringLiteral("*");

    explicit PresetTableModel(PresetRecordSet& presets, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    int newRecordRow() const;
    // The row with edits not yet written, or -1.
    int editedRow() const { return m_editedRow; }
    // Writes the edited row: changes to a record, or a new record appended.
    void commitRow();
    // Removes whole records; the new-record row is not one.
    void removeRecords(const QList<int>& rows);

signals:
    void status(const QString& text);

private:
    void onCurrentChanged();
    void clearEdits();

    PresetRecordSet& m_presets;
    int m_editedRow = -1;
    QHash<int, QVariant> m_edits;
};
