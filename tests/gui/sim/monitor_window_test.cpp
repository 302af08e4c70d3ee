#include "gui/sim/monitor_window.h"

#include "core/config/signal_table.h"
#include "core/image/compiler.h"
#include "core/sim/monitor_session.h"
#include "core/sim/simulator.h"
#include "platform/sim/monitor_ports_qt.h"
#include "platform/sim/virtual_converter_ports_qt.h"
#include "support/fake_prompter.h"
#include "support/temp_home.h"
#include "support/widget_lookup.h"
#include "support/event_wait.h"
#include "support/loopback.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace px {
namespace {

using test::waitUntil;
using test::freePort;

// The sample configuration of the device from May 2014 as the active configuration; the
// same configuration running as a virtual converter on a bus of the test's own, as the
// device; and the plant sending the receive frames and an identifier nobody configured.
class MonitorWindowTest : public ::testing::Test {
protected:
    MonitorWindowTest()
    {
        home.activate(QStringLiteral("Conveyor"));
        test::copyExample(QStringLiteral("Conveyor_DipSwitch"), home.file(QStringLiteral("PROJECTS/Conveyor")));
        // Register 10 carries a known signal.
        config::SignalTable signalTable;
        config::RegisterSignal pressure;
        pressure.registerIndex = 10;
        pressure.unit = QStringLiteral("bar");
        pressure.factor = 0.5;
        signalTable.set(pressure);
        config::saveSignalTable(signalTable, home.file(QStringLiteral("PROJECTS/Conveyor")));
        QString error;
        plant.reset(QCanBus::instance()->createDevice(QStringLiteral("virtualcan"), bus.mid(11), &error));
        EXPECT_TRUE(plant && plant->connectDevice()) << error.toStdString();
        image::CompileInput input = image::CompileInput::fromFolder(QStringLiteral(PX_EXAMPLES_DIR "/Conveyor_DipSwitch"));
        device = std::make_unique<sim::Simulator>(image::compileConfiguration(input).bank2, clock,
                                                  converterPorts.canLink(bus, 0), converterPorts.modbusEndpoint());
        device->start(QStringLiteral("127.0.0.1"), 0);
        QObject::connect(&sending, &QTimer::timeout, [this] {
            const char value = static_cast<char>(0x20 + step / 8);
            send(0x281, false, QByteArray(1, value) + QByteArray(1, 0x34));
            send(0x18FF0010, true, QByteArray(8, value));
            send(0x18FF0011, true, QByteArray(8, value));
            if (step++ % 2 == 0)
                send(0x6A5, false, QByteArray("\x01", 1));
        });
        sending.start(50);
    }
    ~MonitorWindowTest() override { window.close(); }

    void send(std::uint32_t id, bool extended, const QByteArray& data)
    {
        QCanBusFrame f(id, data);
        f.setExtendedFrameFormat(extended);
        plant->writeFrame(f);
    }
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
    int rows(const char* table) { return widget<QTableView>(table)->model()->rowCount(); }
    QStringList column(const char* table, int column)
    {
        QStringList out;
        for (int r = 0; r < rows(table); ++r)
            out << cell(table, r, column);
        return out;
    }
    void startWatching()
    {
        window.showWindow();
        widget<QComboBox>("canInterfaceChoice")->setCurrentText(bus);
        QTest::keyClicks(widget<QLineEdit>("deviceAddressEdit"), QStringLiteral("127.0.0.1:%1").arg(device->port()));
        widget<QSpinBox>("pollIntervalBox")->setValue(100);
        QTest::mouseClick(widget<QPushButton>("startButton"), Qt::LeftButton);
    }

    test::TempHome home;
    test::FakePrompter prompter;
    // Qt's virtual bus serves one port per process: every test of this program shares it.
    static inline const QString bus = QStringLiteral("virtualcan:tcp://127.0.0.1:%1/can0").arg(freePort());
    std::unique_ptr<QCanBusDevice> plant;
    sim::SteadyClock clock;
    VirtualConverterPortsQt converterPorts;
    std::unique_ptr<sim::Simulator> device;
    QTimer sending;
    int step = 0;
    MonitorPortsQt ports;
    MonitorWindow window{home.session, prompter, ports, clock};
};

TEST_F(MonitorWindowTest, WatchesBusAndDeviceFiltersPausesAndExports)
{
    startWatching();
    ASSERT_TRUE(window.isRunning()) << prompter.errors.join(u'\n').toStdString();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Monitor - Conveyor"));
    EXPECT_FALSE(widget<QPushButton>("startButton")->isEnabled());
    EXPECT_FALSE(widget<QLineEdit>("deviceAddressEdit")->isEnabled());
    EXPECT_EQ(widget<QLabel>("statusLabel")->text(),
              QStringLiteral("Watching CAN on %1 and the device at 127.0.0.1:%2").arg(bus).arg(device->port()));

    // Every register polled and in agreement but 1010, whose frame goes only when a master
    // writes it; every expected frame seen.
    ASSERT_TRUE(waitUntil([&] {
        window.refresh();
        return column("registersTable", 4).count(QStringLiteral("agrees")) == 7
               && widget<QLabel>("summaryLabel")->text().startsWith(QStringLiteral("Frames seen 4 / 4 expected, 1 unknown identifiers"));
    })) << column("registersTable", 4).join(u',').toStdString() << widget<QLabel>("summaryLabel")->text().toStdString();
    EXPECT_TRUE(widget<QLabel>("summaryLabel")->text().endsWith(QStringLiteral(", 0 mismatches (0 open), 0 failed polls")))
        << widget<QLabel>("summaryLabel")->text().toStdString();
    EXPECT_EQ(column("registersTable", 0),
              (QStringList{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                           QStringLiteral("10"), QStringLiteral("1000"), QStringLiteral("1001"), QStringLiteral("1010")}));
    EXPECT_EQ(cell("registersTable", 7, 4), QStringLiteral("waiting for its frame"));
    // The physical value of the expected one where the signal is known (register 10), else none.
    EXPECT_EQ(cell("registersTable", 4, 3),
              QString::number(cell("registersTable", 4, 2).toInt() * 0.5, 'g', 10) + QStringLiteral(" bar"));
    EXPECT_EQ(cell("registersTable", 0, 3), QString());
    EXPECT_EQ(cell("unknownIdentifiersTable", 0, 0), QStringLiteral("6A5"));
    EXPECT_EQ(cell("framesTable", 2, 0), QStringLiteral("receive frame 3 (281) \u201CBelt sensor\u201D"));
    EXPECT_EQ(cell("framesTable", 2, 5), QStringLiteral("2 / 2"));

    // The filter keeps the rows that name what is typed, in every table.
    QTest::keyClicks(widget<QLineEdit>("filterEdit"), QStringLiteral("receive frame 3"));
    EXPECT_EQ(column("framesTable", 0), QStringList{QStringLiteral("receive frame 3 (281) \u201CBelt sensor\u201D")});
    EXPECT_EQ(column("registersTable", 0), QStringList{QStringLiteral("10")});
    EXPECT_EQ(rows("unknownIdentifiersTable"), 0);
    widget<QLineEdit>("filterEdit")->clear();
    EXPECT_EQ(rows("framesTable"), 5);

    // Pause holds the tables still while the counting goes on.
    QTest::mouseClick(widget<QPushButton>("pauseButton"), Qt::LeftButton);
    EXPECT_EQ(widget<QPushButton>("pauseButton")->text(), QStringLiteral("Resume"));
    const QString seenBefore = cell("framesTable", 2, 1);
    const qint64 countedBefore = window.session()->monitor().frames()[2].seen;
    ASSERT_TRUE(waitUntil([&] { return window.session()->monitor().frames()[2].seen > countedBefore + 3; }));
    window.refresh();
    EXPECT_EQ(cell("framesTable", 2, 1), seenBefore);
    QTest::mouseClick(widget<QPushButton>("pauseButton"), Qt::LeftButton);
    EXPECT_NE(cell("framesTable", 2, 1), seenBefore);

    if (const QByteArray shot = qgetenv("PX_MONITOR_SCREENSHOT"); !shot.isEmpty()) {
        // The picture of the README, taken of the whole screen under a virtual X server.
        window.resize(1080, 560);
        window.move(0, 0);
        widget<QTabWidget>("monitorTabs")->setCurrentIndex(0);
        QTest::qWait(1500);
        window.refresh();
        QTest::qWait(300);
        QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), QString::fromLocal8Bit(shot)});
        widget<QTabWidget>("monitorTabs")->setCurrentIndex(1);
        waitUntil([&] {
            window.refresh();
            return column("registersTable", 4).count(QStringLiteral("agrees")) == 7;
        });
        QTest::qWait(50);
        QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                     QString::fromLocal8Bit(shot).replace(QStringLiteral(".png"), QStringLiteral("_registers.png"))});
    }

    // Stop keeps the last state; the export writes the summary, the log and the polls.
    QTest::mouseClick(widget<QPushButton>("stopButton"), Qt::LeftButton);
    EXPECT_FALSE(window.isRunning());
    EXPECT_TRUE(widget<QPushButton>("startButton")->isEnabled());
    EXPECT_EQ(rows("registersTable"), 8);
    const QString html = home.file(QStringLiteral("out/Conveyor_Monitor.html"));
    QDir().mkpath(home.file(QStringLiteral("out")));
    prompter.saveAnswers.push_back(html);
    QTest::mouseClick(widget<QPushButton>("exportButton"), Qt::LeftButton);
    EXPECT_TRUE(prompter.errors.isEmpty()) << prompter.errors.join(u'\n').toStdString();
    EXPECT_TRUE(prompter.lastProposed.endsWith(QStringLiteral("/PROJECTS/Conveyor/Conveyor_Monitor.html")))
        << prompter.lastProposed.toStdString();
    QFile page(html);
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    EXPECT_TRUE(page.readAll().contains("<h1>Monitor of Conveyor</h1>"));
    QFile log(home.file(QStringLiteral("out/Conveyor_Monitor.log")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains(" can0 281#"));
    QFile csv(home.file(QStringLiteral("out/Conveyor_Monitor.csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(csv.readLine().startsWith("time,register,device,expected,agrees"));
    EXPECT_EQ(widget<QLabel>("statusLabel")->text(),
              QStringLiteral("Saved Conveyor_Monitor.html, Conveyor_Monitor.log and Conveyor_Monitor.csv"));
}

TEST_F(MonitorWindowTest, AnAddressThatNamesNoDeviceIsRefusedAndNothingRuns)
{
    window.showWindow();
    widget<QComboBox>("canInterfaceChoice")->setCurrentText(bus);
    QTest::keyClicks(widget<QLineEdit>("deviceAddressEdit"), QStringLiteral("127.0.0.1:70000"));
    QTest::mouseClick(widget<QPushButton>("startButton"), Qt::LeftButton);
    EXPECT_FALSE(window.isRunning());
    EXPECT_EQ(prompter.errors, QStringList{QStringLiteral("the port of '127.0.0.1:70000' is no number from 1 to 65535")});
}

} // namespace
} // namespace px
