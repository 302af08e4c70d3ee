#include "core/config/frame_rules.h"

#include "core/base/int_text.h"
#include "core/base/text_rules.h"

#include <algorithm>

namespace px::config {

namespace {

bool inRange(std::int64_t value, std::int64_t low, std::int64_t high)
{
    return value >= low && value <= high;
}

} // namespace

QString formatText(bool extended)
{
    return extended ? kExtendedFormatText : kStandardFormatText;
}

bool isExtendedFormat(QStringView cobType)
{
    return equalsUpperAscii(cobType, QLatin1StringView("2.0B (29 BITS)"));
}

FormatTextFault formatTextFault(QStringView cobType)
{
    if (trimBlanks(cobType).isEmpty())
        return FormatTextFault::Missing;
    if (cobType != kStandardFormatText && cobType != kExtendedFormatText)
        return FormatTextFault::NotAnItem;
    return FormatTextFault::None;
}

std::optional<std::int64_t> readIdentifier(QStringView cobId)
{
    return parseInt64(cobId);
}

std::uint32_t maxIdentifier(bool extended)
{
    return extended ? kMaxExtendedIdentifier : kMaxStandardIdentifier;
}

QString maxIdentifierText(bool extended)
{
    return extended ? QStringLiteral("0x1FFFFFFF") : QStringLiteral("0x7FF");
}

bool identifierFits(std::int64_t identifier, bool extended)
{
    return inRange(identifier, 0, maxIdentifier(extended));
}

bool identifierTextFits(QStringView cobId, bool extended)
{
    const std::optional<std::int64_t> id = readIdentifier(cobId);
    return id && identifierFits(*id, extended);
}

std::optional<std::int32_t> readDataLength(QStringView dimension)
{
    return parseInt32(dimension);
}

bool dataLengthFits(std::int64_t length)
{
    return inRange(length, kMinDataLength, kMaxDataLength);
}

bool dataLengthTextFits(QStringView dimension)
{
    const std::optional<std::int32_t> length = readDataLength(dimension);
    return length && dataLengthFits(*length);
}

int dataBytesOf(QStringView dimension)
{
    return std::clamp(readDataLength(dimension).value_or(kMaxDataLength), 0, kMaxDataLength);
}

ByteListCheck checkByteList(QStringView text, int expected)
{
    if (text.isEmpty())
        return ByteListCheck::Valid;
    int count = 0;
    bool bad = false;
    // Items are read in place, left to right; a comma at the very end leaves nothing after
    // it and so ends the list without an empty item.
    qsizetype from = 0;
    while (from < text.size()) {
        const qsizetype comma = text.indexOf(u',', from);
        const qsizetype end = comma < 0 ? text.size() : comma;
        const std::int32_t value = toInt32(trimBlanks(text.sliced(from, end - from)), -1);
        if (value < 0 || value > 255) {
            bad = true;
            break;
        }
        ++count;
        from = end + 1;
    }
    if (count != expected)
        return ByteListCheck::WrongCount;
    return bad ? ByteListCheck::BadByte : ByteListCheck::Valid;
}

std::vector<std::uint8_t> defaultBytes(QStringView defaultValues)
{
    const QList<std::uint8_t> bytes = parseByteList(trimBlanks(defaultValues));
    return std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + std::min<qsizetype>(bytes.size(), kMaxDataLength));
}

int defaultByteCount(QStringView defaultValues)
{
    return static_cast<int>(parseByteList(trimBlanks(defaultValues)).size());
}

bool isYesFlag(QStringView flag)
{
    return equalsUpperAscii(flag, QLatin1StringView("Y"));
}

bool isYesFlagTrimmed(QStringView flag)
{
    return isYesFlag(trimBlanks(flag));
}

bool isCheckedFlag(QStringView flag)
{
    return flag == u"Y";
}

QString flagText(bool on)
{
    return on ? QStringLiteral("Y") : QStringLiteral("N");
}

bool timeOutFits(QStringView timeOutTime)
{
    return inRange(toInt32(trimBlanks(timeOutTime), -1), 0, kMaxMilliseconds);
}

bool rtrPeriodFits(QStringView timeRtr)
{
    return inRange(toInt32(timeRtr, -1), 1, kMaxMilliseconds);
}

bool timerFits(QStringView timer)
{
    return inRange(toInt32(timer, -1), 0, kMaxMilliseconds);
}

} // namespace px::config
