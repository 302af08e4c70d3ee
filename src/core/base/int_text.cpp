#include "core/base/int_text.h"

#include <limits>

namespace px {
namespace {

int digitValue(QChar c, int base)
{
    const char16_t u = c.unicode();
    int v = -1;
    if (u >= u'0' && u <= u'9')
        v = u - u'0';
    else if (u >= u'a' && u <= u'f')
        v = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        v = u - u'A' + 10;
    return v < base ? v : -1;
}

// Reads the text into a magnitude no larger than `limit`; the sign is applied by the caller.
std::optional<std::int64_t> parseWithin(QStringView text, std::uint64_t maxPositive)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < n && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    } else if (i < n && (text[i] == u'x' || text[i] == u'X')) {
        base = 16;
        ++i;
    }
    if (i >= n)
        return std::nullopt;
    // The negative side reaches one further than the positive one.
    const std::uint64_t limit = negative ? maxPositive + 1 : maxPositive;
    std::uint64_t value = 0;
    for (; i < n; ++i) {
        const int d = digitValue(text[i], base);
        if (d < 0)
            return std::nullopt;
        if (value > (limit - static_cast<std::uint64_t>(d)) / static_cast<std::uint64_t>(base))
            return std::nullopt;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    }
    if (negative)
        return value == 0 ? 0 : -static_cast<std::int64_t>(value - 1) - 1;
    return static_cast<std::int64_t>(value);
}

} // namespace

std::optional<std::int32_t> parseInt32(QStringView text)
{
    const auto v = parseWithin(text, static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()));
    if (!v)
        return std::nullopt;
    return static_cast<std::int32_t>(*v);
}

std::optional<std::int64_t> parseInt64(QStringView text)
{
    return parseWithin(text, static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()));
}

} // namespace px
