#include "gui/common/grid_view.h"

#include "gui/common/grid_model.h"

#include <QHeaderView>
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

} // namespace
} // namespace px
