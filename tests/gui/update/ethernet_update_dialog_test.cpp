#include "gui/update/ethernet_update_dialog.h"

#include "core/base/error.h"
#include "core/base/xml_content.h"
#include "core/services/pinger.h"

#include "support/fake_ping.h"
#include "support/fake_prompter.h"
#include "support/temp_home.h"
#include "support/widget_lookup.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>

namespace px {
namespace {

using test::ManualClock;
using test::ScriptedPinger;

class EthernetDialogTest : public ::testing::Test {
protected:
    EthernetDialogTest() { home.activate(QStringLiteral("Plant1")); }
    ~EthernetDialogTest() override { dialog.close(); }

    template <typename T>
    T* child(const QString& name)
    {
        return test::requireChild<T>(&dialog, name);
    }
    QLineEdit* box(int i) { return child<QLineEdit>(QStringLiteral("ipAddressByte%1").arg(i)); }
    QString boxes() { return QStringList{box(1)->text(), box(2)->text(), box(3)->text(), box(4)->text()}.join(u'|'); }
    void type(const char* a, const char* b, const char* c, const char* d)
    {
        box(1)->setText(QString::fromLatin1(a));
        box(2)->setText(QString::fromLatin1(b));
        box(3)->setText(QString::fromLatin1(c));
        box(4)->setText(QString::fromLatin1(d));
    }
    void click(const char* name) { QTest::mouseClick(child<QPushButton>(QString::fromLatin1(name)), Qt::LeftButton); }
    bool onOptionsPage() { return child<QCheckBox>(QStringLiteral("writeFirmwareCheck"))->isVisibleTo(&dialog); }
    QLabel* result() { return child<QLabel>(QStringLiteral("pingResultLabel")); }
    // The Ethernet updater in the home folder and the firmware images in MASTER.
    void installUpdater()
    {
        for (const char* file : {"Ethernet_Update.exe", "MASTER/sim40318K.sim", "MASTER/sim40318_ESP32.sim"})
            home.write(QString::fromLatin1(file), "x");
    }
    void showFound()
    {
        dialog.show();
        dialog.prepareShowing();
        type("127", "0", "0", "1");
        pinger.answer("AA");
        click("pingButton");
        ASSERT_TRUE(dialog.deviceFound());
    }

    test::TempHome home;
    test::FakePrompter prompter;
    ManualClock clock;
    ScriptedPinger pinger{clock};
    std::vector<QStringList> starts;
    EthernetUpdateDialog dialog{home.session, prompter, pinger,
                     [this](const QString& p, const QString& a, bool h) {
                         starts.push_back({p, a, h ? QStringLiteral("hidden") : QStringLiteral("shown")});
                         return ProgramRunner::Result{};
                     },
                     nullptr, &clock};
};

TEST_F(EthernetDialogTest, TextsComeFromTheMessageTable)
{
    const struct {
        const char* name;
        const char* text;
        const char* hint;
    } controls[] = {
        {"descriptionLabel", "Update Firmware from Etherner (UDP)", ""},
        {"addressLabel", "Insert the IP Address of  PD40318", ""},
        {"ipAddressByte1", "0", "Insert first byte of IP Address of device to update"},
        {"ipAddressByte4", "0", "Insert fourth byte of IP Address of device to update"},
        {"pingLabel", "Check the Connection the device", ""},
        {"pingButton", "Ping", "Search the device by using the Ping Command"},
        {"cancelButton", "Cancel", "Exit without update the device"},
        {"readFirmwareBackCheck", "Read Firmware when finish", "Check the Firmware just Written"},
        {"writeConfigurationCheck", "Configuration", "Update the Configuration of the device"},
        {"updateButton", "Execute update firmware", "Start the Update Process"},
    };
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Update Firmware from Etherner (UDP)"));
    for (const auto& c : controls) {
        QWidget* w = child<QWidget>(QString::fromLatin1(c.name));
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->property("text").toString(), QString::fromLatin1(c.text)) << c.name;
        EXPECT_EQ(w->toolTip(), QString::fromLatin1(c.hint)) << c.name;
    }
}

TEST_F(EthernetDialogTest, ShowingFillsTheBoxesFromAValidLastAddressOnly)
{
    const struct {
        const char* lastIp;
        const char* boxes;
    } cases[] = {
        {"", "0|0|0|0"},
        {"192.168.2.205", "192|168|2|205"},
        {"10.0.0", "192|168|2|205"},
        {" 10 .1.2. 0x0F ", "10|1|2|0x0F"},
        {"10.1.2.300", "10|1|2|0x0F"},
    };
    for (const auto& c : cases) {
        home.session.settings.lastDeviceAddress = QString::fromLatin1(c.lastIp);
        dialog.prepareShowing();
        EXPECT_EQ(boxes(), QString::fromLatin1(c.boxes)) << '"' << c.lastIp << '"';
        EXPECT_TRUE(result()->text().isEmpty());
        EXPECT_FALSE(onOptionsPage());
    }
}

TEST_F(EthernetDialogTest, PingResultDecidesWhetherNextGoesOn)
{
    const struct {
        const char* answers;
        const char* shown;
        QColor colour;
        bool next;
    } cases[] = {
        {"AA", "Device Found!", QColor(0, 128, 0), true},
        {"TA", "Device Not Found!", QColor(255, 0, 0), false},
        {"A", "Device Not Found!", QColor(255, 0, 0), false},
        {"E", "Error!!! Check the Ip Address", QColor(255, 0, 0), false},
    };
    dialog.show();
    for (const auto& c : cases) {
        dialog.prepareShowing();
        prompter.errors.clear();
        pinger.requests.clear();
        home.session.settings.lastDeviceAddress = QStringLiteral("1.1.1.1");
        type("127", "0", "0", "1");
        pinger.answer(c.answers);
        click("pingButton");
        EXPECT_EQ(result()->text(), QString::fromLatin1(c.shown)) << c.answers;
        EXPECT_EQ(result()->palette().color(QPalette::WindowText), c.colour) << c.answers;
        ASSERT_FALSE(pinger.requests.empty()) << c.answers;
        EXPECT_EQ(pinger.requests.front().address, QStringLiteral("127.0.0.1"));
        pinger.script.clear();

        click("nextButton");
        EXPECT_EQ(onOptionsPage(), c.next) << c.answers;
        EXPECT_EQ(prompter.errors, c.next ? QStringList() : QStringList{QStringLiteral("Device not found in network")});
        EXPECT_EQ(home.session.settings.lastDeviceAddress, c.next ? QStringLiteral("127.0.0.1") : QStringLiteral("1.1.1.1"));
    }
    // A new showing needs a new ping.
    dialog.prepareShowing();
    click("nextButton");
    EXPECT_FALSE(onOptionsPage());
}

TEST_F(EthernetDialogTest, PingAndNextWaitWhileThePingRuns)
{
    dialog.show();
    dialog.prepareShowing();
    auto* ping = child<QPushButton>(QStringLiteral("pingButton"));
    auto* next = child<QPushButton>(QStringLiteral("nextButton"));
    int echoes = 0;
    pinger.duringEcho = [&] {
        ++echoes;
        EXPECT_FALSE(ping->isEnabled());
        EXPECT_FALSE(next->isEnabled());
        // A click while the ping runs starts no second one.
        dialog.ping();
    };
    for (const char* answers : {"AA", "E"}) {
        echoes = 0;
        pinger.answer(answers);
        click("pingButton");
        EXPECT_EQ(echoes, int(std::strlen(answers))) << answers;
        EXPECT_TRUE(ping->isEnabled()) << answers;
        EXPECT_TRUE(next->isEnabled()) << answers;
    }
}

TEST_F(EthernetDialogTest, ClosingDuringAPingEndsItAndTheDialogStaysModalUntilThen)
{
    // Cancel, Escape and the close box while a device that never answers is pinged.
    const std::function<void()> closers[] = {
        [&] { QTest::mouseClick(child<QPushButton>(QStringLiteral("cancelButton")), Qt::LeftButton); },
        [&] { QTest::keyClick(&dialog, Qt::Key_Escape); },
        [&] { dialog.close(); },
    };
    for (const auto& closeNow : closers) {
        dialog.show();
        dialog.prepareShowing();
        type("127", "0", "0", "1");
        int echoes = 0;
        pinger.duringEcho = [&] {
            if (++echoes == 1) {
                closeNow();
                EXPECT_TRUE(dialog.isVisible());
            }
        };
        click("pingButton");
        // The attempt under way ends, no further one is made, and only then the dialog
        // closes: the main window never takes input while the ping still runs.
        EXPECT_EQ(echoes, 1);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_FALSE(dialog.deviceFound());
        EXPECT_EQ(dialog.result(), int(QDialog::Rejected));
        pinger.duringEcho = [&] { EXPECT_TRUE(dialog.isVisible()); };
        // The next showing pings as usual.
        dialog.show();
        dialog.prepareShowing();
        pinger.answer("AA");
        click("pingButton");
        EXPECT_TRUE(dialog.deviceFound());
        EXPECT_TRUE(dialog.isVisible());
        pinger.duringEcho = nullptr;
    }
}

TEST_F(EthernetDialogTest, KeyboardPingKeepsTheFocusOnPing)
{
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.prepareShowing();
    type("127", "0", "0", "1");
    auto* ping = child<QPushButton>(QStringLiteral("pingButton"));
    ping->setFocus();
    pinger.answer("AA");
    QTest::keyClick(ping, Qt::Key_Space);
    ASSERT_TRUE(dialog.deviceFound());
    // Not on Cancel, where the next Enter would close the dialog.
    EXPECT_EQ(QApplication::focusWidget(), ping);
}

TEST_F(EthernetDialogTest, EditingAnAddressBoxAfterTheDeviceWasFoundNeedsANewPing)
{
    for (int edited = 1; edited <= 4; ++edited) {
        showFound();
        ASSERT_EQ(result()->text(), QStringLiteral("Device Found!"));
        prompter.errors.clear();
        QLineEdit* b = box(edited);
        b->setFocus();
        b->end(false);
        QTest::keyClick(b, Qt::Key_Backspace);
        EXPECT_TRUE(result()->text().isEmpty()) << edited;
        EXPECT_FALSE(dialog.deviceFound()) << edited;
        click("nextButton");
        EXPECT_FALSE(onOptionsPage()) << edited;
        EXPECT_EQ(prompter.errors, QStringList{QStringLiteral("Device not found in network")}) << edited;
    }

    // Edited while the ping runs: the result belongs to the old address and is not shown.
    dialog.prepareShowing();
    type("127", "0", "0", "1");
    pinger.answer("AA");
    pinger.duringEcho = [this] { box(4)->setText(QStringLiteral("9")); };
    click("pingButton");
    pinger.duringEcho = nullptr;
    EXPECT_FALSE(dialog.deviceFound());
    EXPECT_TRUE(result()->text().isEmpty());
}

TEST_F(EthernetDialogTest, ExecuteWritesTheJobWithThePingedAddressAndStartsTheUpdater)
{
    installUpdater();
    showFound();
    // Edited after the ping: the new address is pinged before Next goes on.
    box(4)->setText(QStringLiteral("2"));
    pinger.answer("AA");
    click("pingButton");
    click("nextButton");
    ASSERT_TRUE(onOptionsPage());
    EXPECT_EQ(pinger.requests.back().address, QStringLiteral("127.0.0.2"));
    EXPECT_EQ(home.session.settings.lastDeviceAddress, QStringLiteral("127.0.0.2"));
    EXPECT_FALSE(child<QPushButton>(QStringLiteral("nextButton"))->isVisible());
    EXPECT_TRUE(child<QPushButton>(QStringLiteral("updateButton"))->isVisible());

    child<QCheckBox>(QStringLiteral("writeFirmwareCheck"))->setChecked(false);
    click("updateButton");
    EXPECT_TRUE(prompter.errors.isEmpty());
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0], (QStringList{home.path() + QStringLiteral("/Ethernet_Update.exe"), QString(),
                                      QStringLiteral("shown")}));
    const xml::XmlContent job = xml::readXmlContent(home.read(QStringLiteral("Ethernet_Update.xml")), QStringLiteral("job"));
    ASSERT_EQ(job.top.size(), 1u);
    const xml::XmlItem& root = job.top.front();
    EXPECT_EQ(xml::childElement(root, QStringLiteral("IP_Address_Dev"))->text, QStringLiteral("127.0.0.2"));
    // Without the firmware, the first operation of the main processor writes the configuration.
    const QString operations = xml::childElement(root, QStringLiteral("Operations"))->text;
    EXPECT_TRUE(operations.startsWith(QStringLiteral("0020082007") + QStringLiteral("0") + home.path()
                                      + QStringLiteral("/PROJECTS/Plant1/bin/bank2.bin")))
        << operations.toStdString();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(onOptionsPage());

    // The options last for the run; the next showing starts on page 1 again.
    dialog.prepareShowing();
    EXPECT_FALSE(onOptionsPage());
    EXPECT_FALSE(child<QCheckBox>(QStringLiteral("writeFirmwareCheck"))->isChecked());
    EXPECT_EQ(boxes(), QStringLiteral("127|0|0|2"));
}

TEST_F(EthernetDialogTest, JobFileThatCannotBeWrittenIsReportedAndTheUpdaterNotStarted)
{
    // A folder where the job file should be: the file cannot replace it.
    QDir().mkpath(home.file(QStringLiteral("Ethernet_Update.xml")));
    installUpdater();
    showFound();
    click("nextButton");
    click("updateButton");
    ASSERT_EQ(prompter.errors.size(), 1);
    EXPECT_TRUE(prompter.errors[0].contains(QStringLiteral("Ethernet_Update.xml"))) << prompter.errors[0].toStdString();
    EXPECT_TRUE(starts.empty());
    EXPECT_TRUE(onOptionsPage());
}

// A missing updater or firmware image is named with the folder it was looked for in; no job
// file is written, nothing starts and the dialog stays open.
TEST_F(EthernetDialogTest, AMissingUpdaterOrFirmwareImageIsNamedAndNothingStarts)
{
    const QString master = QDir::toNativeSeparators(home.file(QStringLiteral("MASTER")));
    const QString exeFolder = QDir::toNativeSeparators(home.path());
    const struct {
        const char* removed;
        bool firmware;
        QString file, folder;
    } cases[] = {
        {"Ethernet_Update.exe", true, QStringLiteral("Ethernet_Update.exe"), exeFolder},
        {"Ethernet_Update.exe", false, QStringLiteral("Ethernet_Update.exe"), exeFolder},
        {"MASTER/sim40318K.sim", true, QStringLiteral("sim40318K.sim"), master},
        {"MASTER/sim40318_ESP32.sim", true, QStringLiteral("sim40318_ESP32.sim"), master},
    };
    showFound();
    click("nextButton");
    for (const auto& c : cases) {
        installUpdater();
        QFile::remove(home.file(QString::fromLatin1(c.removed)));
        prompter.errors.clear();
        child<QCheckBox>(QStringLiteral("writeFirmwareCheck"))->setChecked(c.firmware);
        click("updateButton");
        EXPECT_EQ(prompter.errors, QStringList{QStringLiteral("Error! The file %1 is missing. It was looked for in the folder %2")
                                                   .arg(c.file, c.folder)})
            << c.removed;
        EXPECT_TRUE(starts.empty()) << c.removed;
        EXPECT_FALSE(QFile::exists(home.file(QStringLiteral("Ethernet_Update.xml")))) << c.removed;
        EXPECT_TRUE(dialog.isVisible() && onOptionsPage()) << c.removed;
    }
    // Without the firmware operation the firmware images are not needed.
    installUpdater();
    QFile::remove(home.file(QStringLiteral("MASTER/sim40318K.sim")));
    child<QCheckBox>(QStringLiteral("writeFirmwareCheck"))->setChecked(false);
    prompter.errors.clear();
    click("updateButton");
    EXPECT_TRUE(prompter.errors.isEmpty());
    EXPECT_EQ(starts.size(), 1u);
}

TEST_F(EthernetDialogTest, DotMovesToTheNextBoxExceptInTheLast)
{
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.prepareShowing();
    type("", "", "", "");
    box(1)->setFocus();
    // Each key goes where the focus is at that moment, as a person's typing does.
    for (const char c : {'1', '0', '.', '0', '.', '0', '.', '7', '.', '1'})
        QTest::keyClick(QApplication::focusWidget(), c);
    EXPECT_EQ(boxes(), QStringLiteral("10|0|0|7.1"));
    EXPECT_EQ(QApplication::focusWidget(), box(4));
}

} // namespace
} // namespace px
