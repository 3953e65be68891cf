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
            &PresetGridBinding::followRecordSet, Qt::QueuedConnection);

    m_grid.installEventFilter(this);
    if (QWidget* window = m_grid.window(); window != &m_grid)
        window->installEventFilter(this);
    followRecordSet();
}

bool PresetGridBinding::editing() const
{
    // Cell editors are the viewport's only child widgets, hidden once closed.
    const auto children = m_grid.viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    return std::any_of(children.cbegin(), children.cend(),
                       [](const QWidget* child) { return child->isVisible(); });
}

void PresetGridBinding::followRecordSet()
{
    // Moving the grid's current cell would close the operator's editor.
    if (editing())
        return;
    QItemSelectionModel* selection = m_grid.selectionModel();
    const int row = m_presets.currentRow();
    const QModelIndex current = selection->currentIndex();
    if (row < 0 ? !current.isValid() : current.row() == row)
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
    // The row was left. Its write may reset the model, which must not
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
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete && !editing()) {
            deleteSelectedRows();
            return true;
        }
        if (event->type() == QEvent::FocusOut) {
            // Focus going to the cell editor stays within the grid.
            QWidget* focus = QApplication::focusWidget();
            if (!focus || !m_grid.isAncestorOf(focus))
                m_model->commitRow();
        }
    } else if (event->type() == QEvent::Close) {
        // Text still in an open cell editor reaches the model only when the
        // editor loses focus; take it there now, or closing would drop it.
        QWidget* focus = QApplication::focusWidget();
        if (focus && m_grid.viewport()->isAncestorOf(focus))
            m_grid.setFocus();
        m_model->commitRow();
    }
    return QObject::eventFilter(watched, event);
}
