#include "core/base/text_rules.h"

#include "core/base/int_text.h"

namespace px {

QStringView trimBlanks(QStringView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s[b].unicode() <= 32)
        ++b;
    while (e > b && s[e - 1].unicode() <= 32)
        --e;
    return s.mid(b, e - b);
}

namespace {

char16_t upperAscii(char16_t c)
{
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - (u'a' - u'A')) : c;
}

} // namespace

QString toUpperAscii(QStringView s)
{
    QString out(s.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < s.size(); ++i)
        out[i] = QChar(upperAscii(s[i].unicode()));
    return out;
}

bool equalsUpperAscii(QStringView s, QLatin1StringView upper)
{
    if (s.size() != upper.size())
        return false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (upperAscii(s[i].unicode()) != static_cast<char16_t>(static_cast<unsigned char>(upper[i].toLatin1())))
            return false;
    }
    return true;
}
QList<QStringView> splitLines(QStringView text)
{
    QList<QStringView> lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    while (start < n) {
        qsizetype end = start;
        while (end < n && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        lines.append(text.mid(start, end - start));
        start = end + (end + 1 < n && text[end] == u'\r' && text[end + 1] == u'\n' ? 2 : 1);
    }
    return lines;
}

QList<std::uint8_t> parseByteList(QStringView text)
{
    QList<std::uint8_t> out;
    QStringView rest = text;
    while (!rest.isEmpty()) {
        QStringView piece;
        const qsizetype comma = rest.indexOf(u',');
        if (comma >= 0) {
            piece = trimBlanks(rest.left(comma));
            rest = trimBlanks(rest.mid(comma + 1));
        } else {
            piece = rest;
            rest = QStringView();
        }
        const std::int32_t v = toInt32(piece, -1);
        if (v >= 0 && v <= 255)
            out.append(static_cast<std::uint8_t>(v));
    }
    return out;
}

} // namespace px
