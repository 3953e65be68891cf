// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractItemDelegate>
#include <QObject>

class PresetRecordSet;
class PresetTableModel;
class QModelIndex;
class QTableView;

// Binds the grid `DBGrid1` to the preset record set: the grid's current
// row is the record set's current record both ways (the new-record row is
// the cursor after the last record), an edited row is written whole when
// it is left (another row, Enter, the grid losing focus, the window
// closing), and the Delete key removes the rows picked with the record
// selectors. Before anything else moves the cursor or changes the table,
// an open cell editor and the row it belongs to are written first.
class PresetGridBinding final : public QObject
{
    Q_OBJECT
public:
    PresetGridBinding(QTableView& grid, PresetRecordSet& presets, QObject* parent = nullptr);

    PresetTableModel& model() { return *m_model; }

signals:
    void status(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* openEditor() const;
    bool focusInGrid() const;
    void closeWithItsText(QWidget* editor);
    // Takes the text of an open cell editor (or refuses it with the
    // message) and writes the edited row.
    void writeOpenEdit();
    // Tab in the new-record row's last cell; false when not there.
    bool tabFromTheNewRecord(QWidget* editor);
    void onEditorClosed(QAbstractItemDelegate::EndEditHint hint);
    void afterEditorClosed();
    void followRecordSet();
    void onGridRowChanged(const QModelIndex& current);
    void deleteSelectedRows();

    QTableView& m_grid;
    PresetRecordSet& m_presets;
    PresetTableModel* m_model;
    bool m_following = false;
};
