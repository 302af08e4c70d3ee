#include "core/lang/message_table.h"
#include "core/shell/config_manage.h"
#include "core/lang/message_ids.h"

#include "core/base/atomic_file.h"
#include "core/services/trash.h"
#include "support/fake_prompter.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace px {
namespace {

// A trash that takes folders away into a folder of its own, or refuses as a system without
// one does.
class FakeTrash final : public Trash {
public:
    explicit FakeTrash(bool available) : m_available(available) {}
    bool moveToTrash(const QString& path) override
    {
        asked << path;
        return m_available && QDir().rename(path, m_bin.filePath(QFileInfo(path).fileName()));
    }
    QStringList asked;

private:
    bool m_available;
    QTemporaryDir m_bin;
};

QStringList projectsOf(const test::TempHome& home)
{
    return QDir(home.session.ws.projectsFolder).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

TEST(ManageConfigurations, RenameFollowsTheNameRulesOfNew)
{
    test::TempHome home;
    home.activate(QStringLiteral("Plant1"));
    home.activate(QStringLiteral("Plant2"));
    const struct {
        QString to;
        int refusal;
    } cases[] = {
        {QString(), msg::kNewConfigNameEmpty},
        {QStringLiteral("PLANT2"), msg::kNewConfigNameExists},
        {QStringLiteral("a/b"), msg::kNewConfigNameRefused},
        {QStringLiteral(".."), msg::kNewConfigNameReserved},
    };
    for (const auto& c : cases)
        EXPECT_EQ(renameConfiguration(home.session, QStringLiteral("Plant1"), c.to), c.refusal) << c.to.toStdString();
    EXPECT_EQ(projectsOf(home), (QStringList{QStringLiteral("Plant1"), QStringLiteral("Plant2")}));

    // Letter case alone may change: the folder does not clash with itself.
    EXPECT_EQ(renameConfiguration(home.session, QStringLiteral("Plant1"), QStringLiteral("PLANT1")), std::nullopt);
    EXPECT_EQ(projectsOf(home), (QStringList{QStringLiteral("PLANT1"), QStringLiteral("Plant2")}));
}

TEST(ManageConfigurations, RenamingTheActiveConfigurationKeepsItActiveAndTheSettingsFileFollows)
{
    test::TempHome home;
    home.activate(QStringLiteral("Plant1"));
    home.write(QStringLiteral("PROJECTS/Plant1/ParGen.xml"), "<GeneralParameter/>");
    ASSERT_EQ(renameConfiguration(home.session, QStringLiteral("Plant1"), QStringLiteral("Line A")), std::nullopt);
    EXPECT_EQ(home.session.ws.configurationFolder, home.session.ws.projectsFolder + QStringLiteral("/Line A"));
    EXPECT_EQ(home.session.ws.generalParametersFile, home.session.ws.projectsFolder + QStringLiteral("/Line A/ParGen.xml"));
    EXPECT_EQ(home.read(QStringLiteral("PROJECTS/Line A/ParGen.xml")), QByteArray("<GeneralParameter/>"));
    EXPECT_TRUE(home.read(QStringLiteral("Orvane.xml")).contains("<projectname>Line A</projectname>"));

    Session next;
    next.start(home.path());
    EXPECT_EQ(next.confBoxLine2(), QStringLiteral("Line A"));
}

TEST(ManageConfigurations, DeleteAsksAndUsesTheTrashOrAsksAgain)
{
    test::TempHome home;
    home.activate(QStringLiteral("Trial"));
    home.activate(QStringLiteral("Plant1"));
    const QString trial = home.session.ws.projectsFolder + QStringLiteral("/Trial");

    {   // The open configuration is refused without a question.
        test::FakePrompter prompter;
        FakeTrash trash(true);
        EXPECT_FALSE(deleteConfiguration(home.session, QStringLiteral("Plant1"), prompter, trash));
        EXPECT_EQ(prompter.errors, QStringList{manage_text::activeCannotBeDeleted(MessageTable(), QStringLiteral("Plant1"))});
        EXPECT_TRUE(trash.asked.isEmpty());
    }
    {   // No keeps it.
        test::FakePrompter prompter;
        prompter.yesNoAnswers = {false};
        FakeTrash trash(true);
        EXPECT_FALSE(deleteConfiguration(home.session, QStringLiteral("Trial"), prompter, trash));
        EXPECT_EQ(prompter.questions, QStringList{QStringLiteral("Delete the configuration Trial? It is moved to the trash.")});
        EXPECT_TRUE(trash.asked.isEmpty());
    }
    {   // No trash, and No at the second question: still kept.
        test::FakePrompter prompter;
        prompter.yesNoAnswers = {true, false};
        FakeTrash trash(false);
        EXPECT_FALSE(deleteConfiguration(home.session, QStringLiteral("Trial"), prompter, trash));
        EXPECT_EQ(prompter.questions.size(), 2);
        EXPECT_EQ(prompter.questions.value(1), manage_text::confirmDeleteForGood(MessageTable(), QStringLiteral("Trial")));
        EXPECT_TRUE(QFileInfo(trial).isDir());
    }
    {   // No trash, Yes twice: gone for good, nothing left beside it.
        test::FakePrompter prompter;
        prompter.yesNoAnswers = {true, true};
        FakeTrash trash(false);
        EXPECT_TRUE(deleteConfiguration(home.session, QStringLiteral("Trial"), prompter, trash));
        EXPECT_EQ(projectsOf(home), QStringList{QStringLiteral("Plant1")});
    }
    home.activate(QStringLiteral("Trial2"));
    home.session.ws.activate(QStringLiteral("Plant1"));
    {   // With a trash one confirmation is enough.
        test::FakePrompter prompter;
        prompter.yesNoAnswers = {true};
        FakeTrash trash(true);
        EXPECT_TRUE(deleteConfiguration(home.session, QStringLiteral("Trial2"), prompter, trash));
        EXPECT_EQ(trash.asked, QStringList{home.session.ws.projectsFolder + QStringLiteral("/Trial2")});
        EXPECT_EQ(projectsOf(home), QStringList{QStringLiteral("Plant1")});
    }
}

} // namespace
} // namespace px
