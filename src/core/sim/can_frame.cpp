#include "core/sim/can_frame.h"

#include "core/config/frame_rules.h"

#include <QStringList>

#include <algorithm>

namespace px::sim {
namespace {

int hexDigit(char16_t u)
{
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

int hexDigit(QChar c)
{
    return hexDigit(c.unicode());
}

std::optional<CanFrame> fail(QString* error, const QString& cause)
{
    if (error)
        *error = cause;
    return std::nullopt;
}

bool isBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isBlank(char16_t c)
{
    return QChar(c).isSpace();
}

// One candump line, as bytes of plain ASCII or as UTF-16 text: the same rules for both.
template <typename Char>
std::optional<CanFrame> parseLine(const Char* begin, const Char* end, QString* error)
{
    while (begin < end && isBlank(*begin))
        ++begin;
    while (end > begin && isBlank(end[-1]))
        --end;
    // "(time) interface frame", or the frame alone, the parts separated by blanks.
    const Char* partBegin[3] = {};
    const Char* partEnd[3] = {};
    int parts = 0;
    for (const Char* p = begin; p < end;) {
        if (*p == ' ') {
            ++p;
            continue;
        }
        const Char* q = p;
        while (q < end && *q != ' ')
            ++q;
        if (parts == 3) {
            parts = 4;
            break;
        }
        partBegin[parts] = p;
        partEnd[parts] = q;
        ++parts;
        p = q;
    }
    const Char* text = nullptr;
    const Char* textEnd = nullptr;
    if (parts == 3 && *partBegin[0] == '(' && partEnd[0][-1] == ')') {
        text = partBegin[2];
        textEnd = partEnd[2];
    } else if (parts == 1) {
        text = partBegin[0];
        textEnd = partEnd[0];
    } else {
        return fail(error, QStringLiteral("not a candump line"));
    }

    const Char* hash = std::find(text, textEnd, Char('#'));
    if (hash == textEnd)
        return fail(error, QStringLiteral("no '#' between identifier and data"));
    const Char* rest = hash + 1;
    if (rest < textEnd && *rest == '#')
        return fail(error, QStringLiteral("CAN FD frames are not supported"));

    CanFrame frame;
    const std::ptrdiff_t idSize = hash - text;
    if (idSize == 3)
        frame.extended = false;
    else if (idSize == 8)
        frame.extended = true;
    else
        return fail(error, QStringLiteral("the identifier has 3 (11-bit) or 8 (29-bit) hex digits"));
    for (const Char* p = text; p < hash; ++p) {
        const int d = hexDigit(*p);
        if (d < 0)
            return fail(error, QStringLiteral("the identifier is no hex number"));
        frame.id = frame.id << 4 | static_cast<std::uint32_t>(d);
    }
    if (!config::identifierFits(frame.id, frame.extended))
        return fail(error, QStringLiteral("the identifier is out of range"));

    if (rest < textEnd && (*rest == 'R' || *rest == 'r')) {
        frame.remote = true;
        ++rest;
        if (rest == textEnd)
            return frame;
        const int d = textEnd - rest == 1 ? hexDigit(*rest) : -1;
        if (d < 0 || d > 8)
            return fail(error, QStringLiteral("a remote request takes a length of 0 to 8"));
        frame.length = static_cast<std::uint8_t>(d);
        return frame;
    }
    int n = 0;
    for (const Char* p = rest; p < textEnd;) {
        if (*p == '.') {
            ++p;
            continue;
        }
        const int hi = hexDigit(*p);
        const int lo = p + 1 < textEnd ? hexDigit(p[1]) : -1;
        if (hi < 0 || lo < 0)
            return fail(error, QStringLiteral("the data are no pairs of hex digits"));
        if (n == 8)
            return fail(error, QStringLiteral("more than 8 data bytes"));
        frame.data[static_cast<std::size_t>(n++)] = static_cast<std::uint8_t>(hi << 4 | lo);
        p += 2;
    }
    frame.length = static_cast<std::uint8_t>(n);
    return frame;
}

char* decimal(char* out, std::uint64_t value)
{
    char digits[20];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    while (n)
        *out++ = digits[--n];
    return out;
}

char* hexDigits(char* out, std::uint32_t value, int width)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int i = width - 1; i >= 0; --i)
        *out++ = kDigits[(value >> (4 * i)) & 0xF];
    return out;
}

} // namespace

QString identifierText(const CanFrame& frame)
{
    return QStringLiteral("%1").arg(frame.id, frame.extended ? 8 : 3, 16, QLatin1Char('0')).toUpper();
}

QString dataText(const CanFrame& frame)
{
    if (frame.remote)
        return QStringLiteral("remote");
    QString text;
    for (int i = 0; i < frame.length && i < 8; ++i) {
        if (i)
            text += u' ';
        text += QStringLiteral("%1").arg(frame.data[static_cast<std::size_t>(i)], 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}

void appendCandumpLine(QByteArray& out, const CanFrame& frame, qint64 microsSinceEpoch, std::string_view interfaceName)
{
    const qsizetype at = out.size();
    out.resize(at + kMostCandumpLineSize + static_cast<qsizetype>(interfaceName.size()));
    char* const begin = out.data() + at;
    out.resize(at + (writeCandumpLine(begin, frame, microsSinceEpoch, interfaceName) - begin));
}

char* writeCandumpLine(char* out, const CanFrame& frame, qint64 microsSinceEpoch, std::string_view interfaceName)
{
    const auto micros = static_cast<std::uint64_t>(std::max<qint64>(microsSinceEpoch, 0));
    // The time (at most 30 characters), the interface, the frame (at most 26).
    static_assert(30 + 2 + 26 <= kMostCandumpLineSize);
    char* p = out;
    *p++ = '(';
    // The seconds change once a second: their digits are kept.
    thread_local std::uint64_t keptSeconds = ~std::uint64_t{0};
    thread_local char keptDigits[20];
    thread_local std::ptrdiff_t keptSize = 0;
    if (micros / 1000000 != keptSeconds) {
        keptSeconds = micros / 1000000;
        keptSize = decimal(keptDigits, keptSeconds) - keptDigits;
    }
    p = std::copy_n(keptDigits, keptSize, p);
    *p++ = '.';
    auto fraction = static_cast<std::uint32_t>(micros % 1000000);
    for (int i = 5; i >= 0; --i) {
        p[i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    p += 6;
    *p++ = ')';
    *p++ = ' ';
    p = std::copy(interfaceName.begin(), interfaceName.end(), p);
    *p++ = ' ';
    // An identifier wider than its format's digits is written whole.
    int width = frame.extended ? 8 : 3;
    while (width < 8 && (frame.id >> (4 * width)) != 0)
        ++width;
    p = hexDigits(p, frame.id, width);
    *p++ = '#';
    if (frame.remote) {
        *p++ = 'R';
        if (frame.length)
            p = decimal(p, frame.length);
    } else {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        const int length = std::min<int>(frame.length, 8);
        for (int i = 0; i < length; ++i) {
            const std::uint8_t byte = frame.data[static_cast<std::size_t>(i)];
            p[2 * i] = kDigits[byte >> 4];
            p[2 * i + 1] = kDigits[byte & 0xF];
        }
        p += 2 * length;
    }
    return p;
}

QString candumpLine(const CanFrame& frame, qint64 microsSinceEpoch, QStringView interfaceName)
{
    const QByteArray name = interfaceName.toUtf8();
    QByteArray line;
    appendCandumpLine(line, frame, microsSinceEpoch, std::string_view(name.constData(), static_cast<std::size_t>(name.size())));
    return QString::fromUtf8(line);
}

std::optional<CanFrame> parseCandumpLine(QStringView line, QString* error)
{
    return parseLine(line.utf16(), line.utf16() + line.size(), error);
}

std::optional<CanFrame> parseCandumpLine(std::string_view line, QString* error)
{
    // Text beyond ASCII has blanks of its own: read as text.
    for (const char c : line) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return parseCandumpLine(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())), error);
    }
    return parseLine(line.data(), line.data() + line.size(), error);
}

std::optional<CanFrame> frameFromTexts(QStringView identifier, bool extended, QStringView data, QString* error)
{
    CanFrame frame;
    frame.extended = extended;
    QStringView id = identifier.trimmed();
    if (id.startsWith(u"0x", Qt::CaseInsensitive))
        id = id.mid(2);
    if (id.isEmpty() || id.size() > 8)
        return fail(error, QStringLiteral("The identifier is a hex number of 1 to 8 digits."));
    for (const QChar c : id) {
        const int d = hexDigit(c);
        if (d < 0)
            return fail(error, QStringLiteral("The identifier is a hex number of 1 to 8 digits."));
        frame.id = frame.id << 4 | static_cast<std::uint32_t>(d);
    }
    if (!config::identifierFits(frame.id, extended))
        return fail(error, extended ? QStringLiteral("A 29-bit identifier is at most 1FFFFFFF.")
                                    : QStringLiteral("An 11-bit identifier is at most 7FF."));
    QString bytes = data.toString();
    bytes.replace(u',', u' ');
    const QStringList parts = bytes.split(u' ', Qt::SkipEmptyParts);
    if (parts.size() > 8)
        return fail(error, QStringLiteral("A frame holds at most 8 data bytes."));
    for (const QString& part : parts) {
        const int hi = part.size() == 2 ? hexDigit(part[0]) : part.size() == 1 ? 0 : -1;
        const int lo = hexDigit(part.back());
        if (hi < 0 || lo < 0)
            return fail(error, QStringLiteral("Each data byte is a hex number from 00 to FF: '%1' is not.").arg(part));
        frame.data[frame.length++] = static_cast<std::uint8_t>(hi << 4 | lo);
    }
    return frame;
}

} // namespace px::sim
