#pragma once

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QString>
#include <QXmlStreamReader>

#include <optional>

namespace px {

// Whether a text can stand in an XML file as it is. Control characters other than tab,
// line feed and carriage return cannot, nor can U+FFFE, U+FFFF or a lone surrogate.
bool storableInXml(const QString& text);

} // namespace px

namespace px::xml {

// Parses a whole document. A document that does not parse throws px::Error whose text
// names the file, the line and the parser's text; `name` is the file name shown there.
// Elements nested deeper than kMaxDepth levels are refused the same way.
inline constexpr int kMaxDepth = 1000;
QDomDocument parse(const QByteArray& bytes, const QString& name);

// Reads and parses the file at `path`; a file that cannot be read or parsed throws. The
// file's kind and size are checked first (readConfigurationFile).
QDomDocument load(const QString& path);

// The text of a document that does not parse: "The file <name> is not valid XML: line
// <line>, column <column>: <cause>".
QString notValidText(const QString& name, qint64 line, qint64 column, const QString& cause);

// Whether text between elements is no node: only XML's own blanks (space, tab, line feed,
// carriage return). A no-break space or another Unicode space is text like any other.
bool xmlBlank(QStringView text);

// What every streaming reader of a configuration file checks on each token, so that it
// refuses what the document model refuses although the stream reader lets it pass: a
// document type after the root element has started, or a second one. It also refuses
// elements nested deeper than kMaxDepth, as parse() does. Call check() after each
// readNext() and finish() at the end; both throw px::Error with notValidText().
class StreamChecks {
public:
    StreamChecks(const QXmlStreamReader& reader, const QString& name) : m_reader(reader), m_name(name) {}
    void check(QXmlStreamReader::TokenType token);
    // Throws the reader's own error when it stopped on one.
    void finish() const;
    int depth() const { return m_depth; }

private:
    [[noreturn]] void refuse(const QString& cause) const;

    const QXmlStreamReader& m_reader;
    const QString& m_name;
    int m_depth = 0;
    bool m_elementSeen = false;
    bool m_typeSeen = false;
};

// The first top-level node of the document, whatever it is (an XML declaration or a
// comment before the root element is such a node). Readers take it as the root without
// checking its name, as the configuration files have always been read.
QDomNode firstTopLevelNode(const QDomDocument& doc);

// The first child element of `parent` with the name `name`; null when there is none
// (also when `parent` is not an element).
QDomElement child(const QDomNode& parent, const QString& name);

// The text of that child element, or nothing when the element is missing.
std::optional<QString> childText(const QDomNode& parent, const QString& name);

// An attribute's value; nothing when the attribute is absent (an empty one gives "").
std::optional<QString> attribute(const QDomNode& node, const QString& name);

// A new element `name` with the text `text`, appended to `parent`.
QDomElement appendTextElement(QDomDocument& doc, QDomNode& parent, const QString& name, const QString& text);

// The document as written: no XML declaration, nothing before the root, no indentation.
// The DOM keeps attributes in no particular order: a file whose attribute order matters is
// written with QXmlStreamWriter instead.
QByteArray serialize(const QDomDocument& doc);

// A new document with the root element `rootName` and, for a configuration file, the
// comment "SW_VERSION = 2.505" after it at document level.
QDomDocument newConfigurationDocument(const QString& rootName);
QDomDocument newPlainDocument(const QString& rootName);

// Serialises and writes the document atomically; throws px::Error on failure.
void save(const QDomDocument& doc, const QString& path);

} // namespace px::xml
