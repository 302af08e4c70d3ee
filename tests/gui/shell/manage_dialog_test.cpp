#include "gui/shell/manage_configurations_dialog.h"

#include "core/base/atomic_file.h"
#include "core/config/configuration.h"
#include "core/services/trash.h"
#include "core/shell/config_archive.h"
#include "core/lang/message_ids.h"
#include "core/shell/config_manage.h"
#include "core/update/update_history.h"
#include "gui/shell/main_window.h"
#include "support/fake_dialogs.h"
#include "support/fake_prompter.h"
#include "support/temp_home.h"
#include "support/widget_lookup.h"

#include "core/services/browser.h"
#include "core/services/program_runner.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QTableWidget>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace px {
namespace {

// A trash that takes folders into a folder of its own, or is missing as on a system
// without one.
class FakeTrash final : public Trash {
public:
    bool moveToTrash(const QString& path) override
    {
        asked << path;
        return available && QDir().rename(path, m_bin.filePath(QFileInfo(path).fileName()));
    }
    bool exists() const override { return present; }
    bool available = true;
    bool present = true;
    QStringList asked;

private:
    QTemporaryDir m_bin;
};

class ManageDialogTest : public ::testing::Test {
protected:
    ManageDialogTest()
    {
        dialog.exchangeFolder = exchange.path();
        dialog.show();
    }
    ~ManageDialogTest() override { dialog.close(); }

    // A copy of an example configuration in PROJECTS.
    void example(const QString& example, const QString& name)
    {
        test::copyExample(example, home.file(QStringLiteral("PROJECTS/") + name));
    }
    template <typename T = QWidget>
    T* widget(const char* name)
    {
        return test::requireChild<T>(&dialog, name);
    }
    QListWidget* list() { return widget<QListWidget>("configurationList"); }
    QStringList listed()
    {
        QStringList names;
        for (int i = 0; i < list()->count(); ++i)
            names << list()->item(i)->text();
        return names;
    }
    QString current() { return list()->currentItem() ? list()->currentItem()->text() : QString(); }
    void select(const QString& name)
    {
        const auto found = list()->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(found.front()).center());
        ASSERT_EQ(current(), name);
    }
    void type(const char* field, const QString& text)
    {
        auto* e = widget<QLineEdit>(field);
        e->clear();
        QTest::keyClicks(e, text);
    }
    void click(const char* button) { QTest::mouseClick(widget<QPushButton>(button), Qt::LeftButton); }
    QString status() { return widget<QLabel>("statusLabel")->text(); }
    QStringList projects()
    {
        return QDir(home.file(QStringLiteral("PROJECTS"))).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    test::TempHome home;
    test::FakePrompter prompter;
    FakeTrash trash;
    ZipConfigurationArchives archives;
    QTemporaryDir exchange;
    ManageConfigurationsDialog dialog{home.session, prompter, trash, archives};
};

TEST_F(ManageDialogTest, DuplicateWithOffsets)
{
    example(QStringLiteral("Conveyor_DipSwitch"), QStringLiteral("Belt"));
    example(QStringLiteral("PumpStation_Jumper"), QStringLiteral("Pump"));
    home.session.ws.activate(QStringLiteral("Pump"));
    dialog.prepareShowing();
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Belt"), QStringLiteral("Pump")}));
    EXPECT_EQ(current(), QStringLiteral("Pump")); // the active one first

    select(QStringLiteral("Belt"));
    type("newNameEdit", QStringLiteral("Belt 2"));
    type("receiveIdOffsetEdit", QStringLiteral("0x10"));
    type("receiveRegisterOffsetEdit", QStringLiteral("100"));
    type("transmitRegisterOffsetEdit", QStringLiteral("0"));
    click("duplicateButton");
    EXPECT_TRUE(prompter.errors.isEmpty()) << prompter.errors.join(u'\n').toStdString();
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Belt"), QStringLiteral("Belt 2"), QStringLiteral("Pump")}));
    EXPECT_EQ(current(), QStringLiteral("Belt 2"));
    EXPECT_EQ(status(), QStringLiteral("The configuration Belt 2 was created from Belt; compile it before an update."));
    const config::Configuration copy = config::readConfiguration(home.file(QStringLiteral("PROJECTS/Belt 2")));
    EXPECT_EQ(copy.receiveFrames.at(0).cobId, QStringLiteral("0x18FF0020"));
    EXPECT_EQ(copy.transmitFrames.at(1).cobId, QStringLiteral("0x311")); // the transmit offset is the receive one
    EXPECT_EQ(copy.receiveMappings.at(4).registerIndex, QStringLiteral("110"));
    EXPECT_EQ(copy.transmitMappings.at(0).registerIndex, QStringLiteral("1000"));
    EXPECT_EQ(home.session.ws.activeFolderName(), QStringLiteral("Pump")); // the copy is not opened

    // Refusals: the name rules of New, an offset that is no integer, an identifier beyond
    // its format. Each shows its text and writes nothing.
    const struct {
        const char* name;
        const char* idOffset;
        QString error;
    } refusals[] = {
        {"belt 2", "", QStringLiteral("Error! Name project is not valid because directory already exists")},
        {"", "", QStringLiteral("Error! Name Project is not valid")},
        {"Belt 3", "ten", QStringLiteral("The receive identifier offset \"ten\" is no integer.")},
        {"Belt 3", "0x600", QStringLiteral("Receive frame 3 (Cob-ID 0x281, Belt sensor): with the offset 0x600 the Cob-ID "
                                           "becomes 0x881, beyond the 11-bit identifiers (0 to 0x7FF).")},
    };
    for (const auto& r : refusals) {
        prompter.errors.clear();
        select(QStringLiteral("Belt"));
        type("newNameEdit", QString::fromLatin1(r.name));
        type("receiveIdOffsetEdit", QString::fromLatin1(r.idOffset));
        click("duplicateButton");
        EXPECT_EQ(prompter.errors, QStringList{r.error}) << r.name;
        EXPECT_EQ(projects(), (QStringList{QStringLiteral("Belt"), QStringLiteral("Belt 2"), QStringLiteral("Pump")}));
    }
}

TEST_F(ManageDialogTest, RenameTheActiveConfigurationAndTheSettingsFileFollows)
{
    example(QStringLiteral("PumpStation_Jumper"), QStringLiteral("Plant1"));
    home.activate(QStringLiteral("Other"));
    home.session.ws.activate(QStringLiteral("Plant1"));

    // Through the main window: its configuration box follows the new name.
    test::FakeDialogs dialogs;
    struct : ProgramRunner {
        Result run(const Request&, const Countdown&) override { return {Outcome::NotStarted, 0, false, {}}; }
        void cancel() override {}
        std::chrono::milliseconds waitLimit() const override { return std::chrono::seconds(150); }
    } runner;
    struct : Browser {
        void open(const QString&) override {}
    } browser;
    MainWindow window(home.session, {prompter, dialogs, runner, browser});
    dialogs.actions[Window::ManageConfigurations] = [&] {
        dialog.prepareShowing();
        EXPECT_EQ(current(), QStringLiteral("Plant1"));
        type("newNameEdit", QStringLiteral("other"));
        click("renameButton");
        EXPECT_EQ(prompter.errors, QStringList{QStringLiteral("Error! Name project is not valid because directory already exists")});
        type("newNameEdit", QStringLiteral("Line A"));
        click("renameButton");
        return true;
    };
    QTest::mouseClick(test::requireChild<QPushButton>(&window, QStringLiteral("manageButton")), Qt::LeftButton);
    EXPECT_EQ(dialogs.asked, std::vector<Window>{Window::ManageConfigurations});
    EXPECT_EQ(prompter.errors.size(), 1);
    EXPECT_EQ(projects(), (QStringList{QStringLiteral("Line A"), QStringLiteral("Other")}));
    EXPECT_EQ(current(), QStringLiteral("Line A"));
    EXPECT_EQ(status(), QStringLiteral("The configuration Plant1 is now named Line A."));
    EXPECT_EQ(home.session.ws.receiveFramesFile, home.file(QStringLiteral("PROJECTS/Line A/RCobDef.xml")));
    EXPECT_EQ(test::requireChild<QLabel>(&window, QStringLiteral("configurationNameLabel"))->text(), QStringLiteral("Line A"));
    EXPECT_TRUE(home.read(QStringLiteral("Orvane.xml")).contains("<projectname>Line A</projectname>"));
}

TEST_F(ManageDialogTest, DeleteAsksNamingTheConfigurationAndAgainWhereThereIsNoTrash)
{
    home.activate(QStringLiteral("Trial 1"));
    home.activate(QStringLiteral("Trial 2"));
    home.activate(QStringLiteral("Plant1"));
    dialog.prepareShowing();

    // The open configuration cannot be deleted.
    click("deleteButton");
    EXPECT_EQ(prompter.errors, QStringList{QStringLiteral(
                                   "The configuration Plant1 is open and cannot be deleted. Open another configuration first.")});
    EXPECT_TRUE(prompter.questions.isEmpty());

    // With a trash: one confirmation naming it.
    select(QStringLiteral("Trial 1"));
    prompter.yesNoAnswers = {true};
    click("deleteButton");
    EXPECT_EQ(prompter.questions, QStringList{QStringLiteral("Delete the configuration Trial 1? It is moved to the trash.")});
    EXPECT_EQ(trash.asked, QStringList{home.file(QStringLiteral("PROJECTS/Trial 1"))});
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Plant1"), QStringLiteral("Trial 2")}));
    EXPECT_EQ(status(), QStringLiteral("The configuration Trial 1 was deleted."));

    // Without one: a second confirmation; No keeps it, Yes deletes it for good.
    trash.available = false;
    prompter.questions.clear();
    select(QStringLiteral("Trial 2"));
    prompter.yesNoAnswers = {true, false};
    click("deleteButton");
    EXPECT_EQ(prompter.questions.value(1), QStringLiteral("The configuration Trial 2 cannot be moved to the trash. "
                                                          "Delete it for good? This cannot be undone."));
    EXPECT_EQ(projects(), (QStringList{QStringLiteral("Plant1"), QStringLiteral("Trial 2")}));
    EXPECT_EQ(current(), QStringLiteral("Trial 2"));
    prompter.yesNoAnswers = {true, true};
    click("deleteButton");
    EXPECT_EQ(projects(), QStringList{QStringLiteral("Plant1")});
    EXPECT_EQ(listed(), QStringList{QStringLiteral("Plant1")});
    EXPECT_TRUE(prompter.yesNoAnswers.empty());

    // No trash on the system at all: one question that says so, and the trash is not asked.
    home.activate(QStringLiteral("Trial 3"));
    home.session.ws.activate(QStringLiteral("Plant1"));
    dialog.prepareShowing();
    trash.present = false;
    trash.asked.clear();
    prompter.questions.clear();
    select(QStringLiteral("Trial 3"));
    prompter.yesNoAnswers = {true};
    click("deleteButton");
    EXPECT_EQ(prompter.questions, QStringList{QStringLiteral("There is no trash on this computer to move the configuration "
                                                             "Trial 3 to. Delete it for good? This cannot be undone.")});
    EXPECT_TRUE(trash.asked.isEmpty());
    EXPECT_EQ(projects(), QStringList{QStringLiteral("Plant1")});
}

TEST_F(ManageDialogTest, ExportThenImportWithANameConflict)
{
    example(QStringLiteral("Conveyor_DipSwitch"), QStringLiteral("Belt"));
    home.write(QStringLiteral("PROJECTS/Belt/bin/bank2.bin"), "image");
    dialog.prepareShowing();

    const QString zip = exchange.filePath(QStringLiteral("Belt.zip"));
    prompter.saveAnswers = {zip};
    QTest::mouseClick(widget<QCheckBox>("withImagesCheck"), Qt::LeftButton);
    click("exportButton");
    EXPECT_EQ(prompter.lastProposed, exchange.filePath(QStringLiteral("Belt.zip")));
    EXPECT_EQ(prompter.lastFilter, QStringLiteral("Configuration archive (*.zip)|*.zip"));
    ASSERT_TRUE(QFileInfo(zip).isFile());
    EXPECT_TRUE(status().startsWith(QStringLiteral("The configuration Belt was saved as ")));

    // The name proposed is the manifest's; a name taken (in any letter case) is refused and
    // asked for again with the name typed.
    prompter.fileAnswers = {zip};
    prompter.textAnswers = {QStringLiteral("Belt"), QStringLiteral("BELT"), QStringLiteral("Belt from site")};
    click("importButton");
    const QString taken = QStringLiteral("Error! Name project is not valid because directory already exists");
    EXPECT_EQ(prompter.errors, (QStringList{taken, taken}));
    const QString label = QStringLiteral("Name of the configuration imported from Belt.zip|");
    EXPECT_EQ(prompter.textLabels, (QStringList{label + QStringLiteral("Belt"), label + QStringLiteral("Belt"),
                                                label + QStringLiteral("BELT")}));
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Belt"), QStringLiteral("Belt from site")}));
    EXPECT_EQ(current(), QStringLiteral("Belt from site"));
    for (const char* file : {"ParGen.xml", "RCobDef.xml", "TCobDef.xml", "RInfoCob.xml", "TInfoCob.xml", "bin/bank2.bin"}) {
        const QString f = QLatin1StringView(file);
        EXPECT_EQ(home.read(QStringLiteral("PROJECTS/Belt from site/") + f), home.read(QStringLiteral("PROJECTS/Belt/") + f)) << file;
    }

    // Cancel at the name, or a file that is no archive: nothing is written.
    prompter.errors.clear();
    prompter.fileAnswers = {zip};
    prompter.textAnswers = {std::nullopt};
    click("importButton");
    writeFileAtomically(exchange.filePath(QStringLiteral("notes.zip")), "plain text");
    prompter.fileAnswers = {exchange.filePath(QStringLiteral("notes.zip"))};
    click("importButton");
    EXPECT_EQ(prompter.errors, QStringList{QStringLiteral(
                                   "notes.zip is not a configuration archive of PX40318: it is no zip file, or a damaged or truncated one")});
    EXPECT_EQ(projects(), (QStringList{QStringLiteral("Belt"), QStringLiteral("Belt from site")}));
}

// The updates of the selected configuration, newest first, and Compare: an update against
// the configuration as it is now, or the configuration against another one.
TEST_F(ManageDialogTest, HistoryListsTheUpdatesAndCompareShowsWhatDiffers)
{
    example(QStringLiteral("Conveyor_DipSwitch"), QStringLiteral("Belt"));
    example(QStringLiteral("Conveyor_DipSwitch"), QStringLiteral("Belt 2"));
    const QString belt = home.file(QStringLiteral("PROJECTS/Belt"));
    UpdateRecord record;
    record.date = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53), Qt::UTC);
    record.route = QStringLiteral("ethernet");
    record.device = QStringLiteral("192.168.2.205");
    record.result = QStringLiteral("failed");
    record.exitStatus = 3;
    recordUpdate(belt, record);
    record.date = record.date.addDays(1);
    record.result = QStringLiteral("ended");
    record.exitStatus = 0;
    recordUpdate(belt, record);
    // Since then one parameter of Belt changed.
    config::Configuration changed = config::readConfiguration(belt);
    changed.general.port = QStringLiteral("1502");
    config::writeConfiguration(changed, belt, {config::ConfigFile::GeneralParameters});

    dialog.prepareShowing();
    select(QStringLiteral("Belt"));
    auto* history = widget<QListWidget>("historyList");
    ASSERT_EQ(history->count(), 2);
    EXPECT_EQ(history->item(0)->text(), QStringLiteral("2026-03-15 09:26:53 UTC  Ethernet 192.168.2.205  ended"));
    EXPECT_EQ(history->item(1)->text(),
              QStringLiteral("2026-03-14 09:26:53 UTC  Ethernet 192.168.2.205  failed with exit status 3"));

    auto* table = widget<QTableWidget>("compareTable");
    const auto rows = [table] {
        QStringList out;
        for (int r = 0; r < table->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < table->columnCount(); ++c)
                cells << table->item(r, c)->text();
            out << cells.join(u'|');
        }
        return out;
    };
    history->setCurrentRow(1);
    click("compareButton");
    EXPECT_TRUE(prompter.errors.isEmpty()) << prompter.errors.join(u'\n').toStdString();
    EXPECT_EQ(widget<QLabel>("compareHeadingLabel")->text(),
              QStringLiteral("Differences between 2026-03-14 09:26:53 UTC  Ethernet 192.168.2.205  failed with exit "
                             "status 3 and Belt"));
    EXPECT_EQ(rows(), QStringList{QStringLiteral("Communication Settings|changed|Port|5020|1502")});

    // No update selected: the configuration against another one.
    history->setCurrentRow(-1);
    auto* with = widget<QComboBox>("compareWithChoice");
    EXPECT_EQ(with->itemText(0), QStringLiteral("the configuration as it is now"));
    with->setCurrentIndex(with->findText(QStringLiteral("Belt 2")));
    click("compareButton");
    EXPECT_EQ(rows(), QStringList{QStringLiteral("Communication Settings|changed|Port|1502|5020")});
    with->setCurrentIndex(0);
    click("compareButton");
    EXPECT_EQ(widget<QLabel>("compareHeadingLabel")->text(), QStringLiteral("Differences between Belt and Belt: No differences"));
    EXPECT_EQ(table->rowCount(), 0);

    // Another configuration has its own (empty) history.
    select(QStringLiteral("Belt 2"));
    EXPECT_EQ(history->count(), 0);
}

// Every text of the window comes from the message table, so a language file translates it.
// A refusal of the core reaches the user in the window's language, the cause it names
// included, as a language file gives it.
TEST_F(ManageDialogTest, CoreErrorsAreShownInTheLanguageOfTheWindow)
{
    const struct {
        int message;
        const char* text;
    } translated[] = {
        {msg::kNotAnArchive, "%1 ist kein Konfigurationsarchiv von %2: %3"},
        {msg::kArchiveNoZip, "es ist keine oder eine beschädigte ZIP-Datei"},
    };
    QString file;
    for (const auto& t : translated)
        file += QStringLiteral("STR%1 =%2\n").arg(t.message).arg(QString::fromUtf8(t.text));
    home.write(QStringLiteral("LANGUAGE/Deutsch.lng"), file.toUtf8());
    home.session.messages.loadLanguageFile(home.file(QStringLiteral("LANGUAGE/Deutsch.lng")));
    dialog.applyLanguage();
    writeFileAtomically(exchange.filePath(QStringLiteral("notes.zip")), "plain text");
    prompter.fileAnswers = {exchange.filePath(QStringLiteral("notes.zip"))};
    click("importButton");
    EXPECT_EQ(prompter.errors, QStringList{QStringLiteral(
                                   "notes.zip ist kein Konfigurationsarchiv von PX40318: es ist keine oder eine beschädigte ZIP-Datei")});
    EXPECT_EQ(projects(), QStringList());
}

TEST_F(ManageDialogTest, TextsComeFromTheMessageTable)
{
    home.activate(QStringLiteral("Trial"));
    home.activate(QStringLiteral("Plant1"));
    const struct {
        int message;
        const char* text;
    } translated[] = {
        {msg::kManageTitle, "Konfigurationen verwalten"},
        {msg::kManageDuplicate, "&Duplizieren"},
        {msg::kManageCompare, "&Vergleichen"},
        {msg::kManageHistoryGroup, "Aktualisierungen"},
        {msg::kManageConfirmDelete, "Konfiguration %1 loeschen?"},
        {msg::kManageDeleted, "Konfiguration %1 geloescht."},
    };
    QString file;
    for (const auto& t : translated)
        file += QStringLiteral("STR%1 =%2\n").arg(t.message).arg(QString::fromLatin1(t.text));
    home.session.messages.applyLanguageText(file);
    dialog.applyLanguage();
    dialog.prepareShowing();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Konfigurationen verwalten"));
    EXPECT_EQ(widget<QPushButton>("duplicateButton")->text(), QStringLiteral("&Duplizieren"));
    EXPECT_EQ(widget<QPushButton>("compareButton")->text(), QStringLiteral("&Vergleichen"));
    EXPECT_EQ(widget<QGroupBox>("historyGroup")->title(), QStringLiteral("Aktualisierungen"));
    select(QStringLiteral("Trial"));
    prompter.yesNoAnswers = {true};
    click("deleteButton");
    EXPECT_EQ(prompter.questions, QStringList{QStringLiteral("Konfiguration Trial loeschen?")});
    EXPECT_EQ(status(), QStringLiteral("Konfiguration Trial geloescht."));
}

} // namespace
} // namespace px
