#include "core/base/xml.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/product.h"
#include "core/lang/message_ids.h"

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

Message notValidText(const QString& name, qint64 line, qint64 column, const Message::Argument& cause)
{
    return Message(msg::kNotValidXml, {name, line, column, cause});
}

bool xmlBlank(QStringView text)
{
    for (const QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r')
            return false;
    }
    return true;
}

void StreamChecks::refuse(const Message::Argument& cause) const
{
    throw Error(notValidText(m_name, m_reader.lineNumber(), m_reader.columnNumber(), cause));
}

void StreamChecks::check(QXmlStreamReader::TokenType token)
{
    switch (token) {
    case QXmlStreamReader::DTD:
        // The texts these faults have always been reported with.
        if (m_elementSeen)
            refuse(Message(msg::kXmlUnexpectedToken));
        if (m_typeSeen)
            refuse(Message(msg::kXmlSecondDocumentType));
        m_typeSeen = true;
        break;
    case QXmlStreamReader::StartElement:
        m_elementSeen = true;
        if (++m_depth > kMaxDepth)
            refuse(Message(msg::kXmlNestedTooDeep, {kMaxDepth}));
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

} // namespace px::xml
