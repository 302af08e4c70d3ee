#include "gui/frames/receive_frames_dialogs.h"
#include "gui/frames/transmit_frames_dialogs.h"

#include "core/base/atomic_file.h"
#include "core/config/configuration.h"
#include "core/config/signal_table.h"
#include "core/exchange/dbc_reader.h"
#include "gui/exchange/import_picker_dialog.h"
#include "gui/frames/frame_table_model.h"
#include "support/fake_prompter.h"
#include "support/temp_home.h"
#include "support/widget_lookup.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace px {
namespace {

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

// Works the picker once it is open as the modal window, then lets the import go on.
// Polls for it with a deadline: the picker opens only after the file is read.
void whenPickerOpens(std::function<void(ImportPickerDialog&)> work)
{
    auto* timer = new QTimer;
    const QDeadlineTimer deadline(10000);
    QObject::connect(timer, &QTimer::timeout, [timer, work, deadline] {
        auto* picker = qobject_cast<ImportPickerDialog*>(QApplication::activeModalWidget());
        if (!picker && !deadline.hasExpired())
            return;
        timer->stop();
        timer->deleteLater();
        if (picker)
            work(*picker);
        else
            ADD_FAILURE() << "the picker did not open";
    });
    timer->start(10);
}

void tickIdentifier(ImportPickerDialog& picker, const char* id)
{
    auto* table = test::requireChild<QTableWidget>(&picker, s("fileFramesTable"));
    for (int r = 0; r < table->rowCount(); ++r) {
        if (table->item(r, 0)->text() == s(id))
            table->item(r, 0)->setCheckState(Qt::Checked);
    }
}

void click(QWidget& w, const char* name)
{
    QTest::mouseClick(test::requireChild<QPushButton>(&w, s(name)), Qt::LeftButton);
}

class FrameImportTest : public ::testing::Test {
protected:
    FrameImportTest()
    {
        home.activate(s("Plant1"));
        writeFileAtomically(home.session.ws.generalParametersFile,
                            "<GeneralParameter><Device_Type>1</Device_Type><CANType>1</CANType></GeneralParameter>");
        writeFileAtomically(home.session.ws.receiveFramesFile,
                            "<COBID><row CobID=\"0x100\" CobType=\"2.0A (11 bits)\" Dimensin=\"8\" TimeOut_Time=\"0\" TimeOut=\"N\" "
                            "RTR=\"N\" TimeRTR=\"\" DefaultValues=\"\" Mnemonic=\"First\"/></COBID><!--SW_VERSION = 2.505-->");
        writeFileAtomically(home.session.ws.receiveMappingsFile,
                            "<RInfoCob><row Index=\"11\" NrPdo=\"1\" PosComp=\"18\"/></RInfoCob><!--SW_VERSION = 2.505-->");
        prompter.fileAnswers = {test::fixturePath(s("exchange/constructs.dbc"))};
    }

    QByteArray rcob() const { return home.read(s("PROJECTS/Plant1/RCobDef.xml")); }
    QByteArray rinfo() const { return home.read(s("PROJECTS/Plant1/RInfoCob.xml")); }

    test::TempHome home;
    test::FakePrompter prompter;
};

TEST_F(FrameImportTest, ImportAppendsFramesAndWritesBothFiles)
{
    ReceiveFramesDipDialog editor(home.session, prompter);
    editor.reload();
    editor.show();
    whenPickerOpens([](ImportPickerDialog& picker) {
        QTest::keyClicks(test::requireChild<QLineEdit>(&picker, s("filterEdit")), s("drive"));
        click(picker, "checkShownButton");
        test::requireChild<QSpinBox>(&picker, s("firstRegisterBox"))->setValue(10);
        test::requireChild<QSpinBox>(&picker, s("timeOutBox1"))->setValue(450);
        click(picker, "importButton");
    });
    click(editor, "importFramesButton");
    EXPECT_TRUE(prompter.errors.isEmpty()) << prompter.errors.join(u'\n').toStdString();
    EXPECT_EQ(prompter.infos, QStringList{s("1 frames and 6 mapping entries are imported and saved.")});
    EXPECT_EQ(prompter.lastFolder, home.session.ws.configurationFolder);

    const config::Configuration c = config::readConfiguration(home.session.ws.configurationFolder);
    ASSERT_EQ(c.receiveFrames.size(), 2u);
    EXPECT_EQ(c.receiveFrames[0].mnemonic, s("First"));
    EXPECT_EQ(c.receiveFrames[1].cobId, s("0x181"));
    EXPECT_EQ(c.receiveFrames[1].cobType, s("2.0A (11 bits)"));
    EXPECT_EQ(c.receiveFrames[1].timeOutTime, s("450"));
    EXPECT_EQ(c.receiveFrames[1].timeOut, s("Y"));
    EXPECT_EQ(c.receiveFrames[1].mnemonic, s("DriveStatus"));
    QStringList indexes;
    for (const config::MappingEntry& e : c.receiveMappings)
        indexes << QStringLiteral("%1@%2:%3/%4").arg(e.registerIndex).arg(e.frameNumber).arg(e.highByte).arg(e.lowByte);
    EXPECT_EQ(indexes, (QStringList{s("11@1:1/2"), s("10@2:2/1"), s("12@2:3/4"), s("13@2:0/5"), s("14@2:0/6"), s("15@2:5/6"),
                                    s("16@2:7/8")}));
    // The signals are kept beside the configuration, in the same write.
    const config::SignalTable signalTable = config::loadSignalTable(home.session.ws.configurationFolder);
    ASSERT_NE(signalTable.find(config::Direction::Receive, 12), nullptr);
    EXPECT_EQ(signalTable.find(config::Direction::Receive, 12)->name, s("Torque"));
    EXPECT_EQ(signalTable.find(config::Direction::Receive, 12)->unit, s("Nm"));
    EXPECT_EQ(signalTable.cycleTime(config::Direction::Receive, 0x181, false), 100);
    // The table shows the list as saved.
    EXPECT_EQ(editor.frames().text(1, FrameColumn::CobId), s("0x181"));
    EXPECT_EQ(editor.frames().text(1, FrameColumn::TimeOut), s("450"));

    // The import is saved: Cancel asks nothing. It is one step that Undo takes back; the
    // table then differs from the files and Cancel asks.
    EXPECT_FALSE(editor.hasChanges());
    click(editor, "undoButton");
    EXPECT_EQ(editor.frames().text(1, FrameColumn::CobId), QString());
    EXPECT_TRUE(editor.hasChanges());
    click(editor, "redoButton");
    click(editor, "cancelButton");
    EXPECT_TRUE(prompter.questions.isEmpty());
    EXPECT_FALSE(editor.isVisible());
}

TEST_F(FrameImportTest, CancelOverflowAndAFaultyTableWriteNothing)
{
    const QByteArray frames = rcob();
    const QByteArray mappings = rinfo();

    ReceiveFramesDipDialog editor(home.session, prompter);
    editor.reload();
    editor.show();
    whenPickerOpens([](ImportPickerDialog& picker) {
        tickIdentifier(picker, "0x181");
        click(picker, "cancelButton");
    });
    click(editor, "importFramesButton");
    EXPECT_TRUE(prompter.infos.isEmpty());
    EXPECT_EQ(rcob(), frames);
    EXPECT_EQ(rinfo(), mappings);

    // 299 frames in the table: two more do not fit the 300 rows.
    FrameList full = editor.frames();
    for (int r = 2; r <= 299; ++r) {
        full.setText(r - 1, FrameColumn::CobId, QString::number(0x200 + r));
        full.setText(r - 1, FrameColumn::Type, s("2.0A (11 bits)"));
        full.setText(r - 1, FrameColumn::Dimension, s("8"));
        full.setText(r - 1, FrameColumn::TimeOut, s("0"));
    }
    editor.tableModel()->setFrames(full);
    prompter.fileAnswers = {test::fixturePath(s("exchange/constructs.dbc"))};
    whenPickerOpens([](ImportPickerDialog& picker) {
        tickIdentifier(picker, "0x181");
        tickIdentifier(picker, "0x1");
        click(picker, "importButton");
        click(picker, "cancelButton");
    });
    click(editor, "importFramesButton");
    EXPECT_EQ(prompter.errors,
              QStringList{s("The receive frame list would hold 301 frames, 1 more than its 300 rows. Nothing was imported.")});
    EXPECT_EQ(rcob(), frames);
    EXPECT_EQ(rinfo(), mappings);

    // A row the editor's check refuses: its message, and no file is even asked for.
    editor.tableModel()->setData(editor.tableModel()->cellIndex(4, FrameColumn::Dimension), s("9"), Qt::EditRole);
    prompter.errors.clear();
    prompter.fileAnswers = {test::fixturePath(s("exchange/constructs.dbc"))};
    click(editor, "importFramesButton");
    EXPECT_EQ(prompter.errors, QStringList{s("Error row 5!! Dimension must be between 1 and 8")});
    EXPECT_EQ(prompter.fileAnswers.size(), 1u);
    EXPECT_EQ(rcob(), frames);
    editor.reject();
}

TEST_F(FrameImportTest, ACaptureIsReadBehindAProgressBarThatHoldsBackInputAndCancels)
{
    const QByteArray frames = rcob();
    const QByteArray mappings = rinfo();
    // A capture long enough that its reading outlasts the progress bar's delay.
    QByteArray capture;
    const QByteArray line = "(1700000000.000000) can0 181#1122334455667788\n";
    capture.reserve(line.size() * 1'500'000);
    for (int i = 0; i < 1'500'000; ++i)
        capture += line;
    const QString path = home.file(s("long.log"));
    writeFileAtomically(path, capture);
    prompter.fileAnswers = {path};

    ReceiveFramesDipDialog editor(home.session, prompter);
    editor.reload();
    editor.show();
    bool sawProgress = false;
    bool okHeldBack = false;
    auto* poll = new QTimer;
    const QDeadlineTimer deadline(60000);
    QObject::connect(poll, &QTimer::timeout, [&, poll, deadline] {
        auto* progress = editor.findChild<QProgressDialog*>(s("readingProgress"));
        if ((!progress || !progress->isVisible()) && !deadline.hasExpired())
            return;
        poll->stop();
        poll->deleteLater();
        if (!progress)
            return;
        sawProgress = true;
        // The editor takes no click while the file is read: OK would close it.
        QTest::mouseClick(test::requireChild<QPushButton>(&editor, s("okButton")), Qt::LeftButton);
        okHeldBack = editor.isVisible();
        QTest::mouseClick(test::requireChild<QPushButton>(progress, s("")), Qt::LeftButton);
    });
    poll->start(5);
    click(editor, "importFramesButton");

    EXPECT_TRUE(sawProgress);
    EXPECT_TRUE(okHeldBack);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "no picker after a cancelled reading";
    EXPECT_TRUE(prompter.errors.isEmpty()) << prompter.errors.join(u'\n').toStdString();
    EXPECT_EQ(rcob(), frames);
    EXPECT_EQ(rinfo(), mappings);
    EXPECT_TRUE(editor.isVisible());
    editor.close();
}

TEST_F(FrameImportTest, TransmitListRefusesACaptureAndExportsTheDatabase)
{
    TransmitFramesDipDialog editor(home.session, prompter);
    editor.reload();
    editor.show();
    prompter.fileAnswers = {test::fixturePath(s("exchange/log_shape.log"))};
    click(editor, "importFramesButton");
    EXPECT_EQ(prompter.lastFilter, s("CAN database (*.dbc)|*.dbc"));
    EXPECT_EQ(prompter.errors,
              QStringList{s("A bus capture gives frames the converter receives: import log_shape.log into the receive list.")});

    // Enter presses the focused button, as on the editor's own buttons.
    test::requireChild<QPushButton>(&editor, s("exportDbcButton"))->setFocus();
    QTest::keyClick(test::requireChild<QPushButton>(&editor, s("exportDbcButton")), Qt::Key_Return);
    const QString path = home.session.ws.configurationFolder + s("/Plant1.dbc");
    ASSERT_EQ(prompter.infos.size(), 1);
    EXPECT_TRUE(prompter.infos[0].contains(displayPath(path)));
    const exchange::CanDatabase db = exchange::readDbcFile(path);
    ASSERT_EQ(db.messages.size(), 1u);
    EXPECT_EQ(db.messages[0].id, 0x100u);
    EXPECT_EQ(db.messages[0].signalList.size(), 1u);
    editor.close();
}

} // namespace
} // namespace px
