#include "gui/sim/virtual_converter_window.h"

#include "core/config/signal_table.h"
#include "core/lang/message_ids.h"
#include "core/sim/simulator.h"
#include "platform/sim/virtual_converter_ports_qt.h"
#include "support/fake_prompter.h"
#include "support/temp_home.h"
#include "support/widget_lookup.h"
#include "support/event_wait.h"
#include "support/loopback.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTcpServer>
#include <QDeadlineTimer>
#include <QDoubleSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace px {
namespace {

using test::waitUntil;
using test::freePort;

// A CAN link that opens and stays silent until the test ends it.
struct QuietLink final : CanLink {
    void open() override {}
    void send(const sim::CanFrame&) override {}
    void close() override {}
    QString description() const override { return QStringLiteral("virtualcan:can0"); }
};

// The real links, with a virtual bus of the test's own offered as the only CAN choice;
// with `quiet` set, a QuietLink in place of the real CAN link.
struct OwnBusPorts final : VirtualConverterPorts {
    QString bus = QStringLiteral("virtualcan:tcp://127.0.0.1:%1/can0").arg(freePort());
    QStringList canChoices() override { return {bus}; }
    std::unique_ptr<CanLink> canLink(const QString& choice, std::uint32_t bitRate) override
    {
        if (!quiet)
            return real.canLink(choice, bitRate);
        auto link = std::make_unique<QuietLink>();
        quietLink = link.get();
        return link;
    }
    std::unique_ptr<ModbusEndpoint> modbusEndpoint() override { return real.modbusEndpoint(); }
    VirtualConverterPortsQt real;
    bool quiet = false;
    QuietLink* quietLink = nullptr;
};

class VirtualConverterWindowTest : public ::testing::Test {
protected:
    VirtualConverterWindowTest()
    {
        home.activate(QStringLiteral("Conveyor"));
        test::copyExample(QStringLiteral("Conveyor_DipSwitch"), home.file(QStringLiteral("PROJECTS/Conveyor")));
    }
    ~VirtualConverterWindowTest() override { window.close(); }

    template <typename T>
    T* widget(const char* name)
    {
        return test::requireChild<T>(&window, name);
    }
    QString cell(const char* table, int row, int column)
    {
        const QAbstractItemModel* m = widget<QTableView>(table)->model();
        return m->data(m->index(row, column)).toString();
    }
    int rowOf(const char* table, int column, const QString& text)
    {
        const QAbstractItemModel* m = widget<QTableView>(table)->model();
        for (int r = 0; r < m->rowCount(); ++r) {
            if (m->data(m->index(r, column)).toString() == text)
                return r;
        }
        return -1;
    }

    test::TempHome home;
    test::FakePrompter prompter;
    OwnBusPorts ports;
    sim::SteadyClock clock;
    VirtualConverterWindow window{home.session, prompter, ports, clock};
};

TEST_F(VirtualConverterWindowTest, FrameFromTheSenderShowsInRegistersAndLogAndStopFreesThePort)
{
    // Register 10 carries a known signal: its physical value is shown beside the raw one.
    config::SignalTable signalTable;
    config::RegisterSignal pressure;
    pressure.registerIndex = 10;
    pressure.name = QStringLiteral("BeltPressure");
    pressure.unit = QStringLiteral("bar");
    pressure.factor = 0.5;
    signalTable.set(pressure);
    config::saveSignalTable(signalTable, home.file(QStringLiteral("PROJECTS/Conveyor")));

    window.prepareShowing();
    window.show();
    const std::uint16_t port = freePort();
    widget<QSpinBox>("modbusPortBox")->setValue(port);
    QTest::mouseClick(widget<QPushButton>("startButton"), Qt::LeftButton);
    ASSERT_TRUE(window.isRunning()) << prompter.errors.join(u'\n').toStdString();
    EXPECT_EQ(widget<QLabel>("statusLabel")->text(),
              QStringLiteral("Running: Modbus TCP on 127.0.0.1 port %1, CAN on %2").arg(port).arg(ports.bus));
    EXPECT_FALSE(widget<QPushButton>("startButton")->isEnabled());

    // Register 10 comes from bytes 1 and 2 of receive frame 3 (0x281), default 255,1.
    const int row = rowOf("registersTable", 0, QStringLiteral("10"));
    ASSERT_GE(row, 0);
    EXPECT_EQ(cell("registersTable", row, 2), QStringLiteral("0xFF01"));
    const QAbstractItemModel* registers = widget<QTableView>("registersTable")->model();
    EXPECT_EQ(registers->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Physical"));
    EXPECT_EQ(cell("registersTable", row, 3), QStringLiteral("32640.5 bar"));
    EXPECT_EQ(cell("registersTable", row, 4), QStringLiteral("receive frame 3 bytes 1, 2"));
    EXPECT_EQ(cell("registersTable", rowOf("registersTable", 0, QStringLiteral("0")), 3), QString());   // no signal known
    EXPECT_EQ(cell("receiveStateTable", 2, 2), QStringLiteral("never received"));
    EXPECT_EQ(cell("receiveStateTable", 2, 3), QStringLiteral("Belt sensor"));

    QTest::keyClicks(widget<QLineEdit>("sendIdentifierEdit"), QStringLiteral("281"));
    QTest::keyClicks(widget<QLineEdit>("sendDataEdit"), QStringLiteral("12 34"));
    QTest::mouseClick(widget<QPushButton>("sendButton"), Qt::LeftButton);
    window.flush();
    EXPECT_EQ(cell("registersTable", row, 1), QStringLiteral("4660"));
    EXPECT_EQ(cell("registersTable", row, 2), QStringLiteral("0x1234"));
    EXPECT_EQ(cell("registersTable", row, 3), QStringLiteral("2330 bar"));
    EXPECT_FALSE(cell("registersTable", row, 5).isEmpty());   // the time of the change
    EXPECT_TRUE(registers->data(registers->index(row, 0), Qt::BackgroundRole).isValid());   // highlighted
    const int logRow = rowOf("logTable", 2, QStringLiteral("281"));
    ASSERT_GE(logRow, 0);
    EXPECT_EQ(cell("logTable", logRow, 1), QStringLiteral("RX"));
    EXPECT_EQ(cell("logTable", logRow, 3), QStringLiteral("12 34"));
    EXPECT_EQ(cell("logTable", logRow, 4), QStringLiteral("receive frame 3 \u201CBelt sensor\u201D"));
    EXPECT_EQ(cell("receiveStateTable", 2, 2), QStringLiteral("fresh"));

    // A frame the configuration does not know is logged as such; a bad text is refused.
    widget<QLineEdit>("sendIdentifierEdit")->setText(QStringLiteral("123"));
    QTest::mouseClick(widget<QPushButton>("sendButton"), Qt::LeftButton);
    window.flush();
    EXPECT_EQ(cell("logTable", rowOf("logTable", 2, QStringLiteral("123")), 4), QStringLiteral("not configured"));
    widget<QLineEdit>("sendDataEdit")->setText(QStringLiteral("1 2 3 4 5 6 7 8 9"));
    QTest::mouseClick(widget<QPushButton>("sendButton"), Qt::LeftButton);
    EXPECT_EQ(prompter.errors, QStringList{QStringLiteral("A frame holds at most 8 data bytes.")});

    QTest::mouseClick(widget<QPushButton>("stopButton"), Qt::LeftButton);
    EXPECT_FALSE(window.isRunning());
    EXPECT_TRUE(widget<QPushButton>("startButton")->isEnabled());
    QTcpServer again;
    EXPECT_TRUE(again.listen(QHostAddress::LocalHost, port));   // the port is free
    EXPECT_EQ(cell("registersTable", row, 1), QStringLiteral("4660"));   // the last values stay in view
}

// A CAN interface that fails while the converter runs stops it; the window says why in its
// own language.
TEST_F(VirtualConverterWindowTest, ALinkThatFailsStopsTheConverterSayingWhyInTheWindowsLanguage)
{
    home.write(QStringLiteral("LANGUAGE/Deutsch.lng"),
               "STR" + QByteArray::number(msg::kMonitorStoppedBecause) + " =Angehalten: %1\n" + "STR"
                   + QByteArray::number(msg::kCanInterfaceFailed) + " =Die CAN-Schnittstelle %1 ist ausgefallen: %2\n");
    home.session.messages.loadLanguageFile(home.file(QStringLiteral("LANGUAGE/Deutsch.lng")));
    window.applyLanguage();
    ports.quiet = true;
    window.prepareShowing();
    window.show();
    widget<QSpinBox>("modbusPortBox")->setValue(freePort());
    QTest::mouseClick(widget<QPushButton>("startButton"), Qt::LeftButton);
    ASSERT_TRUE(window.isRunning()) << prompter.errors.join(u'\n').toStdString();
    ASSERT_NE(ports.quietLink, nullptr);

    Q_EMIT ports.quietLink->ended(Message(msg::kCanInterfaceFailed, {QStringLiteral("virtualcan:can0"), QStringLiteral("Connection refused")}));
    ASSERT_TRUE(waitUntil([&] { return widget<QPushButton>("startButton")->isEnabled(); }));
    EXPECT_FALSE(window.isRunning());
    EXPECT_EQ(widget<QLabel>("statusLabel")->text(),
              QStringLiteral("Angehalten: Die CAN-Schnittstelle virtualcan:can0 ist ausgefallen: Connection refused"));
}

TEST_F(VirtualConverterWindowTest, ConfigurationThatDoesNotCompileIsReportedAndNothingRuns)
{
    home.write(QStringLiteral("PROJECTS/Conveyor/RCobDef.xml"), "<COBID><row CobID=\"x\" Dimensin=\"8\"/></COBID>");
    window.prepareShowing();
    window.show();
    widget<QSpinBox>("modbusPortBox")->setValue(freePort());
    QTest::mouseClick(widget<QPushButton>("startButton"), Qt::LeftButton);
    EXPECT_FALSE(window.isRunning());
    ASSERT_EQ(prompter.errors.size(), 1);
    EXPECT_TRUE(prompter.errors[0].contains(QStringLiteral("RCobDef.xml"))) << prompter.errors[0].toStdString();
}

TEST_F(VirtualConverterWindowTest, StaysBesideTheEditorsNamedAfterItsConfigurationAndStartsCleanForAnother)
{
    window.showWindow();
    EXPECT_FALSE(window.isModal());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Virtual Converter - Conveyor"));
    widget<QSpinBox>("modbusPortBox")->setValue(freePort());
    QTest::mouseClick(widget<QPushButton>("startButton"), Qt::LeftButton);
    ASSERT_TRUE(window.isRunning());
    EXPECT_EQ(widget<QTableView>("registersTable")->model()->rowCount(), 8);

    // Another configuration made active: the window shows it and nothing of the first.
    home.activate(QStringLiteral("Other"));
    window.prepareShowing();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Virtual Converter - Other"));
    EXPECT_FALSE(window.isRunning());
    EXPECT_EQ(widget<QTableView>("registersTable")->model()->rowCount(), 0);
    EXPECT_EQ(widget<QTableView>("logTable")->model()->rowCount(), 0);
}

TEST_F(VirtualConverterWindowTest, ASavedConfigurationIsLoadedAnewAskingFirstWhileItRuns)
{
    window.showWindow();
    widget<QSpinBox>("modbusPortBox")->setValue(freePort());
    QTest::mouseClick(widget<QPushButton>("startButton"), Qt::LeftButton);
    ASSERT_TRUE(window.isRunning());
    ASSERT_GE(rowOf("registersTable", 0, QStringLiteral("10")), 0);

    // Register 10 moves to 11 on disk, as an editor's save would write it.
    const QString mappings = QStringLiteral("PROJECTS/Conveyor/RInfoCob.xml");
    home.write(mappings, home.read(mappings).replace("Index=\"10\"", "Index=\"11\""));
    prompter.yesNoAnswers.push_back(true);
    ASSERT_TRUE(waitUntil([&] { return rowOf("registersTable", 0, QStringLiteral("11")) >= 0; }));
    EXPECT_EQ(prompter.questions,
              QStringList{QStringLiteral("The files of Conveyor changed. Stop the virtual converter and load them?")});
    EXPECT_TRUE(window.isRunning());
    EXPECT_LT(rowOf("registersTable", 0, QStringLiteral("10")), 0);

    // Stopped, it loads them without a question; writing the same bytes again is no change.
    QTest::mouseClick(widget<QPushButton>("stopButton"), Qt::LeftButton);
    home.write(mappings, home.read(mappings));
    home.write(mappings, home.read(mappings).replace("Index=\"11\"", "Index=\"12\""));
    ASSERT_TRUE(waitUntil([&] {
        return widget<QLabel>("statusLabel")->text() == QStringLiteral("Loaded the configuration Conveyor anew");
    }));
    EXPECT_EQ(prompter.questions.size(), 1);
    EXPECT_FALSE(window.isRunning());
    EXPECT_EQ(widget<QTableView>("registersTable")->model()->rowCount(), 0);
}

TEST_F(VirtualConverterWindowTest, ACaptureIsPlayedIntoTheRunningConverter)
{
    const QString capture = home.file(QStringLiteral("plant.log"));
    test::writeFile(capture, "(1700000000.000000) can0 281#0102\n"
                             "(1700000000.050000) can0 281#0304\n"
                             "(1700000000.100000) can0 281#0506\n");
    window.showWindow();
    widget<QSpinBox>("modbusPortBox")->setValue(freePort());
    QTest::mouseClick(widget<QPushButton>("startButton"), Qt::LeftButton);
    ASSERT_TRUE(window.isRunning());
    widget<QDoubleSpinBox>("replaySpeedBox")->setValue(10);
    prompter.fileAnswers.push_back(capture);
    QTest::mouseClick(widget<QPushButton>("replayButton"), Qt::LeftButton);
    ASSERT_TRUE(prompter.errors.isEmpty()) << prompter.errors.join(u'\n').toStdString();
    ASSERT_TRUE(waitUntil([&] { return !window.isReplaying(); }));
    EXPECT_EQ(widget<QLabel>("statusLabel")->text(), QStringLiteral("Replay of plant.log ended: 3 frames"));
    EXPECT_EQ(window.isRunning(), true);
    window.flush();
    EXPECT_EQ(cell("registersTable", rowOf("registersTable", 0, QStringLiteral("10")), 1), QString::number(0x0506));

    // A file that is no capture is refused with its line.
    test::writeFile(capture, "281#0102\nnot a frame\n");
    prompter.fileAnswers.push_back(capture);
    QTest::mouseClick(widget<QPushButton>("replayButton"), Qt::LeftButton);
    ASSERT_EQ(prompter.errors.size(), 1);
    EXPECT_TRUE(prompter.errors[0].contains(QStringLiteral("plant.log, line 2"))) << prompter.errors[0].toStdString();
}

TEST_F(VirtualConverterWindowTest, TheLogIsFilteredPausedAndExportedAsShown)
{
    window.showWindow();
    widget<QSpinBox>("modbusPortBox")->setValue(freePort());
    QTest::mouseClick(widget<QPushButton>("startButton"), Qt::LeftButton);
    ASSERT_TRUE(window.isRunning());
    const auto send = [&](const char* id, const char* data) {
        widget<QLineEdit>("sendIdentifierEdit")->setText(QString::fromLatin1(id));
        widget<QLineEdit>("sendDataEdit")->setText(QString::fromLatin1(data));
        QTest::mouseClick(widget<QPushButton>("sendButton"), Qt::LeftButton);
        window.flush();
    };
    send("281", "12 34");
    send("123", "01");
    QTest::keyClicks(widget<QLineEdit>("logFilterEdit"), QStringLiteral("belt"));
    QAbstractItemModel* log = widget<QTableView>("logTable")->model();
    ASSERT_EQ(log->rowCount(), 1);
    EXPECT_EQ(cell("logTable", 0, 2), QStringLiteral("281"));

    // Paused, the log holds still; resumed, what came meanwhile is there.
    QTest::mouseClick(widget<QPushButton>("logPauseButton"), Qt::LeftButton);
    EXPECT_EQ(widget<QPushButton>("logPauseButton")->text(), QStringLiteral("Resume log"));
    send("281", "56 78");
    EXPECT_EQ(log->rowCount(), 1);
    QTest::mouseClick(widget<QPushButton>("logPauseButton"), Qt::LeftButton);
    EXPECT_EQ(log->rowCount(), 2);

    const QString file = home.file(QStringLiteral("log.txt"));
    prompter.saveAnswers.push_back(file);
    QTest::mouseClick(widget<QPushButton>("logExportButton"), Qt::LeftButton);
    const QStringList lines = QString::fromUtf8(test::readFile(file)).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("\tRX\t281\t56 78\treceive frame 3 \u201CBelt sensor\u201D"))) << lines[1].toStdString();
    EXPECT_TRUE(prompter.lastProposed.endsWith(QStringLiteral("/PROJECTS/Conveyor/Conveyor_VirtualConverter.txt")));
}

} // namespace
} // namespace px
