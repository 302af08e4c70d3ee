#include "core/base/xml_content.h"

#include "core/base/error.h"
#include "core/base/xml.h"

#include <QXmlStreamReader>

namespace px::xml {

namespace {

QXmlStreamAttributes attributesOf(const QXmlStreamReader& r)
{
    return r.attributes();
}

} // namespace

XmlContent readXmlContent(const QByteArray& bytes, const QString& name)
{
    // Text that is only blanks is dropped, CDATA is kept, the declaration is a node of its
    // own and so is the document type.
    XmlContent c;
    // An entity the reader cannot resolve (one declared outside the document) stands as a
    // node of its own among the root's children and adds no text. A document holding one
    // has always been read without its document type among the top-level nodes.
    bool unresolvedEntity = false;
    std::optional<std::size_t> typeNode;
    // Nodes are appended through the last root and its last row, never through a pointer
    // kept across appends: the lists they stand in may grow and move. The checks refuse a
    // document type inside the root, the one token that would add a top-level node there,
    // and nesting deeper than every other reader takes.
    const auto root = [&c]() -> XmlItem& { return c.top.back(); };
    readCheckedTokens(bytes, name, [&](const QXmlStreamReader& r, QXmlStreamReader::TokenType token, int depth) {
        switch (token) {
        case QXmlStreamReader::StartDocument:
            if (!r.documentVersion().isEmpty())
                c.top.emplace_back();
            break;
        case QXmlStreamReader::DTD:
            // A top-level node of its own. The reader itself expands the entities it
            // declares and adds the default attributes.
            typeNode = c.top.size();
            c.top.emplace_back();
            break;
        case QXmlStreamReader::EntityReference:
            unresolvedEntity = true;
            if (depth == 1)
                root().children.emplace_back();
            break;
        case QXmlStreamReader::StartElement:
            if (depth == 0) {
                c.top.push_back(XmlItem{true, r.qualifiedName().toString(), attributesOf(r), {}, {}});
            } else if (depth == 1) {
                root().children.push_back(XmlItem{true, r.qualifiedName().toString(), attributesOf(r), {}, {}});
            }
            break;
        case QXmlStreamReader::Characters:
            if (isTextNode(r)) {
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
    });
    if (unresolvedEntity && typeNode)
        c.top.erase(c.top.begin() + static_cast<std::ptrdiff_t>(*typeNode));
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
