#pragma once

#include <QByteArray>
#include <QDomDocument>
#include <QString>
#include <QStringView>
#include <QXmlStreamAttributes>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace px::image {

// The part of a configuration file that the compiler reads: the top-level nodes, and for
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
// Throws px::Error like xml::parse when the document does not parse.
XmlContent readXmlContent(const QByteArray& bytes, const QString& name);
// The same content taken from a parsed document.
XmlContent xmlContentOf(const QDomDocument& doc);

// The first child element of `parent` named `name`, or none.
const XmlItem* childElement(const XmlItem& parent, const QString& name);
// An attribute's value; nothing when it is absent or the node is no element.
std::optional<QStringView> attributeOf(const XmlItem& node, QStringView name);

// One of the five configuration files as the compiler sees it: present or missing, read
// and parsed at most once per compile, on first use, so every step that reads the file
// sees the same document and a parse error surfaces where the first step needs the file.
class InputFile {
public:
    InputFile() = default;
    // The file at `path`; a missing file contributes nothing (it is not an error).
    static InputFile fromPath(const QString& path);
    // A file held in memory under `name`; no bytes means the file is missing.
    static InputFile fromBytes(const QString& name, std::optional<QByteArray> bytes);

    bool exists() const { return m_exists; }
    const QString& name() const { return m_name; }
    // The parsed content; throws px::Error naming the file when it cannot be read or parsed.
    const XmlContent& content();

    // The root as the legacy image reads it: the document element.
    const XmlItem& documentElement();
    // The root as the current images read it: the first top-level node, whatever it is.
    const XmlItem& firstTopLevelNode();

private:
    QString m_name;
    QString m_path;
    std::optional<QByteArray> m_bytes;
    bool m_exists = false;
    bool m_parsed = false;
    XmlContent m_content;
};

// The five files a configuration compiles from.
struct CompileInput {
    InputFile parGen;
    InputFile rCobDef;
    InputFile tCobDef;
    InputFile rInfoCob;
    InputFile tInfoCob;

    // The files of the configuration folder `confFolder` (ParGen.xml, RCobDef.xml, ...).
    static CompileInput fromFolder(const QString& confFolder);
};

// The conversions with which the compiler reads values. Each failing strict conversion
// throws px::Error whose text names the file, the row or element, the attribute and the
// cause. `row` is the row's position among the root's children, from 0.
struct RowRef {
    const QString& file;
    const XmlItem& node;
    int row;
};

// An attribute's text; empty when it is missing (or the row is no element).
QStringView text(const XmlItem& node, QStringView attribute);

std::int32_t strictInt(const RowRef& row, const QString& attribute);
std::int64_t strictInt64(const RowRef& row, const QString& attribute);
std::optional<std::int64_t> tryInt64(const XmlItem& node, const QString& attribute);
std::int32_t intOr(const XmlItem& node, const QString& attribute, std::int32_t fallback);

// Element values among the children of a root (general parameters).
std::optional<QString> elementText(const XmlItem& root, const QString& element);
std::int32_t strictElementInt(const QString& file, const XmlItem& root, const QString& element);
std::int32_t strictElementAttributeInt(const QString& file, const XmlItem& root, const QString& element,
                                       const QString& attribute);
std::optional<std::int32_t> tryElementInt(const XmlItem& root, const QString& element);
std::int32_t elementIntOr(const XmlItem& root, const QString& element, std::int32_t fallback);
std::int32_t elementAttributeIntOr(const XmlItem& root, const QString& element, const QString& attribute,
                                   std::int32_t fallback);

// Trimming as the product does it: blanks and control characters (codes up to 32) at
// both ends. Upper-casing of the flag texts is plain ASCII, whatever the locale.
QStringView trimBlanks(QStringView s);
// Whether `s` upper-cased equals `upper` (which is upper case already).
bool equalsUpperAscii(QStringView s, QLatin1StringView upper);

} // namespace px::image
