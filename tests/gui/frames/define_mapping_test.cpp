#include "gui/frames/define_mapping_dialog.h"

#include "core/base/error.h"
#include "core/check/check.h"
#include "core/check/register_map.h"
#include "core/config/configuration.h"
#include "core/config/signal_table.h"
#include "support/fake_prompter.h"
#include "support/temp_home.h"
#include "support/widget_lookup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QUndoStack>
#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace px {
namespace {

using test::FakePrompter;
using test::TempHome;

using test::readFile;
using test::writeFile;

QStringList items(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

QStringList items(const QComboBox* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

// A configuration with an 8-byte and a 2-byte frame, and the editor of one direction
// over it, reached through its widgets.
struct Editor {
    // `dip`: the device from May 2014, whose frames carry their own type.
    explicit Editor(bool transmit, const QByteArray& mapping, bool dip = false)
    {
        home.activate(QStringLiteral("P"));
        const Workspace& ws = home.session.ws;
        writeFile(ws.generalParametersFile, dip ? "<ParGen><Device_Type>1</Device_Type><CANType>0</CANType></ParGen>"
                                                : "<ParGen><Device_Type>0</Device_Type><CANType>0</CANType></ParGen>");
        const QByteArray type = dip ? " CobType=\"2.0A (11 bits)\"" : "";
        const QByteArray frames = "<COBID><row CobID=\"0x181\" Dimensin=\"8\" Mnemonic=\"\"" + type + "/>"
                                  "<row CobID=\"0x182\" Dimensin=\"2\" Mnemonic=\"\"" + type + "/></COBID>";
        writeFile(transmit ? ws.transmitFramesFile : ws.receiveFramesFile, frames);
        mappingPath = transmit ? ws.transmitMappingsFile : ws.receiveMappingsFile;
        if (!mapping.isEmpty())
            writeFile(mappingPath, mapping);
        if (transmit)
            dialog = std::make_unique<TransmitMappingDialog>(home.session, prompter);
        else
            dialog = std::make_unique<ReceiveMappingDialog>(home.session, prompter);
        frames_ = test::requireChild<QListWidget>(dialog.get(), QStringLiteral("frameList"));
        regs = test::requireChild<QListWidget>(dialog.get(), QStringLiteral("registerList"));
        index = test::requireChild<QLineEdit>(dialog.get(), QStringLiteral("registerIndexEdit"));
        high = test::requireChild<QComboBox>(dialog.get(), QStringLiteral("highByteChoice"));
        low = test::requireChild<QComboBox>(dialog.get(), QStringLiteral("lowByteChoice"));
        send = dialog->findChild<QComboBox*>(QStringLiteral("sendOnWriteChoice")); // transmit side only
        EXPECT_TRUE(frames_ && regs && index && high && low);
        EXPECT_EQ(send != nullptr, transmit);
        dialog->reload();
    }

    void click(const char* name) { test::requireChild<QPushButton>(dialog.get(), QString::fromLatin1(name))->click(); }
    void type(const QString& text)
    {
        index->clear();
        QTest::keyClicks(index, text);
    }

    TempHome home;
    FakePrompter prompter;
    QString mappingPath;
    std::unique_ptr<DefineMappingDialog> dialog;
    QListWidget* frames_ = nullptr;
    QListWidget* regs = nullptr;
    QLineEdit* index = nullptr;
    QComboBox* high = nullptr;
    QComboBox* low = nullptr;
    QComboBox* send = nullptr;
};

const QByteArray kReceiveMapping = "<RInfoCob><row Index=\"10\" NrPdo=\"1\" PosComp=\"130\"/>"
                                   "<row Index=\"11\" NrPdo=\"2\" PosComp=\"18\"/></RInfoCob>";

TEST(DefineMapping, CreateModifyDeleteAndOkThroughTheWidgets)
{
    Editor e(false, kReceiveMapping);
    EXPECT_EQ(e.dialog->windowTitle(), QStringLiteral("Define Receive CAN Frames"));
    EXPECT_EQ(items(e.frames_), (QStringList{QStringLiteral("0x181\t2.0A (11 bits)"), QStringLiteral("0x182\t2.0A (11 bits)")}));
    EXPECT_EQ(e.frames_->currentRow(), -1);
    EXPECT_EQ(e.regs->count(), 0);
    EXPECT_EQ(items(e.high), QStringList{QStringLiteral("None")});

    // Without a frame Create only says that one must be chosen; Modify does nothing.
    e.type(QStringLiteral("300"));
    e.click("createButton");
    e.click("modifyButton");
    EXPECT_EQ(e.dialog->mapping().entryCount(), 2);
    EXPECT_EQ(e.prompter.errors,
              QStringList{QStringLiteral("Error! Select a CAN frame in the list before creating a Modbus register")});
    e.prompter.errors.clear();

    e.frames_->setCurrentRow(1);
    EXPECT_EQ(items(e.regs), QStringList{QStringLiteral("11; Byte 1; Byte 2;")});
    EXPECT_EQ(items(e.low), (QStringList{QStringLiteral("None"), QStringLiteral("Byte 1"), QStringLiteral("Byte 2")}));
    EXPECT_TRUE(e.index->text().isEmpty());

    e.type(QStringLiteral("10")); // used on frame 1
    e.click("createButton");
    EXPECT_EQ(e.prompter.errors, QStringList{QStringLiteral("Error!! Index of Modbus Register is already used")});
    e.type(QStringLiteral("65536"));
    e.click("createButton");
    EXPECT_EQ(e.prompter.errors.last(), QStringLiteral("Error!! Index of Modbus Register must be between 0 and 65535"));
    EXPECT_EQ(e.regs->count(), 1);

    e.type(QStringLiteral("0x20"));
    e.high->setCurrentIndex(2);
    e.low->setCurrentIndex(0);
    e.click("createButton");
    EXPECT_EQ(items(e.regs), (QStringList{QStringLiteral("11; Byte 1; Byte 2;"), QStringLiteral("0x20; Byte 2; None;")}));
    EXPECT_EQ(e.regs->currentRow(), -1);
    EXPECT_EQ(e.index->text(), QStringLiteral("0x20")); // the fields stay as they are

    e.regs->setCurrentRow(0);
    EXPECT_EQ(e.index->text(), QStringLiteral("11"));
    EXPECT_EQ(e.high->currentIndex(), 1);
    EXPECT_EQ(e.low->currentIndex(), 2);
    e.low->setCurrentIndex(0);
    e.click("modifyButton"); // keeps its own index
    EXPECT_EQ(items(e.regs).first(), QStringLiteral("11; Byte 1; None;"));
    EXPECT_EQ(e.regs->currentRow(), -1);
    EXPECT_EQ(e.index->text(), QStringLiteral("11"));
    EXPECT_EQ(e.high->currentText(), QStringLiteral("Byte 1"));

    e.click("deleteButton"); // no register selected after the refresh: nothing happens
    EXPECT_EQ(e.regs->count(), 2);
    e.regs->setCurrentRow(1);
    e.click("deleteButton");
    EXPECT_EQ(items(e.regs), QStringList{QStringLiteral("11; Byte 1; None;")});

    e.dialog->accept();
    EXPECT_EQ(e.dialog->result(), QDialog::Accepted);
    EXPECT_EQ(readFile(e.mappingPath), QByteArray("<RInfoCob><row Index=\"10\" NrPdo=\"1\" PosComp=\"130\"/>"
                                                  "<row Index=\"11\" NrPdo=\"2\" PosComp=\"16\"/></RInfoCob>"
                                                  "<!--SW_VERSION = 2.505-->"));

    // Cancel drops the edits: the next showing reads the file again.
    e.frames_->setCurrentRow(0);
    e.regs->setCurrentRow(0);
    e.click("deleteButton");
    e.dialog->reject();
    e.dialog->reload();
    EXPECT_EQ(e.dialog->mapping().entryCount(), 2);
}

TEST(DefineMapping, CopyAndPasteFallBackToWhatTheListsOffer)
{
    Editor e(true, "<TInfoCob><row Index=\"10\" NrPdo=\"1\" PosComp=\"130\" Send_on_Write=\"1\"/>"
                   "<row Index=\"12\" NrPdo=\"1\" PosComp=\"1\" Send_on_Write=\"7\"/></TInfoCob>");
    e.frames_->setCurrentRow(0);
    e.regs->setCurrentRow(0);
    EXPECT_EQ(e.send->currentText(), QStringLiteral("True"));
    e.click("copyButton");

    // The copy buffer outlives the showing; the 2-byte frame offers no "Byte 8".
    e.dialog->reload();
    e.frames_->setCurrentRow(1);
    EXPECT_EQ(e.send->currentText(), QStringLiteral("False"));
    e.click("pasteButton");
    EXPECT_EQ(e.index->text(), QStringLiteral("10"));
    EXPECT_EQ(e.high->currentText(), QStringLiteral("None"));
    EXPECT_EQ(e.low->currentText(), QStringLiteral("Byte 2"));
    EXPECT_EQ(e.send->currentText(), QStringLiteral("True"));
    EXPECT_EQ(e.dialog->mapping().entryCount(), 2); // Paste changes no entry

    // A send flag of 7, which no item shows, falls back to "False".
    e.frames_->setCurrentRow(0);
    e.regs->setCurrentRow(1);
    EXPECT_EQ(e.send->currentText(), QStringLiteral("False"));
    EXPECT_EQ(e.low->currentText(), QStringLiteral("Byte 1"));
}

TEST(DefineMapping, SelectingAFrameResetsTheSendList)
{
    Editor e(true, "<TInfoCob><row Index=\"5\" NrPdo=\"1\" PosComp=\"18\" Send_on_Write=\"1\"/></TInfoCob>");
    EXPECT_EQ(items(e.send), (QStringList{QStringLiteral("False"), QStringLiteral("True")}));
    e.frames_->setCurrentRow(0);
    e.regs->setCurrentRow(0);
    EXPECT_EQ(e.send->currentIndex(), 1);
    e.frames_->setCurrentRow(1);
    EXPECT_EQ(e.send->currentIndex(), 0);
    e.type(QStringLiteral("6"));
    e.click("createButton");
    e.frames_->setCurrentRow(0);
    e.regs->setCurrentRow(0);
    e.send->setCurrentIndex(0);
    e.click("modifyButton");
    e.dialog->accept();
    EXPECT_EQ(readFile(e.mappingPath),
              QByteArray("<TInfoCob><row Index=\"5\" NrPdo=\"1\" PosComp=\"18\" Send_on_Write=\"0\"/>"
                         "<row Index=\"6\" NrPdo=\"2\" PosComp=\"0\" Send_on_Write=\"0\"/></TInfoCob>"
                         "<!--SW_VERSION = 2.505-->"));
}

TEST(DefineMapping, ALanguageChangeRelabelsTheLists)
{
    Editor e(true, "<TInfoCob><row Index=\"5\" NrPdo=\"1\" PosComp=\"18\" Send_on_Write=\"1\"/></TInfoCob>");
    e.frames_->setCurrentRow(0);
    e.regs->setCurrentRow(0);
    e.home.session.messages.applyLanguageText(
        QStringLiteral("STR219 = Trasmissione\nSTR232 = Falso\nSTR233 = Vero\nSTR243 = Nessuno\nSTR244 = Dato \n"));
    e.dialog->applyLanguage();
    EXPECT_EQ(e.dialog->windowTitle(), QStringLiteral("Trasmissione"));
    EXPECT_EQ(items(e.send), (QStringList{QStringLiteral("Falso"), QStringLiteral("Vero")}));
    EXPECT_EQ(e.send->currentIndex(), 0);
    EXPECT_EQ(e.high->itemText(0), QStringLiteral("Nessuno"));
    EXPECT_EQ(e.high->count(), 9);
    EXPECT_EQ(e.high->currentIndex(), 1); // the picks stay
    EXPECT_EQ(e.low->currentIndex(), 2);
}

TEST(DefineMapping, ExportAndImportThroughTheFileDialog)
{
    Editor e(false, kReceiveMapping);
    const QString csv = e.home.session.ws.configurationFolder + QStringLiteral("/RInfoCob.csv");
    // Export asks where, proposing the fixed name in the configuration folder; cancelled,
    // it writes nothing. It says where it wrote.
    e.prompter.saveAnswers = {QString()};
    e.click("exportButton");
    EXPECT_EQ(e.prompter.lastProposed, csv);
    EXPECT_EQ(e.prompter.lastFilter, QStringLiteral("CSV File (*.csv)|*.csv"));
    EXPECT_FALSE(QFile::exists(csv));
    const QString elsewhere = e.home.file(QStringLiteral("line 1 receive.csv"));
    e.prompter.saveAnswers = {elsewhere, csv};
    e.click("exportButton");
    e.click("exportButton");
    EXPECT_EQ(readFile(elsewhere), QByteArray("Index MODBUS;Index CAN Frame;High Byte;Low Byte;\r\n10;1;8;2;\r\n11;2;1;2;\r\n"));
    EXPECT_EQ(readFile(csv), readFile(elsewhere));
    EXPECT_EQ(e.prompter.infos, (QStringList{QStringLiteral("The register mapping was exported to ") + elsewhere,
                                             QStringLiteral("The register mapping was exported to ") + csv}));

    // No, and a cancelled file dialog, change nothing.
    e.prompter.yesNoCancelAnswers = {Prompter::Answer::No, Prompter::Answer::Yes};
    e.prompter.fileAnswers = {QString()};
    e.click("importButton");
    e.click("importButton");
    EXPECT_EQ(e.prompter.questions.first(),
              QStringLiteral("The import Function cancel all Modbus registers created. Are you sure to import the file?"));
    EXPECT_EQ(e.prompter.lastFolder, e.home.session.ws.configurationFolder);
    EXPECT_EQ(e.prompter.lastFilter, QStringLiteral("CSV File (*.csv)|*.csv"));
    EXPECT_EQ(e.dialog->mapping().entryCount(), 2);

    // A file that cannot be read is reported and every entry stays.
    e.prompter.yesNoCancelAnswers = {Prompter::Answer::Yes};
    e.prompter.fileAnswers = {e.home.session.ws.configurationFolder + QStringLiteral("/none.csv")};
    e.click("importButton");
    ASSERT_EQ(e.prompter.errors.size(), 1);
    EXPECT_TRUE(e.prompter.errors[0].contains(QStringLiteral("none.csv")));
    EXPECT_EQ(e.dialog->mapping().entryCount(), 2);

    // A line naming a frame that does not exist refuses the import, named.
    writeFile(csv, "header\r\n0x30;2;2;0;\r\n7;3;1;1;\r\n\r\n31;1;1\r\n");
    e.prompter.yesNoCancelAnswers = {Prompter::Answer::Yes};
    e.prompter.fileAnswers = {csv};
    e.click("importButton");
    ASSERT_EQ(e.prompter.errors.size(), 2);
    EXPECT_TRUE(e.prompter.errors[1].endsWith(QStringLiteral("the mapping is as it was:\n"
                                                             "line 3: frame 3 does not exist (the list has 2 frames)")))
        << e.prompter.errors[1].toStdString();
    EXPECT_EQ(e.dialog->mapping().entryCount(), 2);

    writeFile(csv, "header\r\n0x30;2;2;0;\r\n\r\n31;1;1\r\n");
    e.frames_->setCurrentRow(1);
    e.type(QStringLiteral("99"));
    e.prompter.yesNoCancelAnswers = {Prompter::Answer::Yes};
    e.prompter.fileAnswers = {csv};
    e.click("importButton");
    EXPECT_EQ(e.frames_->currentRow(), -1);
    EXPECT_EQ(e.regs->count(), 0);
    EXPECT_TRUE(e.index->text().isEmpty());
    e.frames_->setCurrentRow(1);
    EXPECT_EQ(items(e.regs), QStringList{QStringLiteral("48; Byte 2; None;")});
    e.frames_->setCurrentRow(0);
    EXPECT_EQ(items(e.regs), QStringList{QStringLiteral("31; None; Byte 1;")});
}

TEST(DefineMapping, FailuresAreReportedAndNothingIsLost)
{
    // Export into a folder that cannot be written.
    Editor e(false, kReceiveMapping);
    writeFile(e.home.file(QStringLiteral("plainfile")), "x");
    const QString folder = e.home.session.ws.configurationFolder;
    e.home.session.ws.configurationFolder = e.home.file(QStringLiteral("plainfile/P"));
    e.prompter.saveAnswers = {e.home.file(QStringLiteral("plainfile/P/RInfoCob.csv"))};
    e.click("exportButton");
    ASSERT_EQ(e.prompter.errors.size(), 1);
    EXPECT_TRUE(e.prompter.errors[0].contains(QStringLiteral("RInfoCob.csv")));
    EXPECT_EQ(e.dialog->mapping().entryCount(), 2);
    e.home.session.ws.configurationFolder = folder;

    // A mapping file that loads only in part: the rows read stay, OK keeps the old file.
    const QByteArray broken = "<RInfoCob><row Index=\"1\" NrPdo=\"1\" PosComp=\"0\"/><row NrPdo=\"1\"/></RInfoCob>";
    writeFile(e.mappingPath, broken);
    EXPECT_THROW(e.dialog->reload(), Error);
    EXPECT_EQ(e.frames_->count(), 2);
    e.frames_->setCurrentRow(0);
    EXPECT_EQ(items(e.regs), QStringList{QStringLiteral("1; None; None;")});
    e.dialog->accept();
    EXPECT_EQ(readFile(e.mappingPath + QStringLiteral(".bak")), broken);
}

TEST(DefineMapping, KeyboardUseOfTheLists)
{
    Editor e(false, kReceiveMapping);
    e.dialog->show();
    QApplication::setActiveWindow(e.dialog.get());

    // Tabbing into a list chooses no line; the arrow keys then start at the first line.
    // A typed key never moves the choice to a line that starts with it.
    e.frames_->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(e.frames_->selectedItems().isEmpty());
    EXPECT_EQ(e.regs->count(), 0);
    QTest::keyClick(e.frames_, Qt::Key_Down);
    EXPECT_EQ(e.frames_->selectedItems(), QList<QListWidgetItem*>{e.frames_->item(0)});
    QTest::keyClick(e.frames_, Qt::Key_Down);
    QTest::keyClick(e.frames_, Qt::Key_0);
    EXPECT_EQ(e.frames_->selectedItems(), QList<QListWidgetItem*>{e.frames_->item(1)});
    e.regs->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(e.regs->selectedItems().isEmpty());
    EXPECT_TRUE(e.index->text().isEmpty());
    QTest::keyClick(e.regs, Qt::Key_Down);
    EXPECT_EQ(e.index->text(), QStringLiteral("11"));

    // Enter on a list line is no Create: it neither adds an entry nor shows an error.
    e.index->clear();
    for (QListWidget* list : {e.frames_, e.regs}) {
        QTest::keyClick(list, Qt::Key_Return);
        QTest::keyClick(list, Qt::Key_Enter, Qt::KeypadModifier);
    }
    EXPECT_TRUE(e.prompter.errors.isEmpty());
    EXPECT_EQ(e.dialog->mapping().entryCount(), 2);

    // Enter in the index field creates the entry.
    QTest::keyClicks(e.index, QStringLiteral("77"));
    QTest::keyClick(e.index, Qt::Key_Return);
    EXPECT_EQ(items(e.regs).last(), QStringLiteral("77; Byte 1; Byte 2;"));
    e.dialog->hide();
}

// Shown, each editor chooses nothing, whichever list has the keyboard focus: Create then
// says that a frame must be chosen and adds nothing.
TEST(DefineMapping, ShowingChoosesNoFrameAndCreateAsksForOne)
{
    for (bool transmit : {false, true}) {
        SCOPED_TRACE(transmit ? "transmit" : "receive");
        Editor e(transmit, QByteArray());
        e.dialog->show();
        QApplication::setActiveWindow(e.dialog.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(e.dialog.get()));
        for (QWidget* focus : {static_cast<QWidget*>(e.frames_), static_cast<QWidget*>(e.regs)}) {
            focus->setFocus(Qt::TabFocusReason);
            EXPECT_TRUE(e.frames_->selectedItems().isEmpty());
            EXPECT_EQ(e.regs->count(), 0);
            EXPECT_EQ(items(e.high), QStringList{QStringLiteral("None")});
            EXPECT_EQ(items(e.low), QStringList{QStringLiteral("None")});
        }
        e.type(QStringLiteral("300"));
        e.click("createButton");
        EXPECT_EQ(e.prompter.errors,
                  QStringList{QStringLiteral("Error! Select a CAN frame in the list before creating a Modbus register")});
        EXPECT_EQ(e.dialog->mapping().entryCount(), 0);
        e.dialog->hide();
    }
}

// Escape is Cancel: it closes at once while nothing changed, and asks before dropping a
// change; No keeps the dialog open with the change. The close box drops without asking.
TEST(DefineMapping, EscapeAndTheCloseBoxAskBeforeDroppingAChange)
{
    const QString question = QStringLiteral("Do you want to exit without saving changes?");
    for (bool transmit : {false, true}) {
        SCOPED_TRACE(transmit ? "transmit" : "receive");
        Editor e(transmit, QByteArray());
        const auto showAndChange = [&e](bool change) {
            e.dialog->reload();
            e.dialog->show();
            QApplication::setActiveWindow(e.dialog.get());
            if (change) {
                e.frames_->setCurrentRow(0);
                e.type(QStringLiteral("40"));
                e.click("createButton");
            }
            e.frames_->setFocus();
        };

        showAndChange(false);
        QTest::keyClick(e.frames_, Qt::Key_Escape);
        EXPECT_FALSE(e.dialog->isVisible());
        EXPECT_TRUE(e.prompter.questions.isEmpty());

        showAndChange(true);
        e.prompter.yesNoAnswers = {false, true};
        QTest::keyClick(e.frames_, Qt::Key_Escape);
        EXPECT_EQ(e.prompter.questions, QStringList{question});
        ASSERT_TRUE(e.dialog->isVisible()) << "No keeps the dialog and its change";
        EXPECT_EQ(e.dialog->mapping().entryCount(), 1);
        e.click("cancelButton");
        EXPECT_EQ(e.prompter.questions, (QStringList{question, question}));
        EXPECT_FALSE(e.dialog->isVisible());
        EXPECT_EQ(e.dialog->result(), QDialog::Rejected);
        EXPECT_FALSE(QFile::exists(e.mappingPath));

        // The close box is Cancel: it asks, and No keeps the dialog with its change.
        showAndChange(true);
        e.prompter.yesNoAnswers = {false, true};
        e.dialog->close();
        EXPECT_TRUE(e.dialog->isVisible());
        EXPECT_EQ(e.dialog->mapping().entryCount(), 1);
        e.dialog->close();
        EXPECT_FALSE(e.dialog->isVisible());
        EXPECT_EQ(e.prompter.questions, (QStringList{question, question, question, question}));
        EXPECT_FALSE(QFile::exists(e.mappingPath));
    }
}

// Create, Modify, Delete and Import are one step each: undone one by one back to what was
// loaded, redone one by one, through the buttons and the keys; OK then writes the entries
// the lists show, and Cancel after an undo writes nothing.
TEST(DefineMapping, UndoAndRedoStepThroughCreateModifyDeleteAndImport)
{
    for (bool transmit : {false, true}) {
        SCOPED_TRACE(transmit ? "transmit" : "receive");
        Editor e(transmit, QByteArray());
        e.dialog->show();
        QApplication::setActiveWindow(e.dialog.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(e.dialog.get()));
        auto* undo = test::requireChild<QPushButton>(e.dialog.get(), QStringLiteral("undoButton"));
        auto* redo = test::requireChild<QPushButton>(e.dialog.get(), QStringLiteral("redoButton"));
        ASSERT_TRUE(undo && redo);
        EXPECT_EQ(undo->text(), QStringLiteral("Undo"));
        EXPECT_EQ(redo->text(), QStringLiteral("Redo"));
        EXPECT_FALSE(undo->isEnabled());
        EXPECT_FALSE(redo->isEnabled());

        // What the lists show: the registers of each frame.
        const auto shown = [&e] {
            const int chosen = e.frames_->currentRow();
            QStringList lines;
            for (int f = 0; f < e.frames_->count(); ++f) {
                e.frames_->setCurrentRow(f);
                lines << items(e.regs).join(u',');
            }
            e.frames_->setCurrentRow(chosen);
            return lines.join(u'/');
        };
        QStringList states{shown()};
        e.frames_->setCurrentRow(0);
        e.type(QStringLiteral("40"));
        e.click("createButton");
        e.type(QStringLiteral("41"));
        e.click("createButton");
        states << shown();
        e.regs->setCurrentRow(0);
        e.type(QStringLiteral("42"));
        e.click("modifyButton");
        states << shown();
        e.regs->setCurrentRow(1);
        e.click("deleteButton");
        states << shown();
        const QString csv = e.home.session.ws.configurationFolder + QStringLiteral("/in.csv");
        writeFile(csv, "header\r\n7;2;1;2;0;\r\n");
        e.prompter.yesNoCancelAnswers = {Prompter::Answer::Yes};
        e.prompter.fileAnswers = {csv};
        e.click("importButton");
        states << shown();
        ASSERT_EQ(states, (QStringList{QStringLiteral("/"), QStringLiteral("40; None; None;,41; None; None;/"),
                                       QStringLiteral("42; None; None;,41; None; None;/"),
                                       QStringLiteral("42; None; None;/"), QStringLiteral("/7; Byte 1; Byte 2;")}))
            << "the first create is a step of its own, checked on undo";

        e.frames_->setFocus();
        const QStringList undone{states[3], states[2], states[1], QStringLiteral("40; None; None;/"), states[0]};
        for (int i = 0; i < undone.size(); ++i) {
            if (i % 2)
                e.click("undoButton");
            else
                QTest::keyClick(e.frames_, Qt::Key_Z, Qt::ControlModifier);
            EXPECT_EQ(shown(), undone[i]) << "undo " << i;
        }
        EXPECT_FALSE(undo->isEnabled());
        EXPECT_FALSE(e.dialog->hasChanges());
        for (int i = undone.size() - 2; i >= 0; --i)
            QTest::keyClick(e.frames_, i % 2 ? Qt::Key_Y : Qt::Key_Z,
                            i % 2 ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier);
        e.click("redoButton");
        EXPECT_EQ(shown(), states[4]);
        EXPECT_FALSE(redo->isEnabled());

        // Undo the import, then OK writes the one entry of the first frame.
        e.click("undoButton");
        e.click("okButton");
        EXPECT_EQ(e.dialog->result(), QDialog::Accepted);
        const QByteArray written = readFile(e.mappingPath);
        EXPECT_TRUE(written.contains("Index=\"42\" NrPdo=\"1\"")) << written.toStdString();
        EXPECT_EQ(written.count("<row "), 1);

        // A new showing has nothing to undo; Cancel after an undone create writes nothing.
        e.dialog->reload();
        e.dialog->show();
        EXPECT_FALSE(undo->isEnabled());
        e.frames_->setCurrentRow(1);
        e.type(QStringLiteral("50"));
        e.click("createButton");
        e.click("undoButton");
        e.click("cancelButton");
        EXPECT_EQ(e.dialog->result(), QDialog::Rejected);
        EXPECT_EQ(readFile(e.mappingPath), written);
    }
}

} // namespace
} // namespace px

namespace px {
namespace {

// Entries whose frame does not exist stand in a section of their own, where they are
// attached to a frame or deleted; OK never drops one unasked, and the check's finding on
// such an entry selects it there.
TEST(DefineMapping, EntriesOfNoFrameAreShownKeptAttachedOrDeleted)
{
    const QByteArray mapping = "<RInfoCob><row Index=\"10\" NrPdo=\"1\" PosComp=\"130\"/>"
                               "<row Index=\"900\" NrPdo=\"5\" PosComp=\"16\"/><row Index=\"11\" NrPdo=\"2\" PosComp=\"18\"/>"
                               "<row Index=\"901\" NrPdo=\"0\" PosComp=\"16\"/></RInfoCob>";
    const auto orphanList = [](Editor& e) { return e.dialog->findChild<QListWidget*>(QStringLiteral("orphanList")); };
    enum class Act { Nothing, Attach, Delete };
    const struct {
        Act act;
        const char* written;  // the rows of the file OK writes, after the root's start
    } cases[] = {
        {Act::Nothing, "<row Index=\"10\" NrPdo=\"1\" PosComp=\"130\"/><row Index=\"11\" NrPdo=\"2\" PosComp=\"18\"/>"
                       "<row Index=\"900\" NrPdo=\"5\" PosComp=\"16\"/><row Index=\"901\" NrPdo=\"0\" PosComp=\"16\"/>"},
        {Act::Attach, "<row Index=\"10\" NrPdo=\"1\" PosComp=\"130\"/><row Index=\"11\" NrPdo=\"2\" PosComp=\"18\"/>"
                      "<row Index=\"900\" NrPdo=\"2\" PosComp=\"16\"/><row Index=\"901\" NrPdo=\"0\" PosComp=\"16\"/>"},
        {Act::Delete, "<row Index=\"10\" NrPdo=\"1\" PosComp=\"130\"/><row Index=\"11\" NrPdo=\"2\" PosComp=\"18\"/>"
                      "<row Index=\"901\" NrPdo=\"0\" PosComp=\"16\"/>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.act));
        Editor e(false, mapping);
        QListWidget* orphans = orphanList(e);
        ASSERT_NE(orphans, nullptr);
        EXPECT_FALSE(orphans->isHidden());
        EXPECT_EQ(items(orphans), (QStringList{QStringLiteral("900; frame 5 (not in the list)"),
                                               QStringLiteral("901; frame 0 (not in the list)")}));

        // The check names file row 2; the editor lists it after the two entries of frames.
        const config::Configuration config = config::readConfiguration(e.home.session.ws.configurationFolder);
        const int editorRow = check::mappingEditorRow(config, config::Direction::Receive, 2);
        EXPECT_EQ(editorRow, 3);
        e.dialog->showEntryRow(editorRow);
        EXPECT_EQ(orphans->currentRow(), 0);

        switch (c.act) {
        case Act::Nothing:
            break;
        case Act::Attach:
            e.frames_->setCurrentRow(1);
            e.click("attachOrphanButton");
            EXPECT_EQ(items(e.regs), (QStringList{QStringLiteral("11; Byte 1; Byte 2;"), QStringLiteral("900; Byte 1; None;")}));
            EXPECT_EQ(orphans->count(), 1);
            break;
        case Act::Delete:
            e.click("deleteOrphanButton");
            EXPECT_EQ(orphans->count(), 1);
            break;
        }
        e.dialog->accept();
        EXPECT_EQ(e.prompter.shown, QStringList());
        EXPECT_EQ(readFile(e.mappingPath),
                  QByteArray("<RInfoCob>") + c.written + QByteArray("</RInfoCob><!--SW_VERSION = 2.505-->"));
    }

    // Without such entries the section is not shown.
    Editor plain(false, kReceiveMapping);
    EXPECT_TRUE(orphanList(plain)->isHidden());
}

} // namespace
} // namespace px

namespace px {
namespace {

// The signal fields of a mapping editor, found by their names.
struct SignalPanel {
    explicit SignalPanel(QWidget* dialog)
        : group(test::requireChild<QGroupBox>(dialog, QStringLiteral("signalEditor"))),
          name(test::requireChild<QLineEdit>(dialog, QStringLiteral("signalNameEdit"))),
          unit(test::requireChild<QLineEdit>(dialog, QStringLiteral("signalUnitEdit"))),
          factor(test::requireChild<QLineEdit>(dialog, QStringLiteral("signalFactorEdit"))),
          offset(test::requireChild<QLineEdit>(dialog, QStringLiteral("signalOffsetEdit"))),
          isSigned(test::requireChild<QCheckBox>(dialog, QStringLiteral("signalSignedCheck")))
    {
    }
    // What the fields show: name | unit | factor | offset | signed.
    QString shown() const
    {
        return QStringList{name->text(), unit->text(), factor->text(), offset->text(), isSigned->isChecked() ? QStringLiteral("Y") : QStringLiteral("N")}.join(u'|');
    }
    void fill(const QString& n, const QString& u, const QString& f, const QString& o, bool s) const
    {
        for (const auto& [edit, text] : {std::pair{name, n}, std::pair{unit, u}, std::pair{factor, f}, std::pair{offset, o}}) {
            edit->clear();
            QTest::keyClicks(edit, text);
        }
        if (isSigned->isChecked() != s)
            QTest::keyClick(isSigned, Qt::Key_Space);
    }

    QGroupBox* group;
    QLineEdit* name;
    QLineEdit* unit;
    QLineEdit* factor;
    QLineEdit* offset;
    QCheckBox* isSigned;
};

QByteArray mappingOf(bool transmit)
{
    return transmit ? "<TInfoCob><row Index=\"10\" NrPdo=\"1\" PosComp=\"130\" Send_on_Write=\"1\"/>"
                      "<row Index=\"11\" NrPdo=\"2\" PosComp=\"18\" Send_on_Write=\"0\"/></TInfoCob>"
                    : kReceiveMapping;
}

void showActive(Editor& e)
{
    e.dialog->show();
    QApplication::setActiveWindow(e.dialog.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(e.dialog.get()));
}

// A register's name, unit, scaling and sign are given by hand in both editors of both
// device generations, with the keyboard: Enter in a signal field modifies the selected
// register. They are undone and redone with the entries, written with the mapping at OK,
// and shown by the register map; a register given nothing keeps no signal data.
TEST(DefineMappingSignals, GivenByHandWrittenWithTheMappingAndShownInTheRegisterMap)
{
    for (const bool transmit : {false, true}) {
        for (const bool dip : {false, true}) {
            SCOPED_TRACE(std::string(transmit ? "transmit" : "receive") + (dip ? ", dip" : ", jumper"));
            Editor e(transmit, mappingOf(transmit), dip);
            const config::Direction d = transmit ? config::Direction::Transmit : config::Direction::Receive;
            SignalPanel panel(e.dialog.get());
            EXPECT_EQ(panel.group->title(), QStringLiteral("Signal for the PLC"));
            for (const auto& [label, text] : {std::pair{"signalNameLabel", "Signal"}, std::pair{"signalUnitLabel", "Unit"},
                                              std::pair{"signalFactorLabel", "Factor"}, std::pair{"signalOffsetLabel", "Offset"}})
                EXPECT_EQ(test::requireChild<QLabel>(e.dialog.get(), QString::fromLatin1(label))->text(), QString::fromLatin1(text));
            EXPECT_EQ(panel.isSigned->text(), QStringLiteral("Signed"));
            showActive(e);

            e.frames_->setCurrentRow(0);
            e.regs->setCurrentRow(0);
            EXPECT_EQ(panel.shown(), QStringLiteral("||1|0|N"));
            panel.fill(QStringLiteral("OilPressure"), QStringLiteral("bar"), QStringLiteral("0.1"), QStringLiteral("-40"), true);
            QTest::keyClick(panel.unit, Qt::Key_Return);
            EXPECT_TRUE(e.prompter.errors.isEmpty()) << e.prompter.errors.join(u'\n').toStdString();
            EXPECT_EQ(e.dialog->mapping().entryCount(), 2) << "Enter in a signal field modifies, it creates nothing";
            EXPECT_EQ(items(e.regs).first(), QStringLiteral("10; Byte 8; Byte 2;")) << "the register line stays as it was";
            EXPECT_TRUE(e.dialog->hasChanges());

            // The register shows its signal when chosen again; the other frame's shows none.
            e.frames_->setCurrentRow(1);
            e.regs->setCurrentRow(0);
            EXPECT_EQ(panel.shown(), QStringLiteral("||1|0|N"));
            e.frames_->setCurrentRow(0);
            e.regs->setCurrentRow(0);
            EXPECT_EQ(panel.shown(), QStringLiteral("OilPressure|bar|0.1|-40|Y"));

            // Undo takes the signal away, Redo puts it back.
            e.click("undoButton");
            EXPECT_EQ(e.dialog->signalTable().find(d, 10), nullptr);
            EXPECT_FALSE(e.dialog->hasChanges());
            e.click("redoButton");
            ASSERT_NE(e.dialog->signalTable().find(d, 10), nullptr);

            // Create with the fields as a fresh register shows them: nothing for the PLC.
            e.frames_->setCurrentRow(1);
            EXPECT_EQ(panel.shown(), QStringLiteral("||1|0|N"));
            e.type(QStringLiteral("99"));
            e.click("createButton");
            EXPECT_EQ(e.dialog->mapping().entryCount(), 3);

            e.click("okButton");
            EXPECT_EQ(e.dialog->result(), QDialog::Accepted);
            const QString folder = e.home.session.ws.configurationFolder;
            const config::SignalTable written = config::loadSignalTable(folder);
            ASSERT_EQ(written.registers().size(), 1U);
            EXPECT_EQ(written.registers()[0].registerIndex, 10);
            EXPECT_EQ(written.registers()[0].direction, d);
            const check::RegisterMap map = check::buildRegisterMap(config::readConfiguration(folder), written);
            const check::DirectionMap& side = transmit ? map.transmit : map.receive;
            ASSERT_EQ(side.registers.size(), 3U);
            const QStringList cells = check::signalCells(side.registers[0], d, e.home.session.messages);
            EXPECT_EQ(cells.mid(0, 5), (QStringList{QStringLiteral("OilPressure"), QStringLiteral("bar"), QStringLiteral("0.1"),
                                                    QStringLiteral("-40"), QStringLiteral("Yes")}));
            e.dialog->hide();
        }
    }
}

// A factor that is no number other than 0, or an offset that is no number, is refused by
// Create and Modify with its message, the field selected and given the focus; nothing
// changes. An empty factor or offset stands for 1 or 0.
TEST(DefineMappingSignals, AFaultyFactorOrOffsetIsRefusedWithTheFieldSelected)
{
    Editor e(false, kReceiveMapping);
    SignalPanel panel(e.dialog.get());
    showActive(e);
    const QString factorMessage = QStringLiteral("The factor must be a number other than 0, for example 0.1");
    const QString offsetMessage = QStringLiteral("The offset must be a number, for example -40");
    const struct {
        const char* button;
        const char* factor;
        const char* offset;
        QString message;  // empty: taken
        bool factorField;
    } cases[] = {
        {"modifyButton", "0", "0", factorMessage, true},   {"modifyButton", "x1", "0", factorMessage, true},
        {"modifyButton", "inf", "0", factorMessage, true}, {"modifyButton", "2", "5 V", offsetMessage, false},
        {"createButton", "0", "0", factorMessage, true},   {"createButton", "1", "nan", offsetMessage, false},
        {"modifyButton", "", "", QString(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.button) + " " + c.factor + " / " + c.offset);
        e.prompter.errors.clear();
        e.frames_->setCurrentRow(0);
        e.regs->setCurrentRow(0);
        e.type(std::string(c.button) == "createButton" ? QStringLiteral("50") : QStringLiteral("10"));
        panel.fill(QStringLiteral("Level"), QStringLiteral("%"), QString::fromLatin1(c.factor), QString::fromLatin1(c.offset), false);
        e.click(c.button);
        if (c.message.isEmpty()) {
            EXPECT_TRUE(e.prompter.errors.isEmpty());
            ASSERT_NE(e.dialog->signalTable().find(config::Direction::Receive, 10), nullptr);
            EXPECT_EQ(e.dialog->signalTable().find(config::Direction::Receive, 10)->factor, 1.0);
            EXPECT_EQ(e.dialog->signalTable().find(config::Direction::Receive, 10)->name, QStringLiteral("Level"));
            continue;
        }
        EXPECT_EQ(e.prompter.errors, QStringList{c.message});
        QLineEdit* field = c.factorField ? panel.factor : panel.offset;
        EXPECT_EQ(QApplication::focusWidget(), field);
        EXPECT_EQ(field->selectedText(), field->text());
        EXPECT_FALSE(e.dialog->hasChanges());
        EXPECT_EQ(e.dialog->mapping().entryCount(), 2);
    }
    // An index fault is told first, as it always was.
    e.prompter.errors.clear();
    e.frames_->setCurrentRow(1);
    e.type(QStringLiteral("70000"));
    panel.fill(QString(), QString(), QStringLiteral("0"), QStringLiteral("0"), false);
    e.click("createButton");
    EXPECT_EQ(e.prompter.errors, QStringList{QStringLiteral("Error!! Index of Modbus Register must be between 0 and 65535")});
    e.dialog->hide();
}

// A change of signal data alone makes Cancel ask; Modify to another index moves the signal,
// Delete removes it, and what the import recorded of the signal (its bits) stays through a
// change of its name.
TEST(DefineMappingSignals, CancelAsksDeleteRemovesAndModifyMovesTheSignal)
{
    Editor e(true, mappingOf(true));
    const QString folder = e.home.session.ws.configurationFolder;
    config::SignalTable recorded;
    config::RegisterSignal speed;
    speed.direction = config::Direction::Transmit;
    speed.registerIndex = 11;
    speed.name = QStringLiteral("Speed");
    speed.bitOffset = 4;
    speed.bitLength = 12;
    speed.length = 12;
    recorded.set(speed);
    config::RegisterSignal other = speed;
    other.direction = config::Direction::Receive;
    recorded.set(other);
    config::saveSignalTable(recorded, folder);
    e.dialog->reload();
    SignalPanel panel(e.dialog.get());

    e.frames_->setCurrentRow(1);
    e.regs->setCurrentRow(0);
    EXPECT_EQ(panel.shown(), QStringLiteral("Speed||1|0|N"));
    panel.name->setText(QStringLiteral("Speed2"));
    e.click("modifyButton");
    e.prompter.yesNoAnswers = {false};
    e.click("cancelButton");
    EXPECT_EQ(e.prompter.questions, QStringList{QStringLiteral("Do you want to exit without saving changes?")});
    EXPECT_TRUE(e.dialog->hasChanges()) << "No keeps the change";

    // Modify to another index: the signal goes along, bits and all.
    e.regs->setCurrentRow(0);
    e.type(QStringLiteral("12"));
    e.click("modifyButton");
    const config::SignalTable& table = e.dialog->signalTable();
    EXPECT_EQ(table.find(config::Direction::Transmit, 11), nullptr);
    ASSERT_NE(table.find(config::Direction::Transmit, 12), nullptr);
    EXPECT_EQ(table.find(config::Direction::Transmit, 12)->name, QStringLiteral("Speed2"));
    EXPECT_EQ(table.find(config::Direction::Transmit, 12)->bitLength, 12);

    // Delete takes it away; the receive side's register 11 is another register.
    e.regs->setCurrentRow(0);
    e.click("deleteButton");
    EXPECT_EQ(table.find(config::Direction::Transmit, 12), nullptr);
    e.dialog->accept();
    const config::SignalTable written = config::loadSignalTable(folder);
    ASSERT_EQ(written.registers().size(), 1U);
    EXPECT_EQ(written.registers()[0], other);
}

} // namespace
} // namespace px
