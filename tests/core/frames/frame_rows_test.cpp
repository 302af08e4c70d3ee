#include "core/frames/frame_list.h"

#include "core/lang/message_table.h"

#include <gtest/gtest.h>

namespace px {
namespace {

QStringList list(std::initializer_list<const char*> texts)
{
    QStringList out;
    for (const char* t : texts)
        out << QString::fromUtf8(t);
    return out;
}

// The jumper receive editor's rows: Cob-ID|Dimension|TimeOut (a check box)|Mnemonic, the
// first ones given as "|"-separated texts.
FrameList rowsOf(const std::vector<const char*>& rows)
{
    FrameList frames(FrameListKind::ReceiveJumper);
    for (std::size_t r = 0; r < rows.size(); ++r)
        frames.setRowTexts(static_cast<int>(r), QString::fromUtf8(rows[r]).split(u'|'));
    return frames;
}

QStringList firstRows(const FrameList& frames, int count)
{
    QStringList out;
    for (int r = 0; r < count; ++r)
        out << frames.rowTexts(r).join(u'|');
    return out;
}

TEST(FrameRows, DeleteAndInsertMoveRowsWithinTheFixedTable)
{
    const std::vector<const char*> full = {"a|1|Y|m", "b|2|N|", "c|3||", "d|4|Y|"};
    const int last = frameListRows(FrameListKind::ReceiveJumper) - 1;
    const struct {
        const char* what;
        std::vector<const char*> before;
        int row;
        bool insert;
        std::initializer_list<const char*> after;
    } cases[] = {
        {"delete row 2", full, 1, false, {"a|1|Y|m", "c|3||", "d|4|Y|", "|||"}},
        {"delete row 1 above empty rows", {"a|1|Y|m"}, 0, false, {"|||", "|||", "|||", "|||"}},
        {"delete the last row only empties it", full, last, false, {"a|1|Y|m", "b|2|N|", "c|3||", "d|4|Y|"}},
        {"insert at row 2", full, 1, true, {"a|1|Y|m", "|||", "b|2|N|", "c|3||"}},
        {"a row outside the table changes nothing", full, last + 1, true, {"a|1|Y|m", "b|2|N|", "c|3||", "d|4|Y|"}},
        {"nor does a negative row", full, -1, false, {"a|1|Y|m", "b|2|N|", "c|3||", "d|4|Y|"}},
    };
    for (const auto& c : cases) {
        FrameList frames = rowsOf(c.before);
        if (c.insert)
            frames.insertEmptyRow(c.row);
        else
            frames.removeRow(c.row);
        EXPECT_EQ(firstRows(frames, 4), list(c.after)) << c.what;
        EXPECT_EQ(frames.rowCount(), last + 1) << c.what;
    }

    // Insert loses the last row's content; delete and insert on the last row empty it.
    FrameList frames = rowsOf(full);
    frames.setRowTexts(last, list({"z", "9", "Y", "end"}));
    frames.insertEmptyRow(1);
    EXPECT_EQ(frames.rowTexts(last).join(u'|'), QStringLiteral("|||"));
    frames.setRowTexts(last, list({"z", "9", "Y", "end"}));
    frames.insertEmptyRow(last);
    EXPECT_EQ(frames.rowTexts(last).join(u'|'), QStringLiteral("|||"));
    frames.setRowTexts(last, list({"z", "9", "Y", "end"}));
    frames.removeRow(last);
    EXPECT_EQ(frames.rowTexts(last).join(u'|'), QStringLiteral("|||"));
}

TEST(FrameRows, PasteDecidesFromTheCopyFlagTheWidthAndTextOutsideCheckBoxes)
{
    const RowClipboard four{list({"x", "9", "Y", "m"})};
    const struct {
        const char* what;
        const char* target;
        bool copied;
        RowClipboard clip;
        PasteDecision expected;
    } cases[] = {
        {"no copy in this showing", "|||", false, four, PasteDecision::NotCopied},
        {"no copy wins over a wrong width", "|||", false, RowClipboard{list({"x"})}, PasteDecision::NotCopied},
        {"another width", "|||", true, RowClipboard{list({"x", "9"})}, PasteDecision::WrongColumns},
        {"an empty clipboard", "|||", true, RowClipboard{}, PasteDecision::WrongColumns},
        {"free row", "|||", true, four, PasteDecision::Write},
        {"blanks only", "  | ||", true, four, PasteDecision::Write},
        {"only the check box holds text", "||Y|", true, four, PasteDecision::Write},
        {"text in a data cell", "|5||", true, four, PasteDecision::AskOverwrite},
        {"text in the last cell", "|||m", true, four, PasteDecision::AskOverwrite},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decidePaste(rowsOf({c.target}), 0, c.copied, c.clip), c.expected) << c.what;
}

TEST(FrameRows, CheckByteList)
{
    using B = ByteListCheck;
    const struct {
        const char* text;
        int expected;
        B result;
    } cases[] = {
        {"", 0, B::Valid}, {"", 8, B::Valid}, {"1,2,3", 3, B::Valid}, {"1, 2 ,3", 3, B::Valid},
        {"1,2,3,", 3, B::Valid}, {"0,255", 2, B::Valid}, {"$FF,0x10", 2, B::Valid}, {"1,2,3", 4, B::WrongCount},
        {"1,,2", 2, B::WrongCount}, {",1", 1, B::WrongCount}, {"1,256", 1, B::BadByte}, {"1,256", 2, B::WrongCount},
        {"1,2,3,999", 4, B::WrongCount}, {"1,2,3,999", 3, B::BadByte}, {"0,256", 2, B::WrongCount},
        {"0,1,256", 2, B::BadByte}, {"1,x,2", 1, B::BadByte}, {"-1", 0, B::BadByte}, {"1,2,", 3, B::WrongCount},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(checkByteList(QString::fromUtf8(c.text), c.expected), c.result)
            << c.text << " / " << c.expected;
    }

    // A hand-edited cell of any length is read to its end: the fault far behind the eighth
    // byte is still found (bench_byte_list times two million bytes).
    const int many = 10'000;
    const QString longList = QStringLiteral("1,").repeated(many) + QStringLiteral("256");
    EXPECT_EQ(checkByteList(longList, many), B::BadByte);
    EXPECT_EQ(checkByteList(longList, 8), B::WrongCount);
}

} // namespace
} // namespace px
