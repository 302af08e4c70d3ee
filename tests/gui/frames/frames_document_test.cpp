// The frame editors on the open configuration: frames keep their registers when rows are
// inserted, deleted or moved; an empty row never cuts the list; a file another program
// changed meanwhile is not overwritten unasked; a second instance saves nothing.

#include "gui/frames/receive_frames_dialogs.h"
#include "gui/frames/transmit_frames_dialogs.h"

#include "core/base/atomic_file.h"
#include "core/config/configuration.h"
#include "core/lang/message_ids.h"
#include "gui/common/grid_view.h"
#include "gui/frames/frame_table_model.h"
#include "support/config_builders.h"
#include "support/fake_prompter.h"
#include "support/temp_home.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace px {
namespace {

using C = FrameColumn;
using config::Direction;

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

class FramesDocumentTest : public ::testing::Test {
protected:
    FramesDocumentTest() { home.activate(s("Plant")); }

    // Frames 0x181 and 0x182 in both directions of a configuration of `device`, with
    // registers 100 and 101 on frame 1 and 200 on frame 2 (and `extra` more frames).
    void writeConfiguration(DeviceType device, int extra = 0)
    {
        config::Configuration c;
        c.general.deviceType = device;
        QStringList ids{s("0x181"), s("0x182")};
        for (int i = 0; i < extra; ++i)
            ids << QStringLiteral("0x%1").arg(0x183 + i, 0, 16);
        for (const QString& id : ids) {
            config::ReceiveFrame r = config::newReceiveFrame(c);
            r.cobId = id;
            r.dimension = s("8");
            r.mnemonic = id;
            c.receiveFrames.push_back(r);
            config::TransmitFrame t = config::newTransmitFrame(c);
            t.cobId = id;
            t.dimension = s("8");
            t.mnemonic = id;
            c.transmitFrames.push_back(t);
        }
        for (const Direction d : {Direction::Receive, Direction::Transmit})
            c.mappings(d) = {test::mappingEntry(100, 1, 1, 2), test::mappingEntry(101, 1, 3, 4), test::mappingEntry(200, 2, 1, 0)};
        config::writeConfiguration(c, folder(), {config::ConfigFile::GeneralParameters, config::ConfigFile::ReceiveFrames,
                                                 config::ConfigFile::TransmitFrames, config::ConfigFile::ReceiveMappings,
                                                 config::ConfigFile::TransmitMappings});
    }

    QString folder() const { return home.session.ws.configurationFolder; }

    std::unique_ptr<CanFramesDialog> make(FrameListKind kind, Session& session)
    {
        switch (kind) {
        case FrameListKind::ReceiveJumper: return std::make_unique<ReceiveFramesJumperDialog>(session, prompter);
        case FrameListKind::ReceiveDip: return std::make_unique<ReceiveFramesDipDialog>(session, prompter);
        case FrameListKind::TransmitJumper: return std::make_unique<TransmitFramesJumperDialog>(session, prompter);
        case FrameListKind::TransmitDip: break;
        }
        return std::make_unique<TransmitFramesDipDialog>(session, prompter);
    }

    // Shown active with the table focused, as a user finds it.
    static GridView* showFocused(CanFramesDialog& d)
    {
        d.show();
        QApplication::setActiveWindow(&d);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
        d.reload();
        auto* v = d.findChild<GridView*>(s("frameTable"));
        v->setFocus();
        return v;
    }
    static void click(QDialog& d, const char* name)
    {
        QTest::mouseClick(d.findChild<QPushButton*>(s(name)), Qt::LeftButton);
    }

    // Fills row `row` (from 1) as a new frame 0x180: the Cob-ID typed, the other required
    // cells of the editor set.
    static void fillNewFrame(CanFramesDialog& d, int row)
    {
        auto* v = d.findChild<GridView*>(s("frameTable"));
        FrameTableModel* m = d.tableModel();
        v->setCurrentIndex(m->cellIndex(row - 1, C::CobId));
        QTest::keyClick(v, Qt::Key_0);  // the first key opens the cell editor
        QWidget* editor = v->indexWidget(v->currentIndex());
        ASSERT_NE(editor, nullptr);
        QTest::keyClicks(editor, s("x180"));
        QTest::keyClick(editor, Qt::Key_Tab);
        for (const auto& [column, value] : {std::pair{C::Type, kCobType11}, std::pair{C::Dimension, s("8")},
                                            std::pair{C::TimeOut, s("0")}}) {
            if (m->frames().columnIndex(column) >= 0)
                m->setData(m->cellIndex(row - 1, column), value, Qt::EditRole);
        }
    }

    // "register:frame number" of each entry of the mapping file on disk.
    QString mappingOnDisk(Direction d) const
    {
        const config::Configuration c = config::readConfiguration(folder());
        QStringList lines;
        for (const config::MappingEntry& e : c.mappings(d))
            lines << QStringLiteral("%1:%2").arg(e.registerIndex).arg(e.frameNumber);
        return lines.join(u' ');
    }
    QString identifiersOnDisk(Direction d) const
    {
        const config::Configuration c = config::readConfiguration(folder());
        QStringList ids;
        for (int i = 0; i < c.frameCount(d); ++i)
            ids << c.frame(d, i).cobId;
        return ids.join(u' ');
    }

    test::TempHome home;
    test::FakePrompter prompter;
};

// Insert Row, Delete Row and Move Up on both directions of both device generations: OK
// writes the frame file and the mapping file with every register still on its frame.
TEST_F(FramesDocumentTest, InsertDeleteAndMoveKeepTheRegistersOnTheirFrames)
{
    enum class Op { Insert, Delete, MoveUp, MoveDown };
    const struct {
        Op op;
        const char* identifiers;
        const char* mapping;
    } cases[] = {
        {Op::Insert, "0x180 0x181 0x182", "100:2 101:2 200:3"},
        {Op::Delete, "0x182", "200:1"},
        {Op::MoveUp, "0x182 0x181", "200:1 100:2 101:2"},
        {Op::MoveDown, "0x182 0x181", "200:1 100:2 101:2"},
    };
    for (const FrameListKind kind : {FrameListKind::ReceiveJumper, FrameListKind::TransmitJumper,
                                     FrameListKind::ReceiveDip, FrameListKind::TransmitDip}) {
        const Direction d = isReceiveList(kind) ? Direction::Receive : Direction::Transmit;
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << "editor " << static_cast<int>(kind) << ", case " << static_cast<int>(c.op));
            writeConfiguration(isDipSwitchList(kind) ? kDipSwitchDevice : kJumperDevice);
            test::FakePrompter fresh;
            std::swap(prompter, fresh);
            auto dialog = make(kind, home.session);
            GridView* v = showFocused(*dialog);
            switch (c.op) {
            case Op::Insert:
                click(*dialog, "insertRowButton");
                fillNewFrame(*dialog, 1);
                break;
            case Op::Delete:
                prompter.yesNoAnswers = {true};
                click(*dialog, "deleteRowButton");
                EXPECT_EQ(prompter.questions,
                          QStringList{s("Frame 1 has these registers mapped to it: 100, 101.\n"
                                        "Delete the frame together with these registers?")});
                break;
            case Op::MoveUp:
                v->setCurrentCell(1, 2);
                QTest::keyClick(v, Qt::Key_Up, Qt::ControlModifier);
                EXPECT_EQ(v->currentIndex(), dialog->tableModel()->index(0, 2)) << "the cell moves with its row";
                break;
            case Op::MoveDown:
                v->setCurrentCell(0, 0);
                click(*dialog, "moveDownButton");
                EXPECT_EQ(v->currentIndex(), dialog->tableModel()->index(1, 0));
                break;
            }
            dialog->accept();
            EXPECT_EQ(prompter.errors, QStringList());
            EXPECT_FALSE(dialog->isVisible());
            EXPECT_EQ(identifiersOnDisk(d), s(c.identifiers));
            EXPECT_EQ(mappingOnDisk(d), s(c.mapping));
            const Direction other = d == Direction::Receive ? Direction::Transmit : Direction::Receive;
            EXPECT_EQ(mappingOnDisk(other), s("100:1 101:1 200:2")) << "the other direction is untouched";
        }
    }
}

TEST_F(FramesDocumentTest, DeletingAFrameWithRegistersCanBeDeclinedAndAnEmptiedLastRowAsksAtOk)
{
    writeConfiguration(kDipSwitchDevice);
    ReceiveFramesDipDialog d(home.session, prompter);
    GridView* v = showFocused(d);
    v->setCurrentCell(1, 0);
    prompter.yesNoAnswers = {false};
    click(d, "deleteRowButton");
    EXPECT_EQ(d.frames().text(1, C::CobId), s("0x182")) << "No keeps the frame";

    // Emptying the Cob-ID of the last frame drops it from the list: OK names its register.
    d.tableModel()->setData(d.tableModel()->cellIndex(1, C::CobId), QString(), Qt::EditRole);
    prompter.yesNoAnswers = {false};
    d.accept();
    EXPECT_EQ(prompter.questions.last(), s("The frames no longer in the list have these registers mapped to them: 200.\n"
                                           "Delete these registers together with the frames?"));
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(mappingOnDisk(Direction::Receive), s("100:1 101:1 200:2"));
    prompter.yesNoAnswers = {true};
    d.accept();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(mappingOnDisk(Direction::Receive), s("100:1 101:1"));
}

// An empty row with frames below it: OK names the row, makes its Cob-ID current and writes
// nothing, on every editor.
TEST_F(FramesDocumentTest, AnEmptyRowAboveFramesIsRefusedAndSelected)
{
    for (const FrameListKind kind : {FrameListKind::ReceiveJumper, FrameListKind::TransmitJumper,
                                     FrameListKind::ReceiveDip, FrameListKind::TransmitDip}) {
        SCOPED_TRACE(static_cast<int>(kind));
        writeConfiguration(isDipSwitchList(kind) ? kDipSwitchDevice : kJumperDevice, 1);
        const QByteArray before = test::readFile(folder() + (isReceiveList(kind) ? s("/RCobDef.xml") : s("/TCobDef.xml")));
        test::FakePrompter fresh;
        std::swap(prompter, fresh);
        auto d = make(kind, home.session);
        GridView* v = showFocused(*d);
        v->setCurrentCell(1, 0);
        click(*d, "insertRowButton");
        d->accept();
        ASSERT_EQ(prompter.errors.size(), 1);
        EXPECT_EQ(prompter.errors[0],
                  s("Error row 2 !! The Cob-ID is empty while rows below it hold frames: fill it in or delete the row"));
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(v->currentIndex(), d->tableModel()->cellIndex(1, C::CobId));
        EXPECT_TRUE(v->hasFocus());
        EXPECT_EQ(test::readFile(folder() + (isReceiveList(kind) ? s("/RCobDef.xml") : s("/TCobDef.xml"))), before);
        d->reject();
    }
}

// Another program (the command line's import) adds a frame and a register while the editor
// is open: OK asks, and each answer does what it says.
TEST_F(FramesDocumentTest, AFileChangedBehindAnOpenEditorIsNotOverwrittenUnasked)
{
    const struct {
        Prompter::Answer answer;
        bool open;
        const char* identifiers;  // on disk after the answer
        const char* table;        // Cob-IDs of the first three rows after the answer
    } cases[] = {
        {Prompter::Answer::Cancel, true, "0x181 0x182 0x190", "0x181 0x182 0x1A0"},
        {Prompter::Answer::No, true, "0x181 0x182 0x190", "0x181 0x182 0x190"},
        {Prompter::Answer::Yes, false, "0x181 0x182 0x1A0", "0x181 0x182 0x1A0"},
    };
    for (const auto& c : cases) {
        writeConfiguration(kDipSwitchDevice);
        test::FakePrompter fresh;
        std::swap(prompter, fresh);
        ReceiveFramesDipDialog d(home.session, prompter);
        showFocused(d);
        fillNewFrame(d, 3);
        d.tableModel()->setData(d.tableModel()->cellIndex(2, C::CobId), s("0x1A0"), Qt::EditRole);

        config::Configuration other = config::readConfiguration(folder());
        config::ReceiveFrame added = other.receiveFrames[0];
        added.cobId = s("0x190");
        other.receiveFrames.push_back(added);
        other.receiveMappings.push_back(test::mappingEntry(300, 3, 1, 0));
        config::writeConfiguration(other, folder(), {config::ConfigFile::ReceiveFrames, config::ConfigFile::ReceiveMappings});

        prompter.yesNoCancelAnswers = {c.answer};
        d.accept();
        ASSERT_EQ(prompter.questions.size(), 1);
        EXPECT_TRUE(prompter.questions[0].contains(s("RCobDef.xml"))) << prompter.questions[0].toStdString();
        EXPECT_TRUE(prompter.questions[0].contains(s("RInfoCob.xml")));
        EXPECT_EQ(d.isVisible(), c.open);
        EXPECT_EQ(identifiersOnDisk(Direction::Receive), s(c.identifiers));
        EXPECT_EQ(QStringList({d.frames().text(0, C::CobId), d.frames().text(1, C::CobId), d.frames().text(2, C::CobId)})
                      .join(u' '),
                  s(c.table));
        EXPECT_EQ(mappingOnDisk(Direction::Receive), s("100:1 101:1 200:2 300:3"));
        d.reject();
    }
}

TEST_F(FramesDocumentTest, ASecondInstanceShowsTheConfigurationButSavesNothing)
{
    writeConfiguration(kDipSwitchDevice);
    ASSERT_TRUE(home.session.claimActiveConfiguration());
    Session second;
    second.start(home.path());
    second.ws.activate(s("Plant"));
    EXPECT_FALSE(second.claimActiveConfiguration());

    const QByteArray before = test::readFile(folder() + s("/RCobDef.xml"));
    auto d = make(FrameListKind::ReceiveDip, second);
    showFocused(*d);
    EXPECT_EQ(d->frames().text(1, C::CobId), s("0x182"));
    d->tableModel()->setData(d->tableModel()->cellIndex(1, C::Mnemonic), s("changed"), Qt::EditRole);
    d->accept();
    EXPECT_EQ(prompter.errors, QStringList{second.messages[msg::kReadOnlyConfiguration]});
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(test::readFile(folder() + s("/RCobDef.xml")), before);
    d->reject();
}

} // namespace
} // namespace px
