#include "platform/system_trash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace px {
namespace {

// The trash is found by the freedesktop.org rules, in a home of the test's own; the
// working folder shows whether anything was made beside it.
class SystemTrashTest : public ::testing::Test {
protected:
    SystemTrashTest() : m_oldHome(qgetenv("HOME")), m_oldData(qgetenv("XDG_DATA_HOME")), m_oldCwd(QDir::currentPath())
    {
        qputenv("HOME", home.path().toLocal8Bit());
        qunsetenv("XDG_DATA_HOME");
        QDir::setCurrent(work.path());
    }
    ~SystemTrashTest() override
    {
        QDir::setCurrent(m_oldCwd);
        qputenv("HOME", m_oldHome);
        if (m_oldData.isEmpty())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", m_oldData);
    }
    // A configuration folder with one file, in the working folder.
    QString configuration(const QString& name)
    {
        const QString folder = work.filePath(name);
        EXPECT_TRUE(QDir().mkpath(folder + QStringLiteral("/bin")));
        QFile f(folder + QStringLiteral("/ParGen.xml"));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<GeneralParameter/>");
        return folder;
    }
    static QStringList entries(const QString& folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    QTemporaryDir home;
    QTemporaryDir work;

private:
    QByteArray m_oldHome;
    QByteArray m_oldData;
    QString m_oldCwd;
};

TEST_F(SystemTrashTest, WithoutTheDataFolderThereIsNoTrashAndNothingIsMade)
{
    const QString plant = configuration(QStringLiteral("Plant1"));
    SystemTrash trash;
    EXPECT_FALSE(trash.exists());
    EXPECT_FALSE(trash.moveToTrash(plant));
    EXPECT_TRUE(QFileInfo(plant + QStringLiteral("/ParGen.xml")).isFile());
    EXPECT_EQ(entries(work.path()), QStringList{QStringLiteral("Plant1")}) << "no files/ or info/ beside it";
    EXPECT_TRUE(entries(home.path()).isEmpty());
}

TEST_F(SystemTrashTest, TheHomeTrashTakesTheFolderWithItsInfoFile)
{
    const QString share = home.filePath(QStringLiteral(".local/share"));
    ASSERT_TRUE(QDir().mkpath(share));
    SystemTrash trash;
    EXPECT_TRUE(trash.exists());
    const QString first = configuration(QStringLiteral("Plant 1"));
    ASSERT_TRUE(trash.moveToTrash(first));
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_TRUE(QFileInfo(share + QStringLiteral("/Trash/files/Plant 1/ParGen.xml")).isFile());
    QFile info(share + QStringLiteral("/Trash/info/Plant 1.trashinfo"));
    ASSERT_TRUE(info.open(QIODevice::ReadOnly));
    const QByteArray text = info.readAll();
    EXPECT_TRUE(text.startsWith("[Trash Info]\nPath=" + QUrl::toPercentEncoding(first, "/") + "\nDeletionDate="))
        << text.toStdString();

    // A second folder of the same name takes the next free name.
    const QString second = configuration(QStringLiteral("Plant 1"));
    ASSERT_TRUE(trash.moveToTrash(second));
    EXPECT_EQ(entries(share + QStringLiteral("/Trash/files")), (QStringList{QStringLiteral("Plant 1"), QStringLiteral("Plant 1.2")}));
    EXPECT_EQ(entries(share + QStringLiteral("/Trash/info")),
              (QStringList{QStringLiteral("Plant 1.2.trashinfo"), QStringLiteral("Plant 1.trashinfo")}));

    // $XDG_DATA_HOME, when set, is the data folder.
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    ASSERT_TRUE(trash.moveToTrash(configuration(QStringLiteral("Plant2"))));
    EXPECT_TRUE(QFileInfo(data.filePath(QStringLiteral("Trash/files/Plant2"))).isDir());
    EXPECT_TRUE(entries(work.path()).isEmpty());
}

} // namespace
} // namespace px
