#pragma once

class QAbstractItemModel;
class QTableView;
class QWidget;

namespace px {

// A table that shows a live model: whole rows selected, nothing edited, no row numbers,
// compact rows, the last column taking the rest of the width. Named `name` (object and
// accessible name).
QTableView* readOnlyTableView(const char* name, QAbstractItemModel* model, QWidget* parent);

} // namespace px
