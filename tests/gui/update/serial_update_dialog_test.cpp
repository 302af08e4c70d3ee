#include "gui/update/serial_update_dialog.h"

#include "core/services/serial_ports.h"

#include "support/fake_prompter.h"
#include "support/temp_home.h"
#include "support/widget_lookup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace px {
namespace {

// The ports the system reports, already in the service's order.
class FixedPorts final : public SerialPorts {
public:
    QList<SerialPort> ports() override { return list; }
    QList<SerialPort> list;
};

struct Start {
    QString program;
    QString parameters;
    bool hidden;
};

class SerialDialogTest : public ::testing::Test {
protected:
    SerialDialogTest() { home.activate(QStringLiteral("Plant A")); }

    template <typename T>
    T* child(const char* name)
    {
        return test::requireChild<T>(&dialog, name);
    }
    QStringList portNames()
    {
        QStringList names;
        for (int i = 0; i < child<QComboBox>("serialPortChoice")->count(); ++i)
            names << child<QComboBox>("serialPortChoice")->itemText(i);
        return names;
    }
    bool onOptionsPage() { return child<QCheckBox>("writeFirmwareCheck")->isVisibleTo(&dialog); }

    test::TempHome home;
    test::FakePrompter prompter;
    FixedPorts ports;
    std::vector<Start> starts;
    SerialUpdateDialog dialog{home.session, prompter, ports,
                     [this](const QString& p, const QString& a, bool h) {
                         starts.push_back({p, a, h});
                         return ProgramRunner::Result{};
                     }};
};

TEST_F(SerialDialogTest, TextsComeFromTheMessageTable)
{
    const struct {
        const char* name;
        const char* text;
        const char* hint;
    } controls[] = {
        {"descriptionLabel", "Update Device Using the Serial Port", ""},
        {"stepsIntroLabel", "Follow these steps to update from RS232:", ""},
        {"bootModeStepLabel", "2 - Use the Dip-Switch to set the Boot Mode", ""},
        {"turnOnStepLabel", "4 - Turn ON the Device", ""},
        {"refreshPortsButton", "", "Update COM Ports List"},
        {"serialPortChoice", "", "Select the Com Port of PC used to update the device"},
        {"readFirmwareBackCheck", "Read Firmware After Write", "Check the Firmware just Written"},
        {"readConfigurationBackCheck", "Read Configuration After Write", "Check the Firmware just Written"},
        {"nextButton", "Next", "Confirm the Com Port and continue with the update"},
        {"updateButton", "Execute Update Firmware", "Start the Update Process"},
    };
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Update Device by Serial"));
    for (const auto& c : controls) {
        QWidget* w = child<QWidget>(c.name);
        ASSERT_NE(w, nullptr);
        const QVariant text = w->property("text");
        EXPECT_EQ(text.isValid() ? text.toString() : QString(), QString::fromLatin1(c.text)) << c.name;
        EXPECT_EQ(w->toolTip(), QString::fromLatin1(c.hint)) << c.name;
    }
}

TEST_F(SerialDialogTest, PortListIsFreshAtEveryShowingAndOnItsButton)
{
    ports.list = {{QStringLiteral("ttyS0"), QStringLiteral("/dev/ttyS0")},
                  {QStringLiteral("ttyS4"), QStringLiteral("/dev/ttyS4")}};
    dialog.show();
    dialog.prepareShowing();
    EXPECT_EQ(portNames(), (QStringList{QStringLiteral("ttyS0"), QStringLiteral("ttyS4")}));
    child<QComboBox>("serialPortChoice")->setCurrentIndex(1);

    // An adapter is plugged in: the new list is shown with its first port selected.
    ports.list.prepend({QStringLiteral("ttyACM0"), QStringLiteral("/dev/ttyACM0")});
    QTest::mouseClick(child<QToolButton>("refreshPortsButton"), Qt::LeftButton);
    EXPECT_EQ(portNames().size(), 3);
    EXPECT_EQ(child<QComboBox>("serialPortChoice")->currentText(), QStringLiteral("ttyACM0"));

    ports.list.clear();
    dialog.prepareShowing();
    EXPECT_EQ(child<QComboBox>("serialPortChoice")->currentIndex(), -1);
    dialog.close();
}

TEST_F(SerialDialogTest, NextWithoutAPortIsRefused)
{
    dialog.show();
    dialog.prepareShowing();
    QTest::mouseClick(child<QPushButton>("nextButton"), Qt::LeftButton);
    EXPECT_EQ(prompter.errors, QStringList{QStringLiteral("Error! Select the COM port to use for the Update")});
    EXPECT_FALSE(onOptionsPage());
    EXPECT_TRUE(child<QPushButton>("nextButton")->isVisible());
    EXPECT_FALSE(child<QPushButton>("updateButton")->isVisible());
    dialog.close();
}

TEST_F(SerialDialogTest, ExecuteStartsTheUpdaterWithThePortAndOptionsAndOptionsLastForTheRun)
{
    ports.list = {{QStringLiteral("ttyUSB0"), QStringLiteral("/dev/ttyUSB0")},
                  {QStringLiteral("ttyUSB1"), QStringLiteral("/dev/ttyUSB1")}};
    home.write(QStringLiteral("Ser_40318_Update.exe"), "x");
    home.write(QStringLiteral("MASTER/sim40318.sim"), "x");
    dialog.show();
    dialog.prepareShowing();
    child<QComboBox>("serialPortChoice")->setCurrentIndex(1);
    QTest::mouseClick(child<QPushButton>("nextButton"), Qt::LeftButton);
    EXPECT_TRUE(prompter.errors.isEmpty());
    ASSERT_TRUE(onOptionsPage());
    EXPECT_FALSE(child<QPushButton>("cancelButton")->isVisible());
    EXPECT_FALSE(child<QPushButton>("nextButton")->isVisible());

    child<QCheckBox>("readFirmwareBackCheck")->setChecked(false);
    child<QCheckBox>("writeConfigurationCheck")->setChecked(false); // its read-back option stays usable and set
    QTest::mouseClick(child<QPushButton>("updateButton"), Qt::LeftButton);
    ASSERT_EQ(starts.size(), 1u);
    const QString home = this->home.path();
    EXPECT_EQ(starts[0].program, home + QStringLiteral("/Ser_40318_Update.exe"));
    EXPECT_EQ(starts[0].parameters, QStringLiteral("/dev/ttyUSB1 FW NO NO PR \"") + home
                                        + QStringLiteral("/MASTER/sim40318.sim\" \"") + home
                                        + QStringLiteral("/PROJECTS/Plant A/bin/\""));
    EXPECT_FALSE(starts[0].hidden);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(onOptionsPage());

    // The dialog opens again on page 1, with the options as they were left.
    dialog.prepareShowing();
    EXPECT_FALSE(onOptionsPage());
    EXPECT_TRUE(child<QPushButton>("nextButton")->isVisible());
    EXPECT_FALSE(child<QPushButton>("updateButton")->isVisible());
    EXPECT_FALSE(child<QCheckBox>("readFirmwareBackCheck")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("writeConfigurationCheck")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("writeFirmwareCheck")->isChecked());
    QTest::mouseClick(child<QPushButton>("cancelButton"), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(starts.size(), 1u);
}

// A missing updater, or a missing firmware image while the firmware is written or read
// back, is named with the folder it was looked for in; nothing starts and the dialog stays.
TEST_F(SerialDialogTest, AMissingUpdaterOrFirmwareImageIsNamedAndNothingStarts)
{
    ports.list = {{QStringLiteral("ttyUSB0"), QStringLiteral("/dev/ttyUSB0")}};
    const QString exeFolder = QDir::toNativeSeparators(home.path());
    const QString master = QDir::toNativeSeparators(home.file(QStringLiteral("MASTER")));
    const struct {
        bool program, image, writeFirmware, readFirmware;
        QString missing; // empty: the updater starts
    } cases[] = {
        {false, true, true, true, QStringLiteral("Ser_40318_Update.exe|") + exeFolder},
        {false, true, false, false, QStringLiteral("Ser_40318_Update.exe|") + exeFolder},
        {true, false, true, false, QStringLiteral("sim40318.sim|") + master},
        {true, false, false, true, QStringLiteral("sim40318.sim|") + master},
        {true, false, false, false, QString()},
    };
    dialog.show();
    dialog.prepareShowing();
    QTest::mouseClick(child<QPushButton>("nextButton"), Qt::LeftButton);
    for (const auto& c : cases) {
        QFile::remove(home.file(QStringLiteral("Ser_40318_Update.exe")));
        QFile::remove(home.file(QStringLiteral("MASTER/sim40318.sim")));
        if (c.program)
            home.write(QStringLiteral("Ser_40318_Update.exe"), "x");
        if (c.image)
            home.write(QStringLiteral("MASTER/sim40318.sim"), "x");
        child<QCheckBox>("writeFirmwareCheck")->setChecked(c.writeFirmware);
        child<QCheckBox>("readFirmwareBackCheck")->setChecked(c.readFirmware);
        prompter.errors.clear();
        starts.clear();
        QTest::mouseClick(child<QPushButton>("updateButton"), Qt::LeftButton);
        const QStringList missing = c.missing.split(u'|');
        EXPECT_EQ(prompter.errors,
                  c.missing.isEmpty() ? QStringList()
                                      : QStringList{QStringLiteral("Error! The file %1 is missing. It was looked for in the folder %2")
                                                        .arg(missing[0], missing.value(1))})
            << c.missing.toStdString();
        EXPECT_EQ(starts.size(), c.missing.isEmpty() ? 1u : 0u) << c.missing.toStdString();
        EXPECT_TRUE(dialog.isVisible() && onOptionsPage());
    }
    dialog.close();
}

} // namespace
} // namespace px
