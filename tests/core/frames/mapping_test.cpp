#include "core/frames/mapping_model.h"

#include "core/base/error.h"
#include "core/lang/message_ids.h"
#include "core/shell/workspace.h"
#include "support/temp_home.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace px {
namespace {

using config::Direction;
using config::MappingEntry;
using test::fixture;
using test::TempHome;

const MappingProfile& R = MappingProfile::receiveSide();
const MappingProfile& T = MappingProfile::transmitSide();

using test::readFile;
using test::writeFile;

QByteArray frameRows(int count, const char* dimension = "8")
{
    QByteArray rows = "<COBID>";
    for (int i = 0; i < count; ++i)
        rows += "<row CobID=\"" + QByteArray::number(0x100 + i) + "\" Dimensin=\"" + dimension + "\" CobType=\"2.0A (11 bits)\" Mnemonic=\"\"/>";
    return rows + "</COBID><!--SW_VERSION = 2.505-->";
}

RegisterMapping withFrames(const MappingProfile& profile, int count)
{
    RegisterMapping m(profile);
    std::vector<MappingFrame> frames;
    for (int i = 0; i < count; ++i)
        frames.push_back({QString::number(i), QStringLiteral("2.0A (11 bits)"), 8});
    m.setFrames(std::move(frames));
    return m;
}

// An entry on frame number `frame` (from 1); `send` is Send_on_Write as written.
MappingEntry entry(int frame, const char* index, int high, int low, int send = 0)
{
    MappingEntry e;
    e.registerIndex = QString::fromLatin1(index);
    e.frameNumber = frame;
    e.highByte = high;
    e.lowByte = low;
    e.setSendOnWriteNumber(send);
    return e;
}

// The entries of the frame in list row `row`.
std::vector<MappingEntry> entriesOf(const RegisterMapping& m, int row)
{
    const auto entries = m.entriesOf(row);
    return {entries.begin(), entries.end()};
}

TEST(Mapping, CreateAndModifyCheckTheIndex)
{
    struct Case {
        const char* what;
        const MappingProfile* side;
        const char* stored;  // index of the entry already on frame 1
        const char* typed;
        int frame;           // where the new or modified entry goes
        int reg;             // -1: Create; 0: Modify the frame-1 entry
        std::optional<int> expected;  // the message of the refusal; none: taken
    };
    const Case cases[] = {
        {"above the range", &R, "10", "65536", 1, -1, msg::kReceiveMappingRegisterRange},
        {"negative", &R, "10", "-1", 1, -1, msg::kReceiveMappingRegisterRange},
        {"letters", &R, "10", "abc", 1, -1, msg::kReceiveMappingRegisterRange},
        {"trailing blank", &R, "10", "12 ", 1, -1, msg::kReceiveMappingRegisterRange},
        {"lowest", &R, "10", "0", 1, -1, std::nullopt},
        {"highest", &R, "10", "65535", 1, -1, std::nullopt},
        {"used on another frame", &R, "10", "10", 1, -1, msg::kReceiveMappingRegisterUsed},
        {"hex form of a used index", &R, "10", "0xA", 1, -1, msg::kReceiveMappingRegisterUsed},
        {"stored hex blocks decimal", &R, "0x0A", "10", 1, -1, msg::kReceiveMappingRegisterUsed},
        {"modify keeps its own index", &R, "10", "10", 0, 0, std::nullopt},
        {"transmit range", &T, "10", "70000", 1, -1, msg::kTransmitMappingRegisterRange},
        {"transmit used", &T, "10", "$A", 1, -1, msg::kTransmitMappingRegisterUsed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegisterMapping m = withFrames(*c.side, 2);
        m.setEntries({entry(1, c.stored, 1, 2)});
        const MappingEntry typed = entry(0, c.typed, 3, 4, 1);
        const std::optional<IndexRefusal> result = c.reg < 0 ? m.create(c.frame, typed) : m.modify(c.frame, c.reg, typed);
        EXPECT_EQ(result ? std::optional<int>(c.side->message(*result)) : std::nullopt, c.expected);
        if (c.expected) {
            EXPECT_EQ(m.entries(), std::vector<MappingEntry>{entry(1, c.stored, 1, 2)});
        } else {
            const std::vector<MappingEntry> onFrame = entriesOf(m, c.frame);
            ASSERT_FALSE(onFrame.empty());
            // Stored as typed on the frame; only the transmit side keeps the send flag.
            EXPECT_EQ(onFrame.back(), entry(c.frame + 1, c.typed, 3, 4, c.side->transmit() ? 1 : 0));
        }
    }
}

TEST(Mapping, ModifyIsRefusedWhenAnotherEntryHoldsTheIndex)
{
    RegisterMapping m = withFrames(R, 1);
    m.setEntries({entry(1, "1", 0, 0), entry(1, "2", 0, 0)});
    EXPECT_EQ(m.modify(0, 1, entry(1, "1", 0, 0)), IndexRefusal::AlreadyUsed);
    EXPECT_EQ(m.entry(0, 1)->registerIndex, QStringLiteral("2"));
    m.remove(0, 0);
    EXPECT_EQ(m.registerLines(0), QStringList{QStringLiteral("2; None; None;")});
}

TEST(Mapping, PosCompPacksHighAndLowBytesIntoNibbles)
{
    struct Case {
        int hi, lo;
        const char* posComp;
    };
    for (const Case c : {Case{1, 2, "18"}, Case{0, 3, "3"}, Case{0, 0, "0"}, Case{8, 8, "136"}}) {
        const QByteArray file = config::mappingsBytes({entry(1, "1", c.hi, c.lo)}, Direction::Receive);
        EXPECT_TRUE(file.contains(QByteArray("PosComp=\"") + c.posComp + "\"")) << file.toStdString();
        EXPECT_EQ(config::readMappings(file, QStringLiteral("RInfoCob.xml"), Direction::Receive),
                  std::vector<MappingEntry>{entry(1, "1", c.hi, c.lo)});
    }
    // Unpacked as an unsigned value.
    EXPECT_EQ(config::readMappings("<RInfoCob><row Index=\"1\" NrPdo=\"1\" PosComp=\"-1\"/></RInfoCob>",
                                   QStringLiteral("RInfoCob.xml"), Direction::Receive),
              std::vector<MappingEntry>{entry(1, "1", 15, 15)});
}

TEST(Mapping, ListTexts)
{
    EXPECT_EQ(registerLine(entry(1, "100", 1, 2, 1)), QStringLiteral("100; Byte 1; Byte 2;"));
    EXPECT_EQ(registerLine(entry(1, "0x64", 0, 3)), QStringLiteral("0x64; None; Byte 3;"));
    const QString none = QStringLiteral("None"), byte = QStringLiteral("Byte ");
    EXPECT_EQ(byteListItems(2, none, byte), (QStringList{none, QStringLiteral("Byte 1"), QStringLiteral("Byte 2")}));
    EXPECT_EQ(byteListItems(-3, none, byte), QStringList{none});
    // A hand-edited huge dimension offers only what PosComp can hold.
    EXPECT_EQ(byteListItems(2000000000, none, byte).size(), 16);
}

TEST(Mapping, ShowReadsFramesAndEntriesKeepingRowsOfNoFrameAsOrphans)
{
    TempHome home;
    home.activate(QStringLiteral("P"));
    const Workspace& ws = home.session.ws;
    writeFile(ws.generalParametersFile, fixture(QStringLiteral("mapping/ParGen_dip.xml")));
    writeFile(ws.transmitFramesFile, fixture(QStringLiteral("mapping/TCobDef_two.xml")));
    writeFile(ws.transmitMappingsFile, fixture(QStringLiteral("mapping/TInfoCob_mixed.xml")));

    RegisterMapping m(T);
    m.load(ws);
    EXPECT_FALSE(m.loadFailed());
    EXPECT_EQ(m.frameLines(), (QStringList{QStringLiteral("0x181\t2.0B (29 bits)"), QStringLiteral("0x182\t2.0A (11 bits)")}));
    ASSERT_EQ(m.frames().size(), 2u);
    EXPECT_EQ(m.frames()[0].dataLength, 2);
    EXPECT_EQ(m.frames()[1].dataLength, 8); // "x" is not a number
    EXPECT_EQ(entriesOf(m, 0), (std::vector<MappingEntry>{entry(1, "5", 1, 2, 1), entry(1, "9", 15, 15)}));
    EXPECT_EQ(entriesOf(m, 1), (std::vector<MappingEntry>{entry(2, "0x0A", 8, 8)}));

    // The rows naming no frame are kept apart, never dropped unasked.
    EXPECT_EQ(m.orphanLines(QStringLiteral("%1:%2")), (QStringList{QStringLiteral("6:0"), QStringLiteral("7:3"), QStringLiteral("8:-1")}));

    // OK writes the entries frame by frame, then the orphans; the send flag is always written.
    m.save(ws);
    EXPECT_EQ(readFile(ws.transmitMappingsFile),
              QByteArray("<TInfoCob><row Index=\"5\" NrPdo=\"1\" PosComp=\"18\" Send_on_Write=\"1\"/>"
                         "<row Index=\"9\" NrPdo=\"1\" PosComp=\"255\" Send_on_Write=\"0\"/>"
                         "<row Index=\"0x0A\" NrPdo=\"2\" PosComp=\"136\" Send_on_Write=\"0\"/>"
                         "<row Index=\"6\" NrPdo=\"0\" PosComp=\"1\" Send_on_Write=\"0\"/>"
                         "<row Index=\"7\" NrPdo=\"3\" PosComp=\"1\" Send_on_Write=\"0\"/>"
                         "<row Index=\"8\" NrPdo=\"-1\" PosComp=\"1\" Send_on_Write=\"0\"/></TInfoCob>"
                         "<!--SW_VERSION = 2.505-->"));
    EXPECT_FALSE(QFileInfo::exists(ws.transmitMappingsFile + QStringLiteral(".bak")));
}

TEST(Mapping, FrameTypeFollowsTheDeviceGeneration)
{
    struct Case {
        QByteArray parGen;
        QString type;
    };
    const Case cases[] = {
        {"<ParGen><Device_Type>0</Device_Type><CANType>1</CANType></ParGen>", QStringLiteral("2.0B (29 bits)")},
        {"<ParGen><CANType>0</CANType></ParGen>", QStringLiteral("2.0A (11 bits)")},
        {"<ParGen><Device_Type>abc</Device_Type><CANType>7</CANType></ParGen>", QStringLiteral("2.0B (29 bits)")},
        {"<ParGen><Device_Type>1</Device_Type><CANType>1</CANType></ParGen>", QStringLiteral("as stored")},
        {"", QStringLiteral("2.0A (11 bits)")}, // no ParGen.xml
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parGen.toStdString());
        TempHome home;
        home.activate(QStringLiteral("P"));
        const Workspace& ws = home.session.ws;
        if (!c.parGen.isEmpty())
            writeFile(ws.generalParametersFile, c.parGen);
        writeFile(ws.receiveFramesFile, "<COBID><row CobID=\"1\" CobType=\"as stored\" Dimensin=\"4\" Mnemonic=\"\"/></COBID>");
        RegisterMapping m(R);
        m.load(ws);
        ASSERT_EQ(m.frames().size(), 1u);
        EXPECT_EQ(m.frames()[0].formatText, c.type);
    }
}

// Send_on_Write other than 0 and 1 does not send (the list shows "False"), and OK and the
// export keep the number as it was.
TEST(Mapping, AnUnusualSendOnWriteNumberIsKept)
{
    TempHome home;
    home.activate(QStringLiteral("P"));
    const Workspace& ws = home.session.ws;
    writeFile(ws.transmitFramesFile, frameRows(1));
    const QByteArray file = "<TInfoCob><row Index=\"1\" NrPdo=\"1\" PosComp=\"0\" Send_on_Write=\"7\"/></TInfoCob>"
                            "<!--SW_VERSION = 2.505-->";
    writeFile(ws.transmitMappingsFile, file);
    RegisterMapping m(T);
    m.load(ws);
    ASSERT_EQ(m.entryCount(), 1);
    EXPECT_FALSE(m.entries()[0].sendOnWrite);
    EXPECT_EQ(m.entries()[0].sendOnWriteNumber(), 7);
    EXPECT_EQ(m.toXml(), file);
    EXPECT_TRUE(m.toCsv().endsWith("1;1;0;0;7;\r\n")) << m.toCsv().toStdString();
}

TEST(Mapping, WithoutFramesTheMappingIsNotReadAndOkWritesItEmpty)
{
    for (const QByteArray& frames : {QByteArray(), QByteArray("<COBID/><!--SW_VERSION = 2.505-->")}) {
        TempHome home;
        home.activate(QStringLiteral("P"));
        const Workspace& ws = home.session.ws;
        if (!frames.isEmpty())
            writeFile(ws.receiveFramesFile, frames);
        writeFile(ws.receiveMappingsFile, "not even XML"); // would throw if it were read
        RegisterMapping m(R);
        m.load(ws);
        EXPECT_TRUE(m.frames().empty());
        m.save(ws);
        EXPECT_EQ(readFile(ws.receiveMappingsFile), QByteArray("<RInfoCob/><!--SW_VERSION = 2.505-->"));
    }
}

TEST(Mapping, BadFilesStopTheLoadingWithTheirPlaceNamed)
{
    struct Case {
        const char* what;
        QByteArray frames;
        QByteArray mapping;
        const char* message;  // a part of the error text
        std::size_t framesKept;
        int entriesKept;
    };
    const QByteArray twoFrames = frameRows(2);
    const Case cases[] = {
        {"frame without CobID", "<COBID><row CobID=\"1\" Dimensin=\"8\"/><row Dimensin=\"8\"/></COBID>", "",
         "row 2: the attribute \"CobID\" is missing", 1, 0},
        {"frame without Dimensin", "<COBID><row CobID=\"1\"/></COBID>", "", "row 1: the attribute \"Dimensin\" is missing", 0, 0},
        {"entry without NrPdo", twoFrames, "<RInfoCob><row Index=\"1\" NrPdo=\"1\" PosComp=\"0\"/><row Index=\"2\" PosComp=\"0\"/></RInfoCob>",
         "row 2: the attribute \"NrPdo\" is missing", 2, 1},
        {"entry without Index", twoFrames, "<RInfoCob><row NrPdo=\"1\" PosComp=\"0\"/></RInfoCob>",
         "row 1: the attribute \"Index\" is missing", 2, 0},
        {"entry without PosComp", twoFrames, "<RInfoCob><row Index=\"1\" NrPdo=\"2\"/></RInfoCob>",
         "row 1: the attribute \"PosComp\" is missing", 2, 0},
        // A row naming no frame is kept, so it must be whole as well.
        {"entry of no frame without Index", twoFrames, "<RInfoCob><row NrPdo=\"5\"/><row Index=\"1\" NrPdo=\"1\" PosComp=\"0\"/></RInfoCob>",
         "row 1: the attribute \"Index\" is missing", 2, 0},
        {"mapping not XML", twoFrames, "<RInfoCob>\n<row Index=\"1\" NrPdo=\"1\" PosComp=\"0\"/>\n<row", "RInfoCob.xml is not valid XML: line 3", 2, 0},
        {"frames not XML", "<COBID><row></COBID>", "", "RCobDef.xml is not valid XML: line 1", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempHome home;
        home.activate(QStringLiteral("P"));
        const Workspace& ws = home.session.ws;
        writeFile(ws.receiveFramesFile, c.frames);
        if (!c.mapping.isEmpty())
            writeFile(ws.receiveMappingsFile, c.mapping);
        RegisterMapping m(R);
        try {
            m.load(ws);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_TRUE(e.text().contains(QString::fromLatin1(c.message))) << e.text().toStdString();
        }
        EXPECT_TRUE(m.loadFailed());
        EXPECT_EQ(m.frames().size(), c.framesKept);
        EXPECT_EQ(m.entryCount(), c.entriesKept);
    }
}

TEST(Mapping, OnlyTheRowsOfTheFirstNodeCount)
{
    struct Case {
        QByteArray mapping;
        int entries;
    };
    const Case cases[] = {
        // Every element of the root is an entry whatever its name, as the compiler reads it;
        // nested elements and comments are not.
        {"<RInfoCob><row Index=\"1\" NrPdo=\"1\" PosComp=\"0\"/><Row Index=\"2\" NrPdo=\"1\" PosComp=\"0\">"
         "<row Index=\"4\" NrPdo=\"1\" PosComp=\"0\"/></Row><!--c--><row Index=\"3\" NrPdo=\"1\" PosComp=\"0\"/></RInfoCob>", 3},
        {"<Other><row Index=\"1\" NrPdo=\"1\" PosComp=\"0\"/></Other>", 1}, // the root's name is not checked
        {"<?xml version=\"1.0\"?><RInfoCob><row Index=\"1\" NrPdo=\"1\" PosComp=\"0\"/></RInfoCob>", 0},
        {"<!--note--><RInfoCob><row Index=\"1\" NrPdo=\"1\" PosComp=\"0\"/></RInfoCob>", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mapping.toStdString());
        TempHome home;
        home.activate(QStringLiteral("P"));
        const Workspace& ws = home.session.ws;
        writeFile(ws.receiveFramesFile, frameRows(1));
        writeFile(ws.receiveMappingsFile, c.mapping);
        RegisterMapping m(R);
        m.load(ws);
        EXPECT_EQ(m.entryCount(), c.entries);
    }
}

TEST(Mapping, FramesAreNumberedByTheirPositionAmongTheRootsNodes)
{
    // The frame editors and the compiler number the frames by their position among all
    // child nodes of the root; the mapping must agree, or its entries land on other frames.
    const QByteArray mapping = "<RInfoCob><row Index=\"7\" NrPdo=\"2\" PosComp=\"1\"/></RInfoCob>";
    struct Case {
        const char* what;
        QByteArray frames;
        std::size_t frameCount;   // 0: the loading stops with an error
    };
    const Case cases[] = {
        {"an element of another name", "<COBID><frame CobID=\"1\" Dimensin=\"8\"/><row CobID=\"2\" Dimensin=\"2\"/></COBID>", 2},
        {"a comment before the rows", "<COBID><!--first--><row CobID=\"1\" Dimensin=\"8\"/><row CobID=\"2\" Dimensin=\"2\"/></COBID>", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempHome home;
        home.activate(QStringLiteral("P"));
        const Workspace& ws = home.session.ws;
        writeFile(ws.receiveFramesFile, c.frames);
        writeFile(ws.receiveMappingsFile, mapping);
        RegisterMapping m(R);
        if (c.frameCount == 0) {
            EXPECT_THROW(m.load(ws), Error);
            EXPECT_TRUE(m.frames().empty());
            continue;
        }
        m.load(ws);
        ASSERT_EQ(m.frames().size(), c.frameCount);
        EXPECT_EQ(m.frames()[1].cobId, QStringLiteral("2"));
        EXPECT_EQ(entriesOf(m, 1), std::vector<MappingEntry>{entry(2, "7", 0, 1)});
    }
}

TEST(Mapping, OkAfterAFailedLoadKeepsTheOldFileAsBak)
{
    TempHome home;
    home.activate(QStringLiteral("P"));
    const Workspace& ws = home.session.ws;
    const QByteArray old = "<RInfoCob><row Index=\"1\" NrPdo=\"1\" PosComp=\"0\"/><row Index=\"2\"/></RInfoCob>";
    writeFile(ws.receiveFramesFile, frameRows(1));
    writeFile(ws.receiveMappingsFile, old);
    RegisterMapping m(R);
    EXPECT_THROW(m.load(ws), Error);
    m.save(ws);
    EXPECT_EQ(readFile(ws.receiveMappingsFile + QStringLiteral(".bak")), old);
    EXPECT_EQ(readFile(ws.receiveMappingsFile),
              QByteArray("<RInfoCob><row Index=\"1\" NrPdo=\"1\" PosComp=\"0\"/></RInfoCob><!--SW_VERSION = 2.505-->"));
}

TEST(Mapping, ARepeatedOkWhileTheFrameListStaysBrokenKeepsTheFirstBak)
{
    TempHome home;
    home.activate(QStringLiteral("P"));
    const Workspace& ws = home.session.ws;
    const QByteArray old = "<RInfoCob><row Index=\"1\" NrPdo=\"1\" PosComp=\"18\"/></RInfoCob>";
    writeFile(ws.receiveFramesFile, "<COBID><row CobID=\"1\"/></COBID>"); // no Dimensin: no frame, no entry
    writeFile(ws.receiveMappingsFile, old);
    RegisterMapping m(R);
    for (int showing = 0; showing < 2; ++showing) {
        EXPECT_THROW(m.load(ws), Error);
        m.save(ws);
    }
    EXPECT_EQ(readFile(ws.receiveMappingsFile + QStringLiteral(".bak")), old);
    EXPECT_EQ(readFile(ws.receiveMappingsFile), QByteArray("<RInfoCob/><!--SW_VERSION = 2.505-->"));
}

TEST(Mapping, CsvImportLines)
{
    struct Case {
        const MappingProfile* side;
        QByteArray line;
        int frame;          // 0: the line is passed over; -1: the import is refused
        MappingEntry entry;
    };
    const Case cases[] = {
        {&R, "16;1;2;3;", 1, entry(1, "16", 2, 3)},
        {&R, "16;1;2", 1, entry(1, "16", 0, 2)},
        {&R, "  0x10 ; 2 ; 1 ; 4 ; extra", 2, entry(2, "16", 1, 4)},
        {&R, "abc;1;1;1;", 1, entry(1, "0", 1, 1)},
        // A line naming no frame of the list is refused, never kept out of sight.
        {&R, "16;9;1;2;", -1, {}},
        {&R, "16;0;1;2;", -1, {}},
        {&R, "16", -1, {}},
        {&R, "", 0, {}},
        {&T, "5;1;1;2;1;", 1, entry(1, "5", 1, 2, 1)},
        {&T, "5;1;1;2;1", 1, entry(1, "5", 1, 2, 1)},
        {&T, "5;1;1;2", 1, entry(1, "5", 1, 2, 0)},
        {&T, "5;1;1;2;7", 1, entry(1, "5", 1, 2, 7)},
        {&T, "5;3;1;2;1;", -1, {}},
        // Refused whole, the mapping kept: what Create would refuse, and positions outside
        // the frame's data bytes.
        {&T, "5;1;20;2;", -1, {}},
        {&R, "1000;1;-1;2;", -1, {}},
        {&R, "1000;1;1;9;", -1, {}},
        {&R, "70000;1;1;2;", -1, {}},
        {&R, "-1;1;1;2;", -1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        RegisterMapping m = withFrames(*c.side, 2);
        m.setEntries({entry(2, "99", 0, 0)});
        if (c.frame < 0) {
            EXPECT_THROW(m.importCsv("header line;\r\n" + c.line + "\r\n"), Error);
            EXPECT_EQ(m.entries(), std::vector<MappingEntry>{entry(2, "99", 0, 0)});
            continue;
        }
        m.importCsv("header line;\r\n" + c.line + "\r\n");
        EXPECT_EQ(m.entryCount(), c.frame == 0 ? 0 : 1); // the old entry is gone either way
        if (c.frame != 0) {
            EXPECT_EQ(entriesOf(m, c.frame - 1).at(0), c.entry);
        }
    }
}

TEST(Mapping, RefusedCsvImportNamesItsLinesAndChangesNothing)
{
    RegisterMapping m(R);
    m.setFrames({{QStringLiteral("0"), QStringLiteral("2.0A (11 bits)"), 8}, {QStringLiteral("1"), QStringLiteral("2.0A (11 bits)"), 2}});
    m.setEntries({entry(1, "1", 1, 0)});
    const auto refusal = [&m](const QByteArray& csv) {
        try {
            m.importCsv("Index MODBUS;Index CAN Frame;High Byte;Low Byte;\r\n" + csv);
        } catch (const Error& e) {
            return e.text();
        }
        return QStringLiteral("imported");
    };
    EXPECT_EQ(refusal("5;1;1;2;\r\n6;2;3;0;\r\n5;1;4;0;\r\n7;9;1;1;\r\n70000;1;1;1;\r\n"),
              QStringLiteral("The CSV file was not imported; the mapping is as it was:\n"
                             "line 3: the byte position 3 is outside 0 to 2 (frame 2 has 2 data bytes)\n"
                             "line 4: the register index 5 is already used\n"
                             "line 5: frame 9 does not exist (the list has 2 frames)\n"
                             "line 6: the register index 70000 is outside 0 to 65535"));
    // At most twenty lines are named, then how many more.
    QByteArray many;
    for (int i = 0; i < 25; ++i)
        many += "-" + QByteArray::number(i + 1) + ";1;1;1;\r\n";
    const QString text = refusal(many);
    EXPECT_TRUE(text.contains(QStringLiteral("line 21: the register index -20 is outside"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("line 22:"))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("\n... and 5 more"))) << text.toStdString();
    // The device holds 3584 entries a direction: the reading stops at the first line past them.
    QByteArray full;
    for (int i = 0; i < 3584; ++i)
        full += QByteArray::number(i) + ";1;1;0;\r\n";
    EXPECT_EQ(refusal(full + "9999;1;1;0;\r\n70000;1;1;0;\r\n"),
              QStringLiteral("The CSV file was not imported; the mapping is as it was:\n"
                             "line 3586: more than 3584 entries; the device has room for 3584\n"
                             "The file was read no further."));
    EXPECT_EQ(m.entries(), std::vector<MappingEntry>{entry(1, "1", 1, 0)});
    EXPECT_EQ(refusal(full), QStringLiteral("imported"));
    EXPECT_EQ(m.entryCount(), 3584);
}

TEST(Mapping, ExportThenImportGivesTheSameMappingWithDecimalIndexes)
{
    for (const MappingProfile* side : {&R, &T}) {
        RegisterMapping m = withFrames(*side, 3);
        m.setEntries({entry(3, " 7", 8, 8, 1), entry(1, "5", 1, 2, 1), entry(1, "0x10", 0, 3)});
        const QByteArray csv = m.toCsv();
        if (side->transmit())
            EXPECT_EQ(csv, QByteArray("Index MODBUS;Index CAN Frame;High Byte;Low Byte;Send CAN;\r\n"
                                      "5;1;1;2;1;\r\n0x10;1;0;3;0;\r\n 7;3;8;8;1;\r\n"));
        else
            EXPECT_EQ(csv, QByteArray("Index MODBUS;Index CAN Frame;High Byte;Low Byte;\r\n"
                                      "5;1;1;2;\r\n0x10;1;0;3;\r\n 7;3;8;8;\r\n"));
        RegisterMapping back = withFrames(*side, 3);
        back.importCsv(csv);
        const int w = side->transmit() ? 1 : 0;
        EXPECT_EQ(back.entries(),
                  (std::vector<MappingEntry>{entry(1, "5", 1, 2, w), entry(1, "16", 0, 3), entry(3, "7", 8, 8, w)}));
    }
}

TEST(Mapping, CsvFilesThatCannotBeUsedChangeNothing)
{
    TempHome home;
    home.activate(QStringLiteral("P"));
    Workspace ws = home.session.ws;
    RegisterMapping m = withFrames(R, 1);
    m.setEntries({entry(1, "1", 1, 0)});

    // A file that cannot be read leaves every entry as it was.
    EXPECT_THROW(m.importCsvFile(ws.configurationFolder + QStringLiteral("/missing.csv")), Error);
    EXPECT_THROW(m.importCsvFile(ws.configurationFolder), Error); // a folder
    EXPECT_EQ(m.entryCount(), 1);

    m.exportCsv(ws);
    EXPECT_EQ(readFile(ws.configurationFolder + QStringLiteral("/RInfoCob.csv")), m.toCsv());

    // A folder whose parent is a file cannot be written.
    writeFile(home.file(QStringLiteral("plainfile")), "x");
    ws.configurationFolder = home.file(QStringLiteral("plainfile/P"));
    try {
        m.exportCsv(ws);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("RInfoCob.csv"))) << e.text().toStdString();
    }
    EXPECT_EQ(m.entryCount(), 1);
}

} // namespace
} // namespace px
