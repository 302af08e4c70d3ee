#include "core/base/xml_content.h"

#include "core/base/error.h"
#include "core/base/xml.h"

#include <QDomNamedNodeMap>
#include <QXmlStreamReader>

namespace px::xml {

namespace {

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
    StreamChecks checks(r, name);
    bool unusual = false;
    // Nodes are appended through the last root and its last row, never through a pointer
    // kept across appends: the lists they stand in may grow and move. The checks refuse a
    // document type inside the root, the one token that would add a top-level node there,
    // and nesting deeper than every other reader takes.
    const auto root = [&c]() -> XmlItem& { return c.top.back(); };
    while (!r.atEnd() && !unusual) {
        const auto token = r.readNext();
        checks.check(token);
        // The depth the token stands at: an element's start has been counted already.
        const int depth = token == QXmlStreamReader::StartElement ? checks.depth() - 1 : checks.depth();
        switch (token) {
        case QXmlStreamReader::StartDocument:
            if (!r.documentVersion().isEmpty())
                c.top.emplace_back();
            break;
        case QXmlStreamReader::DTD:
            // A top-level node of its own. The reader itself expands the entities it
            // declares and adds the default attributes, as the document model does.
            c.top.emplace_back();
            break;
        case QXmlStreamReader::EntityReference:
            unusual = true;
            break;
        case QXmlStreamReader::StartElement:
            if (depth == 0) {
                c.top.push_back(XmlItem{true, r.qualifiedName().toString(), attributesOf(r), {}, {}});
            } else if (depth == 1) {
                root().children.push_back(XmlItem{true, r.qualifiedName().toString(), attributesOf(r), {}, {}});
            }
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
    // The text the document model would give, taken from this reading: the model builds
    // ever more slowly with the depth of a document, broken ones included.
    checks.finish();
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
