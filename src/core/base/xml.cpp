#include "core/base/xml.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/product.h"

#include <QFileInfo>
#include <QXmlStreamReader>

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

QDomDocument parse(const QByteArray& bytes, const QString& name)
{
    // The document model slows down sharply with the depth of nesting, so a hand-made
    // file nested thousands of levels deep would stall the program. One streaming pass
    // refuses such a file first; the configuration files are three levels deep.
    {
        QXmlStreamReader scan(bytes);
        scan.setNamespaceProcessing(false);
        int depth = 0;
        while (!scan.atEnd()) {
            const auto token = scan.readNext();
            if (token == QXmlStreamReader::StartElement && ++depth > kMaxDepth) {
                throw Error(QStringLiteral("The file %1 is not valid XML: line %2, column %3: elements are nested "
                                           "deeper than %4 levels")
                                .arg(name)
                                .arg(scan.lineNumber())
                                .arg(scan.columnNumber())
                                .arg(kMaxDepth));
            }
            if (token == QXmlStreamReader::EndElement)
                --depth;
        }
    }
    QDomDocument doc;
    QString message;
    int line = 0;
    int column = 0;
    if (!doc.setContent(bytes, &message, &line, &column)) {
        throw Error(QStringLiteral("The file %1 is not valid XML: line %2, column %3: %4")
                        .arg(name)
                        .arg(line)
                        .arg(column)
                        .arg(message));
    }
    return doc;
}

QDomDocument load(const QString& path)
{
    return parse(readWholeFile(path), displayPath(path));
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
