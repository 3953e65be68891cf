// SPDX-License-Identifier: GPL-3.0-or-later
#include "PresetGridBinding.h"

#include "PresetRecordSet.h"
#include "PresetTableModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>

#include <algorithm>

PresetGridBinding::PresetGridBinding(QTableView& grid, PresetRecordSet& presets, QObject* parent)
    : QObject(parent)
    , m_grid(grid)
    , m_presets(presets)
    , m_model(new PresetTableModel(presets, this))
{
    m_grid.setModel(m_model);
    m_grid.setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    m_grid.setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid.horizontalHeader()->setDefaultSectionSize(64);
    m_grid.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid.verticalHeader()->setDefaultSectionSize(m_grid.fontMetrics().height() + 4);
    m_grid.verticalHeader()->setMinimumWidth(m_grid.fontMetrics().height() + 4);
    m_grid.verticalHeader()->setDefaultAlignment(Qt::AlignCenter);

    connect(m_model, &PresetTableModel::status, this, &PresetGridBinding::status);
    connect(m_grid.selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &PresetGridBinding::onGridRowChanged);
    // A reset gives the grid a fresh selection model's state; put the mark back.
    connect(m_model, &QAbstractItemModel::modelReset, this, &PresetGridBinding::followRecordSet);
    connect(&m_presets, &PresetRecordSet::currentChanged, this,
            &PresetGridBinding::followRecordSet);
    connect(m_grid.itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) { onEditorClosed(hint); });
    connect(&m_presets, &PresetRecordSet::editsDue, this, &PresetGridBinding::writeOpenEdit);
    // A cell editor has the delegate's key handling by the time it takes
    // the focus; watching it from then on comes before that handling.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && now->parentWidget() == m_grid.viewport())
            now->installEventFilter(this);
    });

    m_grid.installEventFilter(this);
    if (QWidget* window = m_grid.window(); window != &m_grid)
        window->installEventFilter(this);
    followRecordSet();
}

QWidget* PresetGridBinding::openEditor() const
{
    // Cell editors are the viewport's only child widgets, hidden once closed.
    const auto children = m_grid.viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    const auto open = std::find_if(children.cbegin(), children.cend(),
                                   [](const QWidget* child) { return child->isVisible(); });
    return open == children.cend() ? nullptr : *open;
}

bool PresetGridBinding::focusInGrid() const
{
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == &m_grid || m_grid.isAncestorOf(focus));
}

void PresetGridBinding::closeWithItsText(QWidget* editor)
{
    // What the delegate itself does when its editor loses the focus.
    QAbstractItemDelegate* delegate = m_grid.itemDelegate();
    emit delegate->commitData(editor);
    emit delegate->closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void PresetGridBinding::writeOpenEdit()
{
    if (QWidget* editor = openEditor())
        closeWithItsText(editor);
    m_model->commitRow();
}

bool PresetGridBinding::tabFromTheNewRecord(QWidget* editor)
{
    const QModelIndex cell = m_grid.currentIndex();
    const int newRecord = m_model->newRecordRow();
    if (cell.row() != newRecord || cell.column() != m_model->columnCount() - 1)
        return false;
    // The view would wrap round to the first preset's first cell, where the
    // next typing would change it. The row is written and the next new
    // record starts instead.
    closeWithItsText(editor);
    m_model->commitRow();
    const QModelIndex next = m_model->index(m_model->newRecordRow(), 0);
    m_grid.setCurrentIndex(next);
    m_grid.edit(next);
    return true;
}

void PresetGridBinding::onEditorClosed(QAbstractItemDelegate::EndEditHint hint)
{
    // Enter: the view has taken the text and closed the editor by now.
    if (hint == QAbstractItemDelegate::SubmitModelCache)
        m_model->commitRow();
    // Tab has opened the next cell's editor only once this returns.
    QMetaObject::invokeMethod(this, &PresetGridBinding::afterEditorClosed, Qt::QueuedConnection);
}

void PresetGridBinding::afterEditorClosed()
{
    if (openEditor())
        return;
    // The editor lost its focus to a control outside the grid. With no
    // focus at all (another application) the row waits for the operator.
    if (QApplication::focusWidget() && !focusInGrid())
        m_model->commitRow();
    followRecordSet();
}

void PresetGridBinding::followRecordSet()
{
    // Moving the grid's current cell would close the operator's editor.
    if (openEditor())
        return;
    QItemSelectionModel* selection = m_grid.selectionModel();
    const int row = m_presets.currentRow();
    const QModelIndex current = selection->currentIndex();
    if (row < 0 ? !current.isValid() : current.row() == row)
        return;
    // The cursor after the last record is where the new-record row stands.
    if (row < 0 && m_presets.isEOF() && current.row() == m_model->newRecordRow())
        return;
    m_following = true;
    if (row < 0) {
        selection->clearCurrentIndex();
    } else {
        const QModelIndex target = m_model->index(row, qMax(0, current.column()));
        selection->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
        m_grid.scrollTo(target);
    }
    m_following = false;
}

void PresetGridBinding::onGridRowChanged(const QModelIndex& current)
{
    if (!m_following && current.isValid())
        m_presets.moveTo(current.row());
    // The row was left. Its write changes the model, which must not
    // happen inside the selection model's own signal.
    const int edited = m_model->editedRow();
    if (edited >= 0 && current.row() != edited)
        QMetaObject::invokeMethod(m_model, &PresetTableModel::commitRow, Qt::QueuedConnection);
}

void PresetGridBinding::deleteSelectedRows()
{
    QList<int> rows;
    for (const QModelIndex& index : m_grid.selectionModel()->selectedRows())
        rows.append(index.row());
    if (!rows.isEmpty())
        m_model->removeRecords(rows);
}

bool PresetGridBinding::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_grid) {
        if (event->type() == QEvent::KeyPress && !openEditor()) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Delete) {
                deleteSelectedRows();
                return true;
            }
            // Enter on a row whose editor is already closed takes it too.
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                m_model->commitRow();
        }
        // Focus going to a cell editor stays within the grid.
        if (event->type() == QEvent::FocusOut && !focusInGrid())
            m_model->commitRow();
    } else if (watched == m_grid.window()) {
        if (event->type() == QEvent::Close)
            writeOpenEdit();
    } else if (event->type() == QEvent::KeyPress) {
        // A cell editor's key, before the delegate handles it.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier &&
            tabFromTheNewRecord(static_cast<QWidget*>(watched)))
            return true;
    }
    return QObject::eventFilter(watched, event);
}
