#include "core/base/xml_content.h"

#include "core/base/error.h"
#include "core/base/xml.h"

#include <QDirIterator>
#include <QFile>
#include <QStringList>
#include <QXmlStreamReader>

#include <functional>

#include <gtest/gtest.h>

namespace px {
namespace {

using namespace xml;

QString describe(const XmlItem& item)
{
    if (!item.element)
        return QStringLiteral("node");
    QStringList attrs;
    for (const XmlAttributes::Attribute& a : item.attributes)
        attrs << a.name.toString() + u'=' + a.value.toString();
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

TEST(XmlContent, NodesValuesAndTextsOfEachKindOfDocument)
{
    // What the compiler and every other reader of the configuration files see: the
    // top-level nodes, the root's children with their attributes and all text inside them.
    const struct {
        const char* text;
        const char* content;
    } cases[] = {
        {"<COBID>\n  <row CobID=\"1\" Dimensin=\"8\"/>\n  <row CobID=\"2\"/>\n</COBID>\n<!--SW_VERSION = 2.505-->\n",
         "COBID text[] {row CobID=1 Dimensin=8 text[] {}, row CobID=2 text[] {}} | node"},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><COBID><row CobID=\"1\"/></COBID>", "node | COBID text[] {row CobID=1 text[] {}}"},
        {"<!-- first --><COBID><row CobID=\"1\"/></COBID>", "node | COBID text[] {row CobID=1 text[] {}}"},
        {"<R><!-- a note --><row CobID=\"1\"/><?pi data?><row/></R>", "R text[] {node, row CobID=1 text[] {}, node, row text[] {}}"},
        {"<R>abc<row CobID=\"1\"/><![CDATA[x]]><![CDATA[  ]]>  <row/></R>",
         "R text[] {node, row CobID=1 text[] {}, node, node, row text[] {}}"},
        {"<R>&#32;<row/>&#32;&#9;<row/>a<!--c-->b</R>", "R text[] {row text[] {}, row text[] {}, node, node, node}"},
        {"<P><A> 5 </A><B>  </B><C>1<!--x-->2</C><D><E>3</E>4</D><F><![CDATA[ 7 ]]></F><G>&amp;x</G><H>&#32;</H>"
         "<I>a&#10;b</I><J/><A>6</A></P>",
         "P text[] {A text[ 5 ] {}, B text[] {}, C text[12] {}, D text[34] {}, F text[ 7 ] {}, G text[&x] {}, H text[] {}, "
         "I text[a\nb] {}, J text[] {}, A text[6] {}}"},
        {"<a:R xmlns:a=\"urn:a\"><a:row a:CobID=\"1\" xmlns=\"urn:b\" CobID=\"2\"/></a:R>",
         "a:R xmlns:a=urn:a text[] {a:row CobID=2 a:CobID=1 xmlns=urn:b text[] {}}"},
        {"<R><row A=\"x&#9;y\" B=\"a\nb\" C=\" &lt;&quot; \"><deep><deeper>t</deeper></deep></row></R>",
         "R text[] {row A=x\ty B=a b C= <\"  text[t] {}}"},
        {"<R/>", "R text[] {}"},
        // Only XML's own blanks between elements are no node: a no-break space or an
        // ideographic space between rows is a node, and text of a value.
        {"<COBID><row CobID=\"1\"/>\xC2\xA0<row CobID=\"2\"/></COBID>", "COBID text[] {row CobID=1 text[] {}, node, row CobID=2 text[] {}}"},
        {"<R><row/>&#160;<!--c-->\xE3\x80\x80<row/><?p?>&#x2028;<row><deep/>\xC2\xA0</row></R>",
         "R text[] {row text[] {}, node, node, node, row text[] {}, node, node, row text[\xC2\xA0] {}}"},
        {"<P><Port>502<!---->&#160;</Port><A>&#160;</A><B>\xC2\xA0<C/>\xC2\xA0</B></P>",
         "P text[] {Port text[502\xC2\xA0] {}, A text[\xC2\xA0] {}, B text[\xC2\xA0\xC2\xA0] {}}"},
        // A document type is a top-level node in its place; the reader expands the entities
        // it declares and adds its default attributes.
        {"<!DOCTYPE R [<!ENTITY e \"5\">]><R><row CobID=\"&e;\"/>&e;<row>x&e;y</row></R>",
         "node | R text[] {row CobID=5 text[] {}, node, row text[x5y] {}}"},
        {"<!-- a --><!DOCTYPE R [<!ENTITY e \"<row A='1'/>\">]><R>&e;<row/></R>", "node | node | R text[] {row A=1 text[] {}, row text[] {}}"},
        {"<?xml version=\"1.0\"?><!DOCTYPE R [<!ATTLIST row TimeOut CDATA \"Y\">]><!-- b --><R><row/><row TimeOut=\"N\"/></R>",
         "node | node | node | R text[] {row TimeOut=Y text[] {}, row TimeOut=N text[] {}}"},
        {"<!DOCTYPE R><R><row CobID=\"1\"/></R>", "node | R text[] {row CobID=1 text[] {}}"},
        // An entity declared outside the document cannot be resolved: it is a node of its
        // own between rows and adds no text, and such a document is read without its
        // document type among the top-level nodes.
        {"<!DOCTYPE R SYSTEM \"r.dtd\"><R><row a=\"1\">x&e;y</row>&e;<row/></R>", "R text[] {row a=1 text[xy] {}, node, row text[] {}}"},
        {"<!DOCTYPE R [<!ENTITY % p SYSTEM \"p.ent\"> %p;]><R><row><v>1&e;2</v>3</row></R>", "R text[] {row text[123] {}}"},
        {"<!DOCTYPE R SYSTEM \"r.dtd\"><R><row a=\"&e;\"/></R>", "node | R text[] {row a=&e; text[] {}}"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(describe(readXmlContent(QByteArray(c.text), QStringLiteral("t.xml"))), QString::fromUtf8(c.content)) << c.text;
}

TEST(XmlContent, AbsentAndEmptyAttributesAreToldApart)
{
    const XmlContent c = readXmlContent(QByteArray("<R><E A=\"\" B=\"x\"/></R>"), QStringLiteral("t.xml"));
    const XmlItem* e = childElement(c.top.front(), QStringLiteral("E"));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(attributeOf(*e, u"A"), QStringView(u""));
    EXPECT_EQ(attributeOf(*e, u"B"), QStringView(u"x"));
    EXPECT_FALSE(attributeOf(*e, u"C").has_value());
    EXPECT_EQ(childElement(c.top.front(), QStringLiteral("Missing")), nullptr);
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

QString parseError(const QByteArray& bytes)
{
    try {
        readXmlContent(bytes, QStringLiteral("RCobDef.xml"));
    } catch (const Error& e) {
        return e.text();
    }
    return QStringLiteral("no error");
}

TEST(XmlContent, BrokenDocumentGivesTheParserError)
{
    // The file, the line, the column and the parser's cause.
    const struct {
        QByteArray text;
        const char* error;
    } cases[] = {
        {"", "line 1, column 0: Premature end of document."},
        {"<R>", "line 1, column 0: Premature end of document."},
        {"<R></S>", "line 1, column 7: Opening and ending tag mismatch."},
        {"<R><row A=\"1\" A=\"2\"/></R>", "line 1, column 21: Attribute 'A' redefined."},
        {"<R/><S/>", "line 1, column 8: Extra content at end of document."},
        {"<R>&nope;</R>", "line 1, column 9: Entity 'nope' not declared."},
        {"<!-- only a note -->", "line 1, column 20: Premature end of document."},
        {"<R>\n  <row CobID=\"1\"\n  <row/>\n</R>", "line 3, column 3: Expected '>' or '/', but got '<'."},
        {"<?xml version=\"1.0\" encoding=\"nonsense\"?><R/>", "line 1, column 41: Encoding nonsense is unsupported"},
        {"<R a='<'/>", "line 1, column 7: Unexpected '<'."},
        {"<R>\xFF\xFE</R>", "line 1, column 2: Encountered incorrectly encoded content."},
        {"<R>]]></R>", "line 1, column 6: Sequence ']]>' not allowed in content."},
        {"<!DOCTYPE R [<!ENTITY e \"5\">]><R>&e;</S>", "line 1, column 40: Opening and ending tag mismatch."},
        // A document type anywhere but once before the root element; the first two once
        // wrote through a freed list.
        {"<A><!DOCTYPE e><A>", "line 1, column 15: Unexpected token"},
        {"<r><!DOCTYPE Y>0<", "line 1, column 15: Unexpected token"},
        {"<R>\n<row/>\n<!DOCTYPE Y [<!ENTITY e 'v'>]>\n<row/></R>", "line 3, column 30: Unexpected token"},
        {"<R/><!DOCTYPE R>", "line 1, column 16: Unexpected token"},
        {"<!DOCTYPE R><!DOCTYPE R><R/>", "line 1, column 24: Multiple DTD sections are not allowed"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseError(c.text), QStringLiteral("The file RCobDef.xml is not valid XML: ") + QLatin1StringView(c.error)) << c.text.constData();
}

// Everything a reading gives, in order, or the error it throws.
QString exactly(const std::function<XmlContent()>& read)
{
    std::function<QString(const XmlItem&)> item = [&item](const XmlItem& i) {
        QString out = QString::number(i.element) + i.name + u'[';
        for (const XmlAttributes::Attribute& a : i.attributes)
            out += a.name.toString() + u'/' + a.value.toString() + u',';
        out += (i.text.isNull() ? QStringLiteral("]null{") : QStringLiteral("]text ") + i.text + u'{');
        for (const XmlItem& c : i.children)
            out += item(c) + u';';
        return out + u'}';
    };
    try {
        QString out;
        for (const XmlItem& i : read().top)
            out += item(i) + u'|';
        return out;
    } catch (const Error& e) {
        return e.text();
    }
}

// The attributes of the root element and its child elements in document order, as Qt's
// reader gives them (qualified name and value); a null text for a document it refuses.
QString attributesByQt(const QByteArray& bytes)
{
    QXmlStreamReader r(bytes);
    r.setNamespaceProcessing(false);
    QString out;
    int depth = 0;
    while (!r.atEnd()) {
        const QXmlStreamReader::TokenType token = r.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (depth < 2) {
                out += r.qualifiedName().toString() + u'[';
                for (const QXmlStreamAttribute& a : r.attributes())
                    out += a.qualifiedName().toString() + u'=' + a.value().toString() + u';';
                out += u']';
            }
            ++depth;
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    return r.hasError() ? QString() : out;
}

QString attributesRead(const XmlContent& content)
{
    QString out;
    const std::function<void(const XmlItem&, int)> item = [&](const XmlItem& i, int depth) {
        if (!i.element)
            return;
        out += i.name + u'[';
        for (const XmlAttributes::Attribute& a : i.attributes)
            out += a.name.toString() + u'=' + a.value.toString() + u';';
        out += u']';
        if (depth == 0) {
            for (const XmlItem& c : i.children)
                item(c, 1);
        }
    };
    for (const XmlItem& i : content.top)
        item(i, 0);
    return out;
}

TEST(XmlContent, PlainDocumentsAreReadAsTheStreamReaderReadsThem)
{
    // Configuration files are read without the stream reader when they are plain; what
    // comes out, or the error, is the stream reader's all the same, on both sides of
    // where plain ends.
    QList<QByteArray> documents = {
        "<R/>",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<R>\n  <row A=\"1\" B='x&amp;&lt;&gt;&quot;&apos;y'/>\n</R>\n<!--v 1-->",
        "<?xml version='1.0' encoding='utf-8' standalone='yes' ?><R/>",
        "<?xml version=\"1.1\"?><R/>",
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><R A=\"\xE9\"/>",
        " <?xml version=\"1.0\"?><R/>",
        "\xEF\xBB\xBF<R/>",
        "<!--a--><R><!----><row A = \"\xC3\xA9\xE2\x82\xAC\" ><x>t</x> u <y B=\"1\"/>v</row><!-- b --></R><!--c-->",
        "<R><row>1<!--x-->2 <!--y-->  </row><row> \r\n </row></R>",
        "<R><row>a\r\nb</row></R>",
        "<R><row>a&amp;b</row></R>",
        "<R>text<row/></R>",
        "<R><row A=\"a\nb\" B=\"c\td\"/></R>",
        "<R><row A=\"&#65;\" B=\"&e;\"/></R>",
        "<R><row A=\"1\"B=\"2\"/></R>",
        "<R><row A=\"1\" A=\"2\"/></R>",
        "<R><row xmlns=\"urn:x\" a:b=\"1\"/></R>",
        "<R><r-1.x/></R>",
        "<R><row A=\"1\"/ ></R>",
        "<R><!-- a--b --></R>",
        "<R><!-- a- --></R>",
        "<R><row/></R><R/>",
        "<R><row></R>",
        "<R></R >  \n",
        "<R><row A=\"\x01\"/></R>",
        "<R><row A=\"\xC2\x85\"/></R>",
        "<R><row>]]></row></R>",
        "<R><![CDATA[x]]></R>",
        "<R><?pi?></R>",
        "<R><row A=\"\xC3\xA9&amp;\xE2\x82\xAC\" B='&lt;\xC3\xA9'><deep C=\"\xC3\xA9&amp;\"/></row><row D=\"\xE2\x82\xAC\" E=\"\"/></R>",
    };
    for (const QString& folder : {QStringLiteral(PX_EXAMPLES_DIR)}) {
        QDirIterator it(folder, {QStringLiteral("*.xml")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile f(it.next());
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            documents << f.readAll();
        }
    }
    // Rows enough that the texts of replaced references are kept in a growing list.
    QByteArray many = "<R>";
    for (int i = 0; i < 300; ++i)
        many += "<row A=\"" + QByteArray::number(i) + "&amp;\" B='&lt;" + QByteArray::number(i) + "'/>";
    documents << many + "</R>";
    for (const QByteArray& d : documents) {
        EXPECT_EQ(exactly([&] { return readXmlContent(d, QStringLiteral("t.xml")); }),
                  exactly([&] { return readXmlContentByStreamReader(d, QStringLiteral("t.xml")); }))
            << d.left(200).constData();
        // Both readings hold the attributes Qt's reader gives the root and its children.
        if (const QString qt = attributesByQt(d); !qt.isNull()) {
            EXPECT_EQ(attributesRead(readXmlContent(d, QStringLiteral("t.xml"))), qt) << d.left(200).constData();
            EXPECT_EQ(attributesRead(readXmlContentByStreamReader(d, QStringLiteral("t.xml"))), qt) << d.left(200).constData();
        }
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
        const QString text = parseError(bytes);
        EXPECT_TRUE(text.startsWith(QStringLiteral("The file RCobDef.xml is not valid XML: line 1, column "))) << text.toStdString();
        EXPECT_TRUE(text.endsWith(QStringLiteral("elements are nested deeper than 1000 levels"))) << text.toStdString();
    }
    // The limit itself is read.
    const auto nested = [](int depth) { return QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth); };
    EXPECT_EQ(parseError(nested(kMaxDepth)), QStringLiteral("no error"));
}

} // namespace
} // namespace px
