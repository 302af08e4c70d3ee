#pragma once

#include "core/base/error.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QXmlStreamReader>

namespace px {

// Whether a text can stand in an XML file as it is. Control characters other than tab,
// line feed and carriage return cannot, nor can U+FFFE, U+FFFF or a lone surrogate.
bool storableInXml(const QString& text);

} // namespace px

namespace px::xml {

// Elements nested deeper than this many levels are refused as a document that does not
// parse: no configuration file comes near, and a reader must not stall on a hostile one.
inline constexpr int kMaxDepth = 1000;

// The message of a document that does not parse: "The file <name> is not valid XML: line
// <line>, column <column>: <cause>".
Message notValidText(const QString& name, qint64 line, qint64 column, const Message::Argument& cause);

// Whether text between elements is no node: only XML's own blanks (space, tab, line feed,
// carriage return). A no-break space or another Unicode space is text like any other.
bool xmlBlank(QStringView text);

// What every reader of an XML file checks on each token, beyond what the stream reader
// refuses itself: a document type after the root element has started, or a second one
// (refused with the texts the readers have always given), and elements nested deeper
// than kMaxDepth. Call check() after each readNext() and finish() at the end; both throw
// px::Error with notValidText().
class StreamChecks {
public:
    StreamChecks(const QXmlStreamReader& reader, const QString& name) : m_reader(reader), m_name(name) {}
    void check(QXmlStreamReader::TokenType token);
    // Throws the reader's own error when it stopped on one.
    void finish() const;
    int depth() const { return m_depth; }

private:
    [[noreturn]] void refuse(const Message::Argument& cause) const;

    const QXmlStreamReader& m_reader;
    const QString& m_name;
    int m_depth = 0;
    bool m_elementSeen = false;
    bool m_typeSeen = false;
};

// Reads a whole document token by token under the checks above and calls
// visit(reader, token, depth) for each token; `depth` is the number of elements the token
// stands inside (for a start tag, those around it: 0 for the root element). Throws
// px::Error with notValidText() when the document does not parse.
template <typename Visit>
void readCheckedTokens(const QByteArray& bytes, const QString& name, Visit visit)
{
    QXmlStreamReader r(bytes);
    r.setNamespaceProcessing(false);
    StreamChecks checks(r, name);
    while (!r.atEnd()) {
        const QXmlStreamReader::TokenType token = r.readNext();
        checks.check(token);
        // An element's start has been counted already.
        const int depth = token == QXmlStreamReader::StartElement ? checks.depth() - 1 : checks.depth();
        visit(r, token, depth);
    }
    checks.finish();
}

// Whether the text the reader stands on is a node, as every reader takes it: CDATA always,
// other text unless it is only XML blanks.
inline bool isTextNode(const QXmlStreamReader& reader)
{
    return reader.isCDATA() || !xmlBlank(reader.text());
}

} // namespace px::xml
