#include "gui/common/pick_list.h"

namespace px {

int PickList::selectedRow() const
{
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.first());
}

void PickList::keyboardSearch(const QString& search)
{
    Q_UNUSED(search)
}

void PickList::focusInEvent(QFocusEvent* event)
{
    const bool hadCurrent = currentIndex().isValid();
    QListWidget::focusInEvent(event);
    // The view makes its first line current when it takes the focus; without a selection
    // that line would look chosen while it is not.
    if (!hadCurrent && selectedItems().isEmpty())
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

} // namespace px
