#pragma once

#include <QStringList>
#include <QTableView>

#include <functional>

namespace px {

// A table view that edits like a spreadsheet: typing always edits the current cell (there
// is no keyboard search that could move it), Tab and the arrow keys move, check-box cells
// (those the model marks user-checkable) toggle with a click or the space bar, and
// drop-down columns offer a fixed list. Ctrl+Tab and Ctrl+Shift+Tab leave the table for
// the next or previous control. The column titles and the row numbers of the vertical
// header stay fixed.
class GridView final : public QTableView {
    Q_OBJECT
public:
    explicit GridView(QWidget* parent = nullptr);

    // Shows the model; its user-checkable columns get check-box cells.
    void setTableModel(QAbstractItemModel* model);

    // Makes `col` a drop-down column offering exactly `items`.
    void setComboColumn(int col, const QStringList& items);

    // The row of the current cell (from 0); 0 when none is current.
    int currentRow() const;
    // Stores the text of a cell still being edited and closes its editor.
    void commitEdit();
    // Closes the editor of a cell still being edited without storing its text.
    void discardEdit();
    // Moves the cell cursor to a cell.
    void setCurrentCell(int row, int col);

    // Field jumping: while `enabled` answers true at the key press, Enter (also inside a
    // cell editor, whose text is then stored) moves to the next cell, then to the first
    // column of the next row, and from the last cell back to the first; the key goes no
    // further.
    void setJumpOnEnter(std::function<bool()> enabled) { m_jumpOnEnter = std::move(enabled); }
    // Double click on a column title: while `enabled` answers true, the column takes the
    // width of its widest text, title included, with no extra margin.
    void setAutoSizeOnTitleDoubleClick(std::function<bool()> enabled) { m_autoSize = std::move(enabled); }
    void titleDoubleClicked(int col);

    using QTableView::edit;
    // Typing never searches: a key that does not edit the current cell does nothing.
    void keyboardSearch(const QString& search) override;

protected:
    // A cell editor lets the undo and redo keys pass to the editor's history instead of
    // taking them for its own text.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // A key typed while a click on the current cell still waits for a possible double
    // click edits that cell at once instead of being lost or moving elsewhere.
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    // Tab and Backtab end the edit and move to the next or previous cell without opening
    // its editor, so that typing there starts a fresh edit.
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    bool jumping() const { return m_jumpOnEnter && m_jumpOnEnter(); }
    void leave(bool forward);
    void jumpToNextCell();

    std::function<bool()> m_jumpOnEnter;
    std::function<bool()> m_autoSize;
};

} // namespace px
