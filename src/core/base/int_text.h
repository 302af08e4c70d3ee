#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace px {

// The one integer text syntax of the product: optional leading blanks, an optional sign,
// then decimal digits, or hexadecimal digits after "$", "x", "X", "0x" or "0X". Trailing
// blanks or any other character make the text invalid, and so does a value outside the
// signed range of the width asked for.
std::optional<std::int32_t> parseInt32(QStringView text);
std::optional<std::int64_t> parseInt64(QStringView text);

// The same, with the value that an invalid text takes at the place that reads it.
inline std::int32_t toInt32(QStringView text, std::int32_t invalid)
{
    return parseInt32(text).value_or(invalid);
}
inline std::int64_t toInt64(QStringView text, std::int64_t invalid)
{
    return parseInt64(text).value_or(invalid);
}

} // namespace px
