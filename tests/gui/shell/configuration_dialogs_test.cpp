#include "gui/shell/new_configuration_dialog.h"
#include "gui/shell/open_configuration_dialog.h"

#include "support/fake_prompter.h"
#include "support/temp_home.h"
#include "support/widget_lookup.h"

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

TEST(NewConfigurationDialog, RefusalsKeepTheDialogOpenAndEnterActsAsOk)
{
    test::TempHome home;
    test::FakePrompter prompter;
    QDir().mkpath(home.file(QStringLiteral("PROJECTS/Existing")));
    NewConfigurationDialog dialog(home.session, prompter);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Create New Configuration"));
    EXPECT_EQ(dialog.size(), QSize(331, 162));
    auto* name = test::requireChild<QLineEdit>(&dialog, QStringLiteral("nameEdit"));
    ASSERT_NE(name, nullptr);

    dialog.show();
    name->setText(QStringLiteral("left over"));
    dialog.prepareShowing();
    EXPECT_TRUE(name->text().isEmpty());

    const struct {
        const char* typed;
        const char* message;
    } refusals[] = {
        {"", "Error! Name Project is not valid"},
        {"Existing", "Error! Name project is not valid because directory already exists"},
        {"../Outside", "Error! Name project is not valid"},
        // Blanks only, blanks at either end or a dot at the end: a look-alike of another name.
        {" ", "Error! Name project is not valid"},
        {"Existing ", "Error! Name project is not valid"},
        {" Plant A", "Error! Name project is not valid"},
        {"Plant A.", "Error! Name project is not valid"},
    };
    for (const auto& r : refusals) {
        prompter.errors.clear();
        name->setText(QString::fromLatin1(r.typed));
        QTest::keyClick(name, Qt::Key_Return);
        EXPECT_EQ(prompter.errors, QStringList{QString::fromLatin1(r.message)}) << r.typed;
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(name->text(), QString::fromLatin1(r.typed));
    }
    EXPECT_FALSE(QFileInfo::exists(home.file(QStringLiteral("Outside"))));

    prompter.errors.clear();
    name->clear();
    QTest::keyClicks(name, QStringLiteral("Plant A"));
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_TRUE(prompter.errors.isEmpty());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(QFileInfo(home.file(QStringLiteral("PROJECTS/Plant A/bin"))).isDir());
    EXPECT_EQ(home.session.ws.configurationName, QStringLiteral("Plant A"));
    EXPECT_EQ(QDir(home.file(QStringLiteral("PROJECTS"))).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral("Existing"), QStringLiteral("Plant A")}));
}

class OpenDialogTest : public ::testing::Test {
protected:
    test::TempHome home;
    OpenConfigurationDialog dialog{home.session};
    QListWidget* list() { return test::requireChild<QListWidget>(&dialog, QStringLiteral("configurationList")); }
    void makeConfigurations(std::initializer_list<const char*> names)
    {
        for (const char* n : names)
            QDir().mkpath(home.file(QStringLiteral("PROJECTS/") + QString::fromLatin1(n) + QStringLiteral("/bin")));
    }
};

TEST_F(OpenDialogTest, PreselectsTheActiveConfigurationWhateverItsLetterCase)
{
    makeConfigurations({"Alpha", "Plant1", "Zeta"});
    home.session.ws.activate(QStringLiteral("PLANT1"));
    dialog.prepareShowing();
    ASSERT_EQ(list()->count(), 3);
    EXPECT_EQ(list()->currentItem()->text(), QStringLiteral("Plant1"));
    EXPECT_EQ(dialog.chosenName(), QStringLiteral("Plant1"));

    // Another choice, then Cancel: the active configuration stays.
    list()->setCurrentRow(2);
    EXPECT_EQ(dialog.chosenName(), QStringLiteral("Zeta"));
    dialog.reject();
    EXPECT_EQ(home.session.ws.configurationName, QStringLiteral("PLANT1"));

    // Without an active configuration the first entry is taken; OK activates it.
    home.session.ws.activate(QString());
    dialog.prepareShowing();
    EXPECT_EQ(dialog.chosenName(), QStringLiteral("Alpha"));
    QTest::mouseClick(test::requireChild<QPushButton>(&dialog, QStringLiteral("okButton")), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(home.session.ws.configurationFolder, home.session.ws.projectsFolder + QStringLiteral("/Alpha"));
    EXPECT_EQ(home.session.ws.transmitMappingsFile, home.session.ws.projectsFolder + QStringLiteral("/Alpha/TInfoCob.xml"));
}

TEST_F(OpenDialogTest, DoubleClickingANameOpensIt)
{
    makeConfigurations({"Alpha", "Plant1", "Zeta"});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.prepareShowing();
    QListWidget* names = list();
    names->doItemsLayout();
    const QRect zeta = names->visualItemRect(names->item(2));
    ASSERT_TRUE(zeta.isValid());
    // A person's double click: a click, then the second press that the system reports as
    // a double click.
    QTest::mouseClick(names->viewport(), Qt::LeftButton, {}, zeta.center());
    QTest::mouseDClick(names->viewport(), Qt::LeftButton, {}, zeta.center());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenName(), QStringLiteral("Zeta"));
    EXPECT_EQ(home.session.ws.configurationName, QStringLiteral("Zeta"));
    EXPECT_EQ(home.session.ws.configurationFolder, home.session.ws.projectsFolder + QStringLiteral("/Zeta"));
}

TEST_F(OpenDialogTest, OkOnAnEmptyListLeavesNoConfigurationActive)
{
    home.activate(QStringLiteral("Gone"));
    QDir(home.file(QStringLiteral("PROJECTS/Gone"))).removeRecursively();
    dialog.prepareShowing();
    EXPECT_EQ(list()->count(), 0);
    EXPECT_TRUE(dialog.chosenName().isEmpty());
    dialog.accept();
    EXPECT_FALSE(home.session.ws.hasActiveConfiguration());
    EXPECT_TRUE(home.session.ws.configurationName.isEmpty());
}

} // namespace
} // namespace px
