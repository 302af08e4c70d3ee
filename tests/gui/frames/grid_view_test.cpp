#include "gui/common/grid_view.h"

#include "gui/frames/frame_table_model.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>

#include <gtest/gtest.h>

namespace px {
namespace {

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

// A table of 3 rows and 2 columns, shown.
class GridViewTest : public ::testing::Test {
protected:
    GridViewTest()
    {
        model.setHorizontalHeaderLabels({s("A"), s("A much longer title")});
        model.setItem(1, 0, new QStandardItem(s("a rather long cell text in column one")));
        view.setTableModel(&model);
        view.show();
    }
    ~GridViewTest() override { view.close(); }

    QModelIndex at(int row, int col) const { return model.index(row, col); }

    QStandardItemModel model{3, 2};
    GridView view;
};

TEST_F(GridViewTest, EnterJumpsThroughTheCellsOnlyWhileTheOptionIsSet)
{
    bool jump = true;
    view.setJumpOnEnter([&jump] { return jump; });
    const struct {
        int row, col;
        int toRow, toCol;
    } cases[] = {{0, 0, 0, 1}, {0, 1, 1, 0}, {2, 1, 0, 0}};
    for (const auto& c : cases) {
        view.setCurrentCell(c.row, c.col);
        QTest::keyClick(&view, Qt::Key_Return);
        EXPECT_EQ(view.currentIndex(), at(c.toRow, c.toCol)) << c.row << "," << c.col;
        EXPECT_EQ(view.indexWidget(view.currentIndex()), nullptr) << "no editor opened";
    }

    // Enter inside a cell editor stores the text and moves on.
    view.setCurrentCell(1, 1);
    QTest::keyClick(&view, Qt::Key_X);
    QWidget* editor = view.indexWidget(view.currentIndex());
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(at(1, 1).data().toString(), s("x"));
    EXPECT_EQ(view.currentIndex(), at(2, 0));

    jump = false;
    QTest::keyClick(&view, Qt::Key_Return);
    EXPECT_EQ(view.currentIndex(), at(2, 0));
}

TEST_F(GridViewTest, TitleDoubleClickSizesTheColumnToItsWidestTextOnlyWhileTheOptionIsSet)
{
    bool autoSize = false;
    view.setAutoSizeOnTitleDoubleClick([&autoSize] { return autoSize; });
    view.setColumnWidth(0, 40);
    view.setColumnWidth(1, 40);
    QHeaderView* header = view.horizontalHeader();
    const auto doubleClickTitle = [header](int col) {
        const QPoint centre(header->sectionViewportPosition(col) + header->sectionSize(col) / 2, header->height() / 2);
        QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, centre);
    };

    doubleClickTitle(0);
    EXPECT_EQ(view.columnWidth(0), 40);

    autoSize = true;
    doubleClickTitle(0);
    EXPECT_EQ(view.columnWidth(0), view.fontMetrics().horizontalAdvance(at(1, 0).data().toString()));
    doubleClickTitle(1);
    EXPECT_EQ(view.columnWidth(1), header->fontMetrics().horizontalAdvance(s("A much longer title")));

    // A double click on a data cell sizes nothing.
    view.setColumnWidth(0, 33);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(at(1, 0)).center());
    EXPECT_EQ(view.columnWidth(0), 33);
}

TEST(GridCheckBoxCells, ACheckedCellLooksCheckedAndDiffersFromAClearOne)
{
    // The time-out check box of the jumper receive editor: "Y", "N" and never toggled.
    FrameList frames(FrameListKind::ReceiveJumper);
    frames.setText(0, FrameColumn::Supervised, s("Y"));
    frames.setText(1, FrameColumn::Supervised, s("N"));
    FrameTableModel model(FrameListKind::ReceiveJumper);
    model.setFrames(frames);
    GridView view;
    view.setTableModel(&model);
    view.resize(400, 200);
    view.show();
    const auto picture = [&](int row) {
        return view.viewport()->grab(view.visualRect(model.cellIndex(row, FrameColumn::Supervised))).toImage();
    };
    const QImage checked = picture(0);
    const QImage clear = picture(1);
    const QImage empty = picture(2);
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
    QStandardItemModel model(3, 2);
    auto* grid = new GridView(&window);
    grid->setTableModel(&model);
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
        grid->setCurrentCell(1, 0);
        QWidget* target = grid;
        if (c.editing) {
            QTest::keyClick(grid, Qt::Key_Q);
            target = grid->indexWidget(grid->currentIndex());
            ASSERT_NE(target, nullptr) << c.what;
        }
        QTest::keyClick(target, c.key, c.modifiers);
        EXPECT_EQ(QApplication::focusWidget(), c.to) << c.what;
        EXPECT_EQ(grid->currentIndex(), model.index(1, 0)) << c.what << ": the cell cursor stays";
    }
    EXPECT_EQ(model.index(1, 0).data().toString(), s("q")) << "the edited text is stored on leaving";

    // Tab alone still moves to the next cell.
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), grid);
    EXPECT_EQ(grid->currentIndex(), model.index(1, 1));
}

} // namespace
} // namespace px
