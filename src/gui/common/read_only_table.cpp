#include "gui/common/read_only_table.h"

#include <QHeaderView>
#include <QTableView>

namespace px {

QTableView* readOnlyTableView(const char* name, QAbstractItemModel* model, QWidget* parent)
{
    auto* view = new QTableView(parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setAccessibleName(QString::fromLatin1(name));
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(20);
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

} // namespace px
