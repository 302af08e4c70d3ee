#include "core/base/int_text.h"

#include <gtest/gtest.h>

#include <optional>

namespace px {
namespace {

struct IntCase {
    const char* text;
    std::optional<std::int64_t> as32;
    std::optional<std::int64_t> as64;
};

TEST(IntegerText, ReadsTheOneSyntaxAtBothWidths)
{
    const IntCase cases[] = {
        {"0", 0, 0},
        {"123", 123, 123},
        {"  42", 42, 42},
        {"+7", 7, 7},
        {"-7", -7, -7},
        {"$1F", 31, 31},
        {"x1F", 31, 31},
        {"X1f", 31, 31},
        {"0x1F", 31, 31},
        {"0X7ff", 2047, 2047},
        {"-$10", -16, -16},
        {"  -0x10", -16, -16},
        {"007", 7, 7},
        {"999999999", 999999999, 999999999},
        {"000000000", 0, 0},
        {"1234567890", 1234567890, 1234567890},
        // Invalid texts.
        {"", std::nullopt, std::nullopt},
        {"   ", std::nullopt, std::nullopt},
        {"12 ", std::nullopt, std::nullopt},
        {"1 2", std::nullopt, std::nullopt},
        {"- 5", std::nullopt, std::nullopt},
        {"abc", std::nullopt, std::nullopt},
        {"$", std::nullopt, std::nullopt},
        {"0x", std::nullopt, std::nullopt},
        {"1.5", std::nullopt, std::nullopt},
        {"\t5", std::nullopt, std::nullopt},
        {"0xG", std::nullopt, std::nullopt},
        {"12a", std::nullopt, std::nullopt},
        // Range per width.
        {"2147483647", 2147483647, 2147483647},
        {"-2147483648", -2147483648LL, -2147483648LL},
        {"2147483648", std::nullopt, 2147483648LL},
        {"-2147483649", std::nullopt, -2147483649LL},
        {"$7FFFFFFF", 2147483647, 2147483647},
        {"$80000000", std::nullopt, 2147483648LL},
        {"0xFFFFFFFF", std::nullopt, 4294967295LL},
        {"9223372036854775807", std::nullopt, 9223372036854775807LL},
        {"-9223372036854775808", std::nullopt, std::numeric_limits<std::int64_t>::min()},
        {"9223372036854775808", std::nullopt, std::nullopt},
        {"0x10000000000000000", std::nullopt, std::nullopt},
        {"99999999999999999999999", std::nullopt, std::nullopt},
    };
    for (const IntCase& c : cases) {
        const QString text = QString::fromLatin1(c.text);
        const auto v32 = parseInt32(text);
        const auto v64 = parseInt64(text);
        EXPECT_EQ(v32 ? std::optional<std::int64_t>(*v32) : std::nullopt, c.as32) << "32-bit: '" << c.text << "'";
        EXPECT_EQ(v64, c.as64) << "64-bit: '" << c.text << "'";
    }
    EXPECT_EQ(toInt32(QStringLiteral("zz"), -1), -1);
    EXPECT_EQ(toInt64(QStringLiteral("0x1FFFFFFF"), -1), 0x1FFFFFFF);
}

} // namespace
} // namespace px
