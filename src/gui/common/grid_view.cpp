#include "gui/common/grid_view.h"

#include "gui/common/grid_delegates.h"
#include "gui/common/snapshot_undo.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QShortcut>

namespace px {

GridView::GridView(QWidget* parent) : QTableView(parent)
{
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked
                    | QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(true);
    // The row numbers: fixed, and no way to select or resize a row by them.
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionsClickable(false);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    connect(horizontalHeader(), &QHeaderView::sectionDoubleClicked, this, &GridView::titleDoubleClicked);

    // Tab moves between the cells and wraps around, so the keyboard needs another way out
    // of the table to the buttons: Ctrl+Tab forward, Ctrl+Shift+Tab back, also from a cell
    // being edited.
    auto* forward = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this, [this] { leave(true); });
    auto* back = new QShortcut(this);
    back->setKeys({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
                   QKeySequence(Qt::CTRL | Qt::Key_Backtab)});
    connect(back, &QShortcut::activated, this, [this] { leave(false); });
    for (QShortcut* shortcut : {forward, back})
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
}

void GridView::leave(bool forward)
{
    // The edited text is kept, as when the editor loses the focus.
    commitEdit();
    // QWidget's own focus step, not the item view's, which would move to the next cell.
    QWidget::focusNextPrevChild(forward);
}

void GridView::setTableModel(QAbstractItemModel* model)
{
    setModel(model);
    auto* checkBox = new GridCheckBoxDelegate(this);
    for (int c = 0; c < model->columnCount(); ++c) {
        if (model->flags(model->index(0, c)) & Qt::ItemIsUserCheckable)
            setItemDelegateForColumn(c, checkBox);
    }
}

void GridView::setComboColumn(int col, const QStringList& items)
{
    setItemDelegateForColumn(col, new GridComboDelegate(items, this));
}

int GridView::currentRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : 0;
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

void GridView::discardEdit()
{
    if (QWidget* editor = indexWidget(currentIndex()))
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
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

void GridView::keyboardSearch(const QString& search)
{
    // The view's type-to-search would move the cell cursor to another row whose text
    // starts with the typed key, and the rest of the typing would then replace that row's
    // value: typed text belongs to the current cell only.
    Q_UNUSED(search)
}

bool GridView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    // A second click on the current cell opens its editor only after the double-click
    // interval, and until then the view refuses to start an edit from the keyboard. An
    // edit attempt for a change of the current cell (no edit trigger of this view) stops
    // that pending opening without opening anything, so the key then starts the edit.
    if (trigger == AnyKeyPressed && state() != EditingState)
        QTableView::edit(index, CurrentChanged, nullptr);
    const bool editing = QTableView::edit(index, trigger, event);
    if (editing) {
        if (QWidget* editor = indexWidget(index))
            editor->installEventFilter(this);
    }
    return editing;
}

bool GridView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride && watched != viewport()
        && isUndoRedoKey(static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

void GridView::keyPressEvent(QKeyEvent* event)
{
    // Enter in a cell editor comes here too, as the editor passes it on; moving the cell
    // cursor then stores the edited text.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && jumping()) {
        jumpToNextCell();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void GridView::jumpToNextCell()
{
    const QModelIndex current = currentIndex();
    if (!model() || !current.isValid())
        return;
    // Right, then the first cell of the next row, then from the last cell back to the first.
    if (current.column() + 1 < model()->columnCount())
        setCurrentCell(current.row(), current.column() + 1);
    else if (current.row() + 1 < model()->rowCount())
        setCurrentCell(current.row() + 1, 0);
    else
        setCurrentCell(0, 0);
}

void GridView::titleDoubleClicked(int col)
{
    if (!model() || !m_autoSize || !m_autoSize())
        return;
    const QFontMetrics titleFont = horizontalHeader()->fontMetrics();
    int widest = titleFont.horizontalAdvance(model()->headerData(col, Qt::Horizontal).toString());
    for (int r = 0; r < model()->rowCount(); ++r)
        widest = std::max(widest, fontMetrics().horizontalAdvance(model()->index(r, col).data().toString()));
    setColumnWidth(col, widest);
}

void GridView::setCurrentCell(int row, int col)
{
    if (model())
        setCurrentIndex(model()->index(row, col));
}

} // namespace px
