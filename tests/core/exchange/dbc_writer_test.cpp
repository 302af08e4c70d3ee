#include "core/exchange/dbc_writer.h"

#include "core/exchange/dbc_reader.h"
#include "core/exchange/import_plan.h"

#include <gtest/gtest.h>

namespace px::exchange {
namespace {

TEST(DbcWriter, NamesAreValidAndUnique)
{
    struct Case {
        const char* mnemonic;
        const char* expected;
    };
    const Case cases[] = {
        {"Pump 1 status", "Pump_1_status"},
        {"  Drive 2 feedback, polled ", "Drive_2_feedback_polled"},
        {"1st frame", "F_1st_frame"},
        {"Temp. (\xC2\xB0" "C)", "Temp_C"},
        {"", "RX_181"},
        {"***", "RX_181"},
        {"A very long mnemonic that runs on beyond thirty-two characters", "A_very_long_mnemonic_that_runs_o"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(dbcName(QString::fromUtf8(c.mnemonic), QStringLiteral("RX_181")), QLatin1StringView(c.expected)) << c.mnemonic;

    ExportNetwork net;
    net.receive = {{0x181, false, 8, QStringLiteral("Pump status"), {}, {}}, {0x182, false, 8, QStringLiteral("Pump-status"), {}, {}}};
    net.transmit = {{0x201, false, 8, QString(), {}, {}}};
    const CanDatabase db = readDbc(writeDbc(net).bytes, QStringLiteral("out.dbc"));
    ASSERT_EQ(db.messages.size(), 3u);
    EXPECT_EQ(db.messages[0].name, QStringLiteral("Pump_status"));
    EXPECT_EQ(db.messages[1].name, QStringLiteral("Pump_status_2"));
    EXPECT_EQ(db.messages[2].name, QStringLiteral("TX_201"));
}

// Each mapping entry read back from the written file as the signals it became.
TEST(DbcWriter, RegisterPartsBecomeSignals)
{
    struct Expected {
        const char* name;
        int startBit, length;
        bool motorola;
    };
    struct Case {
        const char* what;
        ExportEntry entry;
        int frameLength;
        std::vector<Expected> expected;
        int notes;
    };
    const Case cases[] = {
        {"high then low byte: Motorola 16 bits", {100, 1, 2}, 8, {{"R100", 7, 16, true}}, 0},
        {"low then high byte: Intel 16 bits", {100, 4, 3}, 8, {{"R100", 16, 16, false}}, 0},
        {"low part only", {7, 0, 3}, 8, {{"R7_LO", 16, 8, false}}, 0},
        {"high part only", {7, 5, 0}, 8, {{"R7_HI", 32, 8, false}}, 0},
        {"bytes apart", {9, 1, 3}, 8, {{"R9_HI", 0, 8, false}, {"R9_LO", 16, 8, false}}, 0},
        {"same byte twice", {9, 2, 2}, 8, {{"R9_HI", 8, 8, false}, {"R9_LO", 8, 8, false}}, 0},
        {"byte beyond the frame", {9, 3, 4}, 3, {{"R9_HI", 16, 8, false}}, 1},
        {"no part", {9, 0, 0}, 8, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ExportNetwork net;
        net.transmit = {{0x18FF0020, true, c.frameLength, QStringLiteral("Set points"), 100, {c.entry}}};
        const DbcText text = writeDbc(net);
        EXPECT_EQ(text.notes.size(), static_cast<size_t>(c.notes));
        const CanDatabase db = readDbc(text.bytes, QStringLiteral("out.dbc"));
        ASSERT_EQ(db.messages.size(), 1u);
        const CanMessage& m = db.messages[0];
        EXPECT_TRUE(m.extended);
        EXPECT_EQ(m.id, 0x18FF0020u);
        EXPECT_EQ(m.length, c.frameLength);
        EXPECT_EQ(m.sender, kConverterNode);
        EXPECT_EQ(m.cycleTimeMs, 100);
        EXPECT_EQ(m.comment, QStringLiteral("Set points"));
        ASSERT_EQ(m.signalList.size(), c.expected.size());
        for (size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(m.signalList[i].name, QLatin1StringView(c.expected[i].name));
            EXPECT_EQ(m.signalList[i].startBit, c.expected[i].startBit);
            EXPECT_EQ(m.signalList[i].length, c.expected[i].length);
            EXPECT_EQ(m.signalList[i].motorola, c.expected[i].motorola);
            EXPECT_EQ(m.signalList[i].receivers, QStringList{kBusNode});
        }
    }
}

// What the writer makes of a register, the import makes back into the same register.
TEST(DbcWriter, WrittenSignalsImportOntoTheSameBytes)
{
    ExportNetwork net;
    net.receive = {{0x181, false, 8, QStringLiteral("Status"), {}, {{10, 1, 2}, {11, 4, 3}, {12, 0, 5}}}};
    const CanDatabase db = readDbc(writeDbc(net).bytes, QStringLiteral("out.dbc"));
    EXPECT_EQ(db.nodes, (QStringList{kConverterNode, kBusNode}));
    ASSERT_EQ(db.messages.size(), 1u);
    EXPECT_EQ(db.messages[0].sender, kBusNode);
    EXPECT_FALSE(db.messages[0].cycleTimeMs);
    ImportTarget target;
    target.firstRegister = 10;
    const ImportPlan plan = planImport(importMessages(db), target);
    ASSERT_EQ(plan.entries.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(plan.entries[i].registerIndex, net.receive[0].entries[i].registerIndex);
        EXPECT_EQ(plan.entries[i].highByte, net.receive[0].entries[i].highByte);
        EXPECT_EQ(plan.entries[i].lowByte, net.receive[0].entries[i].lowByte);
    }
}

} // namespace
} // namespace px::exchange
