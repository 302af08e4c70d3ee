#include "core/base/xml_writer.h"

#include <gtest/gtest.h>

namespace px::xml {
namespace {

TEST(XmlWriter, TextIsEscapedAsTheFilesHaveAlwaysCarriedIt)
{
    const struct {
        const char16_t* text;
        const char* written;
    } cases[] = {
        {u"Plant A & <B>", "Plant A &amp; &lt;B>"},
        // ">" only where it would close a CDATA end; quotes, tabs and line feeds as they stand.
        {u"a]]>b]>c>", "a]]&gt;b]>c>"},
        {u"\"q\" 'a'\t\n", "\"q\" 'a'\t\n"},
        {u"line\r\nend\r", "line&#xd;\nend&#xd;"},
        {u"\u00e9\u20ac\U0001F600", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"},
        {u"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(escapeText(c.text).toUtf8(), QByteArray(c.written)) << c.written;
}

TEST(XmlWriter, ElementsWithoutDeclarationIndentationOrLineEnds)
{
    PlainXmlWriter w;
    w.begin(QLatin1StringView("Root"));
    w.textElement(QLatin1StringView("Value"), u"1 < 2");
    w.textElement(QLatin1StringView("Empty"), u"");
    w.emptyElement(QLatin1StringView("None"));
    w.begin(QLatin1StringView("Group"));
    w.textElement(QLatin1StringView("Inner"), u"x");
    w.end();
    w.end();
    EXPECT_EQ(w.bytes(), QByteArray("<Root><Value>1 &lt; 2</Value><Empty></Empty><None/><Group><Inner>x</Inner></Group></Root>"));
}

} // namespace
} // namespace px::xml
