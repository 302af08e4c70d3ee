#include "core/base/xml_content.h"

#include "core/base/error.h"
#include "core/base/xml.h"

#include <QDomNamedNodeMap>
#include <QXmlStreamReader>

namespace px::xml {

namespace {

// Text made only of XML's own blanks (space, tab, line feed, carriage return) between
// elements is no node. Other spaces, a no-break space among them, are text like any
// other, as every standard XML reader keeps them.
bool xmlBlank(QStringView text)
{
    for (const QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r')
            return false;
    }
    return true;
}

QXmlStreamAttributes attributesOf(const QXmlStreamReader& r)
{
    return r.attributes();
}

XmlItem itemOf(const QDomNode& n)
{
    XmlItem item;
    item.element = n.isElement();
    if (item.element) {
        item.name = n.nodeName();
        const QDomNamedNodeMap attrs = n.attributes();
        for (int i = 0; i < attrs.count(); ++i) {
            const QDomNode a = attrs.item(i);
            item.attributes.append(QXmlStreamAttribute(a.nodeName(), a.nodeValue()));
        }
    }
    return item;
}

} // namespace

XmlContent xmlContentOf(const QDomDocument& doc)
{
    XmlContent c;
    for (QDomNode n = doc.firstChild(); !n.isNull(); n = n.nextSibling()) {
        XmlItem item = itemOf(n);
        if (item.element) {
            for (QDomNode m = n.firstChild(); !m.isNull(); m = m.nextSibling()) {
                XmlItem child = itemOf(m);
                if (child.element)
                    child.text = m.toElement().text();
                item.children.push_back(std::move(child));
            }
        }
        c.top.push_back(std::move(item));
    }
    return c;
}

XmlContent readXmlContent(const QByteArray& bytes, const QString& name)
{
    // The same tokens the document model is built from, kept as it keeps them: text that
    // is only blanks is dropped, CDATA is kept, the declaration is a node of its own
    // (and so is the document type, which the model keeps apart).
    QXmlStreamReader r(bytes);
    r.setNamespaceProcessing(false);
    XmlContent c;
    int depth = 0;
    bool elementSeen = false;
    bool typeSeen = false;
    bool unusual = false;
    // A document type stands only before the root element, and only once. The stream
    // reader reports a misplaced one as a token like any other; the document model
    // refuses it, and so does this reader, with the model's text and place.
    const auto refuse = [&](const QString& cause) {
        throw Error(QStringLiteral("The file %1 is not valid XML: line %2, column %3: %4")
                        .arg(name)
                        .arg(r.lineNumber())
                        .arg(r.columnNumber())
                        .arg(cause));
    };
    // Nodes are appended through the last root and its last row, never through a pointer
    // kept across appends: the lists they stand in may grow and move.
    const auto root = [&c]() -> XmlItem& { return c.top.back(); };
    while (!r.atEnd() && !unusual) {
        switch (r.readNext()) {
        case QXmlStreamReader::StartDocument:
            if (!r.documentVersion().isEmpty())
                c.top.emplace_back();
            break;
        case QXmlStreamReader::DTD:
            if (elementSeen)
                refuse(QStringLiteral("Unexpected token"));
            if (typeSeen)
                refuse(QStringLiteral("Multiple DTD sections are not allowed"));
            typeSeen = true;
            // A top-level node of its own. The reader itself expands the entities it
            // declares and adds the default attributes, as the document model does.
            c.top.emplace_back();
            break;
        case QXmlStreamReader::EntityReference:
            unusual = true;
            break;
        case QXmlStreamReader::StartElement:
            if (depth == 0) {
                elementSeen = true;
                c.top.push_back(XmlItem{true, r.qualifiedName().toString(), attributesOf(r), {}, {}});
            } else if (depth == 1) {
                root().children.push_back(XmlItem{true, r.qualifiedName().toString(), attributesOf(r), {}, {}});
            }
            ++depth;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::Characters:
            if (r.isCDATA() || !xmlBlank(r.text())) {
                if (depth == 1)
                    root().children.emplace_back();
                else if (depth >= 2)
                    root().children.back().text += r.text();
            }
            break;
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
            if (depth == 0)
                c.top.emplace_back();
            else if (depth == 1)
                root().children.emplace_back();
            break;
        default:
            break;
        }
    }
    if (unusual)
        return xmlContentOf(parse(bytes, name));
    if (r.hasError()) {
        // The text the document model would give, taken from this reading: the model
        // builds ever more slowly with the depth of a document, broken ones included.
        throw Error(QStringLiteral("The file %1 is not valid XML: line %2, column %3: %4")
                        .arg(name)
                        .arg(r.lineNumber())
                        .arg(r.columnNumber())
                        .arg(r.errorString()));
    }
    return c;
}

const XmlItem* childElement(const XmlItem& parent, const QString& name)
{
    for (const XmlItem& c : parent.children) {
        if (c.element && c.name == name)
            return &c;
    }
    return nullptr;
}

std::optional<QStringView> attributeOf(const XmlItem& node, QStringView name)
{
    for (const QXmlStreamAttribute& a : node.attributes) {
        if (a.qualifiedName() == name)
            return a.value();
    }
    return std::nullopt;
}

} // namespace px::xml
