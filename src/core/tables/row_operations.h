#pragma once

#include "core/tables/row_clipboard.h"
#include "core/tables/text_grid.h"

#include <QString>

namespace px {

class MessageTable;
class Prompter;

// The row operations shared by the table editors. `row` is always the grid index of the
// table's current row (1 for the first data row), the number the user sees in column 0.
// None of them adds or removes rows; a row outside the data rows leaves the table as it is.

// Moves the rows below `row` up by one; the last row becomes empty.
void Delete_Row(int row, TextGrid& grid);

// Moves `row` and the rows below it down by one (the last row's content is lost) and
// empties `row`; with `preset`, column 1 of the emptied row gets "Y".
void Insert_Row(int row, TextGrid& grid, bool preset);

// Replaces the clipboard with the texts of the row's data cells, column 1 first.
void Copy_Row(const TextGrid& grid, int row, RowClipboard& clipboard);

// What a paste onto `row` does, decided before anything is shown or changed.
enum class PasteDecision {
    NotCopied,      // no copy in this showing: message 397
    WrongColumns,   // the clipboard holds another number of cells: message 396
    AskOverwrite,   // the row holds text outside its check-box columns: ask message 395
    Write,          // the row is free: write at once
};
PasteDecision decidePaste(const TextGrid& grid, int row, bool copied, const RowClipboard& clipboard);

// Writes the clipboard into the row's data cells, check-box columns included.
void writePastedRow(TextGrid& grid, int row, const RowClipboard& clipboard);

// The whole paste: refusals as error boxes, the overwrite question as Yes/No. Returns
// true when the row was written.
bool Paste_Row(TextGrid& grid, int row, bool copied, const RowClipboard& clipboard, Prompter& prompter,
               const MessageTable& messages);

// Where the cell cursor goes when Enter is pressed in (row, col) with field jumping on:
// the next column, or column 1 of the next row, or row 1 after the last row. A cursor in
// the title row or the row-number column stays where it is.
struct CellPos {
    int row = 0;
    int col = 0;
    bool operator==(const CellPos&) const = default;
};
CellPos Enter_Next_Cell(const TextGrid& grid, CellPos current);

// True when the text is not a dotted IPv4 address of four parts from 0 to 255.
bool Invalid_IP(const QString& text);

// A comma-separated list of byte values against the frame's data length `expected`:
// 0 valid (an empty text included), 1 a value outside 0 to 255, 2 another number of
// values than expected (this result wins over 1).
int Check_Byte_List(const QString& text, int expected);

} // namespace px
