#include "gui/common/grid_view.h"

#include "gui/common/grid_delegates.h"
#include "gui/common/grid_model.h"

#include <QHeaderView>

namespace px {

GridView::GridView(QWidget* parent) : QTableView(parent)
{
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked
                    | QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(true);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
}

void GridView::setGridModel(GridModel* model)
{
    m_model = model;
    setModel(model);
    auto* checkBox = new GridCheckBoxDelegate(this);
    for (int c = 1; c < model->columnCount(); ++c) {
        if (model->grid().isCheckBoxColumn(c))
            setItemDelegateForColumn(c, checkBox);
    }
    horizontalHeader()->resizeSection(0, fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 8);
}

void GridView::setComboColumn(int col, const QStringList& items)
{
    setItemDelegateForColumn(col, new GridComboDelegate(items, this));
}

int GridView::currentGridRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? GridModel::gridRow(current) : 1;
}

void GridView::commitEdit()
{
    if (state() != QAbstractItemView::EditingState)
        return;
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void GridView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (hint != QAbstractItemDelegate::EditNextItem && hint != QAbstractItemDelegate::EditPreviousItem) {
        QTableView::closeEditor(editor, hint);
        return;
    }
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    const QModelIndex next =
        moveCursor(hint == QAbstractItemDelegate::EditNextItem ? MoveNext : MovePrevious, Qt::NoModifier);
    if (next.isValid())
        setCurrentIndex(next);
}

void GridView::setCurrentCell(int gridRow, int col)
{
    if (m_model)
        setCurrentIndex(m_model->indexOf(gridRow, col));
}

} // namespace px
