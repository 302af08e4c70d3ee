#include "gui/exchange/import_picker_dialog.h"

#include "core/exchange/capture_reader.h"
#include "core/exchange/dbc_reader.h"
#include "core/lang/message_ids.h"
#include "core/lang/message_table.h"
#include "support/fake_prompter.h"
#include "support/temp_home.h"
#include "support/widget_lookup.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace px {
namespace {

using exchange::Direction;
using exchange::ImportTarget;

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

class ImportPickerTest : public ::testing::Test {
protected:
    ImportPickerTest() : dialog(prompter) {}

    void show(const ImportTarget& target, const char* fixtureName = "exchange/constructs.dbc")
    {
        const QByteArray bytes = test::fixture(s(fixtureName));
        const auto messages = QString::fromLatin1(fixtureName).endsWith(u".dbc")
            ? exchange::importMessages(exchange::readDbc(bytes, s("constructs.dbc")))
            : exchange::importMessages(exchange::readCapture(bytes, s("log_shape.log")));
        dialog.prepareShowing(s("constructs.dbc"), messages, target);
        dialog.show();
    }

    QTableWidget* table(const char* name) { return test::requireChild<QTableWidget>(&dialog, s(name)); }
    void click(const char* name) { QTest::mouseClick(test::requireChild<QPushButton>(&dialog, s(name)), Qt::LeftButton); }

    // Ticks a row by clicking its check box as a user does.
    void tick(int row)
    {
        QTableWidget* t = table("fileFramesTable");
        QTableWidgetItem* item = t->item(row, 0);
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }

    QStringList column(const char* tableName, int col)
    {
        QTableWidget* t = table(tableName);
        QStringList out;
        for (int r = 0; r < t->rowCount(); ++r) {
            if (t->isRowHidden(r))
                continue;
            out << (t->item(r, col) ? t->item(r, col)->text() : QString());
        }
        return out;
    }

    void TearDown() override { dialog.close(); }

    test::FakePrompter prompter;
    ImportPickerDialog dialog;
};

TEST_F(ImportPickerTest, FilterKeepsNamesAndIdentifiers)
{
    ImportTarget target;
    target.dipSwitch = true;
    show(target);
    EXPECT_EQ(column("fileFramesTable", 0), (QStringList{s("0x181"), s("0x18FF0011"), s("0x1")}));
    EXPECT_EQ(column("fileFramesTable", 3), (QStringList{s("DriveStatus"), s("EngineData"), s("Heartbeat")}));
    // Signals and how many of them map: Flags (3 bits) as a bit field; the multiplexed ones not.
    EXPECT_EQ(column("fileFramesTable", 6), (QStringList{s("5"), s("4"), s("0")}));
    EXPECT_EQ(column("fileFramesTable", 7), (QStringList{s("5"), s("2"), s("0")}));

    auto* filter = test::requireChild<QLineEdit>(&dialog, s("filterEdit"));
    QTest::keyClicks(filter, s("engine"));
    EXPECT_EQ(column("fileFramesTable", 0), QStringList{s("0x18FF0011")});
    filter->clear();
    QTest::keyClicks(filter, s("18f"));
    EXPECT_EQ(column("fileFramesTable", 0), QStringList{s("0x18FF0011")});
    // Tick Shown ticks only what the filter shows.
    click("checkShownButton");
    filter->clear();
    EXPECT_EQ(column("previewFramesTable", 1), QStringList{s("0x18FF0011")});
}

TEST_F(ImportPickerTest, PreviewFollowsTheChoiceAndTheFirstRegister)
{
    ImportTarget target;
    target.dipSwitch = true;
    target.existingFrames = 3;
    target.usedRegisters = {11};
    target.firstRegister = 10;
    show(target);
    EXPECT_EQ(table("previewFramesTable")->rowCount(), 0);
    tick(0);
    EXPECT_EQ(column("previewFramesTable", 0), QStringList{s("4")});
    EXPECT_EQ(column("previewFramesTable", 1), QStringList{s("0x181")});
    EXPECT_EQ(column("previewFramesTable", 2), QStringList{s("2.0A (11 bits)")});
    EXPECT_EQ(column("previewFramesTable", 5), QStringList{s("DriveStatus")});
    auto* timeOut = test::requireChild<QSpinBox>(table("previewFramesTable"), s("timeOutBox1"));
    ASSERT_TRUE(timeOut);
    EXPECT_EQ(timeOut->value(), 300);
    // Speed 16 bits Intel, Torque 16 bits Motorola, Mode 8 bits, Flags 3 bits of byte 6,
    // Energy 32 bits Motorola; register 11 is used already.
    EXPECT_EQ(column("previewEntriesTable", 0), (QStringList{s("10"), s("12"), s("13"), s("14"), s("15"), s("16")}));
    EXPECT_EQ(column("previewEntriesTable", 1), (QStringList{s("4"), s("4"), s("4"), s("4"), s("4"), s("4")}));
    EXPECT_EQ(column("previewEntriesTable", 2), (QStringList{s("Byte 2"), s("Byte 3"), s("None"), s("None"), s("Byte 5"), s("Byte 7")}));
    EXPECT_EQ(column("previewEntriesTable", 3), (QStringList{s("Byte 1"), s("Byte 4"), s("Byte 5"), s("Byte 6"), s("Byte 6"), s("Byte 8")}));
    auto* notMapped = test::requireChild<QListWidget>(&dialog, s("notMappedList"));
    EXPECT_EQ(notMapped->count(), 0);
    tick(1);
    ASSERT_EQ(notMapped->count(), 2);
    EXPECT_EQ(notMapped->item(0)->text(), s("0x18FF0011 EngineData, signal Temp not mapped: multiplexed (m0): its bytes hold "
                                            "other signals for other multiplexer values"));
    tick(1);

    test::requireChild<QSpinBox>(&dialog, s("firstRegisterBox"))->setValue(100);
    EXPECT_EQ(column("previewEntriesTable", 0).first(), s("100"));

    // The user's time-out goes into the plan.
    timeOut = test::requireChild<QSpinBox>(table("previewFramesTable"), s("timeOutBox1"));
    timeOut->setValue(750);
    click("importButton");
    EXPECT_TRUE(prompter.errors.isEmpty()) << prompter.errors.join(u'\n').toStdString();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(dialog.plan().frames.size(), 1u);
    EXPECT_EQ(dialog.plan().frames[0].timeOutMs, 750);
    EXPECT_EQ(dialog.plan().entries.size(), 6u);
}

TEST_F(ImportPickerTest, FramesInTheListAndSkippedLinesAreShown)
{
    ImportTarget target;
    target.dipSwitch = true;
    target.existingFrames = 2;
    target.existingIds = {{exchange::frameKey(0x181, false), 1}};
    const QByteArray bytes = test::fixture(s("exchange/constructs.dbc"));
    dialog.prepareShowing(s("constructs.dbc"), exchange::importMessages(exchange::readDbc(bytes, s("constructs.dbc"))), target,
                          {s("constructs.dbc: line 3, column 1: unexpected control character 0x01 (skipped)")});
    dialog.show();
    EXPECT_EQ(column("fileFramesTable", 8), (QStringList{s("already in the list: its signals are mapped onto it"), QString(), QString()}));
    auto* notMapped = test::requireChild<QListWidget>(&dialog, s("notMappedList"));
    ASSERT_EQ(notMapped->count(), 1);
    EXPECT_EQ(notMapped->item(0)->text(), s("Skipped: constructs.dbc: line 3, column 1: unexpected control character 0x01 (skipped)"));
    tick(0);
    // No frame row is added; the entries name the frame that is there.
    EXPECT_EQ(table("previewFramesTable")->rowCount(), 0);
    EXPECT_EQ(column("previewEntriesTable", 1), (QStringList{s("2"), s("2"), s("2"), s("2"), s("2"), s("2")}));
    EXPECT_EQ(notMapped->item(1)->text(), s("0x181 DriveStatus already in the list as frame 2: its signals are mapped onto it"));
    click("importButton");
    EXPECT_TRUE(prompter.errors.isEmpty()) << prompter.errors.join(u'\n').toStdString();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(ImportPickerTest, ImportRefusedWhenNothingChosenOrItWouldNotFit)
{
    ImportTarget target;
    target.direction = Direction::Transmit;
    target.dipSwitch = false;
    target.existingFrames = 249;
    show(target);
    click("importButton");
    EXPECT_EQ(prompter.errors, QStringList{s("No frame is chosen: tick the frames to import.")});
    tick(0);
    tick(2);
    EXPECT_EQ(test::requireChild<QLabel>(&dialog, s("summaryLabel"))->text(),
              s("The transmit frame list would hold 251 frames, 1 more than its 250 rows."));
    click("importButton");
    ASSERT_EQ(prompter.errors.size(), 2);
    EXPECT_EQ(prompter.errors[1], s("The transmit frame list would hold 251 frames, 1 more than its 250 rows. Nothing was imported."));
    EXPECT_TRUE(dialog.isVisible());
    click("cancelButton");
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(ImportPickerTest, CaptureShowsFramesPeriodsAndFirstData)
{
    ImportTarget target;
    target.dipSwitch = true;
    show(target, "exchange/log_shape.log");
    EXPECT_EQ(column("fileFramesTable", 0), (QStringList{s("0x181"), s("0x18FF0011"), s("0x7FF")}));
    EXPECT_EQ(column("fileFramesTable", 2), (QStringList{s("8"), s("5"), s("0")}));
    EXPECT_EQ(column("fileFramesTable", 3), (QStringList{s("3"), s("2"), s("1")}));
    EXPECT_EQ(column("fileFramesTable", 4), (QStringList{s("100.0 ms"), s("200.0 ms"), QString()}));
    EXPECT_EQ(column("fileFramesTable", 5), (QStringList{s("11 22 33 44 55 66 77 88"), s("01 02"), QString()}));
    click("checkShownButton");
    EXPECT_EQ(column("previewFramesTable", 1), (QStringList{s("0x181"), s("0x18FF0011")}));
    EXPECT_EQ(test::requireChild<QSpinBox>(table("previewFramesTable"), s("timeOutBox2"))->value(), 600);
    auto* notMapped = test::requireChild<QListWidget>(&dialog, s("notMappedList"));
    ASSERT_EQ(notMapped->count(), 1);
    EXPECT_TRUE(notMapped->item(0)->text().startsWith(s("0x7FF Captured on can0 not imported: data length 0")));
}

} // namespace
} // namespace px

namespace px {
namespace {

TEST(ImportPickerLanguage, EveryTextComesFromTheMessageTable)
{
    // A language file changes the window's texts, the table headers and the preview.
    MessageTable messages;
    QString language;
    const std::pair<int, const char*> german[] = {
        {msg::kPickerTitle, "CAN-Telegramme importieren"}, {msg::kPickerTickShown, "Angezeigte ankreuzen"},
        {msg::kPickerImport, "Importieren"},               {msg::kPickerCancel, "Abbrechen"},
        {msg::kPickerIdentifier, "Kennung"},               {msg::kPickerIndex, "Register"},
        {msg::kPickerByte, "Byte Nr. %1"},
        {msg::kPickerSummary, "%1 Telegramme und %2 Zuordnungen kommen hinzu"},
    };
    for (const auto& [id, text] : german)
        language += QStringLiteral("STR%1 = %2\n").arg(id).arg(QString::fromUtf8(text));
    messages.applyLanguageText(language);
    test::FakePrompter prompter;
    ImportPickerDialog dialog(prompter, messages);
    const QByteArray bytes = test::fixture(QStringLiteral("exchange/constructs.dbc"));
    exchange::ImportTarget target;
    target.dipSwitch = true;
    dialog.prepareShowing(QStringLiteral("constructs.dbc"), exchange::importMessages(exchange::readDbc(bytes, QStringLiteral("constructs.dbc"))),
                          target);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("CAN-Telegramme importieren"));
    EXPECT_EQ(test::requireChild<QPushButton>(&dialog, QStringLiteral("importButton"))->text(), QStringLiteral("Importieren"));
    EXPECT_EQ(test::requireChild<QPushButton>(&dialog, QStringLiteral("cancelButton"))->text(), QStringLiteral("Abbrechen"));
    auto* frames = test::requireChild<QTableWidget>(&dialog, QStringLiteral("fileFramesTable"));
    EXPECT_EQ(frames->horizontalHeaderItem(0)->text(), QStringLiteral("Kennung"));
    // Ticking the first frame fills the preview in the language too.
    frames->item(0, 0)->setCheckState(Qt::Checked);
    auto* entries = test::requireChild<QTableWidget>(&dialog, QStringLiteral("previewEntriesTable"));
    EXPECT_EQ(entries->horizontalHeaderItem(0)->text(), QStringLiteral("Register"));
    ASSERT_GT(entries->rowCount(), 0);
    bool byteShown = false;
    for (int c = 0; c < entries->columnCount(); ++c)
        byteShown |= entries->item(0, c) && entries->item(0, c)->text().startsWith(QStringLiteral("Byte Nr. "));
    EXPECT_TRUE(byteShown);
    EXPECT_TRUE(test::requireChild<QLabel>(&dialog, QStringLiteral("summaryLabel"))->text().contains(QStringLiteral("Telegramme und")));
    dialog.close();
}

} // namespace
} // namespace px
