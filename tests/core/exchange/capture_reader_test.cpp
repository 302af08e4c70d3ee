#include "core/exchange/capture_reader.h"

#include "core/base/error.h"
#include "support/temp_home.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace px::exchange {
namespace {

using test::fixture;

struct Expected {
    std::uint32_t id;
    bool extended;
    int maxLength;
    std::int64_t count;
    std::optional<double> periodMs;
    QByteArray firstData;
    const char* interfaceName;
};

void expectFrames(const CaptureSummary& s, const std::vector<Expected>& expected)
{
    ASSERT_EQ(s.frames.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const CapturedFrame& f = s.frames[i];
        const Expected& e = expected[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(f.id, e.id);
        EXPECT_EQ(f.extended, e.extended);
        EXPECT_EQ(f.maxLength, e.maxLength);
        EXPECT_EQ(f.count, e.count);
        ASSERT_EQ(f.meanPeriodMs.has_value(), e.periodMs.has_value());
        if (e.periodMs) {
            EXPECT_NEAR(*f.meanPeriodMs, *e.periodMs, 1e-6);
        }
        EXPECT_EQ(f.firstData, e.firstData);
        EXPECT_EQ(f.interfaceName, QLatin1StringView(e.interfaceName));
    }
}

std::vector<std::pair<std::int64_t, QString>> refused(const CaptureSummary& s)
{
    std::vector<std::pair<std::int64_t, QString>> out;
    for (const RefusedLine& r : s.refused)
        out.emplace_back(r.line, r.reason);
    return out;
}

TEST(CaptureReader, LogShape)
{
    const CaptureSummary s = readCapture(fixture(QStringLiteral("exchange/log_shape.log")), QStringLiteral("log_shape.log"));
    expectFrames(s, {
        {0x181, false, 8, 3, 100.0, QByteArray::fromHex("1122334455667788"), "can0"},
        {0x18FF0011, true, 5, 2, 200.0, QByteArray::fromHex("0102"), "can0"},
        {0x7FF, false, 0, 1, std::nullopt, QByteArray(), "can0"},
    });
    EXPECT_EQ(s.lines, 13);
    EXPECT_EQ(s.framesRead, 6);
    EXPECT_EQ(refused(s), (std::vector<std::pair<std::int64_t, QString>>{
                              {4, QStringLiteral("remote request frame")},
                              {5, QStringLiteral("CAN FD frame")},
                              {6, QStringLiteral("error frame")},
                              {10, QStringLiteral("not a candump line")},
                              {12, QStringLiteral("identifier beyond 11 bits")},
                              {13, QStringLiteral("more than 8 data bytes")},
                          }));
    EXPECT_EQ(s.refusedCount, 6);
}

TEST(CaptureReader, ScreenShape)
{
    const CaptureSummary s = readCapture(fixture(QStringLiteral("exchange/screen_shape.txt")), QStringLiteral("screen_shape.txt"));
    // Without time stamps there is no period.
    expectFrames(s, {
        {0x181, false, 8, 2, std::nullopt, QByteArray::fromHex("1122334455667788"), "can0"},
        {0x18FF0011, true, 2, 1, std::nullopt, QByteArray::fromHex("0102"), "can0"},
        {0x201, false, 3, 1, std::nullopt, QByteArray::fromHex("010203"), "can1"},
    });
    EXPECT_EQ(refused(s), (std::vector<std::pair<std::int64_t, QString>>{
                              {3, QStringLiteral("remote request frame")},
                              {4, QStringLiteral("CAN FD frame")},
                              {7, QStringLiteral("error frame")},
                          }));
}

TEST(CaptureReader, TimeStampsGivePeriodsOnlyWhenTheyRunForward)
{
    struct Case {
        const char* what;
        QByteArray text;
        std::optional<double> periodMs;
    };
    const Case cases[] = {
        {"screen shape with stamps",
         "(1700000000.000000)  can0  181   [1]  01\n(1700000000.050000)  can0  181   [1]  02\n", 50.0},
        {"date and time stamps",
         "(2023-11-14 22:13:20.000000)  can0  181   [1]  01\n(2023-11-14 22:13:21.500000)  can0  181   [1]  02\n", 1500.0},
        {"log shape across a second", "(9.990000) vcan0 181#01\n(10.010000) vcan0 181#02\n(10.030000) vcan0 181#03\n", 20.0},
        {"differences between frames", "(000.000000) can0 181#01\n(000.010000) can0 181#02\n(000.005000) can0 181#03\n", std::nullopt},
        {"one frame", "(1.0) can0 181#01\n", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CaptureSummary s = readCapture(c.text, QStringLiteral("c.log"));
        ASSERT_EQ(s.frames.size(), 1u);
        ASSERT_EQ(s.frames[0].meanPeriodMs.has_value(), c.periodMs.has_value());
        if (c.periodMs) {
            EXPECT_NEAR(*s.frames[0].meanPeriodMs, *c.periodMs, 1e-6);
        }
    }
}

TEST(CaptureReader, OtherFilesAreRefused)
{
    struct Case {
        QByteArray text;
        const char* expected;
    };
    const Case cases[] = {
        {fixture(QStringLiteral("exchange/constructs.dbc")),
         "c.log is not a candump capture: line 1 is neither \"(time) can0 181#1122\" nor \"can0  181   [2]  11 22\""},
        {"\n\nid;data\n181;11\n", "c.log is not a candump capture: line 3 is neither"},
        {QByteArray("\x7F" "ELF\0\0\0", 7), "c.log is not a candump capture: it holds binary data"},
    };
    for (const Case& c : cases) {
        try {
            readCapture(c.text, QStringLiteral("c.log"));
            ADD_FAILURE() << "read without error: " << c.expected;
        } catch (const Error& e) {
            EXPECT_TRUE(e.text().startsWith(QLatin1StringView(c.expected))) << e.text().toStdString();
        }
    }
    // Frames of a kind no import takes are still a capture: it holds nothing to import.
    const CaptureSummary fdOnly = readCapture("(1.0) can0 181##0112233\n", QStringLiteral("c.log"));
    EXPECT_TRUE(fdOnly.frames.empty());
    EXPECT_EQ(fdOnly.refusedCount, 1);
}

TEST(CaptureReader, ReportsProgressAndCanBeCancelled)
{
    QByteArray text;
    for (int i = 0; i < 100000; ++i)
        text += "(1700000000." + QByteArray::number(100000 + i) + ") can0 181#1122334455667788\n";
    // A line far beyond any candump line is refused without being kept whole.
    text += QByteArray(20000, 'x') + "\n(1700000001.000000) can0 182#01";

    std::vector<qint64> seen;
    QBuffer device(&text);
    device.open(QIODevice::ReadOnly);
    const std::optional<CaptureSummary> s = readCapture(device, QStringLiteral("big.log"), [&](qint64 done, qint64 total) {
        EXPECT_EQ(total, text.size());
        seen.push_back(done);
        return true;
    });
    ASSERT_TRUE(s);
    ASSERT_EQ(s->frames.size(), 2u);
    EXPECT_EQ(s->frames[0].count, 100000);
    EXPECT_EQ(s->frames[1].firstLine, 100002);
    EXPECT_EQ(refused(*s), (std::vector<std::pair<std::int64_t, QString>>{{100001, QStringLiteral("line longer than 4096 characters")}}));
    ASSERT_GE(seen.size(), 3u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), text.size());

    QBuffer again(&text);
    again.open(QIODevice::ReadOnly);
    int calls = 0;
    EXPECT_FALSE(readCapture(again, QStringLiteral("big.log"), [&](qint64, qint64) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
}

} // namespace
} // namespace px::exchange
