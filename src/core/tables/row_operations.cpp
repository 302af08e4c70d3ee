#include "core/tables/row_operations.h"

#include "core/base/int_text.h"
#include "core/base/text_rules.h"
#include "core/lang/message_table.h"
#include "core/platform/prompter.h"

namespace px {
namespace {

bool isDataRow(const TextGrid& grid, int row)
{
    return row >= 1 && row < grid.rowCount();
}

void copyRowCells(TextGrid& grid, int from, int to)
{
    for (int c = 1; c < grid.colCount(); ++c)
        grid.setCell(to, c, grid.cell(from, c));
}

} // namespace

void Delete_Row(int row, TextGrid& grid)
{
    if (!isDataRow(grid, row))
        return;
    for (int r = row; r <= grid.rowCount() - 2; ++r)
        copyRowCells(grid, r + 1, r);
    grid.clearRow(grid.rowCount() - 1);
}

void Insert_Row(int row, TextGrid& grid, bool preset)
{
    if (!isDataRow(grid, row))
        return;
    for (int r = grid.rowCount() - 2; r >= row; --r)
        copyRowCells(grid, r, r + 1);
    grid.clearRow(row);
    if (preset)
        grid.setCell(row, 1, QStringLiteral("Y"));
}

void Copy_Row(const TextGrid& grid, int row, RowClipboard& clipboard)
{
    clipboard.texts.clear();
    for (int c = 1; c < grid.colCount(); ++c)
        clipboard.texts << grid.cell(row, c);
}

PasteDecision decidePaste(const TextGrid& grid, int row, bool copied, const RowClipboard& clipboard)
{
    if (!copied)
        return PasteDecision::NotCopied;
    if (clipboard.texts.size() != grid.colCount() - 1)
        return PasteDecision::WrongColumns;
    for (int c = 1; c < grid.colCount(); ++c) {
        if (!grid.isCheckBoxColumn(c) && !grid.cell(row, c).trimmed().isEmpty())
            return PasteDecision::AskOverwrite;
    }
    return PasteDecision::Write;
}

void writePastedRow(TextGrid& grid, int row, const RowClipboard& clipboard)
{
    if (!isDataRow(grid, row))
        return;
    for (int c = 1; c < grid.colCount() && c <= clipboard.texts.size(); ++c)
        grid.setCell(row, c, clipboard.texts[c - 1]);
}

bool Paste_Row(TextGrid& grid, int row, bool copied, const RowClipboard& clipboard, Prompter& prompter,
               const MessageTable& messages)
{
    switch (decidePaste(grid, row, copied, clipboard)) {
    case PasteDecision::NotCopied:
        prompter.error(messages[397]);
        return false;
    case PasteDecision::WrongColumns:
        prompter.error(messages[396]);
        return false;
    case PasteDecision::AskOverwrite:
        if (!prompter.yesNo(messages[395]))
            return false;
        break;
    case PasteDecision::Write:
        break;
    }
    writePastedRow(grid, row, clipboard);
    return true;
}

CellPos Enter_Next_Cell(const TextGrid& grid, CellPos current)
{
    if (current.row <= 0 || current.col <= 0)
        return current;
    if (current.col < grid.colCount() - 1)
        return {current.row, current.col + 1};
    if (current.row < grid.rowCount() - 1)
        return {current.row + 1, 1};
    return {1, 1};
}

bool Invalid_IP(const QString& text)
{
    if (text.isEmpty())
        return true;
    QString rest = text;
    for (int part = 0; part < 4; ++part) {
        QString item;
        if (part < 3) {
            const qsizetype dot = rest.indexOf(u'.');
            if (dot < 0)
                return true; // a missing part
            item = rest.left(dot);
            rest = rest.mid(dot + 1);
        } else {
            item = rest;
        }
        const std::int32_t value = toInt32(item, -1);
        if (value < 0 || value > 255)
            return true;
    }
    return false;
}

int Check_Byte_List(const QString& text, int expected)
{
    if (text.isEmpty())
        return 0;
    int count = 0;
    bool bad = false;
    // Items are read in place, left to right; a comma at the very end leaves nothing after
    // it and so ends the list without an empty item.
    const QStringView all(text);
    qsizetype from = 0;
    while (from < all.size()) {
        const qsizetype comma = all.indexOf(u',', from);
        const qsizetype end = comma < 0 ? all.size() : comma;
        const std::int32_t value = toInt32(trimBlanks(all.sliced(from, end - from)), -1);
        if (value < 0 || value > 255) {
            bad = true;
            break;
        }
        ++count;
        from = end + 1;
    }
    if (count != expected)
        return 2;
    return bad ? 1 : 0;
}

} // namespace px
