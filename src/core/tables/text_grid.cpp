#include "core/tables/text_grid.h"

#include <algorithm>

namespace px {

TextGrid::TextGrid(int dataRows, int dataCols)
    : m_rows(std::max(dataRows, 0) + 1),
      m_cols(std::max(dataCols, 0) + 1),
      m_cells(static_cast<std::size_t>(m_rows) * static_cast<std::size_t>(m_cols)),
      m_checkBox(static_cast<std::size_t>(m_cols), false)
{
    clearData();
}

const QString& TextGrid::cell(int row, int col) const
{
    static const QString empty;
    if (!contains(row, col))
        return empty;
    return m_cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(m_cols) + static_cast<std::size_t>(col)];
}

void TextGrid::setCell(int row, int col, const QString& text)
{
    if (contains(row, col))
        m_cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(m_cols) + static_cast<std::size_t>(col)] = text;
}

void TextGrid::setTitles(const std::vector<QString>& titles)
{
    for (int c = 0; c < m_cols && c < static_cast<int>(titles.size()); ++c)
        setCell(0, c, titles[static_cast<std::size_t>(c)]);
}

void TextGrid::setCheckBoxColumn(int col, bool checkBox)
{
    if (col > 0 && col < m_cols)
        m_checkBox[static_cast<std::size_t>(col)] = checkBox;
}

bool TextGrid::isCheckBoxColumn(int col) const
{
    return col > 0 && col < m_cols && m_checkBox[static_cast<std::size_t>(col)];
}

void TextGrid::clearData()
{
    for (int r = 1; r < m_rows; ++r) {
        setCell(r, 0, QString::number(r));
        clearRow(r);
    }
}

void TextGrid::clearRow(int row)
{
    for (int c = 1; c < m_cols; ++c)
        setCell(row, c, QString());
}

} // namespace px
