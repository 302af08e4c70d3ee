#include "core/exchange/dbc_reader.h"

#include "core/base/error.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

namespace px::exchange {
namespace {

using test::fixture;

const CanSignal* findSignal(const CanMessage& m, const char* name)
{
    for (const CanSignal& s : m.signalList) {
        if (s.name == QLatin1StringView(name))
            return &s;
    }
    ADD_FAILURE() << "no signal " << name << " in " << m.name.toStdString();
    return nullptr;
}

QString errorOf(const QByteArray& text)
{
    try {
        readDbc(text, QStringLiteral("net.dbc"));
    } catch (const Error& e) {
        return e.text();
    }
    return QStringLiteral("(read without error)");
}

TEST(DbcReader, ReadsMessagesAndTheirHeader)
{
    const CanDatabase db = readDbc(fixture(QStringLiteral("exchange/constructs.dbc")), QStringLiteral("constructs.dbc"));
    EXPECT_EQ(db.version, QStringLiteral("1.2"));
    EXPECT_EQ(db.nodes, (QStringList{QStringLiteral("Drive"), QStringLiteral("Panel"), QStringLiteral("Logger")}));
    // The holder of signals without a frame is no frame of the bus.
    ASSERT_EQ(db.messages.size(), 3u);

    struct Row {
        const char* name;
        std::uint32_t id;
        bool extended;
        int length;
        const char* sender;
        std::optional<int> cycle;
        size_t signalCount;
        int line;
    };
    const Row rows[] = {
        {"DriveStatus", 0x181, false, 8, "Drive", 100, 5, 18},
        {"EngineData", 0x18FF0011, true, 8, "Panel", 20, 4, 25},
        {"Heartbeat", 1, false, 1, "Vector__XXX", std::nullopt, 0, 31},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        const CanMessage& m = db.messages[i];
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(m.name, QLatin1StringView(rows[i].name));
        EXPECT_EQ(m.id, rows[i].id);
        EXPECT_EQ(m.extended, rows[i].extended);
        EXPECT_EQ(m.length, rows[i].length);
        EXPECT_EQ(m.sender, QLatin1StringView(rows[i].sender));
        EXPECT_EQ(m.cycleTimeMs, rows[i].cycle);
        EXPECT_EQ(m.signalList.size(), rows[i].signalCount);
        EXPECT_EQ(m.line, rows[i].line);
    }
    EXPECT_EQ(db.messages[1].dbcId(), 0x98FF0011u);
    EXPECT_EQ(db.messages[0].comment, QStringLiteral("Status of the drive, sent every 100 ms"));
    EXPECT_EQ(db.valueTables.at(QStringLiteral("OnOff")), (ValueTable{{0, QStringLiteral("Off")}, {1, QStringLiteral("On")}}));
}

TEST(DbcReader, ReadsEverySignalField)
{
    const CanDatabase db = readDbc(fixture(QStringLiteral("exchange/constructs.dbc")), QStringLiteral("constructs.dbc"));
    using M = CanSignal::Multiplex;
    struct Row {
        size_t message;
        const char* name;
        int startBit, length;
        bool motorola, isSigned;
        double factor, offset, minimum, maximum;
        const char* unit;
        M multiplex;
        std::int64_t multiplexValue;
    };
    const Row rows[] = {
        {0, "Speed", 0, 16, false, false, 0.1, 0, 0, 6553.5, "rpm", M::None, 0},
        {0, "Torque", 23, 16, true, true, 1, -500, -500, 500, "Nm", M::None, 0},
        {0, "Flags", 40, 3, false, false, 1, 0, 0, 7, "", M::None, 0},
        {0, "Energy", 39, 32, true, false, 1, 0, 0, 4294967295.0, "Wh", M::None, 0},
        {1, "Selector", 32, 8, false, false, 1, 0, 0, 3, "", M::Multiplexor, 0},
        {1, "Temp", 40, 16, false, true, 0.5, -40, -40, 120, "degC", M::Multiplexed, 0},
        {1, "Pressure", 40, 16, false, false, 0.01, 0, 0, 600, "bar", M::Multiplexed, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const CanSignal* s = findSignal(db.messages[r.message], r.name);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->startBit, r.startBit);
        EXPECT_EQ(s->length, r.length);
        EXPECT_EQ(s->motorola, r.motorola);
        EXPECT_EQ(s->isSigned, r.isSigned);
        EXPECT_DOUBLE_EQ(s->factor, r.factor);
        EXPECT_DOUBLE_EQ(s->offset, r.offset);
        EXPECT_DOUBLE_EQ(s->minimum, r.minimum);
        EXPECT_DOUBLE_EQ(s->maximum, r.maximum);
        EXPECT_EQ(s->unit, QLatin1StringView(r.unit));
        EXPECT_EQ(s->multiplex, r.multiplex);
        EXPECT_EQ(s->multiplexValue, r.multiplexValue);
    }
    const CanSignal* speed = findSignal(db.messages[0], "Speed");
    EXPECT_EQ(speed->receivers, (QStringList{QStringLiteral("Panel"), QStringLiteral("Logger")}));
    EXPECT_EQ(speed->comment, QStringLiteral("Shaft speed with a \"quoted\" word"));
    EXPECT_EQ(findSignal(db.messages[1], "Temp")->comment, QStringLiteral("Oil\ntemperature"));
    EXPECT_EQ(findSignal(db.messages[0], "Mode")->values,
              (ValueTable{{0, QStringLiteral("Off")}, {1, QStringLiteral("Run")}, {2, QStringLiteral("Fault")}}));
}

TEST(DbcReader, TextIsUtf8WhenValidElseLatin1)
{
    const QByteArray head = "VERSION \"\"\nBO_ 1 M: 8 N\n SG_ T : 0|8@1+ (1,0) [0|0] \"";
    const QByteArray tail = "\" N\n";
    EXPECT_EQ(readDbc(head + "\xC2\xB0" "C" + tail, QStringLiteral("a.dbc")).messages[0].signalList[0].unit, QStringLiteral(u"\u00B0C"));
    EXPECT_EQ(readDbc(head + "\xB0" "C" + tail, QStringLiteral("a.dbc")).messages[0].signalList[0].unit, QStringLiteral(u"\u00B0C"));
    // A default cycle time stands for every frame without its own.
    EXPECT_EQ(readDbc("BO_ 1 M: 8 N\nBA_DEF_DEF_ \"GenMsgCycleTime\" 50;\n", QStringLiteral("a.dbc")).messages[0].cycleTimeMs, 50);
    // A 29-bit identifier written without bit 31 is still a 29-bit identifier.
    const CanMessage m = readDbc("BO_ 419364881 M: 8 N\n", QStringLiteral("a.dbc")).messages[0];
    EXPECT_TRUE(m.extended);
    EXPECT_EQ(m.id, 0x18FF0011u);
}

TEST(DbcReader, BrokenStatementsNameLineAndColumn)
{
    const QByteArray sg = "BO_ 1 M: 8 N\n";
    struct Case {
        QByteArray text;
        const char* expected;
    };
    const Case cases[] = {
        {"VERSION \"\"\nBO_ 385 Drive 8 N\n", "net.dbc: line 2, column 15: expected ':' after the message name, found '8'"},
        {sg + " SG_ S : 0|8@2+ (1,0) [0|0] \"\" N\n", "net.dbc: line 2, column 14: the byte order is 0 (Motorola) or 1 (Intel), not 2"},
        {sg + " SG_ S : 0|8@1 (1,0) [0|0] \"\" N\n", "net.dbc: line 2, column 16: expected '+' or '-' after the byte order, found '('"},
        {sg + " SG_ S : 0|8@1+ (1;0) [0|0] \"\" N\n", "net.dbc: line 2, column 19: expected ',' after the factor, found ';'"},
        {sg + " SG_ S : 0|0@1+ (1,0) [0|0] \"\" N\n", "net.dbc: line 2, column 12: a signal is at least 1 bit long"},
        {sg + " SG_ S x1 : 0|8@1+ (1,0) [0|0] \"\" N\n", "net.dbc: line 2, column 8: expected ':' or a multiplexer mark (M or m<value>)"},
        {sg + " SG_ S : 0|8@1+ (1,0) [0|0] \"\" N;\n", "net.dbc: line 2, column 33: expected a receiving node, found ';'"},
        {"BU_: A\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" N\n", "net.dbc: line 2, column 2: SG_ stands before any BO_ message"},
        {"BO_ 4294967296 M: 8 N\n", "net.dbc: line 1, column 5: 4294967296 is larger than 4294967295"},
        {"BO_ 1073741824 M: 8 N\n", "net.dbc: line 1, column 5: the identifier 1073741824 is beyond 29 bits"},
        {"BO_ 1 M: 65 N\n", "net.dbc: line 1, column 10: 65 is larger than 64"},
        {sg + "CM_ BO_ 1 \"never closed;\n", "net.dbc: line 2, column 11: the text in quotes is never closed"},
        {sg + "CM_ BO_ 1 \"text\"\nBA_ \"x\" 1;\n", "net.dbc: line 3, column 1: expected ';' after the comment, found 'BA_'"},
        {sg + "BA_ \"GenMsgCycleTime\" BO_ 1 fast;\n", "net.dbc: line 2, column 29: expected the attribute's value, found 'fast'"},
        {sg + "VAL_ 1 S 0 \"Off\" 1 ;\n", "net.dbc: line 2, column 20: expected the value's description in quotes, found ';'"},
        {sg + "BO_ 2 X: 8 N\n\x01\n", "net.dbc: line 3, column 1: unexpected control character 0x01"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_TRUE(errorOf(c.text).startsWith(QLatin1StringView(c.expected))) << errorOf(c.text).toStdString();
    }
}

TEST(DbcReader, OtherFilesAreRefusedAsNoDatabase)
{
    struct Case {
        QByteArray text;
        const char* expected;
    };
    const Case cases[] = {
        {"<COBID><row CobID=\"1\"/></COBID>", "net.dbc is not a CAN database (DBC) file: it begins with '<' instead of VERSION, NS_, BS_, BU_ or BO_"},
        {"(1700000000.000000) can0 181#11\n", "net.dbc is not a CAN database (DBC) file: it begins with '('"},
        {"Hello world\n", "net.dbc is not a CAN database (DBC) file: it begins with 'Hello'"},
        {"  \n\n", "net.dbc is not a CAN database (DBC) file: it is empty"},
        {QByteArray("BO_\0\x01\x02", 6), "net.dbc is not a CAN database (DBC) file: it holds binary data"},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(errorOf(c.text).startsWith(QLatin1StringView(c.expected))) << errorOf(c.text).toStdString();
}

} // namespace
} // namespace px::exchange
