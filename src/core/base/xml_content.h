#pragma once

#include <QByteArray>
#include <QDomDocument>
#include <QString>
#include <QStringView>
#include <QXmlStreamAttributes>

#include <optional>
#include <vector>

namespace px::xml {

// The part of a configuration file that every reader of the product reads: the top-level nodes, and for
// a top-level element its child nodes with their attributes and text. A node is the same
// the XML document model gives: comments, processing instructions, the declaration and
// text that is not only blanks are nodes as well as elements, and so is a document type.
struct XmlItem {
    bool element = false;
    QString name;
    QXmlStreamAttributes attributes;
    QString text;                    // an element below the top level: all text inside it
    std::vector<XmlItem> children;   // a top-level element: its child nodes in order
};

struct XmlContent {
    std::vector<XmlItem> top;
};

// Reads the document into an XmlContent, node for node as the document model reads it,
// but with the document type among the top-level nodes where it stands (the document
// model keeps it apart). Documents are read by a streaming reader; one with an entity
// reference that the reader leaves unresolved goes through the full document model.
// Throws px::Error like parse when the document does not parse.
XmlContent readXmlContent(const QByteArray& bytes, const QString& name);
// The same content taken from a parsed document.
XmlContent xmlContentOf(const QDomDocument& doc);

// The first child element of `parent` named `name`, or none.
const XmlItem* childElement(const XmlItem& parent, const QString& name);
// An attribute's value; nothing when it is absent or the node is no element.
std::optional<QStringView> attributeOf(const XmlItem& node, QStringView name);

} // namespace px::xml
