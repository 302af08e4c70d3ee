// Pictures of the windows for the documentation. Each window is built and shown as the GUI
// tests do, over a home folder that holds the example configurations, and grabbed offscreen
// at its own size with a fixed font and style. The pictures go into $PX_SCREENSHOTS_DIR
// (scripts/screenshots sets docs/screenshots), else into a temporary folder; either way each
// must show what a person looks for: the window's title and a known control with its text.

#include "core/check/check.h"
#include "core/check/report.h"
#include "core/config/configuration.h"
#include "core/update/update_history.h"
#include "gui/check/printed_document.h"
#include "gui/check/qt_page_printer.h"
#include "gui/check/register_map_window.h"
#include "gui/common/qt_prompter.h"
#include "gui/comm/communication_settings_dialog.h"
#include "gui/frames/define_mapping_dialog.h"
#include "gui/frames/receive_frames_dialogs.h"
#include "gui/frames/transmit_frames_dialogs.h"
#include "gui/options/about_dialog.h"
#include "gui/options/soft_options_dialog.h"
#include "gui/shell/main_window.h"
#include "gui/shell/manage_configurations_dialog.h"
#include "gui/shell/new_configuration_dialog.h"
#include "gui/shell/open_configuration_dialog.h"
#include "gui/update/ethernet_update_dialog.h"
#include "gui/update/serial_update_dialog.h"

#include "core/services/browser.h"
#include "core/services/program_runner.h"
#include "core/services/serial_ports.h"
#include "core/services/trash.h"
#include "core/shell/config_archive.h"
#include "support/fake_dialogs.h"
#include "support/idle_services.h"
#include "support/fake_ping.h"
#include "support/fake_prompter.h"
#include "support/temp_home.h"
#include "support/widget_lookup.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTableWidget>
#include <QTimer>
#include <QPushButton>
#include <QSet>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace px {
namespace {

using test::NoBrowser;
using test::NoRunner;
using test::NoTrash;

struct TwoPorts final : SerialPorts {
    QList<SerialPort> ports() override
    {
        return {{QStringLiteral("ttyUSB0"), QStringLiteral("/dev/ttyUSB0")},
                {QStringLiteral("ttyUSB1"), QStringLiteral("/dev/ttyUSB1")}};
    }
};

class Screenshots : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The same look on every machine: Qt's own style and a font that Debian ships.
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(12);
        QApplication::setFont(font);
    }

    Screenshots()
    {
        const QString examples = QStringLiteral(PX_EXAMPLES_DIR);
        for (const QString& name : QDir(examples).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QDirIterator it(examples + u'/' + name, {QStringLiteral("*.xml")}, QDir::Files);
            const QString to = home.file(QStringLiteral("PROJECTS/") + name);
            QDir().mkpath(to + QStringLiteral("/bin"));
            while (it.hasNext()) {
                it.next();
                EXPECT_TRUE(QFile::copy(it.filePath(), to + u'/' + it.fileName()));
            }
        }
        outFolder = qEnvironmentVariable("PX_SCREENSHOTS_DIR");
        if (outFolder.isEmpty())
            outFolder = scratch.path();
        QDir().mkpath(outFolder);
    }

    // Opens an example configuration as the Open dialog does.
    void open(const char* name) { home.activate(QString::fromLatin1(name)); }

    // What a person sees in a picture of a window: its title, and a known control with its
    // text in its place.
    struct Sight {
        QString title;
        const char* control;  // object name
        QString text;         // the control's text as shown
    };

    // Shows the window, lets it lay out and paint, checks that the picture shows `sight`, and
    // saves it as <name>.png.
    void shoot(QWidget& window, const char* name, const Sight& sight)
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QApplication::processEvents();
        const QImage image = window.grab().toImage();
        EXPECT_EQ(image.size(), window.size()) << name;
        EXPECT_EQ(window.windowTitle(), sight.title) << name;

        auto* control = test::requireChild<QWidget>(&window, sight.control);
        EXPECT_EQ(shownText(*control), sight.text) << name << ": " << sight.control;
        EXPECT_TRUE(control->isVisibleTo(&window)) << name << ": " << sight.control;
        // The control stands in the picture where the window lays it out, drawn as it draws
        // itself alone (a control that paints its own background, such as a button or a
        // field), and its text makes more than a plain patch of colour.
        const QRect place(control->mapTo(&window, QPoint(0, 0)), control->size());
        EXPECT_TRUE(image.rect().contains(place)) << name << ": " << sight.control << " lies outside the picture";
        const QImage inPicture = image.copy(place).convertToFormat(QImage::Format_RGB32);
        const QImage alone = control->grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(inPicture.size(), alone.size()) << name;
        qsizetype same = 0;
        QSet<QRgb> colours;
        for (int y = 0; y < alone.height(); ++y) {
            for (int x = 0; x < alone.width(); ++x) {
                same += inPicture.pixel(x, y) == alone.pixel(x, y);
                colours.insert(inPicture.pixel(x, y));
            }
        }
        EXPECT_GE(same * 100, qsizetype(alone.width()) * alone.height() * 95) << name << ": " << sight.control;
        EXPECT_GT(colours.size(), 2) << name << ": " << sight.control << " shows no text";
        window.close();

        const QString path = outFolder + u'/' + QLatin1StringView(name) + QStringLiteral(".png");
        EXPECT_TRUE(image.save(path, "PNG")) << path.toStdString();
    }

    // The text a control shows: a button's or label's text, a field's content, a box's title.
    static QString shownText(const QWidget& control)
    {
        if (const auto* button = qobject_cast<const QAbstractButton*>(&control))
            return button->text();
        if (const auto* label = qobject_cast<const QLabel*>(&control))
            return label->text();
        if (const auto* field = qobject_cast<const QLineEdit*>(&control))
            return field->text();
        if (const auto* box = qobject_cast<const QGroupBox*>(&control))
            return box->title();
        return control.accessibleName();
    }

    test::TempHome home;
    test::FakePrompter prompter;
    QTemporaryDir scratch;
    QString outFolder;
};

TEST_F(Screenshots, MainWindow)
{
    open("PumpStation_Jumper");
    test::FakeDialogs dialogs;
    NoRunner runner;
    NoBrowser browser;
    MainWindow window(home.session, {prompter, dialogs, runner, browser});
    shoot(window, "main_window",
          {QStringLiteral("www.orvane.example - Configurator PX40318 - CAN / Modbus TCP Slave "), "configurationNameLabel", QStringLiteral("PumpStation_Jumper")});
}

TEST_F(Screenshots, MainWindowInGerman)
{
    // A language whose captions are longer than the English ones: the buttons take the
    // room their texts need.
    open("PumpStation_Jumper");
    home.session.messages.loadLanguageFile(test::fixturePath(QStringLiteral("shell/Deutsch.lng")));
    test::FakeDialogs dialogs;
    NoRunner runner;
    NoBrowser browser;
    MainWindow window(home.session, {prompter, dialogs, runner, browser});
    shoot(window, "main_window_german",
          {QStringLiteral("www.orvane.example - Configurator PX40318 - CAN / Modbus TCP Slave "), "communicationButton",
           QStringLiteral("Kommunikationsparameter einstellen")});
}

TEST_F(Screenshots, CommissioningReportPdf)
{
    // The report of an example as the register map window saves it as PDF, with a fixed
    // date; scripts/screenshots makes the picture of its first page (pdftoppm).
    open("Conveyor_DipSwitch");
    const QString folder = home.session.ws.configurationFolder;
    const config::Configuration c = config::readConfiguration(folder);
    const QString html = check::commissioningReportHtml(c, check::check(c), check::summariseImages(folder),
                                                        QDateTime(QDate(2026, 12, 10), QTime(9, 30)), home.session.messages);
    const QByteArray pdf = printedPdf(html, QStringLiteral("Register Map"));
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    QFile file(outFolder + QStringLiteral("/report.pdf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_EQ(file.write(pdf), pdf.size());
}

TEST_F(Screenshots, ConfigurationDialogs)
{
    NewConfigurationDialog newProject(home.session, prompter);
    newProject.prepareShowing();
    shoot(newProject, "new_configuration",
          {QStringLiteral("Create New Configuration"), "okButton", QStringLiteral("OK")});
    OpenConfigurationDialog openConf(home.session);
    openConf.prepareShowing();
    shoot(openConf, "open_configuration",
          {QStringLiteral("Open Configuration"), "okButton", QStringLiteral("OK")});
}

TEST_F(Screenshots, ManageConfigurations)
{
    open("PumpStation_Jumper");
    NoTrash trash;
    ZipConfigurationArchives archives;
    ManageConfigurationsDialog dialog(home.session, prompter, trash, archives);
    dialog.prepareShowing();
    shoot(dialog, "manage_configurations",
          {QStringLiteral("Manage Configurations"), "duplicateButton", QStringLiteral("&Duplicate")});
}

TEST_F(Screenshots, ManageConfigurationsHistoryAndCompare)
{
    // Two updates of the configuration, the first failed, and a parameter changed since:
    // the history lists both and Compare shows what differs from the failed one.
    open("PumpStation_Jumper");
    const QString folder = home.file(QStringLiteral("PROJECTS/PumpStation_Jumper"));
    UpdateRecord record;
    record.date = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53), Qt::UTC);
    record.route = QStringLiteral("ethernet");
    record.device = QStringLiteral("192.168.2.205");
    record.result = QStringLiteral("failed");
    record.exitStatus = 3;
    recordUpdate(folder, record);
    record.date = record.date.addSecs(20 * 60);
    record.result = QStringLiteral("ended");
    record.exitStatus = 0;
    recordUpdate(folder, record);
    config::Configuration changed = config::readConfiguration(folder);
    changed.general.port = QStringLiteral("1502");
    config::writeConfiguration(changed, folder, {config::ConfigFile::GeneralParameters});

    NoTrash trash;
    ZipConfigurationArchives archives;
    ManageConfigurationsDialog dialog(home.session, prompter, trash, archives);
    dialog.prepareShowing();
    auto* list = test::requireChild<QListWidget>(&dialog, QStringLiteral("configurationList"));
    const QList<QListWidgetItem*> items = list->findItems(QStringLiteral("PumpStation_Jumper"), Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    list->setCurrentItem(items.front());
    auto* history = test::requireChild<QListWidget>(&dialog, QStringLiteral("historyList"));
    ASSERT_EQ(history->count(), 2);
    history->setCurrentRow(1);
    test::requireChild<QPushButton>(&dialog, QStringLiteral("compareButton"))->click();
    ASSERT_TRUE(prompter.errors.isEmpty()) << prompter.errors.join(u'\n').toStdString();
    EXPECT_EQ(test::requireChild<QTableWidget>(&dialog, QStringLiteral("compareTable"))->rowCount(), 1);
    EXPECT_EQ(test::requireChild<QLabel>(&dialog, QStringLiteral("compareHeadingLabel"))->text(),
              QStringLiteral("Differences between 2026-03-14 09:26:53 UTC  Ethernet 192.168.2.205  failed with exit "
                             "status 3 and PumpStation_Jumper"));
    shoot(dialog, "manage_configurations_history", {QStringLiteral("Manage Configurations"), "compareButton", QStringLiteral("&Compare")});
}

// An updater that ends with a failure and says why.
struct FailingRunner final : ProgramRunner {
    Result run(const Request&, const Countdown&) override
    {
        return {Outcome::Ended, 3, false,
                QStringLiteral("Connecting to 192.168.2.205 ...\nDevice answered.\nWriting configuration block 1 of 4 ...\n"
                                  "Error: no acknowledge for block 2 after 3 tries\n")};
    }
    void cancel() override {}
    std::chrono::milliseconds waitLimit() const override { return std::chrono::seconds(150); }
};

TEST_F(Screenshots, UpdateEndsWithAFailure)
{
    // The message the main window gives when the updater fails, as the real message box
    // shows it, with what the updater printed in its details.
    open("PumpStation_Jumper");
    test::FakeDialogs dialogs;
    FailingRunner runner;
    NoBrowser browser;
    QtPrompter realPrompter;
    MainWindow window(home.session, {realPrompter, dialogs, runner, browser});
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    bool shown = false;
    QTimer::singleShot(0, &window, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shown = true;
        for (QAbstractButton* b : box->buttons()) {
            if (box->buttonRole(b) == QMessageBox::ActionRole)
                b->click();   // Show Details...
        }
        QApplication::processEvents();
        shoot(*box, "update_failed",
              {QStringLiteral("PX40318"), "qt_msgbox_label",
               QStringLiteral("UpdaterEth.exe has ended with exit status 3: the update failed, and the device may still "
                              "hold its earlier firmware and configuration")});
    });
    window.startProgram(home.file(QStringLiteral("UpdaterEth.exe")), QString(), false);
    EXPECT_TRUE(shown);
}

TEST_F(Screenshots, RegisterMap)
{
    // The example with mapping faults, so that the findings list has something to show.
    open("Faulty_Mapping");
    QtPagePrinter printer;
    RegisterMapWindow window(home.session, prompter, printer);
    window.prepareShowing();
    shoot(window, "register_map",
          {QStringLiteral("Register Map"), "findingsLabel", QStringLiteral("Findings")});
}

TEST_F(Screenshots, CommunicationSettings)
{
    open("Conveyor_DipSwitch");
    CommunicationSettingsDialog dialog(home.session, prompter);
    dialog.showSettings();
    shoot(dialog, "communication_settings",
          {QStringLiteral("Set Communication"), "portEdit", QStringLiteral("5020")});
}

TEST_F(Screenshots, FrameEditors)
{
    open("PumpStation_Jumper");
    ReceiveFramesJumperDialog receiveJumper(home.session, prompter);
    receiveJumper.reload();
    shoot(receiveJumper, "receive_frames_jumper",
          {QStringLiteral("Receive CAN Frames"), "insertRowButton", QStringLiteral("Insert Row")});
    TransmitFramesJumperDialog transmitJumper(home.session, prompter);
    transmitJumper.reload();
    shoot(transmitJumper, "transmit_frames_jumper",
          {QStringLiteral("Transmit CAN Frames"), "insertRowButton", QStringLiteral("Insert Row")});

    open("Conveyor_DipSwitch");
    ReceiveFramesDipDialog receiveDip(home.session, prompter);
    receiveDip.reload();
    shoot(receiveDip, "receive_frames_dipswitch",
          {QStringLiteral("Receive CAN Frames"), "copyRowButton", QStringLiteral("Copy Row")});
    TransmitFramesDipDialog transmitDip(home.session, prompter);
    transmitDip.reload();
    shoot(transmitDip, "transmit_frames_dipswitch",
          {QStringLiteral("Transmit CAN Frames"), "copyRowButton", QStringLiteral("Copy Row")});
}

TEST_F(Screenshots, MappingEditors)
{
    open("Conveyor_DipSwitch");
    // The first frame and its first register selected, as a user looking at them sees them.
    const auto select = [](DefineMappingDialog& dialog) {
        auto* frames = test::requireChild<QListWidget>(&dialog, QStringLiteral("frameList"));
        ASSERT_NE(frames, nullptr);
        ASSERT_GT(frames->count(), 0);
        frames->setCurrentRow(0);
        auto* registers = test::requireChild<QListWidget>(&dialog, QStringLiteral("registerList"));
        ASSERT_NE(registers, nullptr);
        if (registers->count() > 0)
            registers->setCurrentRow(0);
    };
    ReceiveMappingDialog receive(home.session, prompter);
    receive.reload();
    select(receive);
    shoot(receive, "receive_mapping",
          {QStringLiteral("Define Receive CAN Frames"), "registerIndexEdit", QStringLiteral("0")});
    TransmitMappingDialog transmit(home.session, prompter);
    transmit.reload();
    select(transmit);
    shoot(transmit, "transmit_mapping",
          {QStringLiteral("Define Transmit CAN Frames"), "registerIndexEdit", QStringLiteral("1000")});
}

TEST_F(Screenshots, UpdateDialogs)
{
    open("PumpStation_Jumper");
    TwoPorts ports;
    const StartProgramFn noStart = [](const QString&, const QString&, bool) { return ProgramRunner::Result{}; };
    SerialUpdateDialog serial(home.session, prompter, ports, noStart);
    serial.prepareShowing();
    shoot(serial, "serial_update",
          {QStringLiteral("Update Device by Serial"), "turnOffStepLabel", QStringLiteral("1 - Turn OFF the Device")});
    serial.prepareShowing();
    serial.goToOperations();
    shoot(serial, "serial_update_operations",
          {QStringLiteral("Update Device by Serial"), "updateButton", QStringLiteral("Execute Update Firmware")});

    open("Conveyor_DipSwitch");
    test::ManualClock clock;
    test::ScriptedPinger pinger(clock);
    EthernetUpdateDialog ethernet(home.session, prompter, pinger, noStart, nullptr, &clock);
    ethernet.prepareShowing();
    const char* address[] = {"192", "168", "1", "50"};
    for (int i = 0; i < 4; ++i)
        test::requireChild<QLineEdit>(&ethernet, QStringLiteral("ipAddressByte%1").arg(i + 1))->setText(QString::fromLatin1(address[i]));
    pinger.answer("AAAA");
    ethernet.ping();
    shoot(ethernet, "ethernet_update",
          {QStringLiteral("Update Firmware from Etherner (UDP)"), "pingResultLabel", QStringLiteral("Device Found!")});
    ethernet.prepareShowing();
    for (int i = 0; i < 4; ++i)
        test::requireChild<QLineEdit>(&ethernet, QStringLiteral("ipAddressByte%1").arg(i + 1))->setText(QString::fromLatin1(address[i]));
    pinger.answer("AAAA");
    ethernet.ping();
    ethernet.goToOperations();
    shoot(ethernet, "ethernet_update_operations",
          {QStringLiteral("Update Firmware from Etherner (UDP)"), "updateButton", QStringLiteral("Execute update firmware")});
}

TEST_F(Screenshots, OptionsAndAbout)
{
    NoBrowser browser;
    // Two language files beside the built-in English, each with a flag of its own colours.
    const struct {
        const char* name;
        QColor stripes[3];
    } languages[] = {{"Italiano", {Qt::darkGreen, Qt::white, Qt::red}}, {"Deutsch", {Qt::black, Qt::red, QColor(255, 204, 0)}}};
    for (const auto& language : languages) {
        home.write(QStringLiteral("LANGUAGE/%1.lng").arg(QLatin1StringView(language.name)), "STR1 = \n");
        QImage flag(30, 20, QImage::Format_RGB32);
        for (int i = 0; i < 3; ++i) {
            for (int y = 0; y < 20; ++y) {
                for (int x = 0; x < 30; ++x) {
                    const bool vertical = language.name[0] == 'I';
                    if ((vertical ? x : y * 3 / 2) / 10 == i)
                        flag.setPixelColor(x, y, language.stripes[i]);
                }
            }
        }
        ASSERT_TRUE(flag.save(home.file(QStringLiteral("LANGUAGE/%1.bmp").arg(QLatin1StringView(language.name))), "BMP"));
    }
    SoftwareOptionsDialog options(home.session, {prompter, browser, [] { return false; }, [] {}});
    options.prepareShowing();
    shoot(options, "options",
          {QStringLiteral("Software Options"), "okButton", QStringLiteral("OK")});
    AboutDialog about(browser);
    // A home folder as an installed program has it, rather than this run's temporary one.
    about.setHomeFolder(QDir::homePath() + QStringLiteral("/.local/share/px40318-configurator"));
    about.prepareShowing();
    shoot(about, "about",
          {QStringLiteral("About..."), "versionLabel", QStringLiteral("2.505")});
}

} // namespace
} // namespace px
