#include "gui/frames/receive_frames_dialogs.h"
#include "gui/frames/transmit_frames_dialogs.h"

#include "core/base/atomic_file.h"
#include "gui/common/grid_view.h"
#include "gui/frames/frame_table_model.h"
#include "gui/common/guard.h"
#include "support/fake_prompter.h"
#include "support/temp_home.h"
#include "support/widget_lookup.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <memory>

namespace px {
namespace {

using Kind = FrameListKind;
using C = FrameColumn;

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

class FramesDialogTest : public ::testing::Test {
protected:
    FramesDialogTest() { home.activate(s("Plant1")); }

    std::unique_ptr<CanFramesDialog> make(Kind kind)
    {
        Session& session = home.session;
        switch (kind) {
        case Kind::ReceiveJumper:
            return std::make_unique<ReceiveFramesJumperDialog>(session, prompter);
        case Kind::ReceiveDip:
            return std::make_unique<ReceiveFramesDipDialog>(session, prompter);
        case Kind::TransmitJumper:
            return std::make_unique<TransmitFramesJumperDialog>(session, prompter);
        case Kind::TransmitDip:
            break;
        }
        return std::make_unique<TransmitFramesDipDialog>(session, prompter);
    }

    static GridView* view(QDialog& d) { return test::requireChild<GridView>(&d, s("frameTable")); }
    static QPushButton* button(QDialog& d, const char* name) { return test::requireChild<QPushButton>(&d, s(name)); }
    static void click(QDialog& d, const char* name) { QTest::mouseClick(button(d, name), Qt::LeftButton); }
    // The cell of row `row` (from 1, as the editor numbers it) in a column.
    static QModelIndex at(const CanFramesDialog& d, int row, C column) { return d.tableModel()->cellIndex(row - 1, column); }
    static QString text(const CanFramesDialog& d, int row, C column) { return d.frames().text(row - 1, column); }

    // Shows the dialog active with the table focused, as a user finds it.
    static GridView* showFocused(CanFramesDialog& d)
    {
        d.show();
        QApplication::setActiveWindow(&d);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
        d.reload();
        GridView* v = view(d);
        v->setFocus();
        return v;
    }

    // Types into a cell as a user would: move there, type, press Tab.
    static void typeInto(CanFramesDialog& d, int row, C column, const char* text)
    {
        GridView* v = view(d);
        v->setCurrentIndex(at(d, row, column));
        const QString typed = s(text);
        QTest::keyClick(v, typed[0].toLatin1()); // the first key opens the cell editor
        QWidget* editor = v->indexWidget(v->currentIndex());
        ASSERT_NE(editor, nullptr) << "typing did not start editing";
        QTest::keyClicks(editor, typed.mid(1));
        QTest::keyClick(editor, Qt::Key_Tab);
    }

    static QString rowText(const CanFramesDialog& d, int r) { return d.frames().rowTexts(r - 1).join(u'|'); }

    static void expectContainsAll(const QString& message, std::initializer_list<const char*> parts)
    {
        for (const char* part : parts)
            EXPECT_TRUE(message.contains(s(part))) << part << " in: " << message.toStdString();
    }

    QString rcob() const { return home.session.ws.receiveFramesFile; }
    QString tcob() const { return home.session.ws.transmitFramesFile; }
    void writeFile(const QString& path, const char* text) { writeFileAtomically(path, QByteArray(text)); }

    test::TempHome home;
    test::FakePrompter prompter;
};

TEST_F(FramesDialogTest, EachEditorHasItsTableButtonsAndTitles)
{
    const struct {
        Kind kind;
        int rows;
        int cols;
        bool copyPaste;
        const char* title;
        const char* headers;
    } cases[] = {
        {Kind::ReceiveJumper, 250, 4, false, "Receive CAN Frames", "Cob-ID|Dimension|TimeOut|Mnemonic"},
        {Kind::ReceiveDip, 300, 8, true, "Receive CAN Frames",
         "Cob-ID|Type|Dimension|TimeOut|RTR|Time RTR|Default Values|Mnemonic"},
        {Kind::TransmitJumper, 250, 3, false, "Transmit CAN Frames", "Cob-ID|Dimension|Mnemonic"},
        {Kind::TransmitDip, 300, 9, true, "Transmit CAN Frames",
         "Cob-ID|Type|Dimension|RTR|On Change|On Timer|Timer (ms)|Default Values|Mnemonic"},
    };
    for (const auto& c : cases) {
        auto d = make(c.kind);
        d->reload();
        QAbstractItemModel* m = view(*d)->model();
        EXPECT_EQ(m->rowCount(), c.rows);
        QStringList headers;
        for (int col = 0; col < m->columnCount(); ++col)
            headers << m->headerData(col, Qt::Horizontal).toString();
        EXPECT_EQ(headers.join(u'|'), s(c.headers));
        // The row numbers are the vertical header, from 1, outside the data.
        EXPECT_FALSE(view(*d)->verticalHeader()->isHidden());
        EXPECT_EQ(m->headerData(0, Qt::Vertical).toString(), s("1"));
        EXPECT_EQ(m->headerData(c.rows - 1, Qt::Vertical).toString(), QString::number(c.rows));
        EXPECT_EQ(d->windowTitle(), s(c.title));
        EXPECT_EQ(d->findChild<QPushButton*>(s("copyRowButton")) != nullptr, c.copyPaste);
        EXPECT_EQ(d->findChild<QPushButton*>(s("pasteRowButton")) != nullptr, c.copyPaste);
        EXPECT_EQ(m->columnCount(), c.cols);
    }
}

TEST_F(FramesDialogTest, JumperReceiveEditorTypesTogglesAndSavesWithTheCommonSettings)
{
    writeFile(home.session.ws.generalParametersFile,
              "<GeneralParameter><Device_Type>0</Device_Type><CANType>1</CANType><CANTimeOut>500</CANTimeOut></GeneralParameter>");
    ReceiveFramesJumperDialog d(home.session, prompter);
    d.show();
    d.reload();
    typeInto(d, 1, C::CobId, "0x1FFFFFFF");
    EXPECT_EQ(view(d)->currentIndex(), at(d, 1, C::Dimension)) << "Tab moves to the next cell";
    QTest::keyClick(view(d), Qt::Key_Down);
    QTest::keyClick(view(d), Qt::Key_Left);
    QTest::keyClick(view(d), Qt::Key_Left); // the row numbers do not take the cursor
    EXPECT_EQ(view(d)->currentIndex(), at(d, 2, C::CobId));
    typeInto(d, 1, C::Dimension, "8");
    typeInto(d, 1, C::Mnemonic, "engine");

    // The time-out check box: empty until toggled, then a click and the space bar.
    GridView* v = view(d);
    const QModelIndex box = at(d, 1, C::Supervised);
    EXPECT_EQ(text(d, 1, C::Supervised), QString());
    EXPECT_EQ(box.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
    v->scrollTo(box);
    QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, v->visualRect(box).center());
    EXPECT_EQ(text(d, 1, C::Supervised), s("Y"));
    EXPECT_EQ(box.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
    v->setCurrentIndex(box);
    QTest::keyClick(v, Qt::Key_Space);
    EXPECT_EQ(text(d, 1, C::Supervised), s("N"));
    QTest::keyClick(v, Qt::Key_Space);

    d.accept();
    EXPECT_EQ(prompter.shown, QStringList());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(QString::fromUtf8(home.read(s("PROJECTS/Plant1/RCobDef.xml"))),
              s(R"x(<COBID><row CobID="0x1FFFFFFF" Dimensin="8" CobType="2.0B (29 bits)" TimeOut="Y" TimeOut_Time="500" Mnemonic="engine"/></COBID><!--SW_VERSION = 2.505-->)x"));
}

// A second click on the current cell opens its editor only after the double-click
// interval; typing at once must still edit that cell, never search the column for the typed
// text and overwrite the row found there.
TEST_F(FramesDialogTest, TypingRightAfterASecondClickEditsTheClickedCellInEveryEditor)
{
    const char* row1 = "<COBID><row CobID=\"0x100\" CobType=\"2.0A (11 bits)\" Dimensin=\"8\" TimeOut=\"N\" "
                       "TimeOut_Time=\"0\" RTR=\"N\" TimeRTR=\"0\" OnChange=\"N\" OnTimer=\"N\" Timer=\"0\" "
                       "DefaultValues=\"\" Mnemonic=\"first\"/></COBID>";
    for (Kind kind : {Kind::ReceiveJumper, Kind::ReceiveDip, Kind::TransmitJumper, Kind::TransmitDip}) {
        SCOPED_TRACE(static_cast<int>(kind));
        writeFile(rcob(), row1);
        writeFile(tcob(), row1);
        auto d = make(kind);
        d->show();
        QApplication::setActiveWindow(d.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(d.get()));
        d->reload();
        ASSERT_EQ(text(*d, 1, C::CobId), s("0x100"));

        GridView* v = view(*d);
        const QModelIndex empty = at(*d, 2, C::CobId);
        v->scrollTo(empty);
        const QPoint centre = v->visualRect(empty).center();
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, centre);
        QTest::qWait(QApplication::doubleClickInterval() + 300); // the user's pause: no double click
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, centre);
        for (const QChar key : s("0x300")) {
            QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : v;
            QTest::keyClick(target, key.toLatin1());
        }
        // The rest of the row, so that OK accepts it.
        const bool dip = kind == Kind::ReceiveDip || kind == Kind::TransmitDip;
        if (dip)
            d->tableModel()->setData(at(*d, 2, C::Type), kCobType11, Qt::EditRole);
        typeInto(*d, 2, C::Dimension, "8");
        if (kind == Kind::ReceiveDip)
            typeInto(*d, 2, C::TimeOut, "0");

        click(*d, "okButton");
        EXPECT_EQ(prompter.shown, QStringList());
        ASSERT_EQ(d->result(), QDialog::Accepted);
        FrameList written(kind);
        loadFrameList(isReceiveList(kind) ? rcob() : tcob(), written);
        EXPECT_EQ(written.text(0, C::CobId), s("0x100")) << "the first row keeps its identifier";
        EXPECT_EQ(written.text(1, C::CobId), s("0x300")) << "the clicked row gets the typed identifier";
        EXPECT_EQ(written.text(2, C::CobId), QString());
        QFile::remove(rcob());
        QFile::remove(tcob());
    }
}

// Escape is Cancel: it closes at once while the table holds what was shown, and asks before
// dropping a change. The first Escape in a cell editor only ends that edit. The close box
// is Cancel too: it asks, and No keeps the dialog open with the change.
TEST_F(FramesDialogTest, EscapeAsksBeforeDroppingChangesInEveryEditor)
{
    const QString question = s("Do you want to exit without saving changes?");
    for (Kind kind : {Kind::ReceiveJumper, Kind::ReceiveDip, Kind::TransmitJumper, Kind::TransmitDip}) {
        SCOPED_TRACE(static_cast<int>(kind));
        prompter.questions.clear();
        auto d = make(kind);
        GridView* v = view(*d);
        const auto showAgain = [&] {
            d->show();
            QApplication::setActiveWindow(d.get());
            d->reload();
            v->setFocus();
        };

        showAgain();
        QTest::keyClick(v, Qt::Key_Escape);
        EXPECT_FALSE(d->isVisible()) << "nothing changed: closed without a question";
        EXPECT_TRUE(prompter.questions.isEmpty());

        showAgain();
        typeInto(*d, 1, C::CobId, "0x123");
        prompter.yesNoAnswers = {false};
        QTest::keyClick(v, Qt::Key_Escape);
        EXPECT_EQ(prompter.questions, QStringList{question});
        ASSERT_TRUE(d->isVisible()) << "No keeps the dialog";
        EXPECT_EQ(text(*d, 1, C::CobId), s("0x123"));

        // In a cell editor the first Escape ends the edit, the second one is Cancel.
        v->setCurrentCell(0, 0);
        QTest::keyClick(v, Qt::Key_A);
        QWidget* editor = v->indexWidget(v->currentIndex());
        ASSERT_NE(editor, nullptr);
        QTest::keyClick(editor, Qt::Key_Escape);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(prompter.questions.size(), 1);
        prompter.yesNoAnswers = {true};
        QTest::keyClick(v, Qt::Key_Escape);
        EXPECT_EQ(prompter.questions, (QStringList{question, question}));
        EXPECT_FALSE(d->isVisible());
        EXPECT_EQ(d->result(), QDialog::Rejected);

        showAgain();
        typeInto(*d, 1, C::CobId, "0x124");
        prompter.yesNoAnswers = {false, true};
        d->close();
        EXPECT_TRUE(d->isVisible()) << "No at the close box keeps the dialog";
        EXPECT_EQ(text(*d, 1, C::CobId), s("0x124"));
        d->close();
        EXPECT_FALSE(d->isVisible());
        EXPECT_EQ(prompter.questions, (QStringList{question, question, question, question}))
            << "the close box asks as Cancel does";
        EXPECT_FALSE(QFileInfo::exists(rcob()));
        EXPECT_FALSE(QFileInfo::exists(tcob()));
    }
}

TEST_F(FramesDialogTest, TypeCellsOfferExactlyTheTwoFormats)
{
    for (Kind kind : {Kind::ReceiveDip, Kind::TransmitDip}) {
        auto d = make(kind);
        d->show();
        d->reload();
        GridView* v = view(*d);
        const QModelIndex type = at(*d, 2, C::Type);
        v->setCurrentIndex(type);
        v->edit(type);
        auto* combo = v->viewport()->findChild<QComboBox*>();
        ASSERT_NE(combo, nullptr);
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        EXPECT_EQ(items, QStringList({kCobType11, kCobType29}));
        EXPECT_EQ(combo->currentIndex(), -1) << "an empty cell picks nothing";
        combo->setCurrentIndex(1);
        Q_EMIT combo->activated(1);
        EXPECT_EQ(text(*d, 2, C::Type), kCobType29);
        d->reject();
    }
}

TEST_F(FramesDialogTest, DeleteAsksWithTheRowNumberAndInsertEmptiesTheCurrentRow)
{
    writeFile(tcob(), "<COBID><row CobID=\"1\" Dimensin=\"8\" Mnemonic=\"a\"/><row CobID=\"2\" Dimensin=\"8\" Mnemonic=\"b\"/>"
                      "<row CobID=\"3\" Dimensin=\"8\" Mnemonic=\"c\"/></COBID>");
    TransmitFramesJumperDialog d(home.session, prompter);
    d.reload();
    view(d)->setCurrentIndex(at(d, 2, C::CobId));

    prompter.yesNoAnswers = {false};
    click(d, "deleteRowButton");
    EXPECT_EQ(prompter.questions, QStringList{s("Are you sure to delete the Row number 2")});
    EXPECT_EQ(rowText(d, 2), s("2|8|b"));

    prompter.yesNoAnswers = {true};
    click(d, "deleteRowButton");
    EXPECT_EQ(rowText(d, 2), s("3|8|c"));
    EXPECT_EQ(rowText(d, 3), s("||"));

    click(d, "insertRowButton");
    EXPECT_EQ(rowText(d, 1), s("1|8|a"));
    EXPECT_EQ(rowText(d, 2), s("||"));
    EXPECT_EQ(rowText(d, 3), s("3|8|c"));
    EXPECT_EQ(d.tableModel()->headerData(2, Qt::Vertical).toString(), s("3"));
}

TEST_F(FramesDialogTest, PasteNeedsACopyOfThisShowingAndAsksOnlyOverText)
{
    writeFile(rcob(), "<COBID><row CobID=\"0x181\" CobType=\"2.0A (11 bits)\" Dimensin=\"2\" TimeOut_Time=\"0\" TimeOut=\"N\" "
                      "RTR=\"Y\" TimeRTR=\"10\" DefaultValues=\"1,2\" Mnemonic=\"src\"/></COBID>");
    // Another editor filled the shared clipboard with a row of the same width.
    home.session.clipboard.texts = QStringList(8, s("x"));
    ReceiveFramesDipDialog d(home.session, prompter);
    d.reload();
    GridView* v = view(d);
    v->setCurrentIndex(at(d, 3, C::CobId));
    click(d, "pasteRowButton");
    EXPECT_EQ(prompter.errors, QStringList{s("Error!!! Copy a valid row before Paste it")});
    EXPECT_EQ(rowText(d, 3), s("|||||||"));

    v->setCurrentIndex(at(d, 1, C::CobId));
    click(d, "copyRowButton");
    EXPECT_EQ(home.session.clipboard.texts.join(u'|'), s("0x181|2.0A (11 bits)|2|0|Y|10|1,2|src"));

    // Only the RTR check box holds something: pasted without a question.
    d.reload();
    EXPECT_FALSE(d.rowCopied()) << "a new showing needs a new copy";
    click(d, "copyRowButton");
    d.tableModel()->setData(at(d, 2, C::Rtr), Qt::Checked, Qt::CheckStateRole);
    v->setCurrentIndex(at(d, 2, C::CobId));
    click(d, "pasteRowButton");
    EXPECT_EQ(prompter.questions, QStringList());
    EXPECT_EQ(rowText(d, 2), s("0x181|2.0A (11 bits)|2|0|Y|10|1,2|src"));

    // A row holding text: the question, and No keeps it.
    d.tableModel()->setData(at(d, 3, C::Mnemonic), s("mine"), Qt::EditRole);
    v->setCurrentIndex(at(d, 3, C::CobId));
    prompter.yesNoAnswers = {false, true};
    click(d, "pasteRowButton");
    EXPECT_EQ(prompter.questions, QStringList{s("Row Already used. Do you want to overwrite the values?")});
    EXPECT_EQ(rowText(d, 3), s("|||||||mine"));
    click(d, "pasteRowButton");
    EXPECT_EQ(rowText(d, 3), s("0x181|2.0A (11 bits)|2|0|Y|10|1,2|src"));
}

TEST_F(FramesDialogTest, OkWithAFaultyRowShowsItsMessageAndWritesNothing)
{
    const struct {
        Kind kind;
        const char* text;
        C column;  // the faulty cell
    } cases[] = {
        {Kind::ReceiveJumper, "Error row 2!! Dimension must be between 1 and 8", C::Dimension},
        {Kind::ReceiveDip, "Error row 2!! Type must be or 2.0A (11 bits) or 2.0B (29 bits)", C::Type},
        {Kind::TransmitJumper, "Error row 2!! Dimension must be between 1 and 8", C::Dimension},
        {Kind::TransmitDip, "Error row 2!! Type must be or 2.0A (11 bits) or 2.0B (29 bits)", C::Type},
    };
    for (const auto& c : cases) {
        test::FakePrompter fresh;
        std::swap(prompter, fresh);
        auto d = make(c.kind);
        d->show();
        d->reload();
        const bool dip = c.kind == Kind::ReceiveDip || c.kind == Kind::TransmitDip;
        typeInto(*d, 1, C::CobId, "1");
        if (dip) {
            d->tableModel()->setData(at(*d, 1, C::Type), kCobType11, Qt::EditRole);
            typeInto(*d, 1, C::Dimension, "8");
            if (c.kind == Kind::ReceiveDip)
                typeInto(*d, 1, C::TimeOut, "0");
        } else {
            typeInto(*d, 1, C::Dimension, "8");
        }
        typeInto(*d, 2, C::CobId, "2");
        d->accept();
        EXPECT_EQ(prompter.errors, QStringList{s(c.text)});
        EXPECT_TRUE(d->isVisible()) << "the dialog stays open";
        EXPECT_FALSE(QFileInfo::exists(rcob()));
        EXPECT_FALSE(QFileInfo::exists(tcob()));
        EXPECT_EQ(text(*d, 2, C::CobId), s("2"));
        // The faulty cell itself is current and has the keyboard focus, not OK.
        EXPECT_EQ(view(*d)->currentIndex(), at(*d, 2, c.column)) << "the cursor goes to the faulty cell";
        EXPECT_EQ(d->focusWidget(), view(*d));
        d->reject();
    }
}

// A stored Type that is not one of the two items (a hand edit in small letters) is
// refused at OK as the check reports it; the file stays as it is.
TEST_F(FramesDialogTest, OkRefusesAStoredTypeThatIsNotAnItemOfItsList)
{
    for (const Kind kind : {Kind::ReceiveDip, Kind::TransmitDip}) {
        const bool receive = kind == Kind::ReceiveDip;
        const char* file = receive ? "<COBID><row CobID=\"1\" CobType=\"2.0b (29 bits)\" Dimensin=\"8\" TimeOut_Time=\"0\" "
                                     "TimeOut=\"N\" RTR=\"N\" TimeRTR=\"\" DefaultValues=\"\" Mnemonic=\"m\"/></COBID>"
                                   : "<COBID><row CobID=\"1\" CobType=\"2.0b (29 bits)\" Dimensin=\"8\" RTR=\"N\" "
                                     "OnChange=\"Y\" OnTimer=\"N\" Timer=\"0\" DefaultValues=\"\" Mnemonic=\"m\"/></COBID>";
        const QString path = receive ? rcob() : tcob();
        writeFile(path, file);
        test::FakePrompter fresh;
        std::swap(prompter, fresh);
        auto d = make(kind);
        d->show();
        d->reload();
        d->accept();
        EXPECT_EQ(prompter.errors, QStringList{s("Error row 1!! Type must be or 2.0A (11 bits) or 2.0B (29 bits)")});
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(view(*d)->currentIndex(), at(*d, 1, C::Type));
        EXPECT_EQ(test::readFile(path), QByteArray(file));
        d->reject();
    }
}

TEST_F(FramesDialogTest, KeyboardReachesTheButtonsInTheirOrderAndEnterPressesTheFocusedOne)
{
    writeFile(rcob(), "<COBID><row CobID=\"1\" CobType=\"2.0A (11 bits)\" Dimensin=\"8\" Mnemonic=\"m\"/></COBID>");
    ReceiveFramesDipDialog d(home.session, prompter);
    GridView* v = showFocused(d);

    // Enter in the table does not close the dialog.
    QTest::keyClick(v, Qt::Key_Return);
    EXPECT_TRUE(d.isVisible());

    // Out of the table, the buttons come in the order they stand.
    QStringList order;
    QTest::keyClick(v, Qt::Key_Tab, Qt::ControlModifier);
    for (int i = 0; i < 10; ++i) {
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order.join(u' '), s("deleteRowButton insertRowButton copyRowButton pasteRowButton moveUpButton moveDownButton "
                                  "importFramesButton exportDbcButton okButton cancelButton"));
    EXPECT_EQ(QApplication::focusWidget(), v) << "Tab from the last button comes back to the table";

    // Enter presses the button that has the focus.
    prompter.yesNoAnswers = {false};
    button(d, "deleteRowButton")->setFocus();
    QTest::keyClick(button(d, "deleteRowButton"), Qt::Key_Return);
    EXPECT_EQ(prompter.questions, QStringList{s("Are you sure to delete the Row number 1")});
    button(d, "okButton")->setFocus();
    QTest::keyClick(button(d, "okButton"), Qt::Key_Enter);
    EXPECT_EQ(prompter.errors, QStringList());
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_TRUE(home.read(s("PROJECTS/Plant1/RCobDef.xml")).contains("Mnemonic=\"m\""));
}

TEST_F(FramesDialogTest, AnEditLeftOpenAtTheCloseBoxIsDiscardedWithTheOtherEdits)
{
    const char* file = "<COBID><row CobID=\"1\" Dimensin=\"8\" Mnemonic=\"m\"/></COBID>";
    const struct {
        int row;
        const char* typed;
    } cases[] = {{1, "7"}, {2, "5"}};
    for (const auto& c : cases) {
        writeFile(tcob(), file);
        TransmitFramesJumperDialog d(home.session, prompter);
        d.show();
        d.reload();
        GridView* v = view(d);
        v->setCurrentIndex(at(d, c.row, C::CobId));
        QTest::keyClicks(v, s(c.typed)); // the cell editor stays open
        ASSERT_NE(v->indexWidget(v->currentIndex()), nullptr);
        prompter.yesNoAnswers = {true};
        d.close();
        EXPECT_EQ(prompter.questions, QStringList{s("Do you want to exit without saving changes?")}) << c.typed;
        prompter.questions.clear();
        prompter.shown.clear();

        d.show();
        d.reload();
        EXPECT_EQ(rowText(d, 1), s("1|8|m")) << c.typed;
        EXPECT_EQ(rowText(d, 2), s("||")) << c.typed;
        d.accept();
        EXPECT_EQ(prompter.shown, QStringList()) << c.typed;
        EXPECT_TRUE(home.read(s("PROJECTS/Plant1/TCobDef.xml")).startsWith(R"x(<COBID><row CobID="1" CobType="2.0A (11 bits)" Dimensin="8" RTR="N" OnChange="N" OnTimer="N" Timer="0" Mnemonic="m"/></COBID>)x"))
            << c.typed;
    }
}

TEST_F(FramesDialogTest, AFileNotReadWholeIsReportedKeptAndBackedUpBeforeOk)
{
    const char* original = "<COBID><row CobID=\"385\" Dimensin=\"8\" TimeOut=\"Y\" Mnemonic=\"first\"/>"
                           "<row CobID=\"386\" TimeOut=\"N\" Mnemonic=\"no length\"/></COBID>";
    writeFile(rcob(), original);
    ReceiveFramesJumperDialog d(home.session, prompter);
    EXPECT_FALSE(guarded(prompter, home.session.messages, [&d] { d.reload(); }));
    ASSERT_EQ(prompter.errors.size(), 1);
    // The file, the row and the attribute, and where OK keeps the file.
    expectContainsAll(prompter.errors[0], {"RCobDef.xml", "row 2", "Dimensin", "RCobDef.xml.bak"});
    EXPECT_EQ(rowText(d, 1), s("385|8|Y|first"));
    EXPECT_EQ(rowText(d, 2), s("|||"));

    d.accept();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(home.read(s("PROJECTS/Plant1/RCobDef.xml.bak")), QByteArray(original));
    EXPECT_TRUE(home.read(s("PROJECTS/Plant1/RCobDef.xml")).contains("Mnemonic=\"first\"/></COBID>"));

    // A showing that reads the file whole keeps no copy.
    QFile::remove(rcob() + s(".bak"));
    d.reload();
    d.accept();
    EXPECT_FALSE(QFileInfo::exists(rcob() + s(".bak")));
}

TEST_F(FramesDialogTest, ABrokenCommunicationFileLeavesTheJumperTableEmpty)
{
    writeFile(home.session.ws.generalParametersFile, "<GeneralParameter><CANType>1</CANType>");
    writeFile(tcob(), "<COBID><row CobID=\"1\" Dimensin=\"8\" Mnemonic=\"a\"/></COBID>");
    TransmitFramesJumperDialog d(home.session, prompter);
    EXPECT_FALSE(guarded(prompter, home.session.messages, [&d] { d.reload(); }));
    ASSERT_EQ(prompter.errors.size(), 1);
    expectContainsAll(prompter.errors[0], {"ParGen.xml"});
    EXPECT_EQ(rowText(d, 1), s("||"));
}

TEST_F(FramesDialogTest, AFailedWriteIsReportedAndTheDialogStaysOpenWithTheTable)
{
    TransmitFramesDipDialog d(home.session, prompter);
    d.show();
    d.reload();
    // A folder appears where the frame file is to be written: it cannot be replaced.
    ASSERT_TRUE(QDir().mkpath(tcob()));
    prompter.yesNoCancelAnswers = {Prompter::Answer::Yes};
    FrameTableModel* m = d.tableModel();
    m->setData(at(d, 1, C::CobId), s("0x201"), Qt::EditRole);
    m->setData(at(d, 1, C::Type), kCobType11, Qt::EditRole);
    m->setData(at(d, 1, C::Dimension), s("8"), Qt::EditRole);
    d.accept();
    ASSERT_EQ(prompter.questions.size(), 1) << "the folder is no file as it was read";
    ASSERT_EQ(prompter.errors.size(), 1);
    expectContainsAll(prompter.errors[0], {"TCobDef.xml"});
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(rowText(d, 1), s("0x201|2.0A (11 bits)|8||||||"));
    d.reject();
}

// Every change of the table is one step: a typed cell, Insert, Paste and Delete are undone
// one by one back to the loaded table and redone one by one, through the buttons and the
// keys; OK then writes what the table shows.
TEST_F(FramesDialogTest, UndoAndRedoStepThroughEditInsertPasteAndDeleteThenOkWritesTheTable)
{
    writeFile(rcob(), "<COBID><row CobID=\"0x181\" CobType=\"2.0A (11 bits)\" Dimensin=\"2\" TimeOut_Time=\"0\" "
                      "TimeOut=\"N\" RTR=\"N\" TimeRTR=\"0\" DefaultValues=\"\" Mnemonic=\"src\"/></COBID>");
    ReceiveFramesDipDialog d(home.session, prompter);
    GridView* v = showFocused(d);
    QPushButton* undo = button(d, "undoButton");
    QPushButton* redo = button(d, "redoButton");
    ASSERT_NE(undo, nullptr);
    ASSERT_NE(redo, nullptr);
    EXPECT_EQ(undo->text(), s("Undo"));
    EXPECT_EQ(redo->text(), s("Redo"));
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());

    const auto table = [&] { return rowText(d, 1) + s(" / ") + rowText(d, 2); };
    const QString empty = s("|||||||");
    const QString loaded = s("0x181|2.0A (11 bits)|2|0|N|0||src");
    const QString edited = s("0x181|2.0A (11 bits)|2|0|N|0||eng");
    QStringList states{table()};

    typeInto(d, 1, C::Mnemonic, "eng");
    states << table();
    v->setCurrentIndex(at(d, 1, C::CobId));
    click(d, "insertRowButton");
    states << table();
    v->setCurrentIndex(at(d, 2, C::CobId));
    click(d, "copyRowButton"); // no step: the table is unchanged
    v->setCurrentIndex(at(d, 1, C::CobId));
    click(d, "pasteRowButton");
    states << table();
    prompter.yesNoAnswers = {true};
    click(d, "deleteRowButton");
    states << table();
    ASSERT_EQ(states, (QStringList{loaded + s(" / ") + empty, edited + s(" / ") + empty, empty + s(" / ") + edited,
                                   edited + s(" / ") + edited, edited + s(" / ") + empty}));
    EXPECT_EQ(d.undoStack()->count(), 4);

    // Undo each, alternating the button and Ctrl+Z with the table focused.
    for (int i = 3; i >= 0; --i) {
        if (i % 2)
            click(d, "undoButton");
        else
            QTest::keyClick(v, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(table(), states[i]) << "undo to step " << i;
    }
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_TRUE(redo->isEnabled());
    EXPECT_FALSE(d.hasChanges()) << "undone back to what was loaded";

    // Redo each: the button and both redo keys.
    for (int i = 1; i <= 4; ++i) {
        if (i == 1)
            click(d, "redoButton");
        else if (i == 2)
            QTest::keyClick(v, Qt::Key_Y, Qt::ControlModifier);
        else
            QTest::keyClick(v, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(table(), states[i]) << "redo to step " << i;
    }
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());

    click(d, "okButton");
    EXPECT_EQ(prompter.errors, QStringList());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(QString::fromUtf8(home.read(s("PROJECTS/Plant1/RCobDef.xml"))).count(s("<row ")), 1);
    EXPECT_TRUE(home.read(s("PROJECTS/Plant1/RCobDef.xml")).contains("Mnemonic=\"eng\""));

    // A new showing starts with nothing to undo.
    d.show();
    d.reload();
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
    d.reject();
}

// Ctrl+Z in an open cell editor is not the editor's own text undo: the edit is finished
// as a step and undone, so the cell shows what it held before the typing.
TEST_F(FramesDialogTest, UndoKeyInAnOpenCellEditorUndoesThatEditAndCancelAfterUndoWritesNothing)
{
    const char* file = "<COBID><row CobID=\"1\" Dimensin=\"8\" Mnemonic=\"m\"/></COBID>";
    writeFile(tcob(), file);
    TransmitFramesJumperDialog d(home.session, prompter);
    GridView* v = showFocused(d);
    typeInto(d, 1, C::Mnemonic, "engine");
    v->setCurrentIndex(at(d, 1, C::CobId));
    QTest::keyClicks(v, s("7"));
    QWidget* editor = v->indexWidget(v->currentIndex());
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(v->indexWidget(v->currentIndex()), nullptr) << "the edit is finished";
    EXPECT_EQ(rowText(d, 1), s("1|8|engine"));
    EXPECT_TRUE(button(d, "redoButton")->isEnabled());
    QTest::keyClick(v, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(rowText(d, 1), s("1|8|m"));

    // Back at the loaded table, Escape closes without a question; after a redo Cancel asks,
    // and Yes writes nothing.
    QTest::keyClick(v, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(prompter.questions, QStringList());
    d.show();
    d.reload();
    typeInto(d, 1, C::Mnemonic, "engine");
    click(d, "undoButton");
    click(d, "redoButton");
    prompter.yesNoAnswers = {true};
    click(d, "cancelButton");
    EXPECT_EQ(prompter.questions.size(), 1);
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(home.read(s("PROJECTS/Plant1/TCobDef.xml")), QByteArray(file));
}

} // namespace
} // namespace px
