#include "core/config/signal_table.h"

#include "core/base/error.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <optional>

namespace px::config {
namespace {

RegisterSignal registerSignal(Direction d, int index, const char* name)
{
    RegisterSignal r;
    r.direction = d;
    r.registerIndex = index;
    r.name = QString::fromUtf8(name);
    return r;
}

TEST(SignalTable, WrittenThenReadGivesTheSameTable)
{
    SignalTable table;
    RegisterSignal full = registerSignal(Direction::Transmit, 7, "Temp \"oil\" <C>");
    full.unit = QStringLiteral(u"\u00B0C");
    full.factor = 0.1;
    full.offset = -40;
    full.isSigned = true;
    full.isFloat = true;
    full.word = WordPart::LowWord;
    full.bitOffset = 3;
    full.bitLength = 12;
    full.startBit = 23;
    full.length = 12;
    full.motorola = true;
    full.minimum = -std::numeric_limits<double>::max();
    full.maximum = 1.0 / 3;
    full.comment = QStringLiteral("line one\nline two");
    full.values = {{-1, QStringLiteral("n/a")}, {0, QStringLiteral("cold")}};
    table.set(full);
    table.set(registerSignal(Direction::Receive, 9, "B"));
    table.set(registerSignal(Direction::Receive, 2, "A"));
    table.setCycleTime({Direction::Receive, 0x18FF0011, true, 250});

    const SignalTable back = readSignalTable(signalTableBytes(table), QStringLiteral("Signals.xml"));
    EXPECT_EQ(back, table);
    // Kept in direction, then register order, and found by both.
    ASSERT_EQ(back.registers().size(), 3u);
    EXPECT_EQ(back.registers()[0].name, QStringLiteral("A"));
    EXPECT_EQ(back.find(Direction::Transmit, 7)->unit, QStringLiteral(u"\u00B0C"));
    EXPECT_EQ(back.find(Direction::Receive, 7), nullptr);
    EXPECT_EQ(back.cycleTime(Direction::Receive, 0x18FF0011, true), 250);
    EXPECT_EQ(back.cycleTime(Direction::Receive, 0x18FF0011, false), std::nullopt);

    // A folder without the file has an empty table; an empty table leaves no file.
    QTemporaryDir dir;
    EXPECT_TRUE(loadSignalTable(dir.path()).empty());
    saveSignalTable(table, dir.path());
    EXPECT_EQ(loadSignalTable(dir.path()), table);
    saveSignalTable(SignalTable(), dir.path());
    EXPECT_FALSE(QFile::exists(dir.filePath(kSignalFileName)));
}

TEST(SignalTable, PhysicalValueOfARawRegister)
{
    struct Case {
        const char* what;
        int bitOffset, bitLength;
        bool isSigned, isFloat;
        double factor, offset;
        std::uint32_t raw;
        double expected;
    };
    const Case cases[] = {
        {"unsigned 16 bits, scaled", 0, 16, false, false, 0.1, 0, 1234, 123.4},
        {"signed 16 bits", 0, 16, true, false, 1, 0, 0xFFFE, -2},
        {"signed with offset", 0, 16, true, false, 0.5, -40, 0x0010, -32},
        {"flag in bit 5", 5, 1, false, false, 1, 0, 0x0020, 1},
        {"12 bits from bit 4, signed", 4, 12, true, false, 1, 0, 0xFFF0, -1},
        {"32 bits over two registers", 0, 32, false, false, 1, 0, 0x00010000, 65536},
        {"signed 32 bits", 0, 32, true, false, 1, 0, 0xFFFFFFFF, -1},
        {"float", 0, 32, false, true, 1, 0, 0x40490FDB, 3.1415927410125732},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegisterSignal r;
        r.bitOffset = c.bitOffset;
        r.bitLength = c.bitLength;
        r.isSigned = c.isSigned;
        r.isFloat = c.isFloat;
        r.factor = c.factor;
        r.offset = c.offset;
        EXPECT_DOUBLE_EQ(r.physical(c.raw), c.expected);
    }
}

TEST(SignalTable, PhysicalValueTextReadsThePairAndNamesTheValue)
{
    SignalTable table;
    RegisterSignal temperature;
    temperature.registerIndex = 10;
    temperature.name = QStringLiteral("Temperature");
    temperature.unit = QStringLiteral("\u00B0C");
    temperature.factor = 0.1;
    temperature.isSigned = true;
    table.set(temperature);
    RegisterSignal state;
    state.registerIndex = 11;
    state.bitOffset = 8;
    state.bitLength = 2;
    state.values = {{1, QStringLiteral("Running")}, {2, QStringLiteral("Fault")}};
    table.set(state);
    // A 32-bit counter over registers 20 (high word) and 21 (low word).
    RegisterSignal high;
    high.registerIndex = 20;
    high.word = WordPart::HighWord;
    high.bitLength = 32;
    table.set(high);
    RegisterSignal low = high;
    low.registerIndex = 21;
    low.word = WordPart::LowWord;
    table.set(low);

    std::map<int, std::uint16_t> values{{10, 0xFF38}, {11, 0x0200}, {20, 0x0001}, {21, 0x0002}, {30, 7}};
    const auto valueOf = [&values](int reg) -> std::optional<std::uint16_t> {
        if (const auto it = values.find(reg); it != values.end())
            return it->second;
        return std::nullopt;
    };
    EXPECT_EQ(physicalValueText(table, Direction::Receive, 10, valueOf), QStringLiteral("-20 \u00B0C"));
    EXPECT_EQ(physicalValueText(table, Direction::Receive, 11, valueOf), QStringLiteral("2 (Fault)"));
    EXPECT_EQ(physicalValueText(table, Direction::Receive, 20, valueOf), QStringLiteral("65538"));
    EXPECT_EQ(physicalValueText(table, Direction::Receive, 21, valueOf), QStringLiteral("65538"));
    // No signal known, another direction, or a partner without a value: nothing to show.
    EXPECT_EQ(physicalValueText(table, Direction::Receive, 30, valueOf), QString());
    EXPECT_EQ(physicalValueText(table, Direction::Transmit, 10, valueOf), QString());
    values.erase(21);
    EXPECT_EQ(physicalValueText(table, Direction::Receive, 20, valueOf), QString());
}

TEST(SignalTable, DamagedFilesAreRefusedNamingFileAndLine)
{
    struct Case {
        QByteArray text;
        const char* expected;
    };
    const Case cases[] = {
        {"<SIGNALS>\n<Register Index=\"1\"/></SIGNALS>", "The file Signals.xml, line 2: Direction \"\" is neither Receive nor Transmit"},
        {"<SIGNALS>\n<Register Direction=\"Receive\" Index=\"x\"/></SIGNALS>", "The file Signals.xml, line 2: Index \"x\" is no whole number"},
        {"<SIGNALS><Register Direction=\"Receive\" Index=\"1\" Factor=\"nan\"/></SIGNALS>",
         "The file Signals.xml, line 1: Factor \"nan\" is no number"},
        {"<SIGNALS><Register", "The file Signals.xml is not valid XML"},
    };
    for (const Case& c : cases) {
        try {
            readSignalTable(c.text, QStringLiteral("Signals.xml"));
            ADD_FAILURE() << c.text.toStdString();
        } catch (const Error& e) {
            EXPECT_TRUE(e.text().startsWith(QLatin1StringView(c.expected))) << e.text().toStdString();
        }
    }
}

} // namespace
} // namespace px::config
