#include "core/base/xml.h"

#include "core/base/error.h"

#include <gtest/gtest.h>

namespace px {
namespace {

TEST(Xml, FirstTopLevelNodeIsTakenAsItStands)
{
    // A declaration or a comment before the root element is itself the first node, so a
    // reader that looks for its values there finds none.
    const struct {
        const char* doc;
        bool valueFound;
    } cases[] = {
        {"<P><V>1</V></P>", true},
        {"<Other><V>1</V></Other>", true},
        {"<?xml version=\"1.0\"?><P><V>1</V></P>", false},
        {"<!-- note --><P><V>1</V></P>", false},
    };
    for (const auto& c : cases) {
        const QDomDocument doc = xml::parse(QByteArray(c.doc), QStringLiteral("t.xml"));
        EXPECT_EQ(xml::childText(xml::firstTopLevelNode(doc), QStringLiteral("V")).has_value(), c.valueFound) << c.doc;
    }
}

TEST(Xml, AbsentAndEmptyAttributesAreTold_apart)
{
    const QDomDocument doc = xml::parse(QByteArray("<R><E A=\"\" B=\"x\"/></R>"), QStringLiteral("t.xml"));
    const QDomElement e = xml::child(doc.documentElement(), QStringLiteral("E"));
    EXPECT_EQ(xml::attribute(e, QStringLiteral("A")), QString());
    EXPECT_EQ(xml::attribute(e, QStringLiteral("B")), QStringLiteral("x"));
    EXPECT_FALSE(xml::attribute(e, QStringLiteral("C")).has_value());
    EXPECT_FALSE(xml::childText(doc.documentElement(), QStringLiteral("Missing")).has_value());
}

TEST(Xml, ConfigurationDocumentHasNoDeclarationAndTheVersionCommentAfterTheRoot)
{
    QDomDocument doc = xml::newConfigurationDocument(QStringLiteral("GeneralParameter"));
    QDomElement root = doc.documentElement();
    xml::appendTextElement(doc, root, QStringLiteral("Port"), QStringLiteral("502"));
    EXPECT_EQ(xml::serialize(doc), QByteArray("<GeneralParameter><Port>502</Port></GeneralParameter><!--SW_VERSION = 2.505-->\n"));
}

TEST(Xml, ParseErrorNamesFileLineAndCause)
{
    try {
        xml::parse(QByteArray("<R>\n<E>\n</R>"), QStringLiteral("RCobDef.xml"));
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("RCobDef.xml"))) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(QStringLiteral("line 3"))) << e.text().toStdString();
    }
}

TEST(Xml, NestingBeyondTheLimitIsRefusedAtOnce)
{
    const auto nested = [](int depth) {
        return QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth);
    };
    EXPECT_NO_THROW(xml::parse(nested(xml::kMaxDepth), QStringLiteral("deep.xml")));
    // Deep and broken, as a damaged file may be: refused without building the tree.
    for (const QByteArray& bytes : {nested(200000), QByteArray("<a>").repeated(200000)}) {
        try {
            xml::parse(bytes, QStringLiteral("deep.xml"));
            FAIL() << "no error";
        } catch (const Error& e) {
            EXPECT_TRUE(e.text().contains(QStringLiteral("deep.xml"))) << e.text().toStdString();
            EXPECT_TRUE(e.text().contains(QStringLiteral("nested deeper than 1000"))) << e.text().toStdString();
        }
    }
}

} // namespace
} // namespace px
