#include "core/sim/converter.h"

#include "../image/image_test_support.h"
#include "core/base/error.h"
#include "core/image/compiler.h"
#include "core/sim/event_text.h"

#include <gtest/gtest.h>

namespace px {
namespace {

using namespace sim;
using test::rowsFile;

// Receive frame 1: 0x181, 8 bytes, time-out 500 ms, default values 1,2,3.
// Receive frame 2: 0x18FEF100 (29 bits), 4 bytes, polled with RTR every 250 ms.
// Transmit frame 1: 0x201 on change; 2: 0x202 on timer every 100 ms, default 0,255;
// 3: 0x203 with RTR, register 22 sends it on write.
QByteArray sampleImage()
{
    auto input = test::configuration({
        {"ParGen.xml", test::parGen()},
        {"RCobDef.xml", rowsFile("COBID", R"~(
            <row CobID="0x181" CobType="2.0A (11 bits)" Dimensin="8" TimeOut_Time="500" TimeOut="Y" RTR="N" TimeRTR="" DefaultValues="1,2,3"/>
            <row CobID="0x18FEF100" CobType="2.0B (29 bits)" Dimensin="4" TimeOut_Time="0" TimeOut="N" RTR="Y" TimeRTR="250" DefaultValues=""/>)~")},
        {"RInfoCob.xml", rowsFile("RInfoCob", R"~(
            <row Index="10" NrPdo="1" PosComp="18"/>
            <row Index="11" NrPdo="1" PosComp="48"/>
            <row Index="12" NrPdo="1" PosComp="8"/>
            <row Index="13" NrPdo="2" PosComp="33"/>)~")},
        {"TCobDef.xml", rowsFile("COBID", R"~(
            <row CobID="0x201" CobType="2.0A (11 bits)" Dimensin="2" RTR="N" OnChange="Y" OnTimer="N" Timer="0" DefaultValues=""/>
            <row CobID="0x202" CobType="2.0A (11 bits)" Dimensin="2" RTR="N" OnChange="N" OnTimer="Y" Timer="100" DefaultValues="0,255"/>
            <row CobID="0x203" CobType="2.0A (11 bits)" Dimensin="2" RTR="Y" OnChange="N" OnTimer="N" Timer="0" DefaultValues=""/>)~")},
        {"TInfoCob.xml", rowsFile("TInfoCob", R"~(
            <row Index="20" NrPdo="1" PosComp="18" Send_on_Write="0"/>
            <row Index="21" NrPdo="2" PosComp="18" Send_on_Write="0"/>
            <row Index="22" NrPdo="3" PosComp="18" Send_on_Write="1"/>)~")},
    });
    return image::compileConfiguration(input).bank2;
}

QStringList lines(std::initializer_list<const char*> texts)
{
    QStringList l;
    for (const char* t : texts)
        l << QString::fromUtf8(t);
    return l;
}

CanFrame frame(std::uint32_t id, std::initializer_list<std::uint8_t> data, bool extended = false)
{
    CanFrame f;
    f.id = id;
    f.extended = extended;
    f.length = static_cast<std::uint8_t>(data.size());
    std::copy(data.begin(), data.end(), f.data.begin());
    return f;
}

// Every event as one line, times in milliseconds from 0.
struct Recorder final : ConverterEvents {
    QStringList lines;
    void frameReceived(Millis t, const CanFrame& f, FrameRef m) override
    {
        lines << QStringLiteral("%1 RX %2 %3 %4").arg(t).arg(identifierText(f), dataText(f), frameRefText(m));
    }
    void frameSent(Millis t, const CanFrame& f, FrameRef m, SendReason r) override
    {
        lines << QStringLiteral("%1 TX %2 %3 %4 (%5)").arg(t).arg(identifierText(f), dataText(f), frameRefText(m), sendReasonText(r));
    }
    void registerChanged(Millis t, std::uint16_t reg, std::uint16_t v) override
    {
        lines << QStringLiteral("%1 register %2 = 0x%3").arg(t).arg(reg).arg(v, 4, 16, QLatin1Char('0'));
    }
    void receiveStateChanged(Millis t, int f, ReceiveState s) override
    {
        lines << QStringLiteral("%1 receive frame %2 %3").arg(t).arg(f + 1).arg(receiveStateText(s));
    }
    void modbusRequest(Millis t, const ModbusAccess& a) override
    {
        if (a.refusedRegister)
            lines << QStringLiteral("%1 refused %2").arg(t).arg(modbusAccessText(a));
    }
    QStringList take() { return std::exchange(lines, {}); }
};

class ConverterTest : public ::testing::Test {
protected:
    ConverterTest() : converter(Converter::fromImage(sampleImage(), 0)) { converter.setEvents(&events); }

    bool write(std::uint16_t start, std::initializer_list<std::uint16_t> values, Millis now = 0)
    {
        const std::vector<std::uint16_t> v(values);
        return converter.writeRegisters(1, v.size() == 1 ? 6 : 16, start, v.data(), static_cast<int>(v.size()), now);
    }

    Converter converter;
    Recorder events;
};

TEST_F(ConverterTest, ReceiveFrameSetsItsRegistersFromHighAndLowBytes)
{
    // Before the first frame the bytes are the default values (zeros where none are given).
    EXPECT_EQ(converter.registerValue(10), 0x0102);
    EXPECT_EQ(converter.registerValue(11), 0x0300);   // low part none reads 0
    EXPECT_EQ(converter.registerValue(12), 0x0000);   // high part none, byte 8 has no default
    EXPECT_EQ(converter.registerValue(13), 0x0000);

    const struct {
        CanFrame frame;
        std::initializer_list<const char*> expected;
    } steps[] = {
        {frame(0x181, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}),
         {"0 RX 181 11 22 33 44 55 66 77 88 receive frame 1", "0 receive frame 1 fresh", "0 register 10 = 0x1122",
          "0 register 11 = 0x3300", "0 register 12 = 0x0088"}},
        // A shorter frame sets only its bytes: byte 3 and byte 8 keep their values.
        {frame(0x181, {0xAA, 0xBB}), {"0 RX 181 AA BB receive frame 1", "0 register 10 = 0xaabb"}},
        // The same data again changes no register.
        {frame(0x181, {0xAA, 0xBB}), {"0 RX 181 AA BB receive frame 1"}},
        // The same number in the other format is another frame.
        {frame(0x181, {1, 2}, true), {"0 RX 00000181 01 02 not configured"}},
        {frame(0x18FEF100, {0x01, 0x02, 0x03, 0x04}, true),
         {"0 RX 18FEF100 01 02 03 04 receive frame 2", "0 receive frame 2 fresh", "0 register 13 = 0x0201"}},
    };
    for (const auto& s : steps) {
        converter.receive(s.frame, 0);
        EXPECT_EQ(events.take(), lines(s.expected));
    }
    EXPECT_EQ(converter.registerValue(11), 0x3300);
    EXPECT_EQ(converter.registerValue(12), 0x0088);
}

TEST_F(ConverterTest, FrameWithTimeOutTimesOutWhenNotReceivedWithinIt)
{
    converter.advanceTo(2000);
    EXPECT_EQ(converter.receiveState(0), ReceiveState::NeverReceived);
    converter.receive(frame(0x181, {5, 6}), 2000);
    converter.advanceTo(2499);
    EXPECT_EQ(converter.receiveState(0), ReceiveState::Fresh);
    EXPECT_EQ(converter.nextDue(), 2500);
    events.take();
    converter.advanceTo(2600);
    EXPECT_EQ(converter.receiveState(0), ReceiveState::TimedOut);
    EXPECT_TRUE(events.take().contains(QStringLiteral("2500 receive frame 1 timed out")));
    EXPECT_EQ(converter.registerValue(10), 0x0506);   // the values are kept
    converter.receive(frame(0x181, {7}), 2700);
    EXPECT_EQ(converter.receiveState(0), ReceiveState::Fresh);
    // A frame without a time-out stays fresh.
    converter.receive(frame(0x18FEF100, {1}, true), 2700);
    converter.advanceTo(100000);
    EXPECT_EQ(converter.receiveState(1), ReceiveState::Fresh);
}

TEST_F(ConverterTest, RtrFrameIsPolledAtItsPeriodAndTransmitTimerSendsPeriodically)
{
    converter.advanceTo(520);
    EXPECT_EQ(events.take(), lines({
                                 "100 TX 202 00 FF transmit frame 2 (on timer)",
                                 "200 TX 202 00 FF transmit frame 2 (on timer)",
                                 "250 TX 18FEF100 remote receive frame 2 (RTR poll)",
                                 "300 TX 202 00 FF transmit frame 2 (on timer)",
                                 "400 TX 202 00 FF transmit frame 2 (on timer)",
                                 "500 TX 18FEF100 remote receive frame 2 (RTR poll)",
                                 "500 TX 202 00 FF transmit frame 2 (on timer)",
                             }));
    // A write to a register of a frame on timer sends nothing at once; the next period
    // sends the new data.
    ASSERT_TRUE(write(21, {0xBEEF}, 550));
    EXPECT_EQ(events.take(), lines({"550 register 21 = 0xbeef"}));
    converter.advanceTo(600);
    EXPECT_EQ(events.take(), lines({"600 TX 202 BE EF transmit frame 2 (on timer)"}));
}

TEST_F(ConverterTest, WriteSendsFrameOnChangeOnlyWhenItsDataChange)
{
    ASSERT_TRUE(write(20, {0x1234}));
    EXPECT_EQ(events.take(), lines({"0 register 20 = 0x1234", "0 TX 201 12 34 transmit frame 1 (on change)"}));
    ASSERT_TRUE(write(20, {0x1234}));
    EXPECT_EQ(events.take(), QStringList{});
}

TEST_F(ConverterTest, RegisterThatSendsOnWriteSendsAtEveryWrite)
{
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(write(22, {0x0A0B}, 10 * i));
        EXPECT_TRUE(events.take().contains(QStringLiteral("%1 TX 203 0A 0B transmit frame 3 (on write)").arg(10 * i)));
    }
    // A remote request for the frame with RTR is answered with its data.
    converter.receive([] { CanFrame f = frame(0x203, {}); f.remote = true; return f; }(), 30);
    EXPECT_EQ(events.take(), lines({"30 RX 203 remote transmit frame 3", "30 TX 203 0A 0B transmit frame 3 (remote request)"}));
}

TEST_F(ConverterTest, WriteOfSeveralRegistersSendsEachFrameOnce)
{
    ASSERT_TRUE(write(20, {0x0102, 0x0304, 0x0506}));
    EXPECT_EQ(events.take(), lines({"0 register 20 = 0x0102", "0 register 21 = 0x0304", "0 register 22 = 0x0506",
                                          "0 TX 201 01 02 transmit frame 1 (on change)",
                                          "0 TX 203 05 06 transmit frame 3 (on write)"}));
}

TEST_F(ConverterTest, WriteToRegisterWithoutTransmitMappingIsRefusedWhole)
{
    const struct {
        std::uint16_t start;
        std::initializer_list<std::uint16_t> values;
        const char* refusal;
    } cases[] = {
        {10, {1}, "0 refused exception 2: register 10 has no transmit mapping"},   // a receive register
        {500, {1}, "0 refused exception 2: register 500 has no transmit mapping"},
        {20, {7, 8, 9, 10}, "0 refused exception 2: register 23 has no transmit mapping"},
        {65535, {1}, "0 refused exception 2: register 65535 has no transmit mapping"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(write(c.start, c.values)) << c.start;
        EXPECT_EQ(events.take(), QStringList{QString::fromLatin1(c.refusal)});
    }
    EXPECT_EQ(converter.registerValue(20), 0);
    EXPECT_EQ(converter.registerValue(10), 0x0102);
}

TEST_F(ConverterTest, ReadsReturnRegistersAsTheyStand)
{
    converter.receive(frame(0x181, {0x11, 0x22}), 0);
    std::uint16_t out[4] = {};
    converter.readRegisters(1, 3, 9, 4, out, 0);
    EXPECT_EQ(std::vector<std::uint16_t>(out, out + 4), (std::vector<std::uint16_t>{0, 0x1122, 0x0300, 0}));
    std::uint16_t last[2] = {7, 7};
    converter.readRegisters(1, 4, 65535, 2, last, 0);   // clipped at the last register
    EXPECT_EQ(last[0], 0);
    EXPECT_EQ(last[1], 7);
}

TEST(Converter, RefusesBytesThatAreNoCurrentImage)
{
    EXPECT_THROW(Converter::fromImage(QByteArray(2048, '\0'), 0), Error);
    // An empty configuration runs: no frames, every register 0 and read-only.
    image::CompileInput nothing = test::configuration({});
    const Converter empty = Converter::fromImage(image::compileConfiguration(nothing).bank2, 0);
    EXPECT_TRUE(empty.receiveFrames().empty());
    EXPECT_FALSE(empty.isWritable(0));
}

} // namespace
} // namespace px
