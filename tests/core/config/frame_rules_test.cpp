#include "core/config/frame_rules.h"

#include <gtest/gtest.h>

namespace px::config {
namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

TEST(FrameRules, IdentifierFitsItsFormat)
{
    const struct {
        const char* text;
        bool extended;
        bool fits;
    } cases[] = {
        {"0", false, true},           {"2047", false, true},        {"0x7FF", false, true},
        {"2048", false, false},       {"0x800", false, false},      {"-1", false, false},
        {"0x1FFFFFFF", true, true},   {"536870911", true, true},    {"$1FFFFFFF", true, true},
        {"536870912", true, false},   {"0x20000000", true, false},  {"-1", true, false},
        {"4096", true, true},         {"4096", false, false},       {"abc", true, false},
        {"", false, false},           {" 100", false, true},        {"100 ", false, false},
        {"99999999999999999999", true, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(identifierTextFits(s(c.text), c.extended), c.fits) << c.text << (c.extended ? " 29" : " 11");
    EXPECT_EQ(maxIdentifier(false), 0x7FFu);
    EXPECT_EQ(maxIdentifier(true), 0x1FFFFFFFu);
    EXPECT_EQ(maxIdentifierText(false), s("0x7FF"));
    EXPECT_EQ(maxIdentifierText(true), s("0x1FFFFFFF"));
}

TEST(FrameRules, FormatTextAndDataLength)
{
    const struct {
        const char* text;
        FormatTextFault fault;
        bool extended;  // as the images read it
    } formats[] = {
        {"2.0A (11 bits)", FormatTextFault::None, false},  {"2.0B (29 bits)", FormatTextFault::None, true},
        {"", FormatTextFault::Missing, false},             {" \t", FormatTextFault::Missing, false},
        {"2.0b (29 bits)", FormatTextFault::NotAnItem, true}, {" 2.0B (29 bits)", FormatTextFault::NotAnItem, false},
        {"other", FormatTextFault::NotAnItem, false},
    };
    for (const auto& c : formats) {
        EXPECT_EQ(formatTextFault(s(c.text)), c.fault) << c.text;
        EXPECT_EQ(isExtendedFormat(s(c.text)), c.extended) << c.text;
    }
    EXPECT_EQ(formatText(false), kStandardFormatText);
    EXPECT_EQ(formatText(true), kExtendedFormatText);
    EXPECT_FALSE(isExtendedCanType(0));
    EXPECT_TRUE(isExtendedCanType(7));

    const struct {
        const char* text;
        bool fits;
    } lengths[] = {{"0", false}, {"1", true}, {"8", true}, {"9", false}, {"-1", false},
                   {"x", false}, {"", false}, {"8 ", false}, {"0x8", true}};
    for (const auto& c : lengths)
        EXPECT_EQ(dataLengthTextFits(s(c.text)), c.fits) << c.text;
    // Shown and exported: clamped, 8 for no number.
    EXPECT_EQ(dataBytesOf(u"3"), 3);
    EXPECT_EQ(dataBytesOf(u"12"), 8);
    EXPECT_EQ(dataBytesOf(u"-2"), 0);
    EXPECT_EQ(dataBytesOf(u"x"), 8);
}

TEST(FrameRules, FlagsAndTimes)
{
    EXPECT_TRUE(isYesFlag(u"Y"));
    EXPECT_TRUE(isYesFlag(u"y"));
    EXPECT_FALSE(isYesFlag(u" Y"));
    EXPECT_FALSE(isYesFlag(u"N"));
    EXPECT_TRUE(isYesFlagTrimmed(s(" y\t")));
    EXPECT_FALSE(isYesFlagTrimmed(s("Y\xC2\xA0")));  // a no-break space is no blank here
    EXPECT_TRUE(isCheckedFlag(u"Y"));
    EXPECT_FALSE(isCheckedFlag(u"y"));
    EXPECT_EQ(flagText(true), s("Y"));
    EXPECT_EQ(flagText(false), s("N"));

    enum Rule { TimeOut, RtrPeriod, Timer };
    const struct {
        Rule rule;
        const char* text;
        bool fits;
    } times[] = {
        {TimeOut, "0", true},          {TimeOut, " 250 ", true},        {TimeOut, "100000000", true},
        {TimeOut, "100000001", false}, {TimeOut, "", false},            {TimeOut, "-1", false},
        {TimeOut, "abc", false},       {RtrPeriod, "0", false},         {RtrPeriod, "1", true},
        {RtrPeriod, "100000000", true}, {RtrPeriod, "100000001", false}, {RtrPeriod, "5 ", false},
        {RtrPeriod, "", false},        {Timer, "0", true},              {Timer, "100000000", true},
        {Timer, "100000001", false},   {Timer, "-5", false},            {Timer, "abc", false},
    };
    for (const auto& c : times) {
        const bool fits = c.rule == TimeOut     ? timeOutFits(s(c.text))
                          : c.rule == RtrPeriod ? rtrPeriodFits(s(c.text))
                                                : timerFits(s(c.text));
        EXPECT_EQ(fits, c.fits) << c.rule << " " << c.text;
    }
}

TEST(FrameRules, DefaultBytesAreThePiecesThatAreBytes)
{
    EXPECT_EQ(defaultBytes(s(" 1, 2 ,x,300,4 ")), (std::vector<std::uint8_t>{1, 2, 4}));
    EXPECT_EQ(defaultByteCount(s(" 1, 2 ,x,300,4 ")), 3);
    // At most a frame's data bytes reach the image; the count sees them all.
    EXPECT_EQ(defaultBytes(s("1,2,3,4,5,6,7,8,9")).size(), 8u);
    EXPECT_EQ(defaultByteCount(s("1,2,3,4,5,6,7,8,9")), 9);
    EXPECT_TRUE(defaultBytes(u"").empty());
}

} // namespace
} // namespace px::config
