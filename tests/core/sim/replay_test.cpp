#include "core/sim/replay.h"

#include "../image/image_test_support.h"
#include "core/base/error.h"
#include "core/image/compiler.h"
#include "core/sim/monitor_session.h"

#include <QDeadlineTimer>
#include <QEventLoop>

#include <gtest/gtest.h>

namespace px {
namespace {

using namespace sim;

TEST(CandumpLog, FramesAreTimedFromTheFirstAndBadLinesNamed)
{
    const std::vector<TimedFrame> frames = readCandumpLog("(1700000000.500000) can0 181#11\n"
                                                          "\n"
                                                          "  (1700000001.25) can0 18FF0010#R\n"
                                                          "181#2233\n"
                                                          "(1700000000.000000) can0 181#44\n",
                                                          QStringLiteral("plant.log"));
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0].micros, 0);
    EXPECT_EQ(frames[1].micros, 750000);
    EXPECT_TRUE(frames[1].frame.remote);
    EXPECT_TRUE(frames[1].frame.extended);
    EXPECT_EQ(frames[2].micros, 750000);   // no time stamp: the time of the line before
    EXPECT_EQ(frames[2].frame.length, 2);
    EXPECT_EQ(frames[3].micros, 750000);   // a time running backwards keeps the order

    const struct {
        const char* bytes;
        const char* error;
    } bad[] = {
        {"(1.0) can0 181#11\n(2.0) can0 181#1\n", "plant.log, line 2: the data are no pairs of hex digits"},
        {"(x.5) can0 181#11\n", "plant.log, line 1: the time stamp is no (seconds.microseconds)"},
        {"\n\n", "plant.log holds no CAN frame"},
        {"(1.0) can0 181##311\n", "plant.log, line 1: CAN FD frames are not supported"},
    };
    for (const auto& c : bad) {
        try {
            readCandumpLog(c.bytes, QStringLiteral("plant.log"));
            ADD_FAILURE() << c.bytes;
        } catch (const Error& e) {
            EXPECT_EQ(e.text(), QString::fromLatin1(c.error));
        }
    }
}

// Receive frame 0x181 with a time-out of 500 ms feeding register 10.
QByteArray timedImage()
{
    auto input = test::configuration({
        {"ParGen.xml", test::parGen("<Device_Type>1</Device_Type>")},
        {"RCobDef.xml", test::rowsFile("COBID", R"~(
            <row CobID="0x181" CobType="2.0A (11 bits)" Dimensin="2" TimeOut_Time="500" TimeOut="Y" RTR="N" TimeRTR="" DefaultValues=""/>)~")},
        {"RInfoCob.xml", test::rowsFile("RInfoCob", R"~(<row Index="10" NrPdo="1" PosComp="18"/>)~")},
    });
    return image::compileConfiguration(input).bank2;
}

struct StateLog final : ConverterEvents {
    void frameReceived(Millis, const CanFrame&, FrameRef) override {}
    void frameSent(Millis, const CanFrame&, FrameRef, SendReason) override {}
    void registerChanged(Millis time, std::uint16_t, std::uint16_t value) override { values.push_back({time, value}); }
    void receiveStateChanged(Millis time, int, ReceiveState state) override { states.push_back({time, state}); }
    void modbusRequest(Millis, const ModbusAccess&) override {}
    std::vector<std::pair<Millis, int>> values;
    std::vector<std::pair<Millis, ReceiveState>> states;
};

TEST(Replay, AsFastAsPossibleTheConverterRunsOnTheCapturesTime)
{
    Converter converter = Converter::fromImage(timedImage(), 0);
    StateLog log;
    converter.setEvents(&log);
    ManualClock clock;
    // Three frames, the last after a gap beyond the 500 ms time-out.
    std::vector<TimedFrame> frames = readCandumpLog("(100.000000) can0 181#0001\n"
                                                    "(100.200000) can0 181#0002\n"
                                                    "(101.000000) can0 181#0003\n",
                                                    QStringLiteral("c.log"));
    Replay replay(std::move(frames), [&](const CanFrame& f) { converter.receive(f, clock.now()); }, 0, &clock);
    QEventLoop loop;
    int played = -1;
    QObject::connect(&replay, &Replay::finished, [&](int n) {
        played = n;
        loop.quit();
    });
    QDeadlineTimer deadline(2000);
    replay.start();
    loop.exec();
    EXPECT_FALSE(deadline.hasExpired());   // no waiting on the capture's pace
    EXPECT_EQ(played, 3);
    EXPECT_EQ(log.values, (std::vector<std::pair<Millis, int>>{{0, 1}, {200, 2}, {1000, 3}}));
    EXPECT_EQ(log.states, (std::vector<std::pair<Millis, ReceiveState>>{
                              {0, ReceiveState::Fresh}, {700, ReceiveState::TimedOut}, {1000, ReceiveState::Fresh}}));
}

TEST(Replay, PacedFramesComeAtTheirTimeDividedByTheSpeed)
{
    std::vector<TimedFrame> frames = readCandumpLog("(0.000000) can0 181#01\n(0.400000) can0 181#02\n", QStringLiteral("c.log"));
    QElapsedTimer elapsed;
    std::vector<qint64> at;
    Replay replay(std::move(frames), [&](const CanFrame&) { at.push_back(elapsed.elapsed()); }, 4.0);
    QEventLoop loop;
    QObject::connect(&replay, &Replay::finished, &loop, &QEventLoop::quit);
    elapsed.start();
    replay.start();
    loop.exec();
    ASSERT_EQ(at.size(), 2u);
    EXPECT_LT(at[0], 50);
    EXPECT_GE(at[1], 100);   // 400 ms at four times the speed
}

TEST(DeviceAddress, HostAndPortAsTyped)
{
    const struct {
        const char* text;
        const char* host;
        int port;
    } cases[] = {
        {"10.0.0.20", "10.0.0.20", 502},
        {" 10.0.0.20:5020 ", "10.0.0.20", 5020},
        {"plc.local:1502", "plc.local", 1502},
        {"[::1]:1502", "::1", 1502},
        {"::1", "::1", 502},
        {"10.0.0.20:0", nullptr, 0},
        {"10.0.0.20:x", nullptr, 0},
        {":502", nullptr, 0},
        {"", nullptr, 0},
    };
    for (const auto& c : cases) {
        std::optional<Message> error;
        const std::optional<DeviceAddress> a = parseDeviceAddress(QString::fromLatin1(c.text), &error);
        if (!c.host) {
            EXPECT_FALSE(a) << c.text;
            EXPECT_TRUE(error && !error->englishText().isEmpty());
            continue;
        }
        ASSERT_TRUE(a) << c.text << " " << (error ? error->englishText().toStdString() : std::string());
        EXPECT_EQ(a->host, QString::fromLatin1(c.host));
        EXPECT_EQ(a->port, c.port);
    }
}

} // namespace
} // namespace px
