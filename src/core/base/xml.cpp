#include "core/base/xml.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/product.h"

#include <QFileInfo>
#include <QXmlStreamReader>

#include <vector>

namespace px {

bool storableInXml(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if ((c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE || c == 0xFFFF)
            return false;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i;
            continue;
        }
        if (QChar::isSurrogate(c))
            return false;
    }
    return true;
}

} // namespace px

namespace px::xml {

QString notValidText(const QString& name, qint64 line, qint64 column, const QString& cause)
{
    return QStringLiteral("The file %1 is not valid XML: line %2, column %3: %4").arg(name).arg(line).arg(column).arg(cause);
}

bool xmlBlank(QStringView text)
{
    for (const QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r')
            return false;
    }
    return true;
}

void StreamChecks::refuse(const QString& cause) const
{
    throw Error(notValidText(m_name, m_reader.lineNumber(), m_reader.columnNumber(), cause));
}

void StreamChecks::check(QXmlStreamReader::TokenType token)
{
    switch (token) {
    case QXmlStreamReader::DTD:
        // The document model's own texts for the same faults.
        if (m_elementSeen)
            refuse(QStringLiteral("Unexpected token"));
        if (m_typeSeen)
            refuse(QStringLiteral("Multiple DTD sections are not allowed"));
        m_typeSeen = true;
        break;
    case QXmlStreamReader::StartElement:
        m_elementSeen = true;
        if (++m_depth > kMaxDepth)
            refuse(QStringLiteral("elements are nested deeper than %1 levels").arg(kMaxDepth));
        break;
    case QXmlStreamReader::EndElement:
        --m_depth;
        break;
    default:
        break;
    }
}

void StreamChecks::finish() const
{
    if (m_reader.hasError())
        refuse(m_reader.errorString());
}

namespace {

// Text that the document model drops between elements although it is no XML blank (it
// drops every Unicode space), to be put back where it stood.
struct DroppedText {
    int element = 0;   // the parent element's number in document order, from 0
    int position = 0;  // its place among the parent's child nodes
    QString text;
};

void restoreDroppedText(QDomDocument& doc, const std::vector<DroppedText>& dropped)
{
    std::size_t next = 0;
    int number = 0;
    QDomElement e = doc.documentElement();
    while (!e.isNull() && next < dropped.size()) {
        if (dropped[next].element == number) {
            QDomNode at = e.firstChild();
            int i = 0;
            for (; next < dropped.size() && dropped[next].element == number; ++next) {
                while (i < dropped[next].position && !at.isNull()) {
                    at = at.nextSibling();
                    ++i;
                }
                const QDomText t = doc.createTextNode(dropped[next].text);
                if (at.isNull())
                    e.appendChild(t);
                else
                    e.insertBefore(t, at);
                ++i;
            }
        }
        ++number;
        // The next element in document order.
        QDomElement down = e.firstChildElement();
        if (!down.isNull()) {
            e = down;
            continue;
        }
        while (!e.isNull() && e.nextSiblingElement().isNull())
            e = e.parentNode().toElement();
        if (!e.isNull())
            e = e.nextSiblingElement();
    }
}

} // namespace

QDomDocument parse(const QByteArray& bytes, const QString& name)
{
    // One streaming pass first. The document model slows down sharply with the depth of
    // nesting, so a hand-made file nested thousands of levels deep would stall the
    // program: it is refused here (the configuration files are three levels deep), and so
    // is a misplaced document type, as every reader refuses it. The pass also notes the
    // text the model would drop although it is no XML blank.
    std::vector<DroppedText> dropped;
    {
        QXmlStreamReader scan(bytes);
        scan.setNamespaceProcessing(false);
        StreamChecks checks(scan, name);
        struct Open {
            int element;
            int children;
        };
        std::vector<Open> open;
        int elements = 0;
        while (!scan.atEnd()) {
            const auto token = scan.readNext();
            checks.check(token);
            switch (token) {
            case QXmlStreamReader::StartElement:
                if (!open.empty())
                    ++open.back().children;
                open.push_back({elements++, 0});
                break;
            case QXmlStreamReader::EndElement:
                if (!open.empty())
                    open.pop_back();
                break;
            case QXmlStreamReader::Characters:
                if (!open.empty()) {
                    const bool modelKeeps = scan.isCDATA() || !scan.text().trimmed().isEmpty();
                    if (!modelKeeps && !xmlBlank(scan.text()))
                        dropped.push_back({open.back().element, open.back().children, scan.text().toString()});
                    if (modelKeeps || !xmlBlank(scan.text()))
                        ++open.back().children;
                }
                break;
            case QXmlStreamReader::Comment:
            case QXmlStreamReader::ProcessingInstruction:
            case QXmlStreamReader::EntityReference:
                if (!open.empty())
                    ++open.back().children;
                break;
            default:
                break;
            }
        }
    }
    QDomDocument doc;
    QString message;
    int line = 0;
    int column = 0;
    if (!doc.setContent(bytes, &message, &line, &column))
        throw Error(notValidText(name, line, column, message));
    if (!dropped.empty())
        restoreDroppedText(doc, dropped);
    return doc;
}

QDomDocument load(const QString& path)
{
    return parse(readConfigurationFile(path), displayPath(path));
}

QDomNode firstTopLevelNode(const QDomDocument& doc)
{
    return doc.firstChild();
}

QDomElement child(const QDomNode& parent, const QString& name)
{
    if (parent.isNull())
        return {};
    return parent.firstChildElement(name);
}

std::optional<QString> childText(const QDomNode& parent, const QString& name)
{
    const QDomElement e = child(parent, name);
    if (e.isNull())
        return std::nullopt;
    return e.text();
}

std::optional<QString> attribute(const QDomNode& node, const QString& name)
{
    if (!node.isElement())
        return std::nullopt;
    const QDomElement e = node.toElement();
    if (!e.hasAttribute(name))
        return std::nullopt;
    return e.attribute(name);
}

QDomElement appendTextElement(QDomDocument& doc, QDomNode& parent, const QString& name, const QString& text)
{
    QDomElement e = doc.createElement(name);
    e.appendChild(doc.createTextNode(text));
    parent.appendChild(e);
    return e;
}

QByteArray serialize(const QDomDocument& doc)
{
    return doc.toByteArray(-1);
}

QDomDocument newPlainDocument(const QString& rootName)
{
    QDomDocument doc;
    doc.appendChild(doc.createElement(rootName));
    return doc;
}

QDomDocument newConfigurationDocument(const QString& rootName)
{
    QDomDocument doc = newPlainDocument(rootName);
    doc.appendChild(doc.createComment(product::kVersionComment));
    return doc;
}

void save(const QDomDocument& doc, const QString& path)
{
    writeFileAtomically(path, serialize(doc));
}

} // namespace px::xml
