#include "core/base/xml_content.h"

#include "core/base/error.h"
#include "core/base/xml.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace px {
namespace {

using namespace xml;

QString describe(const XmlItem& item)
{
    if (!item.element)
        return QStringLiteral("node");
    QStringList attrs;
    for (const QXmlStreamAttribute& a : item.attributes)
        attrs << a.qualifiedName().toString() + u'=' + a.value().toString();
    attrs.sort();
    QStringList parts{item.name};
    parts << attrs;
    parts << QStringLiteral("text[") + item.text + u']';
    QStringList children;
    for (const XmlItem& c : item.children)
        children << describe(c);
    return parts.join(u' ') + QStringLiteral(" {") + children.join(QStringLiteral(", ")) + u'}';
}

QString describe(const XmlContent& c)
{
    QStringList top;
    for (const XmlItem& item : c.top)
        top << describe(item);
    return top.join(QStringLiteral(" | "));
}

TEST(XmlContent, StreamedContentEqualsTheDocumentModel)
{
    // Whatever the way of reading, the compiler sees the nodes, values and texts the
    // document model gives.
    const char* const cases[] = {
        "<COBID>\n  <row CobID=\"1\" Dimensin=\"8\"/>\n  <row CobID=\"2\"/>\n</COBID>\n<!--SW_VERSION = 2.505-->\n",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><COBID><row CobID=\"1\"/></COBID>",
        "<!-- first --><COBID><row CobID=\"1\"/></COBID>",
        "<R><!-- a note --><row CobID=\"1\"/><?pi data?><row/></R>",
        "<R>abc<row CobID=\"1\"/><![CDATA[x]]><![CDATA[  ]]>  <row/></R>",
        "<R>&#32;<row/>&#32;&#9;<row/>a<!--c-->b</R>",
        "<P><A> 5 </A><B>  </B><C>1<!--x-->2</C><D><E>3</E>4</D><F><![CDATA[ 7 ]]></F><G>&amp;x</G><H>&#32;</H>"
        "<I>a&#10;b</I><J/><A>6</A></P>",
        "<a:R xmlns:a=\"urn:a\"><a:row a:CobID=\"1\" xmlns=\"urn:b\" CobID=\"2\"/></a:R>",
        "<R><row A=\"x&#9;y\" B=\"a\nb\" C=\" &lt;&quot; \"><deep><deeper>t</deeper></deep></row></R>",
        "<R/>",
        // Only XML's own blanks between elements are no node, in every reader: a no-break
        // space or an ideographic space between rows is a node, and text of a value.
        "<COBID><row CobID=\"1\"/>\xC2\xA0<row CobID=\"2\"/></COBID>",
        "<R><row/>&#160;<!--c-->\xE3\x80\x80<row/><?p?>&#x2028;<row><deep/>\xC2\xA0</row></R>",
        "<P><Port>502<!---->&#160;</Port><A>&#160;</A><B>\xC2\xA0<C/>\xC2\xA0</B></P>",
    };
    for (const char* text : cases) {
        const QByteArray bytes(text);
        const QString streamed = describe(readXmlContent(bytes, QStringLiteral("t.xml")));
        const QString modelled = describe(xmlContentOf(xml::parse(bytes, QStringLiteral("t.xml"))));
        EXPECT_EQ(streamed, modelled) << text;
    }
    // A document type is a top-level node in its place, which the document model leaves
    // out; its entities and default attributes are the model's.
    const struct {
        const char* text;
        int at;   // the document type's place among the top-level nodes
    } typed[] = {
        {"<!DOCTYPE R [<!ENTITY e \"5\">]><R><row CobID=\"&e;\"/>&e;<row>x&e;y</row></R>", 0},
        {"<!-- a --><!DOCTYPE R [<!ENTITY e \"<row A='1'/>\">]><R>&e;<row/></R>", 1},
        {"<?xml version=\"1.0\"?><!DOCTYPE R [<!ATTLIST row TimeOut CDATA \"Y\">]><!-- b --><R><row/><row TimeOut=\"N\"/></R>", 1},
        {"<!DOCTYPE R><R><row CobID=\"1\"/></R>", 0},
    };
    for (const auto& c : typed) {
        const QByteArray bytes(c.text);
        QStringList modelled = describe(xmlContentOf(xml::parse(bytes, QStringLiteral("t.xml")))).split(QStringLiteral(" | "));
        modelled.insert(c.at, QStringLiteral("node"));
        EXPECT_EQ(describe(readXmlContent(bytes, QStringLiteral("t.xml"))), modelled.join(QStringLiteral(" | "))) << c.text;
    }
}

TEST(XmlContent, OnlyXmlBlanksAreNoNodes)
{
    // A no-break space or another Unicode space between rows is text, a node of its own,
    // and stands in an element's text; only space, tab, line feed and carriage return
    // between elements are dropped.
    const struct {
        const char* text;
        std::size_t rows;
        const char* portText;
    } cases[] = {
        {"<R><row/> \t\r\n<row/><Port>502<!---->  </Port></R>", 3, "502"},
        {"<R><row/>&#160;<row/><Port>502<!---->&#160;</Port></R>", 4, "502\u00A0"},
        {"<R><row/>\xE3\x80\x80<row/><Port>502<!---->&#x2028;</Port></R>", 4, "502\u2028"},
    };
    for (const auto& c : cases) {
        const XmlContent content = readXmlContent(QByteArray(c.text), QStringLiteral("t.xml"));
        ASSERT_EQ(content.top.size(), 1u) << c.text;
        const XmlItem& root = content.top.front();
        EXPECT_EQ(root.children.size(), c.rows) << c.text;
        EXPECT_EQ(root.children.back().text, QString::fromUtf8(c.portText)) << c.text;
    }
}

QString parseError(const QByteArray& bytes, bool streamed)
{
    try {
        if (streamed)
            readXmlContent(bytes, QStringLiteral("RCobDef.xml"));
        else
            xml::parse(bytes, QStringLiteral("RCobDef.xml"));
    } catch (const Error& e) {
        return e.text();
    }
    return QStringLiteral("no error");
}

TEST(XmlContent, BrokenDocumentGivesTheParserError)
{
    // The same text, line and column as every other reader of the configuration files.
    const QByteArray cases[] = {
        "", "<R>", "<R></S>", "<R><row A=\"1\" A=\"2\"/></R>", "<R/><S/>", "<R>&nope;</R>", "<!-- only a note -->",
        "<R>\n  <row CobID=\"1\"\n  <row/>\n</R>", "<?xml version=\"1.0\" encoding=\"nonsense\"?><R/>",
        "<R a='<'/>", "<R>\xFF\xFE</R>", "<R>]]></R>", "<!DOCTYPE R [<!ENTITY e \"5\">]><R>&e;</S>",
        // A document type anywhere but once before the root element; the first two once
        // wrote through a freed list.
        "<A><!DOCTYPE e><A>", "<r><!DOCTYPE Y>0<", "<R>\n<row/>\n<!DOCTYPE Y [<!ENTITY e 'v'>]>\n<row/></R>",
        "<R/><!DOCTYPE R>", "<!DOCTYPE R><!DOCTYPE R><R/>",
    };
    for (const QByteArray& bytes : cases) {
        const QString text = parseError(bytes, true);
        EXPECT_TRUE(text.contains(QStringLiteral("RCobDef.xml is not valid XML"))) << text.toStdString();
        EXPECT_EQ(text, parseError(bytes, false)) << bytes.constData();
    }
}

TEST(XmlContent, DeeplyNestedDocumentsAreRefusedAtOnce)
{
    // 200000 elements inside one another, broken or behind a document type: refused at
    // the first level past the limit, with the text and place every reader gives.
    const QByteArray deep = QByteArray("<a>").repeated(200000);
    const QByteArray cases[] = {
        "<R><row CobID=\"1\">" + deep,
        "<!DOCTYPE R><R><row CobID=\"1\">" + deep + QByteArray("</a>").repeated(200000) + "</row></R>",
    };
    for (const QByteArray& bytes : cases) {
        const QString text = parseError(bytes, true);
        EXPECT_TRUE(text.contains(QStringLiteral("elements are nested deeper than 1000 levels"))) << text.toStdString();
        EXPECT_EQ(text, parseError(bytes, false));
    }
}

} // namespace
} // namespace px
