#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QXmlStreamAttributes>

#include <optional>
#include <vector>

namespace px::xml {

// The part of a configuration file that every reader of the product reads: the top-level
// nodes, and for a top-level element its child nodes with their attributes and text.
// Comments, processing instructions, the declaration, text that is not only blanks and an
// entity the reader cannot resolve are nodes as well as elements, and so is a document
// type.
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

// Reads the document into an XmlContent, the document type among the top-level nodes
// where it stands (but for a document holding an entity the reader cannot resolve, read
// without it as such documents have always been). Throws px::Error naming the file, the
// line and the cause when the document does not parse (see StreamChecks).
XmlContent readXmlContent(const QByteArray& bytes, const QString& name);
// The same read by Qt's stream reader alone. readXmlContent reads plain documents (what the
// configurator writes) itself, and gives for them what this gives.
XmlContent readXmlContentByStreamReader(const QByteArray& bytes, const QString& name);

// The first child element of `parent` named `name`, or none.
const XmlItem* childElement(const XmlItem& parent, const QString& name);
// An attribute's value; nothing when it is absent or the node is no element.
std::optional<QStringView> attributeOf(const XmlItem& node, QStringView name);

} // namespace px::xml
