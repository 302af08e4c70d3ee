#include "core/options/language_list.h"

#include "support/temp_home.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace px {
namespace {

TEST(LanguageList, RegularWritableLanguageFilesSortedWithoutRegardToCase)
{
    QTemporaryDir dir;
    auto touch = [&](const QString& name) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    };
    for (const char* n : {"deutsch.lng", "English.lng", "Italiano.lng", "notes.txt"})
        touch(QString::fromLatin1(n));
    touch(QStringLiteral("Locked.lng"));
    QFile::setPermissions(dir.filePath(QStringLiteral("Locked.lng")), QFile::ReadOwner | QFile::ReadUser);
    QDir(dir.path()).mkdir(QStringLiteral("Folder.lng"));
    EXPECT_EQ(languageFiles(dir.path()),
              (QStringList{QStringLiteral("deutsch.lng"), QStringLiteral("English.lng"), QStringLiteral("Italiano.lng")}));
    EXPECT_TRUE(languageFiles(dir.filePath(QStringLiteral("missing"))).isEmpty());
    // Offered: the built-in English first, English.lng being its own correction file.
    EXPECT_EQ(languageChoices(dir.path()),
              (QStringList{QStringLiteral("English"), QStringLiteral("deutsch"), QStringLiteral("Italiano")}));
    EXPECT_EQ(languageChoices(dir.filePath(QStringLiteral("missing"))), QStringList{QStringLiteral("English")});

    EXPECT_TRUE(flagPicture(dir.path(), QStringLiteral("Italiano")).isEmpty());
    touch(QStringLiteral("DefaultFlag.bmp"));
    EXPECT_TRUE(flagPicture(dir.path(), QStringLiteral("Italiano")).endsWith(QStringLiteral("/DefaultFlag.bmp")));
    touch(QStringLiteral("Italiano.bmp"));
    EXPECT_TRUE(flagPicture(dir.path(), QStringLiteral("Italiano")).endsWith(QStringLiteral("/Italiano.bmp")));
}

TEST(LanguageList, SixToAPage)
{
    const struct {
        int languages, pages, onFirst, onLast;
    } cases[] = {{0, 0, 0, 0}, {1, 1, 1, 1}, {6, 1, 6, 6}, {7, 2, 6, 1}, {13, 3, 6, 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(languagePageCount(c.languages), c.pages) << c.languages;
        EXPECT_EQ(languagesOnPage(c.languages, 1), c.onFirst) << c.languages;
        EXPECT_EQ(languagesOnPage(c.languages, std::max(c.pages, 1)), c.onLast) << c.languages;
    }
}

} // namespace
} // namespace px
