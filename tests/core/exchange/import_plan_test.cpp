#include "core/exchange/import_plan.h"

#include <gtest/gtest.h>

namespace px::exchange {
namespace {

CanSignal sig(const char* name, int startBit, int length, bool motorola,
              CanSignal::Multiplex multiplex = CanSignal::Multiplex::None)
{
    CanSignal s;
    s.name = QLatin1StringView(name);
    s.startBit = startBit;
    s.length = length;
    s.motorola = motorola;
    s.multiplex = multiplex;
    return s;
}

ImportMessage message(std::uint32_t id, int length, std::vector<CanSignal> signalList = {},
                      std::optional<int> cycle = std::nullopt, bool extended = false)
{
    ImportMessage m;
    m.id = id;
    m.extended = extended;
    m.length = length;
    m.name = QStringLiteral("M%1").arg(id, 0, 16);
    m.cycleTimeMs = cycle;
    m.signalList = std::move(signalList);
    return m;
}

TEST(ImportPlan, SignalsPlacedOnRegisterBytes)
{
    using B = std::vector<RegisterBytes>;
    using M = CanSignal::Multiplex;
    struct Case {
        CanSignal signal;
        int frameLength;
        B expected;                 // empty: not mapped
        int bitOffset, bitLength;   // where the signal sits in the registers' value
        const char* reason;
    };
    const Case cases[] = {
        {sig("intel8", 16, 8, false), 8, B{{0, 3}}, 0, 8, ""},
        {sig("motorola8", 23, 8, true), 8, B{{0, 3}}, 0, 8, ""},
        {sig("intel16", 0, 16, false), 8, B{{2, 1}}, 0, 16, ""},
        {sig("motorola16", 7, 16, true), 8, B{{1, 2}}, 0, 16, ""},
        {sig("motorola16_bytes7_8", 55, 16, true), 8, B{{7, 8}}, 0, 16, ""},
        {sig("intel32", 0, 32, false), 8, B{{4, 3}, {2, 1}}, 0, 32, ""},
        {sig("motorola32", 31, 32, true), 8, B{{4, 5}, {6, 7}}, 0, 32, ""},
        {sig("multiplexor", 0, 8, false, M::Multiplexor), 8, B{{0, 1}}, 0, 8, ""},
        // Signals that do not fill their bytes: the bytes that hold them, with the bits.
        {sig("flag", 13, 1, false), 8, B{{0, 2}}, 5, 1, ""},
        {sig("motorola_flag", 12, 1, true), 8, B{{0, 2}}, 4, 1, ""},
        {sig("twelve", 0, 12, false), 8, B{{2, 1}}, 0, 12, ""},
        {sig("unaligned", 3, 8, false), 8, B{{2, 1}}, 3, 8, ""},
        {sig("motorola_twelve", 3, 12, true), 8, B{{1, 2}}, 0, 12, ""},
        // Motorola from bit 0 of byte 1 runs over three bytes: two registers, bit 1 up.
        {sig("motorola_lsb", 0, 16, true), 8, B{{0, 1}, {2, 3}}, 1, 16, ""},
        {sig("intel24", 8, 24, false), 8, B{{0, 4}, {3, 2}}, 0, 24, ""},
        {sig("intel20_over_three", 4, 20, false), 8, B{{0, 3}, {2, 1}}, 4, 20, ""},
        {sig("five_bytes", 4, 32, false), 8, B{}, 0, 0, "spread over 5 data bytes: signals within 4 bytes are mapped"},
        {sig("sixtyfour", 0, 64, false), 8, B{}, 0, 0, "64 bits long: signals of up to 32 bits are mapped"},
        {sig("beyond", 48, 16, false), 7, B{}, 0, 0, "lies beyond the frame's 7 data bytes"},
        {sig("beyond_motorola", 7, 32, true), 3, B{}, 0, 0, "lies beyond the frame's 3 data bytes"},
        {sig("muxed", 8, 16, false, M::Multiplexed), 8, B{}, 0, 0, "multiplexed (m0): its bytes hold other signals for other multiplexer values"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.signal.name.toStdString());
        const SignalPlacement p = placeSignal(c.signal, c.frameLength);
        EXPECT_EQ(p.registers, c.expected);
        EXPECT_EQ(p.notMappedReason, QLatin1StringView(c.reason));
        if (p.maps()) {
            EXPECT_EQ(p.bitOffset, c.bitOffset);
            EXPECT_EQ(p.bitLength, c.bitLength);
        }
    }
}

TEST(ImportPlan, RegistersNumberedInOrderSkippingUsedIndexes)
{
    ImportTarget target;
    target.direction = Direction::Receive;
    target.dipSwitch = true;
    target.existingFrames = 2;
    target.usedRegisters = {101, 103};
    target.firstRegister = 100;
    const std::vector<ImportMessage> chosen = {
        message(0x181, 8, {sig("A16", 0, 16, false), sig("B32", 23, 32, true), sig("C3", 60, 3, false),
                           sig("E64", 0, 64, false)}),
        message(0x182, 2, {sig("D8", 8, 8, false)}),
    };
    const ImportPlan plan = planImport(chosen, target);
    ASSERT_EQ(plan.frames.size(), 2u);
    struct Row {
        int frame, reg, hi, lo;
        const char* signal;
    };
    const Row expected[] = {
        {0, 100, 2, 1, "A16"},
        // 102 is free but 103 is not: the two consecutive registers start at 104.
        {0, 104, 3, 4, "B32 (high word)"},
        {0, 105, 5, 6, "B32 (low word)"},
        {0, 106, 0, 8, "C3"},
        {1, 107, 0, 2, "D8"},
    };
    ASSERT_EQ(plan.entries.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const PlannedEntry& e = plan.entries[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(e.frame, expected[i].frame);
        EXPECT_EQ(e.registerIndex, expected[i].reg);
        EXPECT_EQ(e.highByte, expected[i].hi);
        EXPECT_EQ(e.lowByte, expected[i].lo);
        EXPECT_EQ(e.signal, QLatin1StringView(expected[i].signal));
        EXPECT_FALSE(e.sendOnWrite);
    }
    ASSERT_EQ(plan.notMapped.size(), 1u);
    EXPECT_EQ(plan.notMapped[0].signal, QStringLiteral("E64"));
    EXPECT_EQ(plan.notMapped[0].frame, 0);
    EXPECT_TRUE(plan.fits());
    // What the signal file keeps of the 3-bit field: bits 4 to 6 of the register's low part.
    const config::RegisterSignal& c3 = plan.entries[3].signalData;
    EXPECT_EQ(c3.registerIndex, 106);
    EXPECT_EQ(c3.name, QStringLiteral("C3"));
    EXPECT_EQ(c3.bitOffset, 4);
    EXPECT_EQ(c3.bitLength, 3);
    EXPECT_EQ(plan.entries[1].signalData.word, config::WordPart::HighWord);
    EXPECT_EQ(plan.entries[2].signalData.word, config::WordPart::LowWord);

    // At the top of the register range a signal that finds no room is listed, not wrapped,
    // and the import does not fit.
    target.firstRegister = 65534;
    target.usedRegisters = {65535};
    const ImportPlan top = planImport({message(0x181, 8, {sig("A8", 0, 8, false), sig("B16", 8, 16, false)})}, target);
    ASSERT_EQ(top.entries.size(), 1u);
    EXPECT_EQ(top.entries[0].registerIndex, 65534);
    ASSERT_EQ(top.notMapped.size(), 1u);
    EXPECT_EQ(top.notMapped[0].reason, QStringLiteral("no register free from register 65535 up to 65535"));
    EXPECT_EQ(top.registerOverflow, 1);
    EXPECT_FALSE(top.fits());
    EXPECT_EQ(importRefusal(top, target, 1),
              QStringLiteral("1 signals find no free register up to 65535: number the registers from a lower index. "
                             "Nothing was imported."));
}

TEST(ImportPlan, FrameRowsByDirectionAndDevice)
{
    struct Case {
        const char* what;
        Direction direction;
        bool dipSwitch;
        ImportMessage message;
        std::optional<int> userTimeOut;
        int timeOut;
        int timer;
        bool sendOnWrite;
    };
    ImportMessage captured = message(0x181, 8, {});
    captured.meanPeriodMs = 33.4;   // three periods: 100.2 ms, rounded up
    const Case cases[] = {
        {"receive, dip-switch, cycle time", Direction::Receive, true, message(0x181, 8, {sig("A", 0, 8, false)}, 100), {}, 300, 0, false},
        {"receive, dip-switch, time-out set by the user", Direction::Receive, true, message(0x181, 8, {}, 100), 250, 250, 0, false},
        {"receive, dip-switch, no cycle time", Direction::Receive, true, message(0x181, 8, {}), {}, 0, 0, false},
        {"receive, capture period", Direction::Receive, true, captured, {}, 101, 0, false},
        {"receive, jumper, cycle time", Direction::Receive, false, message(0x181, 8, {}, 100), {}, 300, 0, false},
        {"transmit, dip-switch, cycle time", Direction::Transmit, true, message(0x201, 8, {sig("A", 0, 8, false)}, 50), {}, 0, 50, false},
        {"transmit, jumper", Direction::Transmit, false, message(0x201, 8, {sig("A", 0, 8, false)}, 50), {}, 0, 50, true},
    };
    for (Case c : cases) {
        SCOPED_TRACE(c.what);
        c.message.timeOutOverrideMs = c.userTimeOut;
        ImportTarget target;
        target.direction = c.direction;
        target.dipSwitch = c.dipSwitch;
        const ImportPlan plan = planImport({c.message}, target);
        ASSERT_EQ(plan.frames.size(), 1u);
        EXPECT_EQ(plan.frames[0].id, c.message.id);
        EXPECT_EQ(plan.frames[0].length, 8);
        EXPECT_EQ(plan.frames[0].mnemonic, c.message.name);
        EXPECT_EQ(plan.frames[0].timeOutMs, c.timeOut);
        EXPECT_EQ(plan.frames[0].timerMs, c.timer);
        for (const PlannedEntry& e : plan.entries)
            EXPECT_EQ(e.sendOnWrite, c.sendOnWrite);
    }
}

TEST(ImportPlan, FramesTheConverterCannotCarryAreNotImported)
{
    ImportTarget jumper11;
    const std::vector<ImportMessage> chosen = {
        message(0x181, 0), message(0x182, 12), message(0x18FF0011, 8, {}, {}, true), message(0x183, 8)};
    const ImportPlan plan = planImport(chosen, jumper11);
    ASSERT_EQ(plan.frames.size(), 1u);
    EXPECT_EQ(plan.frames[0].messageIndex, 3);
    ASSERT_EQ(plan.notImported.size(), 3u);
    EXPECT_EQ(plan.notImported[0].reason, QStringLiteral("data length 0: the converter's frames hold 1 to 8 bytes"));
    EXPECT_EQ(plan.notImported[1].reason, QStringLiteral("data length 12: the converter's frames hold 1 to 8 bytes"));
    EXPECT_EQ(plan.notImported[2].reason,
              QStringLiteral("a 29-bit identifier, and the configuration's frames use 11-bit identifiers (Set Communication)"));

    ImportTarget dip;
    dip.dipSwitch = true;
    EXPECT_EQ(planImport({chosen[2], chosen[3]}, dip).frames.size(), 2u);
}

TEST(ImportPlan, FramesInTheListAlreadyGetTheSignalsAndTwiceInTheFileImportOnce)
{
    ImportTarget target;
    target.dipSwitch = true;
    target.existingFrames = 3;
    target.firstRegister = 10;
    target.existingIds = {{frameKey(0x181, false), 1}};
    std::vector<ImportMessage> chosen = {
        message(0x181, 8, {sig("InList", 0, 16, false)}, 100),
        message(0x181, 8, {sig("Extended", 0, 8, false)}, {}, true),   // the other format: a frame of its own
        message(0x182, 8, {sig("First", 0, 8, false)}),
        message(0x182, 8, {sig("Again", 0, 8, false)}),
        message(0x183, 8, {sig("Fd", 0, 8, false)}),
    };
    chosen[2].line = 7;
    chosen[4].notImportable = QStringLiteral("a CAN FD frame: the converter speaks classic CAN");
    const ImportPlan plan = planImport(chosen, target);

    ASSERT_EQ(plan.existing.size(), 1u);
    EXPECT_EQ(plan.existing[0].messageIndex, 0);
    EXPECT_EQ(plan.existing[0].frame, 1);
    ASSERT_EQ(plan.frames.size(), 2u);
    EXPECT_TRUE(plan.frames[0].extended);
    EXPECT_EQ(plan.frames[1].id, 0x182u);
    struct Row {
        int frameNumber, reg;
        const char* signal;
    };
    const Row expected[] = {{2, 10, "InList"}, {4, 11, "Extended"}, {5, 12, "First"}};
    ASSERT_EQ(plan.entries.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(plan.entries[i].frameNumber(target.existingFrames), expected[i].frameNumber) << i;
        EXPECT_EQ(plan.entries[i].registerIndex, expected[i].reg) << i;
        EXPECT_EQ(plan.entries[i].signal, QLatin1StringView(expected[i].signal)) << i;
    }
    ASSERT_EQ(plan.notImported.size(), 2u);
    EXPECT_EQ(plan.notImported[0].messageIndex, 3);
    EXPECT_EQ(plan.notImported[0].reason, QStringLiteral("the identifier comes again (first at line 7): imported once"));
    EXPECT_EQ(plan.notImported[1].reason, QStringLiteral("a CAN FD frame: the converter speaks classic CAN"));
    EXPECT_TRUE(plan.fits());

    // Signals mapped onto a frame already there count as an import of their own.
    const ImportPlan onlyExisting = planImport({chosen[0]}, target);
    EXPECT_TRUE(onlyExisting.frames.empty());
    EXPECT_EQ(importRefusal(onlyExisting, target, 1), QString());
}

TEST(ImportPlan, RefusalNamesTheOverflowByHowMuch)
{
    std::vector<CanSignal> two = {sig("A", 0, 16, false), sig("B", 16, 16, false)};
    struct Case {
        bool dipSwitch;
        int existingFrames, existingEntries;
        int frameOverflow, entryOverflow;
        const char* text;
    };
    const Case cases[] = {
        {true, 298, 0, 0, 0, ""},
        {true, 299, 0, 1, 0, "The receive frame list would hold 301 frames, 1 more than its 300 rows. Nothing was imported."},
        {false, 249, 3581, 1, 0, "The receive frame list would hold 251 frames, 1 more than its 250 rows. Nothing was imported."},
        {false, 0, 3584, 0, 3,
         "The receive register mapping would hold 3587 entries, 3 more than the 3584 the images hold. Nothing was imported."},
    };
    for (const Case& c : cases) {
        ImportTarget target;
        target.dipSwitch = c.dipSwitch;
        target.existingFrames = c.existingFrames;
        target.existingEntries = c.existingEntries;
        const ImportPlan plan = planImport({message(1, 8, two), message(2, 8, {sig("C", 0, 16, false)})}, target);
        EXPECT_EQ(plan.frameOverflow, c.frameOverflow);
        EXPECT_EQ(plan.entryOverflow, c.entryOverflow);
        EXPECT_EQ(importRefusal(plan, target, 2), QLatin1StringView(c.text));
    }
    ImportTarget any;
    EXPECT_EQ(importRefusal(planImport({}, any), any, 0), QStringLiteral("No frame is chosen: tick the frames to import."));
    EXPECT_EQ(importRefusal(planImport({message(1, 0)}, any), any, 1),
              QStringLiteral("None of the chosen frames can be carried by the converter; nothing was imported."));
}

TEST(ImportPlan, MnemonicKeepsWhatAnEditorCellTakes)
{
    EXPECT_EQ(mnemonicFromName(QStringLiteral("Drive\x01Status")), QStringLiteral("DriveStatus"));
    EXPECT_EQ(mnemonicFromName(QString(40000, u'A')).size(), kMaxMnemonicLength);
    EXPECT_EQ(identifierText(0x18FF0011), QStringLiteral("0x18FF0011"));
    EXPECT_EQ(identifierText(0x181), QStringLiteral("0x181"));
}

} // namespace
} // namespace px::exchange
