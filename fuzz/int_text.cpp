// The integer text syntax against a second, independent reading of the same rules.

#include "fuzz_support.h"

#include "core/base/int_text.h"
#include "core/base/text_rules.h"

#include <QString>

#include <cstring>
#include <limits>
#include <optional>

namespace {

__extension__ typedef __int128 Wide;

// Leading spaces, a sign, "$", "0x", "0X", "x" or "X" for hexadecimal, then digits only;
// the value within the signed range of `bits`. Computed on a wide integer.
std::optional<Wide> reference(const QString& text, int bits)
{
    QString rest = text;
    while (rest.startsWith(u' '))
        rest.remove(0, 1);
    bool negative = false;
    if (rest.startsWith(u'-') || rest.startsWith(u'+')) {
        negative = rest.startsWith(u'-');
        rest.remove(0, 1);
    }
    int base = 10;
    for (const char* prefix : {"$", "0x", "0X", "x", "X"}) {
        if (rest.startsWith(QLatin1StringView(prefix))) {
            base = 16;
            rest.remove(0, static_cast<qsizetype>(std::strlen(prefix)));
            break;
        }
    }
    if (rest.isEmpty())
        return std::nullopt;
    const Wide high = bits == 32 ? std::numeric_limits<std::int32_t>::max() : std::numeric_limits<std::int64_t>::max();
    Wide value = 0;
    for (const QChar c : rest) {
        const char16_t u = c.unicode();
        int d;
        if (u >= u'0' && u <= u'9')
            d = u - u'0';
        else if (base == 16 && u >= u'a' && u <= u'f')
            d = u - u'a' + 10;
        else if (base == 16 && u >= u'A' && u <= u'F')
            d = u - u'A' + 10;
        else
            return std::nullopt;
        value = value * base + d;
        if (value > high + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > high || value < -high - 1)
        return std::nullopt;
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(px::fuzz::bytesOf(data, size));
    const auto v32 = px::parseInt32(text);
    const auto r32 = reference(text, 32);
    FUZZ_PROPERTY(v32.has_value() == r32.has_value());
    FUZZ_PROPERTY(!v32 || static_cast<Wide>(*v32) == *r32);
    const auto v64 = px::parseInt64(text);
    const auto r64 = reference(text, 64);
    FUZZ_PROPERTY(v64.has_value() == r64.has_value());
    FUZZ_PROPERTY(!v64 || static_cast<Wide>(*v64) == *r64);
    // Trimming keeps no blank or control character at either end and nothing else is lost.
    const QStringView trimmed = px::trimBlanks(text);
    FUZZ_PROPERTY(trimmed.isEmpty() || (trimmed.front().unicode() > 32 && trimmed.back().unicode() > 32));
    FUZZ_PROPERTY(text.contains(trimmed));
    return 0;
}
