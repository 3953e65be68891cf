#pragma once

#include <QObject>

class PresetRecordSet;
class PresetTableModel;
class QModelIndex;
class QTableView;

// Binds the grid `DBGrid1` to the preset record set: the grid's current
// row is the record set's current record both ways, an edited row is
// written when it is left (another row, the grid losing focus, the window
// closing), and the Delete key removes the rows picked with the record
// selectors. While a cell is being edited the record set may move on (a
// sequenced step); the grid catches up when the editor closes.
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
    bool editing() const;
    void followRecordSet();
    void onGridRowChanged(const QModelIndex& current);
    void deleteSelectedRows();

    QTableView& m_grid;
    PresetRecordSet& m_presets;
    PresetTableModel* m_model;
    bool m_following = false;
};
