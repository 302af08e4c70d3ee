#include "core/sim/can_frame.h"

#include <QStringList>

namespace px::sim {
namespace {

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

std::optional<CanFrame> fail(QString* error, const QString& cause)
{
    if (error)
        *error = cause;
    return std::nullopt;
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

QString candumpLine(const CanFrame& frame, qint64 microsSinceEpoch, QStringView interfaceName)
{
    QString payload;
    if (frame.remote) {
        payload = QStringLiteral("R");
        if (frame.length)
            payload += QString::number(frame.length);
    } else {
        for (int i = 0; i < frame.length && i < 8; ++i)
            payload += QStringLiteral("%1").arg(frame.data[static_cast<std::size_t>(i)], 2, 16, QLatin1Char('0')).toUpper();
    }
    return QStringLiteral("(%1.%2) %3 %4#%5")
        .arg(microsSinceEpoch / 1000000)
        .arg(microsSinceEpoch % 1000000, 6, 10, QLatin1Char('0'))
        .arg(interfaceName, identifierText(frame), payload);
}

std::optional<CanFrame> parseCandumpLine(QStringView line, QString* error)
{
    line = line.trimmed();
    // "(time) interface frame", or the frame alone.
    const QList<QStringView> parts = line.split(u' ', Qt::SkipEmptyParts);
    QStringView text;
    if (parts.size() == 3 && parts[0].startsWith(u'(') && parts[0].endsWith(u')'))
        text = parts[2];
    else if (parts.size() == 1)
        text = parts[0];
    else
        return fail(error, QStringLiteral("not a candump line"));

    const qsizetype hash = text.indexOf(u'#');
    if (hash < 0)
        return fail(error, QStringLiteral("no '#' between identifier and data"));
    const QStringView idText = text.left(hash);
    QStringView rest = text.mid(hash + 1);
    if (rest.startsWith(u'#'))
        return fail(error, QStringLiteral("CAN FD frames are not supported"));

    CanFrame frame;
    if (idText.size() == 3)
        frame.extended = false;
    else if (idText.size() == 8)
        frame.extended = true;
    else
        return fail(error, QStringLiteral("the identifier has 3 (11-bit) or 8 (29-bit) hex digits"));
    for (const QChar c : idText) {
        const int d = hexDigit(c);
        if (d < 0)
            return fail(error, QStringLiteral("the identifier is no hex number"));
        frame.id = frame.id << 4 | static_cast<std::uint32_t>(d);
    }
    if (frame.id > (frame.extended ? 0x1FFFFFFFu : 0x7FFu))
        return fail(error, QStringLiteral("the identifier is out of range"));

    if (rest.startsWith(u'R') || rest.startsWith(u'r')) {
        frame.remote = true;
        rest = rest.mid(1);
        if (rest.isEmpty())
            return frame;
        const int d = rest.size() == 1 ? hexDigit(rest[0]) : -1;
        if (d < 0 || d > 8)
            return fail(error, QStringLiteral("a remote request takes a length of 0 to 8"));
        frame.length = static_cast<std::uint8_t>(d);
        return frame;
    }
    int n = 0;
    for (qsizetype i = 0; i < rest.size();) {
        if (rest[i] == u'.') {
            ++i;
            continue;
        }
        const int hi = hexDigit(rest[i]);
        const int lo = i + 1 < rest.size() ? hexDigit(rest[i + 1]) : -1;
        if (hi < 0 || lo < 0)
            return fail(error, QStringLiteral("the data are no pairs of hex digits"));
        if (n == 8)
            return fail(error, QStringLiteral("more than 8 data bytes"));
        frame.data[static_cast<std::size_t>(n++)] = static_cast<std::uint8_t>(hi << 4 | lo);
        i += 2;
    }
    frame.length = static_cast<std::uint8_t>(n);
    return frame;
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
    if (frame.id > (extended ? 0x1FFFFFFFu : 0x7FFu))
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
