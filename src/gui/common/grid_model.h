#pragma once

#include "core/tables/text_grid.h"

#include <QAbstractTableModel>

namespace px {

// A table model over a TextGrid. Model row r shows grid row r + 1 (the grid's title row
// is the header), model column c is grid column c: column 0 shows the fixed row numbers
// and cannot be edited nor take the cell cursor. Cells of check-box columns hold "Y", "N" or nothing and show a
// check box, checked for "Y" only.
class GridModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(QObject* parent = nullptr);

    const TextGrid& grid() const { return m_grid; }
    // Direct access for the row operations; call refresh() after changing cells.
    TextGrid& grid() { return m_grid; }
    void setGrid(TextGrid grid);
    // Tells the views that every cell and title may have changed.
    void refresh();

    // The grid row of a model index and back.
    static int gridRow(const QModelIndex& index) { return index.row() + 1; }
    QModelIndex indexOf(int gridRow, int col) const { return index(gridRow - 1, col); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    TextGrid m_grid;
};

} // namespace px
