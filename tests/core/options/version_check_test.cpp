#include "core/options/version_check.h"

#include "core/services/http_getter.h"

#include <gtest/gtest.h>

namespace px {
namespace {

TEST(VersionCheck, VersionNumbersOfTexts)
{
    const struct {
        const char* text;
        int number;
    } cases[] = {
        {"2.505", 2505}, {"VER. 2.510", 2510}, {"VER.   2.506  ", 2506}, {"VER. 10.000", -1},
        {"VER. 2.5", -1}, {"", -1},         {"VER. a.bcd", -1},       {"X 2.50x", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(versionNumber(QString::fromLatin1(c.text)), c.number) << c.text;
}

TEST(VersionCheck, OnlyAStrictlyNewerReplyAnnouncesAVersion)
{
    const struct {
        const char* reply;
        bool newer;
    } cases[] = {
        {"VER. 2.506", true},  {"  VER. 2.506 ", true}, {"2.506", true},        {"VER. 2.505", false},
        {"VER. 2.504", false}, {"VER. 0.000", false},   {" ver. 0.000  ", false}, {"", false},
        {"VER. 10.000", false}, {"<html>error</html>", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isNewerVersion(QString::fromLatin1(c.reply)), c.newer) << c.reply;
}

struct ScriptedHttp final : HttpGetter {
    std::optional<QByteArray> get(const QString& url) override
    {
        asked << url;
        return reply;
    }
    QStringList asked;
    std::optional<QByteArray> reply;
};

TEST(VersionCheck, AsksTheVersionQueryAndTreatsFailureAsNoNewVersion)
{
    ScriptedHttp http;
    http.reply = QByteArray("VER. 2.600");
    EXPECT_TRUE(newerVersionAvailable(http));
    ASSERT_EQ(http.asked.size(), 1);
    EXPECT_TRUE(http.asked[0].endsWith(QStringLiteral("/home/download/GetversionSW.asp?nomesw=PX40318")));
    http.reply.reset();
    EXPECT_FALSE(newerVersionAvailable(http));
    EXPECT_TRUE(updateLinkText(QStringLiteral("New")).endsWith(QStringLiteral("/Home/download/download.asp#PD40318\">New</a>")));
}

} // namespace
} // namespace px
