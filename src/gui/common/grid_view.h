#pragma once

#include <QStringList>
#include <QTableView>

namespace px {

class GridModel;

// A table view over a GridModel that edits like a spreadsheet: typing starts editing the
// current cell, Tab and the arrow keys move, check-box columns toggle with a click or the
// space bar, and drop-down columns offer a fixed list. The title row and the row-number
// column stay fixed.
class GridView final : public QTableView {
    Q_OBJECT
public:
    explicit GridView(QWidget* parent = nullptr);

    // Shows the model; its check-box columns get check-box cells.
    void setGridModel(GridModel* model);
    GridModel* gridModel() const { return m_model; }

    // Makes `col` a drop-down column offering exactly `items`.
    void setComboColumn(int col, const QStringList& items);

    // The grid row of the current cell (1 for the first data row); 1 when none is current.
    int currentGridRow() const;
    // Stores the text of a cell still being edited and closes its editor.
    void commitEdit();
    // Moves the cell cursor to a data cell.
    void setCurrentCell(int gridRow, int col);

protected:
    // Tab and Backtab end the edit and move to the next or previous cell without opening
    // its editor, so that typing there starts a fresh edit.
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    GridModel* m_model = nullptr;
};

} // namespace px
