#pragma once

#include <QStringList>

namespace px {

// The one row clipboard of the program, shared by every table editor: the texts of the
// data cells of the row copied last. Kept for the whole run, across editors and showings.
struct RowClipboard {
    QStringList texts;
};

} // namespace px
