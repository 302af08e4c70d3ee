#include "core/base/xml_writer.h"

#include <cassert>

namespace px::xml {

QString escapeText(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'&')
            out += QLatin1StringView("&amp;");
        else if (c == u'<')
            out += QLatin1StringView("&lt;");
        else if (c == u'>' && i >= 2 && text[i - 1] == u']' && text[i - 2] == u']')
            out += QLatin1StringView("&gt;");
        else if (c == u'\r')
            out += QLatin1StringView("&#xd;");
        else
            out += c;
    }
    return out;
}

void PlainXmlWriter::begin(QLatin1StringView name)
{
    m_text += u'<' + name + u'>';
    m_open.push_back(name);
}

void PlainXmlWriter::end()
{
    assert(!m_open.empty());
    m_text += QLatin1StringView("</") + m_open.back() + u'>';
    m_open.pop_back();
}

void PlainXmlWriter::textElement(QLatin1StringView name, QStringView text)
{
    m_text += u'<' + name + u'>' + escapeText(text) + QLatin1StringView("</") + name + u'>';
}

void PlainXmlWriter::emptyElement(QLatin1StringView name)
{
    m_text += u'<' + name + QLatin1StringView("/>");
}

QByteArray PlainXmlWriter::bytes() const
{
    assert(m_open.empty());
    return m_text.toUtf8();
}

} // namespace px::xml
