#include "core/lang/message_table.h"
#include "core/shell/config_manage.h"
#include "core/lang/message_ids.h"

#include "core/base/atomic_file.h"
#include "core/services/trash.h"
#include "core/base/error.h"
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
    bool exists() const override { return present; }
    QStringList asked;
    bool present = true;

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

// What is asked first, the move to the trash and the deletion for good; the window asks
// the questions (tested with its Delete button).
TEST(ManageConfigurations, DeleteSaysWhatToAskAndUsesTheTrashOrDeletesForGood)
{
    test::TempHome home;
    home.activate(QStringLiteral("Trial"));
    home.activate(QStringLiteral("Trial2"));
    home.activate(QStringLiteral("Plant1"));
    const QString trial = home.session.ws.projectsFolder + QStringLiteral("/Trial");
    FakeTrash trash(true);
    FakeTrash refusingTrash(false);

    EXPECT_EQ(deleteQuestion(home.session, QStringLiteral("Plant1"), trash), DeleteQuestion::RefusedActive);
    EXPECT_EQ(deleteQuestion(home.session, QStringLiteral("Trial"), trash), DeleteQuestion::ToTrash);
    EXPECT_THROW(deleteQuestion(home.session, QStringLiteral("Nowhere"), trash), Error);
    FakeTrash noTrash(false);
    noTrash.present = false;
    EXPECT_EQ(deleteQuestion(home.session, QStringLiteral("Trial"), noTrash), DeleteQuestion::ForGoodWithoutTrash);
    EXPECT_TRUE(trash.asked.isEmpty());

    // A trash that refuses keeps the folder; deleting it for good leaves nothing beside it.
    EXPECT_FALSE(moveConfigurationToTrash(home.session, QStringLiteral("Trial"), refusingTrash));
    EXPECT_TRUE(QFileInfo(trial).isDir());
    deleteConfigurationForGood(home.session, QStringLiteral("Trial"));
    EXPECT_EQ(projectsOf(home), (QStringList{QStringLiteral("Plant1"), QStringLiteral("Trial2")}));

    EXPECT_TRUE(moveConfigurationToTrash(home.session, QStringLiteral("Trial2"), trash));
    EXPECT_EQ(trash.asked, QStringList{home.session.ws.projectsFolder + QStringLiteral("/Trial2")});
    EXPECT_EQ(projectsOf(home), QStringList{QStringLiteral("Plant1")});
}

} // namespace
} // namespace px
