#include "core/base/int_text.h"

#include <limits>

namespace px {
namespace {

// The digits of `text` from `i` on in `base` into a magnitude no larger than `limit`. The
// base is a constant of each instance, so the overflow test costs no division.
template <unsigned base>
std::optional<std::uint64_t> digitsWithin(const char16_t* text, qsizetype i, qsizetype n, std::uint64_t limit)
{
    std::uint64_t value = 0;
    for (; i < n; ++i) {
        const char16_t u = text[i];
        unsigned d;
        if (u >= u'0' && u <= u'9')
            d = u - u'0';
        else if (base == 16 && u >= u'a' && u <= u'f')
            d = u - u'a' + 10;
        else if (base == 16 && u >= u'A' && u <= u'F')
            d = u - u'A' + 10;
        else
            return std::nullopt;
        if (value > (limit - d) / base)
            return std::nullopt;
        value = value * base + d;
    }
    return value;
}

// Reads the text into a magnitude no larger than `limit`; the sign is applied by the caller.
std::optional<std::int64_t> parseWithin(QStringView view, std::uint64_t maxPositive)
{
    const char16_t* text = view.utf16();
    qsizetype i = 0;
    const qsizetype n = view.size();
    // Most texts are a few decimal digits, which no width can overflow: read at once.
    if (n > 0 && n <= 9) {
        std::uint32_t value = 0;
        for (; i < n; ++i) {
            const unsigned d = static_cast<unsigned>(text[i]) - u'0';
            if (d > 9)
                break;
            value = value * 10 + d;
        }
        if (i == n)
            return static_cast<std::int64_t>(value);
        i = 0;
    }
    while (i < n && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    bool hex = false;
    if (i < n && text[i] == u'$') {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        hex = true;
        i += 2;
    } else if (i < n && (text[i] == u'x' || text[i] == u'X')) {
        hex = true;
        ++i;
    }
    if (i >= n)
        return std::nullopt;
    // The negative side reaches one further than the positive one.
    const std::uint64_t limit = negative ? maxPositive + 1 : maxPositive;
    const std::optional<std::uint64_t> value = hex ? digitsWithin<16>(text, i, n, limit) : digitsWithin<10>(text, i, n, limit);
    if (!value)
        return std::nullopt;
    if (negative)
        return *value == 0 ? 0 : -static_cast<std::int64_t>(*value - 1) - 1;
    return static_cast<std::int64_t>(*value);
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
