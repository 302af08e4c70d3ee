#include "gui/shell/main_window.h"

#include "core/check/check.h"
#include "core/config/general_parameters.h"
#include "core/services/browser.h"
#include "core/services/program_runner.h"
#include "support/fake_dialogs.h"
#include "support/fake_prompter.h"
#include "support/temp_home.h"
#include "support/widget_lookup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace px {
namespace {

// The wait panel as a person sees it: its text, or "hidden" when no panel is shown.
QString waitPanel()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QStringLiteral("programWaitPanel") && w->isVisible()) {
            auto* text = w->findChild<QLabel*>(QStringLiteral("programWaitLabel"));
            return text && w->isEnabled() ? text->text() : QStringLiteral("disabled");
        }
    }
    return QStringLiteral("hidden");
}

struct RecordingRunner final : ProgramRunner {
    Result run(const Request& request, const Countdown& countdown) override
    {
        calls << request.program + u'|' + request.parameters + (request.hidden ? QStringLiteral("|hidden") : QString());
        workingFolders << request.workingFolder;
        windowEnabledDuringRun = window && window->isEnabled();
        for (int seconds : secondsToTell) {
            countdown(seconds);
            panelTexts << waitPanel();
        }
        return result;
    }
    void cancel() override { ++cancels; }
    std::chrono::milliseconds waitLimit() const override { return std::chrono::seconds(150); }
    QStringList calls;
    QStringList workingFolders;
    QWidget* window = nullptr;
    bool windowEnabledDuringRun = true;
    Result result{Outcome::Ended, 0, false, {}};
    std::vector<int> secondsToTell;
    QStringList panelTexts;
    int cancels = 0;
};

struct RecordingBrowser final : Browser {
    void open(const QString& url) override { urls << url; }
    QStringList urls;
};

class MainWindowTest : public ::testing::Test {
protected:
    test::TempHome home;
    test::FakePrompter prompter;
    test::FakeDialogs dialogs;
    RecordingRunner runner;
    RecordingBrowser browser;
    MainWindow window{home.session, {prompter, dialogs, runner, browser}};

    template <typename T = QAbstractButton>
    T* widget(const char* name)
    {
        return test::requireChild<T>(&window, name);
    }
    void click(const char* name) { QTest::mouseClick(widget(name), Qt::LeftButton); }
    QString label(const char* name) { return widget<QLabel>(name)->text(); }
    // A whole ParGen.xml as the editor writes it, with the device type given as text.
    void writeDeviceType(const char* type)
    {
        QByteArray file = generalParametersBytes(GeneralParameters{});
        file.replace("<Device_Type>0</Device_Type>", QByteArray("<Device_Type>") + type + "</Device_Type>");
        home.write(QStringLiteral("PROJECTS/P/ParGen.xml"), file);
    }
};

const char* const kConfigurationSteps[] = {"communicationButton",      "receiveFramesButton",    "receiveMappingButton",
                                           "transmitFramesButton", "transmitMappingButton", "updateDeviceButton",
                                           "virtualConverterButton", "registerMapButton", "monitorButton"};

TEST_F(MainWindowTest, LayoutTextsAndHiddenSteps)
{
    window.show();
    EXPECT_EQ(window.size(), QSize(694, 440));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_TRUE(window.windowTitle().endsWith(QStringLiteral(" - Configurator PX40318 - CAN / Modbus TCP Slave ")));
    EXPECT_EQ(label("softwareCodeLabel"), QStringLiteral("PX40318"));
    EXPECT_EQ(label("descriptionLabel"), QStringLiteral("CAN / Modbus TCP Slave - Converter"));
    EXPECT_EQ(label("beginLabel"), QStringLiteral("Begin"));
    EXPECT_EQ(label("stepLabel5"), QStringLiteral("Step 5"));
    EXPECT_EQ(widget("updateDeviceButton")->text(), QStringLiteral("Update Device"));
    EXPECT_EQ(widget("updateDeviceButton")->toolTip(),
              QStringLiteral("Update the actual Firmware and/or Configuration in the device"));
    EXPECT_EQ(widget("optionsButton")->toolTip(), QStringLiteral("Options"));
    EXPECT_TRUE(widget("aboutButton")->text().isEmpty());
    EXPECT_FALSE(widget("newButton")->icon().isNull());
    EXPECT_EQ(label("configurationCaption"), QStringLiteral("None Configuration Opened "));
    EXPECT_EQ(label("configurationNameLabel"), QStringLiteral("Use Step1 to open or create new configuration"));
    EXPECT_FALSE(widget<QLabel>("updateLink")->isVisible());
    // Five steps: nothing is built beyond them, shown or hidden.
    for (const char* gone : {"stepLabel6", "remoteRequestButton", "frameSettingsButton"})
        EXPECT_EQ(window.findChild<QWidget*>(QString::fromLatin1(gone)), nullptr) << gone;
    EXPECT_TRUE(widget("transmitMappingButton")->isVisible());
    window.close();
    prompter.errors.clear();
}

TEST_F(MainWindowTest, EveryConfigurationStepIsRefusedWithoutAConfiguration)
{
    for (const char* step : kConfigurationSteps) {
        prompter.errors.clear();
        click(step);
        EXPECT_EQ(prompter.errors, QStringList{QStringLiteral("Error! Project not Valid")}) << step;
    }
    EXPECT_TRUE(dialogs.asked.empty());
}

TEST_F(MainWindowTest, EnterAndSpacePressTheFocusedButton)
{
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QApplication::setActiveWindow(&window);
    const struct {
        const char* button;
        Qt::Key key;
    } cases[] = {{"communicationButton", Qt::Key_Return}, {"receiveFramesButton", Qt::Key_Enter}, {"updateDeviceButton", Qt::Key_Space}};
    for (const auto& c : cases) {
        prompter.errors.clear();
        QAbstractButton* b = widget(c.button);
        b->setFocus();
        ASSERT_TRUE(b->hasFocus()) << c.button;
        QTest::keyClick(b, c.key);
        EXPECT_EQ(prompter.errors, QStringList{QStringLiteral("Error! Project not Valid")}) << c.button;
    }
    widget("aboutButton")->setFocus();
    QTest::keyClick(widget("aboutButton"), Qt::Key_Return);
    EXPECT_EQ(dialogs.asked, std::vector<Window>{Window::About});
    window.close();
}

TEST_F(MainWindowTest, StepOneAndTheTitleButtonsWorkWithoutAConfiguration)
{
    click("newButton");
    click("openButton");
    click("aboutButton");
    click("optionsButton");
    EXPECT_EQ(dialogs.asked,
              (std::vector<Window>{Window::NewConfiguration, Window::OpenConfiguration, Window::About, Window::SoftwareOptions}));
    EXPECT_TRUE(prompter.errors.isEmpty());
    // Options cancelled writes nothing; confirmed writes the settings at once.
    EXPECT_FALSE(QFileInfo::exists(home.file(QStringLiteral("Orvane.xml"))));
    dialogs.actions[Window::SoftwareOptions] = [] { return true; };
    click("optionsButton");
    EXPECT_TRUE(QFileInfo::exists(home.file(QStringLiteral("Orvane.xml"))));
}

TEST_F(MainWindowTest, NewAndOpenUpdateTheConfigurationBoxOnlyOnOk)
{
    dialogs.actions[Window::NewConfiguration] = [&] { return !createConfiguration(home.session.ws, QStringLiteral("Plant1")); };
    click("newButton");
    EXPECT_EQ(label("configurationCaption"), QStringLiteral("Opened Configuration of the Converter : "));
    EXPECT_EQ(label("configurationNameLabel"), QStringLiteral("Plant1"));

    dialogs.actions[Window::OpenConfiguration] = [&] {
        home.session.ws.activate(QString());
        return true;
    };
    click("openButton");
    EXPECT_EQ(label("configurationNameLabel"), QStringLiteral("Use Step1 to open or create new configuration"));
    click("communicationButton");
    EXPECT_EQ(prompter.errors, QStringList{QStringLiteral("Error! Project not Valid")});
}

TEST_F(MainWindowTest, ConfigurationNameIsShownAsTyped)
{
    // Folder names may hold angle brackets; the box shows them, never reads them as markup.
    dialogs.actions[Window::NewConfiguration] = [&] {
        return !createConfiguration(home.session.ws, QStringLiteral("Pump <A> <b>2"));
    };
    click("newButton");
    auto* name = widget<QLabel>("configurationNameLabel");
    ASSERT_EQ(name->text(), QStringLiteral("Pump <A> <b>2"));
    EXPECT_GE(name->sizeHint().width(), name->fontMetrics().horizontalAdvance(name->text()));
}

TEST_F(MainWindowTest, DeviceTypeChoosesTheEditorsAndTheUpdateRoute)
{
    home.activate(QStringLiteral("P"));
    const struct {
        const char* deviceType; // nullptr: no ParGen.xml
        std::vector<Window> expected;
    } cases[] = {
        {nullptr, {Window::ReceiveFramesJumper, Window::TransmitFramesJumper, Window::SerialUpdate}},
        {"0", {Window::ReceiveFramesJumper, Window::TransmitFramesJumper, Window::SerialUpdate}},
        {"2", {Window::ReceiveFramesJumper, Window::TransmitFramesJumper, Window::SerialUpdate}},
        {"1", {Window::ReceiveFramesDip, Window::TransmitFramesDip, Window::EthernetUpdate}},
    };
    for (const auto& c : cases) {
        if (c.deviceType)
            writeDeviceType(c.deviceType);
        dialogs.asked.clear();
        click("receiveFramesButton");
        click("transmitFramesButton");
        click("updateDeviceButton");
        EXPECT_EQ(dialogs.asked, c.expected) << (c.deviceType ? c.deviceType : "missing");
    }
    dialogs.asked.clear();
    click("communicationButton");
    click("receiveMappingButton");
    click("transmitMappingButton");
    click("virtualConverterButton");
    click("monitorButton");
    EXPECT_EQ(dialogs.asked, (std::vector<Window>{Window::CommunicationSettings, Window::ReceiveMapping, Window::TransmitMapping,
                                                  Window::VirtualConverter, Window::Monitor}));
    EXPECT_TRUE(prompter.errors.isEmpty());
}

TEST_F(MainWindowTest, AParGenThatDoesNotParseAbandonsTheStepWithItsError)
{
    home.activate(QStringLiteral("P"));
    home.write(QStringLiteral("PROJECTS/P/ParGen.xml"), "<GeneralParameter><Device_Type>1</Device_Type>");
    click("receiveFramesButton");
    EXPECT_TRUE(dialogs.asked.empty());
    ASSERT_EQ(prompter.errors.size(), 1);
    EXPECT_TRUE(prompter.errors[0].contains(QStringLiteral("ParGen.xml")));
}

TEST_F(MainWindowTest, UpdateDeviceWritesTheImagesFirstAndStopsOnAnError)
{
    home.activate(QStringLiteral("P"));
    click("updateDeviceButton");
    EXPECT_EQ(dialogs.asked, std::vector<Window>{Window::SerialUpdate});
    for (const char* image : {"bank.bin", "bank2.bin", "bank_ESP32_1.bin", "bank_ESP32_2.bin"})
        EXPECT_FALSE(home.read(QStringLiteral("PROJECTS/P/bin/") + QString::fromLatin1(image)).isEmpty()) << image;

    // A frame file that does not parse: its error, no update dialog, the images untouched.
    const QByteArray before = home.read(QStringLiteral("PROJECTS/P/bin/bank2.bin"));
    home.write(QStringLiteral("PROJECTS/P/RCobDef.xml"), "<CobDef><row CobID=\"1\"");
    dialogs.asked.clear();
    click("updateDeviceButton");
    EXPECT_TRUE(dialogs.asked.empty());
    ASSERT_EQ(prompter.errors.size(), 1);
    EXPECT_TRUE(prompter.errors[0].contains(QStringLiteral("RCobDef.xml"))) << prompter.errors[0].toStdString();
    EXPECT_EQ(home.read(QStringLiteral("PROJECTS/P/bin/bank2.bin")), before);

    // A bin folder that cannot be written is reported by name.
    QFile::remove(home.file(QStringLiteral("PROJECTS/P/RCobDef.xml")));
    QDir(home.file(QStringLiteral("PROJECTS/P/bin"))).removeRecursively();
    home.write(QStringLiteral("PROJECTS/P/bin"), "a file where the folder should be");
    prompter.errors.clear();
    click("updateDeviceButton");
    EXPECT_TRUE(dialogs.asked.empty());
    ASSERT_EQ(prompter.errors.size(), 1);
    EXPECT_TRUE(prompter.errors[0].contains(QStringLiteral("bank.bin"))) << prompter.errors[0].toStdString();
}

// The findings shown before an update are those of `px40318 check`: with the cycle times of
// the signal file, a receive frame supervised shorter than its cycle is warned of. A signal
// file that cannot be read stops no update.
TEST_F(MainWindowTest, TheFindingsBeforeAnUpdateTakeTheSignalFile)
{
    home.activate(QStringLiteral("P"));
    GeneralParameters general;
    general.canTimeOut = QStringLiteral("100");
    home.write(QStringLiteral("PROJECTS/P/ParGen.xml"), generalParametersBytes(general));
    home.write(QStringLiteral("PROJECTS/P/RCobDef.xml"),
               "<COBID><row CobID=\"0x181\" Dimensin=\"8\" Mnemonic=\"\" TimeOut=\"Y\"/></COBID>");
    const auto belowCycle = [this] {
        std::vector<int> counts;
        for (const auto& findings : dialogs.reviewed)
            counts.push_back(static_cast<int>(std::count_if(findings.begin(), findings.end(), [](const check::Finding& f) {
                return f.code == QLatin1StringView(check::code::kTimeOutBelowCycle);
            })));
        return counts;
    };
    const struct {
        const char* signalFile;
        int warnings;
    } cases[] = {
        {"<SIGNALS><Frame Direction=\"Receive\" CobID=\"0x181\" Extended=\"N\" CycleTime=\"250\"/></SIGNALS>", 1},
        {"<SIGNALS><Frame Direction=\"Receive\" CobID=\"0x181\" Extended=\"N\" CycleTime=\"50\"/></SIGNALS>", 0},
        {"<SIGNALS><Frame", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.signalFile);
        home.write(QStringLiteral("PROJECTS/P/Signals.xml"), c.signalFile);
        dialogs.reviewed.clear();
        dialogs.asked.clear();
        click("updateDeviceButton");
        ASSERT_EQ(dialogs.reviewed.size(), 1U) << "the configuration has findings to review";
        EXPECT_EQ(belowCycle(), std::vector<int>{c.warnings});
        EXPECT_EQ(dialogs.asked, std::vector<Window>{Window::SerialUpdate});
        EXPECT_TRUE(prompter.errors.isEmpty()) << prompter.errors.join(u'\n').toStdString();
    }
}

TEST_F(MainWindowTest, ChangeLanguageRenamesStepsButKeepsTheConfigurationBox)
{
    home.write(QStringLiteral("LANGUAGE/Italiano.lng"), "STR1 = Passo 1\nSTR9 = Nessuna\nSTR15 = Nuova\nSTR253 = Crea\n");
    home.session.settings.language = QStringLiteral("Italiano");
    home.session.messages.loadLanguage(home.session.ws.languageFolder, home.session.settings.language);
    window.changeLanguage();
    EXPECT_EQ(label("stepLabel1"), QStringLiteral("Passo 1"));
    EXPECT_EQ(widget("newButton")->text(), QStringLiteral("Nuova"));
    EXPECT_EQ(widget("newButton")->toolTip(), QStringLiteral("Crea"));
    EXPECT_EQ(label("configurationCaption"), QStringLiteral("None Configuration Opened "));
    EXPECT_EQ(dialogs.languageChanges, 1);
}

TEST_F(MainWindowTest, ClosingWritesTheSettingsAndReportsAFailedWrite)
{
    home.activate(QStringLiteral("Plant9"));
    window.show();
    click("closeButton");
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(home.read(QStringLiteral("Orvane.xml")).contains("<projectname>Plant9</projectname>"));

    QFile::remove(home.file(QStringLiteral("Orvane.xml")));
    QDir().mkpath(home.file(QStringLiteral("Orvane.xml/blocked")));
    window.show();
    window.close();
    ASSERT_EQ(prompter.errors.size(), 1);
    EXPECT_TRUE(prompter.errors[0].contains(QStringLiteral("Orvane.xml")));
}

TEST_F(MainWindowTest, StartProgramWaitsWithTheWindowDisabledAndLinksOpenTheBrowser)
{
    window.show();
    runner.window = &window;
    window.startProgram(QStringLiteral("/opt/Ser_40318_Update.exe"), QStringLiteral("-p \"a b\""), false);
    EXPECT_EQ(runner.calls, QStringList{QStringLiteral("/opt/Ser_40318_Update.exe|-p \"a b\"")});
    EXPECT_EQ(runner.workingFolders, QStringList{home.path()}) << "the updaters run where they and their job lie";
    EXPECT_FALSE(runner.windowEnabledDuringRun);
    EXPECT_TRUE(window.isEnabled());

    // The keyboard focus comes back to where it was before the wait.
    QApplication::setActiveWindow(&window);
    widget("updateDeviceButton")->setFocus();
    ASSERT_TRUE(widget("updateDeviceButton")->hasFocus());
    window.startProgram(QStringLiteral("/opt/Ethernet_Update.exe"), QString(), false);
    EXPECT_TRUE(widget("updateDeviceButton")->hasFocus());

    widget<QLabel>("homePageLink")->linkActivated(QStringLiteral("home"));
    ASSERT_EQ(browser.urls.size(), 1);
    EXPECT_TRUE(browser.urls[0].endsWith(QStringLiteral("/HOME/default.asp?frompg=PX40318")));
    window.close();
}

// While the updater runs a panel names it and counts down the wait; afterwards the user is
// told whether it ended by itself, the wait ran out, or it could not be started.
TEST_F(MainWindowTest, WaitingForAnUpdaterShowsItsCountdownAndHowTheWaitEnded)
{
    const QString running = QStringLiteral("Ser_40318_Update.exe is running. Waiting for its end at most %1 s more");
    const struct {
        ProgramRunner::Outcome outcome;
        std::vector<int> told;
        const char* info;
        const char* error;
    } cases[] = {
        {ProgramRunner::Outcome::Ended, {150, 149, 1}, "Ser_40318_Update.exe has ended", nullptr},
        {ProgramRunner::Outcome::LimitReached, {150, 1, 0}, nullptr,
         "Ser_40318_Update.exe did not end within 150 s: the wait was given up and the program may still be running"},
        {ProgramRunner::Outcome::NotStarted, {}, nullptr, "Ser_40318_Update.exe could not be started"},
    };
    window.show();
    runner.window = &window;
    for (const auto& c : cases) {
        prompter.infos.clear();
        prompter.errors.clear();
        runner.panelTexts.clear();
        runner.result = {c.outcome, 0, false, {}};
        runner.secondsToTell = c.told;
        window.startProgram(home.file(QStringLiteral("Ser_40318_Update.exe")), QString(), false);
        QStringList expected;
        for (int seconds : c.told)
            expected << running.arg(seconds);
        EXPECT_EQ(runner.panelTexts, expected);
        EXPECT_FALSE(runner.windowEnabledDuringRun);
        EXPECT_EQ(waitPanel(), QStringLiteral("hidden")) << "the panel goes with the wait";
        EXPECT_TRUE(window.isEnabled());
        EXPECT_EQ(prompter.infos, c.info ? QStringList{QString::fromLatin1(c.info)} : QStringList());
        EXPECT_EQ(prompter.errors, c.error ? QStringList{QString::fromLatin1(c.error)} : QStringList());
    }
    window.close();
}

TEST_F(MainWindowTest, VersionCheckTimerRunsOnlyWhileAllowedAndAnnouncesANewerVersion)
{
    EXPECT_FALSE(window.m_versionCheckTimer->isActive());
    home.session.settings.internetEnabled = true;
    home.session.settings.updateCheckEnabled = true;
    MainWindow allowed{home.session, {prompter, dialogs, runner, browser}};
    EXPECT_TRUE(allowed.m_versionCheckTimer->isActive());
    EXPECT_EQ(allowed.m_versionCheckTimer->interval(), 60000);

    // Millisecond precision (a long interval is otherwise kept in whole seconds), so the
    // remaining time shows whether the countdown was started again.
    allowed.m_versionCheckTimer->setTimerType(Qt::PreciseTimer);
    bool newer = true;
    allowed.setVersionCheck([&] { return newer; });
    allowed.show();
    allowed.checkForNewVersion();
    auto* link = test::requireChild<QLabel>(&allowed, QStringLiteral("updateLink"));
    EXPECT_TRUE(link->isVisible());
    EXPECT_TRUE(link->text().contains(QStringLiteral("New Version Available. Click Here for more Details")));
    EXPECT_EQ(allowed.m_versionCheckTimer->interval(), 7200000);
    EXPECT_TRUE(allowed.m_versionCheckTimer->isActive());
    link->linkActivated(QString());
    ASSERT_EQ(browser.urls.size(), 1);
    EXPECT_TRUE(browser.urls[0].endsWith(QStringLiteral("/Home/download/download.asp#PD40318")));

    newer = false;
    allowed.checkForNewVersion();
    EXPECT_FALSE(link->isVisible());

    // Options confirmed with the check still allowed lets the running countdown go on: a
    // user who confirms the options now and then must not postpone the check for ever.
    dialogs.actions[Window::SoftwareOptions] = [] { return true; };
    auto* options = test::requireChild<QToolButton>(&allowed, QStringLiteral("optionsButton"));
    const int remaining = allowed.m_versionCheckTimer->remainingTime();
    QThread::msleep(60);
    QTest::mouseClick(options, Qt::LeftButton);
    EXPECT_TRUE(allowed.m_versionCheckTimer->isActive());
    EXPECT_EQ(allowed.m_versionCheckTimer->interval(), 7200000);
    EXPECT_LE(allowed.m_versionCheckTimer->remainingTime(), remaining - 50);

    // Options confirmed with the check switched off stops the timer.
    home.session.settings.updateCheckEnabled = false;
    QTest::mouseClick(options, Qt::LeftButton);
    EXPECT_FALSE(allowed.m_versionCheckTimer->isActive());
    allowed.hide();
}

// The step labels and the software code are drawn larger than the text around them, also
// when the desktop gives its font in pixels (such a font has no point size to add to).
TEST(MainWindowFont, StepLabelsAndSoftwareCodeGrowFromAFontInPointsOrPixels)
{
    const QFont original = QApplication::font();
    QFont inPoints = original;
    inPoints.setPointSize(9);
    QFont inPixels = original;
    inPixels.setPixelSize(12);
    for (const QFont& font : {inPoints, inPixels}) {
        SCOPED_TRACE(font.toString().toStdString());
        QApplication::setFont(font);
        test::TempHome home;
        test::FakePrompter prompter;
        test::FakeDialogs dialogs;
        RecordingRunner runner;
        RecordingBrowser browser;
        MainWindow window(home.session, {prompter, dialogs, runner, browser});
        const int text = QFontInfo(test::requireChild<QPushButton>(&window, QStringLiteral("newButton"))->font()).pixelSize();
        const int step = QFontInfo(test::requireChild<QLabel>(&window, QStringLiteral("stepLabel1"))->font()).pixelSize();
        const int code = QFontInfo(test::requireChild<QLabel>(&window, QStringLiteral("softwareCodeLabel"))->font()).pixelSize();
        EXPECT_GE(text, 11);
        EXPECT_GE(step, text + 2);
        EXPECT_GE(code, text + 12);
    }
    QApplication::setFont(original);
}

} // namespace
} // namespace px

namespace px {
namespace {

// A second instance on the same home opens the configuration the first one holds read-only
// and says so; once the first instance opens another one, the second gets it.
TEST(MainWindowLock, ASecondInstanceIsToldTheConfigurationIsReadOnly)
{
    test::TempHome home;
    home.activate(QStringLiteral("Plant"));
    home.write(QStringLiteral("PROJECTS/Other/ParGen.xml"), "<ParGen/>");
    test::FakePrompter prompter;
    test::FakeDialogs dialogs;
    RecordingRunner runner;
    RecordingBrowser browser;
    MainWindow first(home.session, {prompter, dialogs, runner, browser});
    EXPECT_FALSE(home.session.readOnly);

    Session secondSession;
    secondSession.start(home.path());
    secondSession.ws.activate(QStringLiteral("Plant"));
    test::FakePrompter secondPrompter;
    test::FakeDialogs secondDialogs;
    MainWindow second(secondSession, {secondPrompter, secondDialogs, runner, browser});
    ASSERT_EQ(secondPrompter.infos.size(), 1);
    EXPECT_TRUE(secondPrompter.infos[0].startsWith(
        QStringLiteral("The configuration Plant is open in another instance of the configurator (process %1 on ")
            .arg(QCoreApplication::applicationPid())))
        << secondPrompter.infos[0].toStdString();
    EXPECT_TRUE(secondPrompter.infos[0].endsWith(QStringLiteral("It is opened read-only here: OK saves nothing.")));
    EXPECT_TRUE(secondSession.readOnly);

    // The first instance opens another configuration: the second may now claim this one.
    dialogs.actions[Window::OpenConfiguration] = [&] {
        home.session.ws.activate(QStringLiteral("Other"));
        return true;
    };
    QTest::mouseClick(first.findChild<QPushButton*>(QStringLiteral("openButton")), Qt::LeftButton);
    secondDialogs.actions[Window::OpenConfiguration] = [] { return true; };
    QTest::mouseClick(second.findChild<QPushButton*>(QStringLiteral("openButton")), Qt::LeftButton);
    EXPECT_FALSE(secondSession.readOnly);
    EXPECT_EQ(secondPrompter.infos.size(), 1);
}

} // namespace
} // namespace px
