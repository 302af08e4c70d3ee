#include "gui/common/grid_view.h"

#include "gui/common/grid_model.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace px {
namespace {

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

// A grid of 3 data rows and 2 data columns, shown.
class GridViewTest : public ::testing::Test {
protected:
    GridViewTest()
    {
        TextGrid g(3, 2);
        g.setTitles({s("N"), s("A"), s("A much longer title")});
        g.setCell(2, 1, s("a rather long cell text in column one"));
        model.setGrid(g);
        view.setGridModel(&model);
        view.show();
    }
    ~GridViewTest() override { view.close(); }

    QModelIndex at(int row, int col) const { return model.indexOf(row, col); }

    GridModel model;
    GridView view;
};

TEST_F(GridViewTest, EnterJumpsThroughTheCellsOnlyWhileTheOptionIsSet)
{
    bool jump = true;
    view.setJumpOnEnter([&jump] { return jump; });
    const struct {
        int row, col;
        int toRow, toCol;
    } cases[] = {{1, 1, 1, 2}, {1, 2, 2, 1}, {3, 2, 1, 1}};
    for (const auto& c : cases) {
        view.setCurrentCell(c.row, c.col);
        QTest::keyClick(&view, Qt::Key_Return);
        EXPECT_EQ(view.currentIndex(), at(c.toRow, c.toCol)) << c.row << "," << c.col;
        EXPECT_EQ(view.indexWidget(view.currentIndex()), nullptr) << "no editor opened";
    }

    // Enter inside a cell editor stores the text and moves on.
    view.setCurrentCell(2, 2);
    QTest::keyClick(&view, Qt::Key_X);
    QWidget* editor = view.indexWidget(view.currentIndex());
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(model.grid().cell(2, 2), s("x"));
    EXPECT_EQ(view.currentIndex(), at(3, 1));

    jump = false;
    QTest::keyClick(&view, Qt::Key_Return);
    EXPECT_EQ(view.currentIndex(), at(3, 1));
}

TEST_F(GridViewTest, TitleDoubleClickSizesTheColumnToItsWidestTextOnlyWhileTheOptionIsSet)
{
    bool autoSize = false;
    view.setAutoSizeOnTitleDoubleClick([&autoSize] { return autoSize; });
    view.setColumnWidth(1, 40);
    view.setColumnWidth(2, 40);
    QHeaderView* header = view.horizontalHeader();
    const auto doubleClickTitle = [header](int col) {
        const QPoint centre(header->sectionViewportPosition(col) + header->sectionSize(col) / 2, header->height() / 2);
        QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, centre);
    };

    doubleClickTitle(1);
    EXPECT_EQ(view.columnWidth(1), 40);

    autoSize = true;
    doubleClickTitle(1);
    EXPECT_EQ(view.columnWidth(1), view.fontMetrics().horizontalAdvance(model.grid().cell(2, 1)));
    doubleClickTitle(2);
    EXPECT_EQ(view.columnWidth(2), header->fontMetrics().horizontalAdvance(s("A much longer title")));

    // A double click on a data cell sizes nothing.
    view.Title_Double_Click(2, 1);
    view.setColumnWidth(1, 33);
    view.Title_Double_Click(2, 1);
    EXPECT_EQ(view.columnWidth(1), 33);
}

TEST(GridCheckBoxCells, ACheckedCellLooksCheckedAndDiffersFromAClearOne)
{
    TextGrid g(3, 1);
    g.setTitles({s("N"), s("TimeOut")});
    g.setCheckBoxColumn(1);
    g.setCell(1, 1, s("Y"));
    g.setCell(2, 1, s("N"));
    GridModel model;
    model.setGrid(g);
    GridView view;
    view.setGridModel(&model);
    view.resize(300, 200);
    view.show();
    const auto picture = [&](int row) {
        return view.viewport()->grab(view.visualRect(model.indexOf(row, 1))).toImage();
    };
    const QImage checked = picture(1);
    const QImage clear = picture(2);
    const QImage empty = picture(3);
    EXPECT_NE(checked, clear);
    // A clear box is drawn as a box, not as a dot: it covers more than a few pixels.
    int marked = 0;
    for (int y = 0; y < clear.height(); ++y)
        for (int x = 0; x < clear.width(); ++x)
            marked += clear.pixel(x, y) != clear.pixel(0, 0);
    EXPECT_GT(marked, 20);
    EXPECT_EQ(clear, empty); // a cell never toggled shows as a clear box
    view.close();
}

TEST(GridViewFocus, CtrlTabLeavesTheGridWhereTabMovesBetweenCells)
{
    // A field before the grid and a button after it, as in the editors.
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto* before = new QLineEdit(&window);
    GridModel model;
    model.setGrid(TextGrid(3, 2));
    auto* grid = new GridView(&window);
    grid->setGridModel(&model);
    auto* after = new QPushButton(&window);
    layout->addWidget(before);
    layout->addWidget(grid);
    layout->addWidget(after);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    const struct {
        const char* what;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool editing;
        QWidget* to;
    } cases[] = {
        {"Ctrl+Tab", Qt::Key_Tab, Qt::ControlModifier, false, after},
        {"Ctrl+Shift+Tab", Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, false, before},
        {"Ctrl+Tab in a cell editor", Qt::Key_Tab, Qt::ControlModifier, true, after},
    };
    for (const auto& c : cases) {
        grid->setFocus();
        grid->setCurrentCell(2, 1);
        QWidget* target = grid;
        if (c.editing) {
            QTest::keyClick(grid, Qt::Key_Q);
            target = grid->indexWidget(grid->currentIndex());
            ASSERT_NE(target, nullptr) << c.what;
        }
        QTest::keyClick(target, c.key, c.modifiers);
        EXPECT_EQ(QApplication::focusWidget(), c.to) << c.what;
        EXPECT_EQ(grid->currentIndex(), model.indexOf(2, 1)) << c.what << ": the cell cursor stays";
    }
    EXPECT_EQ(model.grid().cell(2, 1), s("q")) << "the edited text is stored on leaving";

    // Tab alone still moves to the next cell.
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), grid);
    EXPECT_EQ(grid->currentIndex(), model.indexOf(2, 2));
}

} // namespace
} // namespace px
