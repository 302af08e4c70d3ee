#include "core/sim/monitor.h"

#include "../image/image_test_support.h"
#include "core/image/compiler.h"
#include "core/lang/message_table.h"
#include "core/sim/monitor_export.h"
#include "core/sim/monitor_session.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace px {
namespace {

using namespace sim;
using test::rowsFile;

// Receive frame 1: 0x181, 8 bytes, time-out 500 ms, registers 10 (bytes 1, 8) and 11 (byte 4).
// Receive frame 2: 0x18FEF100 (29 bits), 4 bytes, polled with RTR every 250 ms, register 13.
// Transmit frame 1: 0x201 on change, register 20; 2: 0x202 on timer every 100 ms, default
// 0,255, register 21; 3: 0x203 answering remote requests only: register 22 sends it on
// write, register 23 never makes it go.
struct Sample {
    Sample(const QByteArray& rxMappings = R"~(
            <row Index="10" NrPdo="1" PosComp="24"/>
            <row Index="11" NrPdo="1" PosComp="4"/>
            <row Index="13" NrPdo="2" PosComp="33"/>)~")
    {
        const std::pair<const char*, QByteArray> files[] = {
            {"ParGen.xml", test::parGen("<Device_Type>1</Device_Type><BaudRateCAN>6</BaudRateCAN>")},
            {"RCobDef.xml", rowsFile("COBID", R"~(
            <row CobID="0x181" CobType="2.0A (11 bits)" Dimensin="8" TimeOut_Time="500" TimeOut="Y" RTR="N" TimeRTR="" DefaultValues="" Mnemonic="Drive"/>
            <row CobID="0x18FEF100" CobType="2.0B (29 bits)" Dimensin="4" TimeOut_Time="0" TimeOut="N" RTR="Y" TimeRTR="250" DefaultValues=""/>)~")},
            {"RInfoCob.xml", rowsFile("RInfoCob", rxMappings)},
            {"TCobDef.xml", rowsFile("COBID", R"~(
            <row CobID="0x201" CobType="2.0A (11 bits)" Dimensin="2" RTR="N" OnChange="Y" OnTimer="N" Timer="0" DefaultValues=""/>
            <row CobID="0x202" CobType="2.0A (11 bits)" Dimensin="2" RTR="N" OnChange="N" OnTimer="Y" Timer="100" DefaultValues="0,255"/>
            <row CobID="0x203" CobType="2.0A (11 bits)" Dimensin="2" RTR="Y" OnChange="N" OnTimer="N" Timer="0" DefaultValues=""/>)~")},
            {"TInfoCob.xml", rowsFile("TInfoCob", R"~(
            <row Index="20" NrPdo="1" PosComp="18" Send_on_Write="0"/>
            <row Index="21" NrPdo="2" PosComp="18" Send_on_Write="0"/>
            <row Index="22" NrPdo="3" PosComp="1" Send_on_Write="1"/>
            <row Index="23" NrPdo="3" PosComp="2" Send_on_Write="0"/>)~")},
        };
        auto input = test::configuration({files[0], files[1], files[2], files[3], files[4]});
        bank2 = image::compileConfiguration(input).bank2;
        std::optional<QByteArray> bytes[5];
        const char* order[] = {"ParGen.xml", "RCobDef.xml", "TCobDef.xml", "RInfoCob.xml", "TInfoCob.xml"};
        for (int i = 0; i < 5; ++i) {
            for (const auto& [name, b] : files) {
                if (qstrcmp(name, order[i]) == 0)
                    bytes[i] = b;
            }
        }
        config = config::readConfigurationFiles(QStringLiteral("Sample"), bytes);
    }
    QByteArray bank2;
    config::Configuration config;
};

CanFrame frame(std::uint32_t id, std::initializer_list<std::uint8_t> data, bool extended = false)
{
    CanFrame f;
    f.id = id;
    f.extended = extended;
    f.length = static_cast<std::uint8_t>(data.size());
    std::copy(data.begin(), data.end(), f.data.begin());
    return f;
}

CanFrame remote(std::uint32_t id, bool extended = false)
{
    CanFrame f;
    f.id = id;
    f.extended = extended;
    f.remote = true;
    return f;
}

const WatchedRegister& reg(const Monitor& m, int number)
{
    for (const WatchedRegister& r : m.registers()) {
        if (r.reg == number)
            return r;
    }
    throw std::runtime_error("register not watched");
}

// Answers the one poll block with the values given by register, others read 0.
void answer(Monitor& m, std::map<int, std::uint16_t> values, Millis now)
{
    for (const PollBlock& b : m.pollBlocks()) {
        std::vector<std::uint16_t> v(b.count, 0);
        for (const auto& [r, value] : values) {
            if (r >= b.start && r < b.start + b.count)
                v[static_cast<std::size_t>(r - b.start)] = value;
        }
        m.pollAnswered(b, v.data(), b.count, now);
    }
}

TEST(Monitor, MeasuresConfiguredFramesAndCountsWhatTheConfigurationDoesNotKnow)
{
    const Sample s;
    Monitor m(s.bank2, s.config, 0);
    for (const Millis t : {0, 100, 250})
        m.frameSeen(frame(0x181, {1, 2, 3, 4, 5, 6, 7, 8}), t);
    m.frameSeen(frame(0x181, {1, 2, 3, 4}), 900);   // short, and after a gap beyond the 500 ms time-out
    for (const Millis t : {10, 20, 30})
        m.frameSeen(frame(0x7FF, {1}), t);
    m.frameSeen(frame(0x7FF, {}, true), 40);         // the same number in 29 bits is another identifier
    m.frameSeen(remote(0x203), 50);
    m.frameSeen(remote(0x18FEF100, true), 60);
    m.errorFrameSeen(70);

    const WatchedFrame& rx = m.frames()[0];
    EXPECT_EQ(rx.seen, 4);
    EXPECT_EQ(rx.shortestGap, 100);
    EXPECT_EQ(rx.longestGap, 650);
    EXPECT_DOUBLE_EQ(*rx.meanPeriod(), 300.0);
    EXPECT_EQ(rx.wrongLength, 1);
    EXPECT_EQ(rx.lastData.length, 4);
    // The gap that ended with the frame at 900 ms, then the one still open.
    EXPECT_EQ(rx.timeOuts(1400), 1);
    EXPECT_FALSE(rx.timedOutAt(1400));
    EXPECT_EQ(rx.timeOuts(1401), 2);
    EXPECT_TRUE(rx.timedOutAt(1401));
    EXPECT_EQ(m.frames()[1].remoteSeen, 1);
    EXPECT_EQ(m.frames()[1].seen, 0);
    EXPECT_EQ(m.frames()[4].remoteSeen, 1);

    const std::vector<UnknownIdentifier> unknown = m.unknownIdentifiers();
    ASSERT_EQ(unknown.size(), 2u);
    EXPECT_EQ(unknown[0].id, 0x7FFu);
    EXPECT_FALSE(unknown[0].extended);
    EXPECT_EQ(unknown[0].count, 3);
    EXPECT_TRUE(unknown[1].extended);

    const MonitorSummary sum = m.summary(1000);
    EXPECT_EQ(sum.framesSeen, 10);
    EXPECT_EQ(sum.remoteFrames, 2);
    EXPECT_EQ(sum.errorFrames, 1);
    EXPECT_EQ(sum.unknownIdentifiers, 2);
    EXPECT_EQ(sum.unknownFrames, 4);
    // Both receive frames and the transmit frame on timer are expected; only the first came.
    EXPECT_EQ(sum.expectedFrames, 3);
    EXPECT_EQ(sum.expectedFramesSeen, 1);
    EXPECT_EQ(sum.neverSeen, (QStringList{QStringLiteral("receive frame 2 (18FEF100)"), QStringLiteral("transmit frame 2 (202)")}));
    EXPECT_FALSE(sum.passed());
    EXPECT_FALSE(sum.devicePolled);
    // About 900 worst-case bits as the check counts them, over 1 s at 500 kbit/s.
    EXPECT_EQ(m.bitRate(), 500000u);
    EXPECT_GT(sum.busLoadPercent, 0.15);
    EXPECT_LT(sum.busLoadPercent, 0.25);
    EXPECT_GT(sum.estimatedBusLoadPercent, 0.0);
}

TEST(Monitor, ReadsTheMappedRegistersInBlocksOfAtMost125)
{
    // The receive registers given, with the transmit registers 20 to 23 of the sample.
    const struct {
        const char* mappings;
        std::vector<PollBlock> blocks;
    } cases[] = {
        {R"(<row Index="10" NrPdo="1" PosComp="1"/><row Index="134" NrPdo="1" PosComp="2"/>)", {{10, 125}}},
        {R"(<row Index="10" NrPdo="1" PosComp="1"/><row Index="135" NrPdo="1" PosComp="2"/>)", {{10, 14}, {135, 1}}},
        {R"(<row Index="65535" NrPdo="1" PosComp="1"/><row Index="0" NrPdo="1" PosComp="2"/>)", {{0, 24}, {65535, 1}}},
    };
    for (const auto& c : cases) {
        const Sample s(c.mappings);
        const Monitor m(s.bank2, s.config, 100);
        EXPECT_EQ(m.pollBlocks(), c.blocks) << c.mappings;
    }
}

TEST(Monitor, MarksADisagreementThatOutlastsOnePollAndTheFramePeriod)
{
    const Sample s;
    Monitor m(s.bank2, s.config, 100);
    // The receive frame every 50 ms: register 10 is (byte 1 << 8) | byte 8.
    for (Millis t = 0; t <= 1000; t += 50)
        m.frameSeen(frame(0x181, {0x12, 0, 0, 0x77, 0, 0, 0, 0x34}), t);
    EXPECT_EQ(reg(m, 10).expected, 0x1234);
    EXPECT_EQ(reg(m, 11).expected, 0x0077);
    EXPECT_EQ(m.toleranceOf(reg(m, 10)), 150);   // one poll period plus the frame's measured 50 ms

    // A device that agrees; then register 11 lags for one poll only: no mismatch.
    answer(m, {{10, 0x1234}, {11, 0x77}, {21, 0x00FF}}, 1000);
    answer(m, {{10, 0x1234}, {11, 0x00}, {21, 0x00FF}}, 1100);
    answer(m, {{10, 0x1234}, {11, 0x77}, {21, 0x00FF}}, 1200);
    EXPECT_EQ(m.summary(1200).mismatches, 0);
    EXPECT_FALSE(reg(m, 11).disagreeingSince);

    // Register 10 reads otherwise from 1300 ms on: marked once it lasted longer than 150 ms.
    answer(m, {{10, 0x3412}, {11, 0x77}, {21, 0x00FF}}, 1300);
    answer(m, {{10, 0x3412}, {11, 0x77}, {21, 0x00FF}}, 1400);
    EXPECT_FALSE(reg(m, 10).marked);
    answer(m, {{10, 0x3412}, {11, 0x77}, {21, 0x00FF}}, 1500);
    EXPECT_TRUE(reg(m, 10).marked);
    EXPECT_EQ(*reg(m, 10).lastMismatchBegan, 1300);
    answer(m, {{10, 0x3412}, {11, 0x77}, {21, 0x00FF}}, 1600);
    MonitorSummary sum = m.summary(1600);
    EXPECT_EQ(sum.mismatches, 1);   // counted once however long it lasts
    EXPECT_EQ(sum.mismatchesOpen, 1);
    EXPECT_FALSE(sum.passed());
    EXPECT_EQ(sum.pollsAnswered, 7);

    // It heals: the count stays, nothing remains open.
    answer(m, {{10, 0x1234}, {11, 0x77}, {21, 0x00FF}}, 1700);
    sum = m.summary(1700);
    EXPECT_EQ(sum.mismatches, 1);
    EXPECT_EQ(sum.mismatchesOpen, 0);
}

TEST(Monitor, ExpectsOfTransmitRegistersWhatTheDeviceLastSent)
{
    const Sample s;
    Monitor m(s.bank2, s.config, 100);
    // Before anything is seen the transmit registers hold their frames' default values.
    EXPECT_EQ(reg(m, 21).expected, 0x00FF);
    m.frameSeen(frame(0x201, {0xAB, 0xCD}), 10);
    m.frameSeen(frame(0x203, {0x05, 0x06}), 20);
    EXPECT_EQ(reg(m, 20).expected, 0xABCD);
    EXPECT_EQ(reg(m, 22).expected, 0x0005);
    EXPECT_TRUE(reg(m, 22).compared);
    // Register 23's frame goes only on request: what the master wrote never shows.
    EXPECT_FALSE(reg(m, 23).compared);
    // Register 21's frame was not seen since the start: the device may hold what an
    // earlier frame carried, so it waits for its frame before it is compared.
    for (Millis t = 100; t <= 1000; t += 100)
        answer(m, {{20, 0xABCD}, {21, 0x4444}, {22, 0x0005}, {23, 0x4242}}, t);
    EXPECT_EQ(m.summary(1000).mismatches, 0);
    EXPECT_EQ(reg(m, 23).device, 0x4242);
    EXPECT_FALSE(reg(m, 21).framesSeen);
    m.frameSeen(frame(0x202, {0x44, 0x44}), 1010);
    answer(m, {{20, 0xABCD}, {21, 0x4444}, {22, 0x0005}, {23, 0x4242}}, 1100);
    EXPECT_TRUE(reg(m, 21).framesSeen);
    EXPECT_EQ(reg(m, 21).expected, 0x4444);
    EXPECT_FALSE(reg(m, 21).disagreeingSince);
}

TEST(Monitor, ExportsTheSessionAndItsSummary)
{
    const Sample s;
    Monitor m(s.bank2, s.config, 100);
    m.frameSeen(frame(0x181, {0x12, 0, 0, 0, 0, 0, 0, 0x34}), 5);
    m.frameSeen(remote(0x18FEF100, true), 6);
    m.frameSeen(frame(0x555, {1, 2}), 7);
    for (Millis t = 100; t <= 400; t += 100)
        answer(m, {{10, 0x9999}, {21, 0x00FF}}, t);
    const QDateTime start = QDateTime::fromMSecsSinceEpoch(1700000000000LL, Qt::UTC);

    const QList<QByteArray> log = candumpLog(m, start, QStringLiteral("can0")).split('\n');
    ASSERT_EQ(log.size(), 4);   // three lines and the end
    EXPECT_EQ(log[0], "(1700000000.005000) can0 181#1200000000000034");
    EXPECT_EQ(log[1], "(1700000000.006000) can0 18FEF100#R");
    EXPECT_EQ(*parseCandumpLine(QString::fromLatin1(log[2]), nullptr), frame(0x555, {1, 2}));

    const QList<QByteArray> csv = pollsCsv(m, start).split('\n');
    EXPECT_EQ(csv[0], "time,register,device,expected,agrees");
    EXPECT_TRUE(csv.contains("2023-11-14T22:13:20.100Z,10,39321,4660,no")) << csv.join('|').toStdString();
    EXPECT_TRUE(csv.contains("2023-11-14T22:13:20.100Z,21,255,255,not compared"));   // its frame not seen yet
    EXPECT_TRUE(csv.contains("2023-11-14T22:13:20.100Z,23,0,0,not compared"));

    const QJsonObject json = QJsonDocument::fromJson(summaryJson(m, 400, start)).object();
    EXPECT_FALSE(json[QStringLiteral("passed")].toBool());
    EXPECT_EQ(json[QStringLiteral("unknownIdentifiers")].toInt(), 1);
    EXPECT_EQ(json[QStringLiteral("mismatchesOpen")].toInt(), 1);
    const QJsonObject mismatch = json[QStringLiteral("mismatchingRegisters")].toArray()[0].toObject();
    EXPECT_EQ(mismatch[QStringLiteral("register")].toInt(), 10);
    EXPECT_EQ(mismatch[QStringLiteral("began")].toString(), QStringLiteral("2023-11-14T22:13:20.100Z"));

    const MessageTable messages;
    const QString html = summaryHtml(m, 400, start, QStringLiteral("Plant <1>"), messages);
    EXPECT_TRUE(html.contains(QStringLiteral("<h1>Monitor of Plant &lt;1&gt;</h1>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<td>10</td><td>39321</td><td>4660</td>"))) << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("<td>555</td><td>1</td>")));
}

} // namespace
} // namespace px

namespace px {
namespace {

struct FakeListener final : BusListener {
    void open() override { opened = true; }
    void close() override { opened = false; }
    QString description() const override { return QStringLiteral("fake:can0"); }
    bool opened = false;
};

// A device that answers only when told to.
struct FakePoller final : DevicePoller {
    void connectTo(const DeviceAddress& address, int) override
    {
        ++connects;
        host = address.host;
    }
    bool isConnected() const override { return connected; }
    void read(std::uint16_t start, std::uint16_t count) override { reads.push_back({start, count}); }
    void close() override { connected = false; }
    bool connected = false;
    int connects = 0;
    QString host;
    std::vector<sim::PollBlock> reads;
};

void runEventsFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

TEST(MonitorSession, ConnectsOnlyToTheAddressGivenAndNeverAsksForABlockStillAwaited)
{
    const Sample s;
    sim::SteadyClock clock;
    auto listener = std::make_unique<FakeListener>();
    auto poller = std::make_unique<FakePoller>();
    FakeListener* bus = listener.get();
    FakePoller* device = poller.get();
    sim::MonitorOptions options;
    options.device = DeviceAddress{QStringLiteral("192.0.2.7"), 502, 1, 3};
    options.pollPeriod = 20;
    sim::MonitorSession session(s.bank2, s.config, clock, std::move(listener), std::move(poller), options);
    session.start();
    EXPECT_TRUE(bus->opened);
    EXPECT_EQ(device->host, QStringLiteral("192.0.2.7"));

    // Not connected: it tries again at each period and reads nothing.
    runEventsFor(100);
    EXPECT_GT(device->connects, 2);
    EXPECT_TRUE(device->reads.empty());

    // Connected but silent: each block is asked for once.
    device->connected = true;
    runEventsFor(100);
    ASSERT_EQ(device->reads, session.monitor().pollBlocks());
    // Answered, it is asked for again at the next period.
    const sim::PollBlock block = device->reads[0];
    Q_EMIT device->answered(block.start, QList<quint16>(block.count, 0));
    runEventsFor(60);
    EXPECT_EQ(device->reads.size(), 2u);
    EXPECT_EQ(session.monitor().summary(session.now()).pollsAnswered, 1);

    session.stop();
    EXPECT_FALSE(bus->opened);
    EXPECT_FALSE(device->connected);
}

} // namespace
} // namespace px
