// Every window of the configurator on a 1600 x 1000 pixel screen at twice the scale (the
// test's environment sets both): each opens within the screen's free area with every
// button inside it, and tables scroll instead of widening the window.

#include "gui/common/screen_fit.h"

#include "core/check/check.h"
#include "core/config/configuration.h"
#include "core/services/browser.h"
#include "core/services/program_runner.h"
#include "core/services/serial_ports.h"
#include "core/services/trash.h"
#include "core/shell/config_archive.h"
#include "core/sim/simulator.h"
#include "gui/check/findings_dialog.h"
#include "gui/check/qt_page_printer.h"
#include "gui/check/register_map_window.h"
#include "gui/comm/communication_settings_dialog.h"
#include "gui/exchange/import_picker_dialog.h"
#include "gui/frames/define_mapping_dialog.h"
#include "gui/frames/receive_frames_dialogs.h"
#include "gui/frames/transmit_frames_dialogs.h"
#include "gui/options/about_dialog.h"
#include "gui/options/soft_options_dialog.h"
#include "gui/shell/main_window.h"
#include "gui/shell/manage_configurations_dialog.h"
#include "gui/shell/new_configuration_dialog.h"
#include "gui/shell/open_configuration_dialog.h"
#include "gui/sim/virtual_converter_window.h"
#include "gui/update/ethernet_update_dialog.h"
#include "gui/update/serial_update_dialog.h"
#include "platform/sim/virtual_converter_ports_qt.h"
#include "support/fake_dialogs.h"
#include "support/idle_services.h"
#include "support/fake_ping.h"
#include "support/fake_prompter.h"
#include "support/temp_home.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QScreen>
#include <QImage>
#include <QSet>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace px {
namespace {

using test::NoBrowser;
using test::NoRunner;
using test::NoTrash;

struct NoPorts final : SerialPorts {
    QList<SerialPort> ports() override { return {{QStringLiteral("ttyUSB0"), QStringLiteral("/dev/ttyUSB0")}}; }
};

class ScreenFitTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The look of the pictures of the windows: Qt's own style and a font Debian ships.
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(12);
        QApplication::setFont(font);
        qApp->installEventFilter(&s_fit);
    }
    static void TearDownTestSuite() { qApp->removeEventFilter(&s_fit); }

    ScreenFitTest()
    {
        const QString examples = QStringLiteral(PX_EXAMPLES_DIR);
        for (const QString& name : QDir(examples).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QDirIterator it(examples + u'/' + name, {QStringLiteral("*.xml")}, QDir::Files);
            while (it.hasNext()) {
                it.next();
                QFile f(it.filePath());
                EXPECT_TRUE(f.open(QIODevice::ReadOnly));
                home.write(QStringLiteral("PROJECTS/") + name + u'/' + it.fileName(), f.readAll());
            }
        }
        home.activate(QStringLiteral("Conveyor_DipSwitch"));
    }

    // Shows the window as the program does and checks that it, and each of its buttons,
    // lies within the free area of its screen.
    void expectFits(QWidget& window, const char* name)
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window)) << name;
        const QScreen* screen = window.screen();
        ASSERT_NE(screen, nullptr);
        // The screen is the one of the test's environment: 1600 x 1000 pixels at scale 2.
        EXPECT_EQ(screen->geometry().size() * screen->devicePixelRatio(), QSize(1600, 1000));
        const QRect area = screen->availableGeometry();
        EXPECT_TRUE(area.contains(window.frameGeometry()))
            << name << ": " << window.frameGeometry().width() << "x" << window.frameGeometry().height() << " at "
            << window.frameGeometry().x() << "," << window.frameGeometry().y() << " on " << area.width() << "x"
            << area.height() << " (smallest " << window.minimumSizeHint().width() << "x"
            << window.minimumSizeHint().height() << ")";
        for (const QAbstractButton* b : window.findChildren<QAbstractButton*>()) {
            if (!b->isVisibleTo(&window) || b->window() != &window)
                continue;
            const QRect at(b->mapTo(&window, QPoint(0, 0)), b->size());
            EXPECT_TRUE(window.rect().contains(at)) << name << ": button " << b->objectName().toStdString() << " outside";
        }
        window.close();
    }

    static inline ScreenFit s_fit;
    test::TempHome home;
    test::FakePrompter prompter;
    test::FakeDialogs dialogs;
    NoRunner runner;
    NoBrowser browser;
    MainWindow mainWindow{home.session, {prompter, dialogs, runner, browser}};
};

TEST_F(ScreenFitTest, EveryWindowFitsTheScreenItOpensOn)
{
    mainWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
    expectFits(mainWindow, "main window");
    mainWindow.show();
    QWidget* parent = &mainWindow;

    const std::function<void()> windows[] = {
        [&] {
            NewConfigurationDialog w(home.session, prompter, parent);
            w.prepareShowing();
            expectFits(w, "new configuration");
        },
        [&] {
            OpenConfigurationDialog w(home.session, parent);
            w.prepareShowing();
            expectFits(w, "open configuration");
        },
        [&] {
            NoTrash trash;
            ZipConfigurationArchives archives;
            ManageConfigurationsDialog w(home.session, prompter, trash, archives, parent);
            w.prepareShowing();
            expectFits(w, "manage configurations");
        },
        [&] {
            AboutDialog w(browser, parent);
            w.prepareShowing();
            expectFits(w, "about");
        },
        [&] {
            SoftwareOptionsDialog w(home.session, {prompter, browser, [] { return false; }, [] {}}, parent);
            w.prepareShowing();
            expectFits(w, "options");
        },
        [&] {
            NoPorts ports;
            SerialUpdateDialog w(home.session, prompter, ports, [](const QString&, const QString&, bool) { return ProgramRunner::Result{}; }, parent);
            w.prepareShowing();
            expectFits(w, "serial update");
        },
        [&] {
            test::ManualClock clock;
            test::ScriptedPinger pinger(clock);
            EthernetUpdateDialog w(home.session, prompter, pinger, [](const QString&, const QString&, bool) { return ProgramRunner::Result{}; }, parent, &clock);
            w.prepareShowing();
            expectFits(w, "ethernet update");
        },
        [&] {
            CommunicationSettingsDialog w(home.session, prompter, parent);
            w.showSettings();
            expectFits(w, "communication settings");
        },
        [&] {
            ReceiveFramesDipDialog w(home.session, prompter, parent);
            w.reload();
            expectFits(w, "receive frames, dip-switch device");
        },
        [&] {
            TransmitFramesDipDialog w(home.session, prompter, parent);
            w.reload();
            expectFits(w, "transmit frames, dip-switch device");
        },
        [&] {
            ReceiveFramesJumperDialog w(home.session, prompter, parent);
            w.reload();
            expectFits(w, "receive frames, jumper device");
        },
        [&] {
            TransmitFramesJumperDialog w(home.session, prompter, parent);
            w.reload();
            expectFits(w, "transmit frames, jumper device");
        },
        [&] {
            ReceiveMappingDialog w(home.session, prompter, parent);
            w.reload();
            expectFits(w, "receive mapping");
        },
        [&] {
            TransmitMappingDialog w(home.session, prompter, parent);
            w.reload();
            expectFits(w, "transmit mapping");
        },
        [&] {
            QtPagePrinter printer;
            RegisterMapWindow w(home.session, prompter, printer, parent);
            w.prepareShowing();
            expectFits(w, "register map");
        },
        [&] {
            FindingsDialog w(home.session.messages, parent);
            home.activate(QStringLiteral("Faulty_Mapping"));
            w.showFindings(check::check(config::readConfiguration(home.session.ws.configurationFolder)));
            home.activate(QStringLiteral("Conveyor_DipSwitch"));
            expectFits(w, "findings");
        },
        [&] {
            VirtualConverterPortsQt ports;
            sim::SteadyClock clock;
            VirtualConverterWindow w(home.session, prompter, ports, clock, parent);
            w.prepareShowing();
            expectFits(w, "virtual converter");
        },
        [&] {
            ImportPickerDialog w(prompter, parent);
            w.prepareShowing(QStringLiteral("plant.dbc"), {}, exchange::ImportTarget{});
            expectFits(w, "import picker");
        },
    };
    for (const auto& show : windows)
        show();
    EXPECT_TRUE(prompter.errors.isEmpty()) << prompter.errors.join(u'\n').toStdString();
    mainWindow.close();
}

TEST_F(ScreenFitTest, PictureOfADialogAtTwiceTheScale)
{
    // The receive frame editor of the dip-switch device as it opens over the main window:
    // its picture has twice as many pixels each way as the window has points. The picture
    // goes into $PX_SCREENSHOTS_DIR (scripts/screenshots), else into a temporary folder.
    mainWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
    ReceiveFramesDipDialog dialog(home.session, prompter, &mainWindow);
    dialog.reload();
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QApplication::processEvents();
    const QImage image = dialog.grab().toImage();
    EXPECT_EQ(image.size(), dialog.size() * 2);
    EXPECT_LE(image.width(), 1600);
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 5) {
        for (int x = 0; x < image.width(); x += 5)
            colours.insert(image.pixel(x, y));
    }
    EXPECT_GT(colours.size(), 8);
    QTemporaryDir scratch;
    QString folder = qEnvironmentVariable("PX_SCREENSHOTS_DIR");
    if (folder.isEmpty())
        folder = scratch.path();
    EXPECT_TRUE(image.save(folder + QStringLiteral("/receive_frames_dipswitch_scale2.png"), "PNG"));
    dialog.close();
    mainWindow.close();
}

TEST_F(ScreenFitTest, AWindowLargerThanTheScreenShrinksAndMovesInside)
{
    // A window asking for more than the screen (400 x 250 at twice the scale on 800 x 500
    // points) is made as large as the free area, placed inside it.
    QWidget w;
    w.resize(2000, 1400);
    w.move(300, 200);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QRect area = w.screen()->availableGeometry();
    EXPECT_EQ(w.frameGeometry(), area);
    w.close();

    // One that fits keeps its size and place.
    QWidget small;
    small.resize(300, 200);
    small.move(40, 30);
    small.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&small));
    EXPECT_EQ(small.size(), QSize(300, 200));
    EXPECT_EQ(small.frameGeometry().topLeft(), QPoint(40, 30));
    small.close();
}

} // namespace
} // namespace px

// Leak reports of the sanitized build would only hide the failures that matter.
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}

// A test program of its own: the screen and the scale are set before the application
// object exists, as a user's environment sets them.
int main(int argc, char** argv)
{
    // Offscreen unless another platform is asked for: under Xvfb with a 1600 x 1000 screen
    // (QT_QPA_PLATFORM=xcb) the same tests run on a real X server.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || qgetenv("QT_QPA_PLATFORM").startsWith("offscreen"))
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" PX_SCREEN_CONFIG);
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
