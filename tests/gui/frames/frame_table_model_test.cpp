#include "gui/frames/frame_table_model.h"

#include "core/lang/message_table.h"
#include "support/fake_prompter.h"

#include <gtest/gtest.h>

#include <deque>

namespace px {
namespace {

// The jumper receive editor's rows: Cob-ID|Dimension|TimeOut (a check box)|Mnemonic.
FrameList rowsOf(const std::vector<const char*>& rows)
{
    FrameList frames(FrameListKind::ReceiveJumper);
    for (std::size_t r = 0; r < rows.size(); ++r)
        frames.setRowTexts(static_cast<int>(r), QString::fromUtf8(rows[r]).split(u'|'));
    return frames;
}

// Paste Row asks what the core's decision needs: refusals as error boxes, the overwrite
// question as Yes/No; the row is written only when allowed, its check box included.
TEST(FrameTableModel, PasteShowsItsMessagesAndWritesOnlyWhenAllowed)
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
        {"refused before a copy", "p|1||", false, {}, "Error!!! Copy a valid row before Paste it", "", "p|1||"},
        {"overwrite declined", "p|1||", true, {false}, "", "Row Already used. Do you want to overwrite the values?", "p|1||"},
        {"overwrite accepted", "p|1||", true, {true}, "", "Row Already used. Do you want to overwrite the values?", "a|1|Y|m"},
        {"free row written with its check box", "||N|", true, {}, "", "", "a|1|Y|m"},
    };
    for (const auto& c : cases) {
        const RowClipboard clip{rowsOf({"a|1|Y|m"}).rowTexts(0)};
        FrameTableModel model(FrameListKind::ReceiveJumper);
        model.setFrames(rowsOf({c.target}));
        test::FakePrompter prompter;
        prompter.yesNoAnswers = c.answers;
        model.pasteRow(0, c.copied, clip, prompter, messages);
        EXPECT_EQ(prompter.errors.value(0), QString::fromUtf8(c.error)) << c.what;
        EXPECT_EQ(prompter.questions.value(0), QString::fromUtf8(c.question)) << c.what;
        EXPECT_EQ(model.frames().rowTexts(0).join(u'|'), QString::fromUtf8(c.after)) << c.what;
    }

    FrameTableModel model(FrameListKind::ReceiveJumper);
    test::FakePrompter prompter;
    EXPECT_FALSE(model.pasteRow(0, true, RowClipboard{QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}},
                                prompter, messages));
    EXPECT_EQ(prompter.errors, QStringList{QStringLiteral("Error in the Copy values!!! Copy a valid row before Paste it")});
}

} // namespace
} // namespace px
