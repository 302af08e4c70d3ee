#include "core/tables/row_operations.h"

#include "core/lang/message_table.h"
#include "support/fake_prompter.h"

#include <gtest/gtest.h>

namespace px {
namespace {

// A table of 4 data rows and 3 data columns; column 3 is a check box. Each row is
// written as one text with the cells separated by "|".
TextGrid gridOf(const std::vector<const char*>& rows)
{
    TextGrid g(4, 3);
    g.setCheckBoxColumn(3);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const QStringList cells = QString::fromUtf8(rows[static_cast<std::size_t>(r)]).split(u'|');
        for (int c = 0; c < cells.size(); ++c)
            g.setCell(r + 1, c + 1, cells[c]);
    }
    return g;
}

QStringList rowsOf(const TextGrid& g)
{
    QStringList out;
    for (int r = 1; r < g.rowCount(); ++r) {
        QStringList cells;
        for (int c = 1; c < g.colCount(); ++c)
            cells << g.cell(r, c);
        out << cells.join(u'|');
    }
    return out;
}

QStringList list(std::initializer_list<const char*> texts)
{
    QStringList out;
    for (const char* t : texts)
        out << QString::fromUtf8(t);
    return out;
}

QStringList numbersOf(const TextGrid& g)
{
    QStringList out;
    for (int r = 1; r < g.rowCount(); ++r)
        out << g.cell(r, 0);
    return out;
}

TEST(RowOperations, DeleteAndInsertMoveRowsWithinTheFixedTable)
{
    const std::vector<const char*> full = {"a|1|Y", "b|2|N", "c|3|", "d|4|Y"};
    const struct {
        const char* what;
        std::vector<const char*> before;
        int row;
        bool insert;
        bool preset;
        std::initializer_list<const char*> after;
    } cases[] = {
        {"delete row 2", full, 2, false, false, {"a|1|Y", "c|3|", "d|4|Y", "||"}},
        {"delete the last row only empties it", full, 4, false, false, {"a|1|Y", "b|2|N", "c|3|", "||"}},
        {"delete row 1 above empty rows", {"a|1|Y"}, 1, false, false, {"||", "||", "||", "||"}},
        {"insert at row 2 loses the last row", full, 2, true, false, {"a|1|Y", "||", "b|2|N", "c|3|"}},
        {"insert at the last row empties it", full, 4, true, false, {"a|1|Y", "b|2|N", "c|3|", "||"}},
        {"insert with preset puts Y in column 1", full, 1, true, true, {"Y||", "a|1|Y", "b|2|N", "c|3|"}},
        {"a row outside the table changes nothing", full, 5, false, false, {"a|1|Y", "b|2|N", "c|3|", "d|4|Y"}},
        {"row 0 is the title row", full, 0, true, false, {"a|1|Y", "b|2|N", "c|3|", "d|4|Y"}},
    };
    for (const auto& c : cases) {
        TextGrid g = gridOf(c.before);
        if (c.insert)
            Insert_Row(c.row, g, c.preset);
        else
            Delete_Row(c.row, g);
        EXPECT_EQ(rowsOf(g), list(c.after)) << c.what;
        EXPECT_EQ(numbersOf(g), list({"1", "2", "3", "4"})) << c.what;
    }
}

TEST(RowOperations, PasteDecidesFromTheCopyFlagTheWidthAndTextOutsideCheckBoxes)
{
    const RowClipboard three{list({"x", "9", "Y"})};
    const struct {
        const char* what;
        const char* target;
        bool copied;
        RowClipboard clip;
        PasteDecision expected;
    } cases[] = {
        {"no copy in this showing", "||", false, three, PasteDecision::NotCopied},
        {"no copy wins over a wrong width", "||", false, RowClipboard{list({"x"})}, PasteDecision::NotCopied},
        {"another width", "||", true, RowClipboard{list({"x", "9"})}, PasteDecision::WrongColumns},
        {"an empty clipboard", "||", true, RowClipboard{}, PasteDecision::WrongColumns},
        {"free row", "||", true, three, PasteDecision::Write},
        {"blanks only", "  | |", true, three, PasteDecision::Write},
        {"only the check box holds text", "||Y", true, three, PasteDecision::Write},
        {"text in a data cell", "|5|", true, three, PasteDecision::AskOverwrite},
    };
    for (const auto& c : cases) {
        const TextGrid g = gridOf({c.target});
        EXPECT_EQ(decidePaste(g, 1, c.copied, c.clip), c.expected) << c.what;
    }
}

TEST(RowOperations, PasteShowsItsMessagesAndWritesOnlyWhenAllowed)
{
    const MessageTable messages;
    const struct {
        const char* what;
        const char* target;
        bool copied;
        std::deque<bool> answers;
        const char* error;
        const char* question;
        const char* after;
    } cases[] = {
        {"refused before a copy", "p|1|", false, {}, "Error!!! Copy a valid row before Paste it", "", "p|1|"},
        {"overwrite declined", "p|1|", true, {false}, "", "Row Already used. Do you want to overwrite the values?", "p|1|"},
        {"overwrite accepted", "p|1|", true, {true}, "", "Row Already used. Do you want to overwrite the values?", "a|1|Y"},
        {"free row written with its check box", "||N", true, {}, "", "", "a|1|Y"},
    };
    for (const auto& c : cases) {
        TextGrid source = gridOf({"a|1|Y"});
        RowClipboard clip;
        Copy_Row(source, 1, clip);
        TextGrid g = gridOf({c.target});
        test::FakePrompter prompter;
        prompter.yesNoAnswers = c.answers;
        Paste_Row(g, 1, c.copied, clip, prompter, messages);
        EXPECT_EQ(prompter.errors.value(0), QString::fromUtf8(c.error)) << c.what;
        EXPECT_EQ(prompter.questions.value(0), QString::fromUtf8(c.question)) << c.what;
        EXPECT_EQ(rowsOf(g).value(0), QString::fromUtf8(c.after)) << c.what;
    }

    TextGrid narrow(2, 2);
    test::FakePrompter prompter;
    Paste_Row(narrow, 1, true, RowClipboard{list({"a", "b", "c"})}, prompter, messages);
    EXPECT_EQ(prompter.errors, list({"Error in the Copy values!!! Copy a valid row before Paste it"}));
}

TEST(RowOperations, CopyReplacesTheClipboard)
{
    RowClipboard clip{list({"old"})};
    Copy_Row(gridOf({"a|1|Y", "b| 2 |"}), 2, clip);
    EXPECT_EQ(clip.texts, list({"b", " 2 ", ""}));
}

TEST(RowOperations, EnterMovesRightThenDownAndWrapsToTheFirstCell)
{
    const TextGrid g(4, 3);
    const struct {
        CellPos from;
        CellPos to;
    } cases[] = {
        {{2, 1}, {2, 2}}, {{2, 3}, {3, 1}}, {{4, 3}, {1, 1}}, {{0, 2}, {0, 2}}, {{2, 0}, {2, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Enter_Next_Cell(g, c.from), c.to) << c.from.row << "," << c.from.col;
    }
}

TEST(RowOperations, InvalidIp)
{
    const struct {
        const char* text;
        bool invalid;
    } cases[] = {
        {"10.0.0.1", false}, {"192.168.1.125", false}, {"0.0.0.0", false}, {"255.255.255.255", false},
        {"0x0A.0.0.$FF", false}, {"10.0.0", true}, {"10.0.0.1.5", true}, {"10.0.0.256", true},
        {"10..0.1", true}, {"", true}, {"10.0.0.1.", true}, {"10.0.0.1 ", true}, {"10.-1.0.1", true},
        {"a.b.c.d", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Invalid_IP(QString::fromUtf8(c.text)), c.invalid) << c.text;
}

TEST(RowOperations, CheckByteList)
{
    const struct {
        const char* text;
        int expected;
        int result;
    } cases[] = {
        {"", 0, 0}, {"", 8, 0}, {"1,2,3", 3, 0}, {"1, 2 ,3", 3, 0}, {"1,2,3,", 3, 0},
        {"0,255", 2, 0}, {"$FF,0x10", 2, 0}, {"1,2,3", 4, 2}, {"1,,2", 2, 2}, {",1", 1, 2},
        {"1,256", 1, 1}, {"1,256", 2, 2}, {"1,2,3,999", 4, 2}, {"1,2,3,999", 3, 1},
        {"0,256", 2, 2}, {"0,1,256", 2, 1}, {"1,x,2", 1, 1}, {"-1", 0, 1}, {"1,2,", 3, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Check_Byte_List(QString::fromUtf8(c.text), c.expected), c.result) << c.text << " / " << c.expected;

    // A hand-edited cell of any length is read to its end in one pass (this one took minutes
    // when the rest of the text was copied at every comma).
    const int many = 2'000'000;
    const QString longList = QStringLiteral("1,").repeated(many) + QStringLiteral("256");
    EXPECT_EQ(Check_Byte_List(longList, many), 1);
    EXPECT_EQ(Check_Byte_List(longList, 8), 2);
}

} // namespace
} // namespace px
