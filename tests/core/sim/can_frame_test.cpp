#include "core/sim/can_frame.h"

#include <gtest/gtest.h>

namespace px {
namespace {

using sim::CanFrame;

TEST(CandumpLine, ReadsClassicFramesAndRefusesTheRest)
{
    const struct {
        const char* line;
        const char* written;   // the frame written back, or null when refused
    } cases[] = {
        {"(1700000000.000000) vcan0 181#1122334455667788", "181#1122334455667788"},
        {"181#", "181#"},
        {"  18FEF100#01.02.03  ", "18FEF100#010203"},
        {"181#R", "181#R"},
        {"181#R4", "181#R4"},
        {"(1.0) can0 7FF#aa", "7FF#AA"},
        {"800#00", nullptr},          // beyond 11 bits
        {"20000000#00", nullptr},     // beyond 29 bits
        {"1811#00", nullptr},         // neither 3 nor 8 digits
        {"181#112", nullptr},
        {"181#112233445566778899", nullptr},
        {"181##1112", nullptr},       // CAN FD
        {"181#R9", nullptr},
        {"xyz#00", nullptr},
        {"(1.0) vcan0", nullptr},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        QString error;
        const std::optional<CanFrame> f = sim::parseCandumpLine(QString::fromLatin1(c.line), &error);
        ASSERT_EQ(f.has_value(), c.written != nullptr) << c.line;
        if (f)
            EXPECT_EQ(sim::candumpLine(*f, 1700000000123456, u"vcan0"), QStringLiteral("(1700000000.123456) vcan0 ") + QLatin1StringView(c.written));
        else
            EXPECT_FALSE(error.isEmpty()) << c.line;
    }
}

} // namespace
} // namespace px
