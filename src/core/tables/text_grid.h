#pragma once

#include <QString>

#include <vector>

namespace px {

// A table of text cells as the table editors show it: row 0 holds the column titles,
// column 0 the fixed row numbers (1, 2, ...), the data cells are rows 1 to rowCount() - 1
// and columns 1 to colCount() - 1. The size is fixed when the table is made. Some
// columns show a check box; their cells hold "Y", "N" or stay empty until toggled.
class TextGrid {
public:
    TextGrid() = default;
    // A table with `dataRows` data rows and `dataCols` data columns, numbered and empty.
    TextGrid(int dataRows, int dataCols);

    int rowCount() const { return m_rows; }
    int colCount() const { return m_cols; }

    // A cell outside the table reads as empty and ignores writes.
    const QString& cell(int row, int col) const;
    void setCell(int row, int col, const QString& text);

    void setTitles(const std::vector<QString>& titles); // column 0 first
    void setCheckBoxColumn(int col, bool checkBox = true);
    bool isCheckBoxColumn(int col) const;

    // Empties every data cell and writes the row numbers into column 0.
    void clearData();
    // Empties the data cells of one row.
    void clearRow(int row);

private:
    bool contains(int row, int col) const { return row >= 0 && row < m_rows && col >= 0 && col < m_cols; }

    int m_rows = 1;
    int m_cols = 1;
    std::vector<QString> m_cells = std::vector<QString>(1);
    std::vector<bool> m_checkBox = std::vector<bool>(1, false);
};

} // namespace px
