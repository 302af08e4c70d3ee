// The whole update as a person meets it: Update Device, the update dialog, a stand-in
// updater program in the home folder run by the real runner, the wait panel, the end
// message and the update history.

#include "gui/shell/main_window.h"

#include "core/config/general_parameters.h"
#include "core/services/browser.h"
#include "core/services/serial_ports.h"
#include "core/update/update_history.h"
#include "gui/update/ethernet_update_dialog.h"
#include "gui/update/serial_update_dialog.h"
#include "platform/process_runner.h"

#include "support/fake_dialogs.h"
#include "support/fake_ping.h"
#include "support/fake_prompter.h"
#include "support/temp_home.h"

#include <QApplication>
#include <QComboBox>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace px {
namespace {

struct OnePort final : SerialPorts {
    QList<SerialPort> ports() override { return {{QStringLiteral("ttyUSB1"), QStringLiteral("/dev/ttyUSB1")}}; }
};
struct NoBrowser final : Browser {
    void open(const QString&) override {}
};

template <typename T = QPushButton>
T* child(QWidget& parent, const char* name)
{
    T* w = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// The wait panel's Cancel button while the panel is shown, else nothing.
QPushButton* visibleCancel()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QStringLiteral("programWaitPanel") && w->isVisible())
            return w->findChild<QPushButton*>(QStringLiteral("cancelWaitButton"));
    }
    return nullptr;
}

// Runs `step` once, as soon as the wait panel shows (polled, with a deadline).
void whenPanelShows(std::function<void(QPushButton* cancel)> step)
{
    auto* poll = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, clock, step] {
        QPushButton* cancel = visibleCancel();
        if (!cancel && clock->elapsed() < 20000)
            return;
        poll->stop();
        poll->deleteLater();
        delete clock;
        ASSERT_NE(cancel, nullptr) << "the wait panel never showed";
        step(cancel);
    });
    poll->start(20);
}

class UpdaterRunTest : public ::testing::Test {
protected:
    UpdaterRunTest()
    {
        home.activate(QStringLiteral("Plant1"));
        for (const char* file : {"MASTER/sim40318.sim", "MASTER/sim40318K.sim", "MASTER/sim40318_ESP32.sim"})
            home.write(QString::fromLatin1(file), "firmware");
        dialogs.actions[Window::SerialUpdate] = [this] {
            serial.show();
            serial.prepareShowing();
            QTest::mouseClick(child(serial, "nextButton"), Qt::LeftButton);
            QTest::mouseClick(child(serial, "updateButton"), Qt::LeftButton);
            serial.close();
            return false;
        };
        // The Ethernet window in its own modal loop, as the program shows it.
        dialogs.actions[Window::EthernetUpdate] = [this] {
            QTimer::singleShot(0, &ethernet, [this] {
                child<QLineEdit>(ethernet, "ipAddressByte1")->setText(QStringLiteral("127"));
                child<QLineEdit>(ethernet, "ipAddressByte2")->setText(QStringLiteral("0"));
                child<QLineEdit>(ethernet, "ipAddressByte3")->setText(QStringLiteral("0"));
                child<QLineEdit>(ethernet, "ipAddressByte4")->setText(QStringLiteral("1"));
                pinger.answer("AA");
                QTest::mouseClick(child(ethernet, "pingButton"), Qt::LeftButton);
                QTest::mouseClick(child(ethernet, "nextButton"), Qt::LeftButton);
                QTest::mouseClick(child(ethernet, "updateButton"), Qt::LeftButton);
                if (ethernet.isVisible())
                    ethernet.close();
            });
            return ethernet.execShow();
        };
    }
    ~UpdaterRunTest() override { window.close(); }

    // The updater of the route as a shell script in the home folder: it notes the folder
    // it was started in, prints on both channels, and ends as `tail` says.
    void installUpdater(const char* fileName, const QByteArray& tail)
    {
        const QString path = home.file(QString::fromLatin1(fileName));
        home.write(QString::fromLatin1(fileName),
                   "#!/bin/sh\npwd > seen-folder.txt\necho \"writing the device\"\necho \"device answers no more\" >&2\n"
                       + tail);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    void setDevice(DeviceType type)
    {
        GeneralParameters general;
        general.deviceType = type;
        writeGeneralParametersFile(home.file(QStringLiteral("PROJECTS/Plant1/ParGen.xml")), general);
    }
    QString configurationFolder() const { return home.file(QStringLiteral("PROJECTS/Plant1")); }
    // No window is left disabled, visible or not.
    QStringList disabledWindows() const
    {
        QStringList names;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isEnabled())
                names << w->objectName();
        }
        return names;
    }

    test::TempHome home;
    test::FakePrompter prompter;
    test::FakeDialogs dialogs;
    ProcessRunner runner;
    NoBrowser browser;
    MainWindow window{home.session, {prompter, dialogs, runner, browser}};
    OnePort ports;
    test::ManualClock clock;
    test::ScriptedPinger pinger{clock};
    const StartProgramFn start = [this](const QString& program, const QString& parameters, bool hidden) {
        return window.startProgram(program, parameters, hidden);
    };
    SerialUpdateDialog serial{home.session, prompter, ports, start, &window};
    EthernetUpdateDialog ethernet{home.session, prompter, pinger, start, &window, &clock};
};

// Exit status 0 is an information, any other a warning that names the status and says the
// device may hold its earlier configuration. Either way the updater ran in the home folder,
// what it printed is in the details, and the update is recorded with the files it was
// given.
TEST_F(UpdaterRunTest, TheSerialUpdatersExitStatusDecidesTheEndAndEveryUpdateIsRecorded)
{
    setDevice(kJumperDevice);
    const QString updater = home.file(QStringLiteral("Ser_40318_Update.exe"));
    const struct {
        int status;
        const char* info;
        const char* warning;
        const char* result;
    } cases[] = {
        {0, "Ser_40318_Update.exe has ended", nullptr, "ended"},
        {3, nullptr,
         "Ser_40318_Update.exe has ended with exit status 3: the update failed, and the device may still hold its "
         "earlier firmware and configuration",
         "failed"},
    };
    window.show();
    for (const auto& c : cases) {
        prompter.infos.clear();
        prompter.warnings.clear();
        prompter.details.clear();
        installUpdater("Ser_40318_Update.exe", "exit " + QByteArray::number(c.status) + "\n");
        QTest::mouseClick(child(window, "updateDeviceButton"), Qt::LeftButton);
        EXPECT_TRUE(prompter.errors.isEmpty()) << prompter.errors.join(u'\n').toStdString();
        EXPECT_EQ(prompter.infos, c.info ? QStringList{QString::fromLatin1(c.info)} : QStringList());
        EXPECT_EQ(prompter.warnings, c.warning ? QStringList{QString::fromLatin1(c.warning)} : QStringList());
        EXPECT_EQ(prompter.details, QStringList{QStringLiteral("writing the device\ndevice answers no more")});
        EXPECT_EQ(home.read(QStringLiteral("seen-folder.txt")).trimmed(),
                  QFileInfo(home.path()).canonicalFilePath().toUtf8());
        EXPECT_TRUE(disabledWindows().isEmpty()) << disabledWindows().join(u',').toStdString();
    }

    const std::vector<HistoryEntry> history = readUpdateHistory(configurationFolder());
    ASSERT_EQ(history.size(), 2u);
    for (std::size_t i = 0; i < history.size(); ++i) {
        const UpdateRecord& r = history[i].record;
        EXPECT_EQ(r.result, QString::fromLatin1(cases[i].result));
        EXPECT_EQ(r.exitStatus, cases[i].status);
        EXPECT_EQ(r.route, QStringLiteral("serial"));
        EXPECT_EQ(r.device, QStringLiteral("/dev/ttyUSB1"));
        EXPECT_EQ(operationsText(r),
                  QStringLiteral("write firmware, read firmware back, write configuration, read configuration back"));
        EXPECT_EQ(r.updater, QStringLiteral("Ser_40318_Update.exe"));
        EXPECT_LE(qAbs(r.date.secsTo(QDateTime::currentDateTimeUtc())), 60);
        for (const char* file : {"ParGen.xml", "bin/bank.bin", "bin/bank2.bin", "bin/bank_ESP32_1.bin", "bin/bank_ESP32_2.bin"}) {
            EXPECT_EQ(test::readFile(history[i].folder + u'/' + QString::fromLatin1(file)),
                      test::readFile(configurationFolder() + u'/' + QString::fromLatin1(file)))
                << file;
        }
    }
    EXPECT_NE(history[0].name, history[1].name);
    EXPECT_TRUE(history[0].name < history[1].name);
}

// Cancel on the wait panel asks first; No keeps waiting, Yes ends the updater and says so.
TEST_F(UpdaterRunTest, CancelOnTheWaitPanelAsksThenEndsTheUpdater)
{
    setDevice(kJumperDevice);
    installUpdater("Ser_40318_Update.exe", "sleep 30\n");
    prompter.yesNoAnswers = {false, true};
    whenPanelShows([](QPushButton* cancel) {
        cancel->click();  // No: the wait goes on
        QTimer::singleShot(100, cancel, [cancel] { cancel->click(); });
    });
    window.show();
    QElapsedTimer t;
    t.start();
    QTest::mouseClick(child(window, "updateDeviceButton"), Qt::LeftButton);
    EXPECT_LT(t.elapsed(), 15000);
    const QString question = QStringLiteral(
        "End Ser_40318_Update.exe now? An update stopped half-way may leave the device with its earlier or a partly "
        "written firmware and configuration.");
    EXPECT_EQ(prompter.questions, (QStringList{question, question}));
    EXPECT_EQ(prompter.warnings,
              QStringList{QStringLiteral("Ser_40318_Update.exe was ended on request: the update did not finish, and the "
                                         "device may hold its earlier or a partly written firmware and configuration")});
    EXPECT_EQ(visibleCancel(), nullptr);
    EXPECT_TRUE(disabledWindows().isEmpty()) << disabledWindows().join(u',').toStdString();
    const std::vector<HistoryEntry> history = readUpdateHistory(configurationFolder());
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].record.result, QStringLiteral("cancelled"));
}

// The Ethernet window closed while its updater runs goes once the wait is over: the end
// is told, the update recorded, and no window stays disabled.
TEST_F(UpdaterRunTest, TheEthernetWindowClosedDuringTheWaitLeavesNothingDisabled)
{
    setDevice(kDipSwitchDevice);
    installUpdater("Ethernet_Update.exe", "test -f Ethernet_Update.xml || exit 4\nsleep 1\nexit 0\n");
    whenPanelShows([this](QPushButton*) {
        // As the window manager's close box delivers it.
        QCloseEvent close;
        QCoreApplication::sendEvent(ethernet.windowHandle(), &close);
    });
    window.show();
    QTest::mouseClick(child(window, "updateDeviceButton"), Qt::LeftButton);
    EXPECT_EQ(dialogs.asked.back(), Window::EthernetUpdate);
    EXPECT_FALSE(ethernet.isVisible());
    EXPECT_TRUE(prompter.errors.isEmpty()) << prompter.errors.join(u'\n').toStdString();
    // The job file lies in the updater's working folder.
    EXPECT_EQ(prompter.infos, QStringList{QStringLiteral("Ethernet_Update.exe has ended")});
    EXPECT_TRUE(disabledWindows().isEmpty()) << disabledWindows().join(u',').toStdString();
    EXPECT_TRUE(window.isEnabled());
    const std::vector<HistoryEntry> history = readUpdateHistory(configurationFolder());
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].record.route, QStringLiteral("ethernet"));
    EXPECT_EQ(history[0].record.device, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(history[0].record.result, QStringLiteral("ended"));
}

} // namespace
} // namespace px
