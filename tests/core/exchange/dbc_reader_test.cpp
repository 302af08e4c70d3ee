#include "core/exchange/dbc_reader.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "support/temp_home.h"

#include <QFile>

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
    // A 29-bit identifier written without bit 31 is still a 29-bit identifier.
    const CanMessage m = readDbc("BO_ 419364881 M: 8 N\n", QStringLiteral("a.dbc")).messages[0];
    EXPECT_TRUE(m.extended);
    EXPECT_EQ(m.id, 0x18FF0011u);
}

// Every line skipped, of the file and of its frames' blocks, one a line.
QString skippedOf(const QByteArray& text)
{
    try {
        const CanDatabase db = readDbc(text, QStringLiteral("net.dbc"));
        QStringList out;
        for (const DbcWarning& w : db.warnings)
            out << w.text;
        for (const CanMessage& m : db.messages)
            out << m.skippedLines;
        return out.join(u'\n');
    } catch (const Error& e) {
        return QStringLiteral("(refused) ") + e.text();
    }
}

TEST(DbcReader, LinesThatDoNotParseAreSkippedNamingLineAndColumn)
{
    // A frame that reads, so that only the broken line is left out.
    const QByteArray ok = "BO_ 9 Ok: 8 N\n";
    const QByteArray sg = "BO_ 1 M: 8 N\n";
    struct Case {
        QByteArray text;
        const char* expected;
    };
    const Case cases[] = {
        {ok + "BO_ 385 Drive 8 N\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" N\n",
         "line 2, column 15: expected ':' after the message name, found '8' (the frame and its signals are skipped)"},
        {sg + " SG_ S : 0|8@2+ (1,0) [0|0] \"\" N\n", "line 2, column 14: the byte order is 0 (Motorola) or 1 (Intel), not 2 (skipped)"},
        {sg + " SG_ S : 0|8@1 (1,0) [0|0] \"\" N\n", "line 2, column 16: expected '+' or '-' after the byte order, found '(' (skipped)"},
        {sg + " SG_ S : 0|8@1+ (1;0) [0|0] \"\" N\n", "line 2, column 19: expected ',' after the factor, found ';' (skipped)"},
        {sg + " SG_ S : 0|0@1+ (1,0) [0|0] \"\" N\n", "line 2, column 12: a signal is at least 1 bit long (skipped)"},
        {sg + " SG_ S x1 : 0|8@1+ (1,0) [0|0] \"\" N\n", "line 2, column 8: expected ':' or a multiplexer mark (M or m<value>) after the signal name, found 'x1' (skipped)"},
        {ok + " SG_ S : 0|8@1+ (1,0) [0|0] \"\" N;\n", "line 2, column 33: expected a receiving node, found ';' (skipped)"},
        {ok + "BU_: A\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" N\n", ""},
        {ok + "BO_ 4294967296 M: 8 N\n", "line 2, column 5: 4294967296 is larger than 4294967295 (the frame and its signals are skipped)"},
        {ok + "BO_ 1073741825 Big: 8 N\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" N\n",
         "line 2, column 5: the identifier 1073741825 is beyond 29 bits (the frame Big and its signals are skipped)"},
        {ok + "CM_ BO_ 9 \"never closed;\n", "line 2, column 11: the text in quotes is never closed (skipped)"},
        {ok + "CM_ SG_ 304 \"no signal name\";\n", "line 2, column 13: expected the signal name, found a text in quotes (skipped)"},
        {ok + "CM_ 145 \"no object\";\n", "line 2, column 5: expected the comment in quotes, found '145' (skipped)"},
        {ok + "VAL_ 9 S 0 \"Off\" 1 ;\n", "line 2, column 20: expected the value's description in quotes, found ';' (skipped)"},
        {ok + "BO_ 2 X: 8 N\n\x01\nBO_ 3 Y: 8 N\n",
         "line 3, column 1: unexpected control character 0x01 (skipped)"},
        {ok + "\x01\nBO_ 3 Y: 8 N\n", "line 2, column 1: unexpected control character 0x01 (skipped)"},
        {ok + "BA_ \"GenMsgCycleTime\" BO_ 9 10 20;\nBO_ 3 Y: 8 N\n", "line 2, column 32: expected ';' after the attribute value, found '20' (skipped)"},
        // No frame left to read: the file is refused with the first line skipped.
        {"VERSION \"\"\nBO_ 385 Drive 8 N\n",
         "(refused) net.dbc: no frame can be read: line 2, column 15: expected ':' after the message name, found '8' (the frame and its signals are skipped)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(skippedOf(c.text), QLatin1StringView(c.expected));
    }
    // A signal line that is skipped stays with its frame, whose other signals are read.
    const CanDatabase db = readDbc(sg + " SG_ A : 0|8@1+ (1,0) [0|0] \"\" N\n SG_ B : 8|8@9+ (1,0) [0|0] \"\" N\n SG_ C : 16|8@1+ (1,0) [0|0] \"\" N\n",
                                   QStringLiteral("net.dbc"));
    ASSERT_EQ(db.messages.size(), 1u);
    EXPECT_EQ(db.messages[0].signalList.size(), 2u);
    EXPECT_EQ(db.messages[0].skippedLines.size(), 1u);
    EXPECT_TRUE(db.warnings.empty());
}

TEST(DbcReader, DialectsOfRealDatabasesAreRead)
{
    const QByteArray text = "VERSION \"\"\n"
                            "BO_ 100 2017_5: 8 N\n"
                            " SG_ 64_BIT_LE : 0|64@1+ (1,0) [0|0] \"\" N\n"
                            " SG_ Wide : 0|96@1+ (1,0) [0|0] \"\" N\n"
                            " SG_ Huge : 8|8@1+ (1,0) [-4.4E+481|4.446241647709404462001681407E+481] \"\" N\n"
                            "BO_ 1073741824 VECTOR__INDEPENDENT_SIG_MSG: 0 Vector__XXX\n"
                            " SG_ Orphan : 0|8@1+ (1,0) [0|0] \"\" Vector__XXX\n"
                            "BO_ 101 NoSemicolons: 8 N\n"
                            " SG_ Mode : 0|8@1+ (1,0) [0|0] \"\" N\n"
                            "BA_DEF_ BO_ \"Active\" ENUM \"False\",\"True\";\n"
                            "BA_DEF_DEF_ \"Active\" False;\n"
                            "BA_ \"Active\" BO_ 100 True;\n"
                            "BA_ \"Active\" False;\n"
                            "CM_ BO_ 101 \"no semicolon\"\n"
                            "VAL_ 101 Mode 0 \"Off\" 1 \"On\"\n"
                            "CM_ SG_ 101 Mode \"the mode\";\n";
    const CanDatabase db = readDbc(text, QStringLiteral("net.dbc"));
    EXPECT_TRUE(db.warnings.empty()) << db.warnings.front().text.toStdString();
    ASSERT_EQ(db.messages.size(), 2u);
    EXPECT_EQ(db.messages[0].name, QStringLiteral("2017_5"));
    ASSERT_EQ(db.messages[0].signalList.size(), 3u);
    EXPECT_EQ(db.messages[0].signalList[0].name, QStringLiteral("64_BIT_LE"));
    EXPECT_EQ(db.messages[0].signalList[1].length, 96);
    // A limit beyond the doubles is the largest double.
    EXPECT_EQ(db.messages[0].signalList[2].minimum, -std::numeric_limits<double>::max());
    EXPECT_EQ(db.messages[0].signalList[2].maximum, std::numeric_limits<double>::max());
    EXPECT_EQ(db.messages[1].comment, QStringLiteral("no semicolon"));
    EXPECT_EQ(db.messages[1].signalList[0].values, (ValueTable{{0, QStringLiteral("Off")}, {1, QStringLiteral("On")}}));
    EXPECT_EQ(db.messages[1].signalList[0].comment, QStringLiteral("the mode"));
}

TEST(DbcReader, CanFdFramesAreMarked)
{
    const QByteArray frames = "BO_ 1 A: 8 N\nBO_ 2 B: 8 N\nBO_ 3 C: 8 N\n";
    struct Case {
        const char* what;
        QByteArray attributes;
        std::vector<bool> fd;
    };
    const Case cases[] = {
        {"no format", "", {false, false, false}},
        {"usual enumeration indexes 14 and 15",
         "BA_DEF_ BO_ \"VFrameFormat\" ENUM \"StandardCAN\",\"ExtendedCAN\",\"reserved\",\"reserved\",\"reserved\",\"reserved\","
         "\"reserved\",\"reserved\",\"reserved\",\"reserved\",\"reserved\",\"reserved\",\"reserved\",\"reserved\",\"StandardCAN_FD\","
         "\"ExtendedCAN_FD\";\nBA_ \"VFrameFormat\" BO_ 1 14;\nBA_ \"VFrameFormat\" BO_ 2 15;\nBA_ \"VFrameFormat\" BO_ 3 0;\n",
         {true, true, false}},
        {"indexes without a definition", "BA_ \"VFrameFormat\" BO_ 1 14;\nBA_ \"VFrameFormat\" BO_ 3 1;\n", {true, false, false}},
        {"a shorter enumeration",
         "BA_DEF_ BO_ \"VFrameFormat\" ENUM \"StandardCAN\",\"ExtendedCAN\",\"StandardCAN_FD\",\"ExtendedCAN_FD\",\"J1939PG\";\n"
         "BA_DEF_DEF_ \"VFrameFormat\" \"StandardCAN\";\nBA_ \"VFrameFormat\" BO_ 2 2;\nBA_ \"VFrameFormat\" BO_ 3 4;\n",
         {false, true, false}},
        {"bit rate switch", "BA_DEF_DEF_ \"CANFD_BRS\" \"1\";\nBA_ \"CANFD_BRS\" BO_ 3 1;\n", {false, false, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CanDatabase db = readDbc(frames + c.attributes, QStringLiteral("net.dbc"));
        ASSERT_EQ(db.messages.size(), 3u);
        for (size_t i = 0; i < 3; ++i)
            EXPECT_EQ(db.messages[i].canFd, c.fd[i]) << i;
    }
}

TEST(DbcReader, CycleTimes)
{
    struct Case {
        const char* what;
        QByteArray text;
        std::optional<int> cycle;
        std::optional<double> ignoredDefault;
    };
    const Case cases[] = {
        {"own", "BO_ 1 M: 8 N\nBA_ \"GenMsgCycleTime\" BO_ 1 100;\n", 100, {}},
        {"29-bit without bit 31 in both places", "BO_ 419364881 M: 8 N\nBA_ \"GenMsgCycleTime\" BO_ 419364881 250;\n", 250, {}},
        {"29-bit, the attribute with bit 31", "BO_ 419364881 M: 8 N\nBA_ \"GenMsgCycleTime\" BO_ 2566848529 250;\n", 250, {}},
        {"default", "BO_ 1 M: 8 N\nBA_DEF_DEF_ \"GenMsgCycleTime\" 50;\n", 50, {}},
        {"default 0 is none", "BO_ 1 M: 8 N\nBA_DEF_DEF_ \"GenMsgCycleTime\" 0;\n", {}, {}},
        {"own 0 over a default", "BO_ 1 M: 8 N\nBA_DEF_DEF_ \"GenMsgCycleTime\" 50;\nBA_ \"GenMsgCycleTime\" BO_ 1 0;\n", {}, {}},
        {"absurd default kept aside", "BO_ 1 M: 8 N\nBA_DEF_DEF_ \"GenMsgCycleTime\" 65535;\n", {}, 65535.0},
        {"own beside an absurd default", "BO_ 1 M: 8 N\nBA_DEF_DEF_ \"GenMsgCycleTime\" 65535;\nBA_ \"GenMsgCycleTime\" BO_ 1 20;\n", 20, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CanMessage m = readDbc(c.text, QStringLiteral("a.dbc")).messages.at(0);
        EXPECT_EQ(m.cycleTimeMs, c.cycle);
        EXPECT_EQ(m.ignoredDefaultCycleMs, c.ignoredDefault);
    }
}

TEST(DbcReader, FilesBeyondTheLimitAreRefusedBeforeReading)
{
    test::TempHome home;
    const QString path = home.path() + QStringLiteral("/huge.dbc");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(kMaxDbcFileSize + 1));
    }
    try {
        readDbcFile(path);
        ADD_FAILURE() << "read";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), QStringLiteral("Cannot read the file %1: it holds %2 bytes, more than the %3 bytes of any CAN database")
                                .arg(displayPath(path))
                                .arg(kMaxDbcFileSize + 1)
                                .arg(kMaxDbcFileSize));
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
