#include "core/base/text_rules.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

using namespace px;

TEST(TextRules, LinesSplitAtEveryKindOfLineEnd)
{
    const struct {
        QString text;
        QStringList lines;
    } cases[] = {
        {QString(), {}},
        {QStringLiteral("one"), {QStringLiteral("one")}},
        {QStringLiteral("one\n"), {QStringLiteral("one")}},
        {QStringLiteral("a\r\nb\nc\rd"), {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}},
        // An empty line between two ends stays a line; CR CR LF is two line ends.
        {QStringLiteral("a\n\nb"), {QStringLiteral("a"), QString(), QStringLiteral("b")}},
        {QStringLiteral("a\r\r\nb"), {QStringLiteral("a"), QString(), QStringLiteral("b")}},
        {QStringLiteral("\n"), {QString()}},
    };
    for (const auto& c : cases) {
        QStringList got;
        for (const QStringView line : splitLines(c.text))
            got << line.toString();
        EXPECT_EQ(got, c.lines) << c.text.toStdString();
    }
}

TEST(TextRules, UpperCasingTouchesOnlyTheLettersAToZ)
{
    EXPECT_EQ(toUpperAscii(u"Plant ä-1 straße i"), QStringLiteral("PLANT ä-1 STRAßE I"));
    EXPECT_TRUE(equalsUpperAscii(u"2.0b (29 Bits)", QLatin1StringView("2.0B (29 BITS)")));
    EXPECT_FALSE(equalsUpperAscii(u"ı", QLatin1StringView("I")));
}
