#include "core/frames/frame_list.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/lang/message_ids.h"
#include "core/lang/message_table.h"
#include "support/temp_home.h"

#include <QFile>

#include <gtest/gtest.h>

#include <initializer_list>

namespace px {
namespace {

using Kind = FrameListKind;

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

// The editor's rows with the first ones given as texts whose cells are separated by "|",
// left to right.
FrameList listOf(Kind kind, std::initializer_list<const char*> rows)
{
    FrameList list(kind);
    int r = 0;
    for (const char* row : rows)
        list.setRowTexts(r++, s(row).split(u'|'));
    return list;
}

// Row `r` (from 1, as the editor numbers it) as "|"-separated texts.
QString rowText(const FrameList& list, int r)
{
    return list.rowTexts(r - 1).join(u'|');
}

QString bytesOf(const FrameList& list, CanSettings settings = {})
{
    return QString::fromUtf8(frameListBytes(list, settings));
}

struct CheckCase {
    const char* what;
    Kind kind;
    int canType;
    std::initializer_list<const char*> rows;
    int row;     // from 1; 0: the check passes
    int fault;
};

TEST(FrameListCheck, FirstFaultOfEachEditor)
{
    const CheckCase cases[] = {
        // Jumper receive: Cob-ID against CANType, then Dimension.
        {"11-bit top", Kind::ReceiveJumper, 0, {"2047|8|Y|m", "0x7FF|1||"}, 0, 0},
        {"11-bit over", Kind::ReceiveJumper, 0, {"2048|8"}, 1, 136},
        {"negative", Kind::ReceiveJumper, 0, {"-1|8"}, 1, 136},
        {"letters", Kind::ReceiveJumper, 0, {"abc|8"}, 1, 136},
        {"trailing blank", Kind::ReceiveJumper, 0, {"100 |8"}, 1, 136},
        {"leading blank", Kind::ReceiveJumper, 0, {" 100|8"}, 0, 0},
        {"29-bit top", Kind::ReceiveJumper, 1, {"0x1FFFFFFF|8"}, 0, 0},
        {"29-bit over", Kind::ReceiveJumper, 1, {"0x20000000|8"}, 1, 137},
        {"29-bit for any CANType but 0", Kind::ReceiveJumper, 7, {"4096|8"}, 0, 0},
        {"dimension 0", Kind::ReceiveJumper, 0, {"1|8", "2|0"}, 2, 138},
        {"dimension 9", Kind::ReceiveJumper, 0, {"1|9"}, 1, 138},
        {"dimension with a blank", Kind::ReceiveJumper, 0, {"1|8 "}, 1, 138},
        // An empty row would cut the list there: refused while frames follow it.
        {"frames after an empty Cob-ID", Kind::ReceiveJumper, 0, {"1|8", "2|8", " |8", "9999|0"}, 3, msg::kEmptyRowAboveFrames},
        {"nothing after the last frame", Kind::ReceiveJumper, 0, {"1|8", "2|8", " |8", " |0"}, 0, 0},
        // Jumper transmit: the same checks under its own messages.
        {"tx 11-bit over", Kind::TransmitJumper, 0, {"1|8|a", "0x800|8|b"}, 2, 193},
        {"tx 29-bit over", Kind::TransmitJumper, 1, {"$20000000|8"}, 1, 194},
        {"tx dimension", Kind::TransmitJumper, 1, {"0x1FFFFFFF|x"}, 1, 195},
        // Dip-switch receive: Cob-ID|Type|Dimension|TimeOut|RTR|Time RTR|Default Values|Mnemonic
        {"29-bit type", Kind::ReceiveDip, 0, {"4096|2.0B (29 bits)|8|0|N|||"}, 0, 0},
        {"11-bit type", Kind::ReceiveDip, 0, {"4096|2.0A (11 bits)|8|0|N|||"}, 1, 155},
        // The Type is one of the two items of its list, as the check has it: any other
        // text, a blank or a small letter more, is refused before the Cob-ID is judged.
        {"type compared exactly", Kind::ReceiveDip, 0, {"4096| 2.0B (29 bits)|8|0"}, 1, 153},
        {"any other type text", Kind::ReceiveDip, 0, {"2047|other|8|0"}, 1, 153},
        {"29-bit over", Kind::ReceiveDip, 0, {"0x20000000|2.0B (29 bits)|8|0"}, 1, 154},
        {"no type picked", Kind::ReceiveDip, 0, {"1||8|0"}, 1, 153},
        {"type before Cob-ID", Kind::ReceiveDip, 0, {"abc| |0|"}, 1, 153},
        {"dimension", Kind::ReceiveDip, 0, {"1|2.0A (11 bits)|0|0"}, 1, 156},
        {"empty time-out", Kind::ReceiveDip, 0, {"1|2.0A (11 bits)|8|"}, 1, 157},
        {"time-out trimmed", Kind::ReceiveDip, 0, {"1|2.0A (11 bits)|8| 250 "}, 0, 0},
        {"time-out top", Kind::ReceiveDip, 0, {"1|2.0A (11 bits)|8|100000000"}, 0, 0},
        {"time-out over", Kind::ReceiveDip, 0, {"1|2.0A (11 bits)|8|100000001"}, 1, 157},
        {"RTR with time 0", Kind::ReceiveDip, 0, {"1|2.0A (11 bits)|8|0|Y|0"}, 1, 481},
        {"RTR with no time", Kind::ReceiveDip, 0, {"1|2.0A (11 bits)|8|0|Y|"}, 1, 481},
        {"RTR flag trimmed and upper-cased", Kind::ReceiveDip, 0, {"1|2.0A (11 bits)|8|0| y |x"}, 1, 481},
        {"RTR with time 1", Kind::ReceiveDip, 0, {"1|2.0A (11 bits)|8|0|Y|1"}, 0, 0},
        {"no RTR, letters as time", Kind::ReceiveDip, 0, {"1|2.0A (11 bits)|8|0|N|abc"}, 0, 0},
        {"defaults fit", Kind::ReceiveDip, 0, {"1|2.0A (11 bits)|3|0|N||1,2,3"}, 0, 0},
        {"defaults too few", Kind::ReceiveDip, 0, {"1|2.0A (11 bits)|3|0|N||1,2"}, 1, 486},
        {"defaults with a bad byte", Kind::ReceiveDip, 0, {"1|2.0A (11 bits)|3|0|N||1,2,3,300"}, 1, 485},
        {"defaults trimmed", Kind::ReceiveDip, 0, {"1|2.0A (11 bits)|3|0|N|| 1,2,3 "}, 0, 0},
        // The values the compiler reads are judged by its rules, trimming only blanks and
        // control characters (a no-break space is kept).
        {"type in other letters", Kind::ReceiveDip, 0, {"4096|2.0b (29 BITS)|8|0"}, 1, 153},
        {"tx type in other letters", Kind::TransmitDip, 0, {"0x1FFFFFFF|2.0B (29 BITS)|8"}, 1, 213},
        {"time-out after a no-break space", Kind::ReceiveDip, 0, {"1|2.0A (11 bits)|8|\xC2\xA0" "250"}, 1, 157},
        {"RTR with a no-break space is none", Kind::ReceiveDip, 0, {"1|2.0A (11 bits)|8|0|Y\xC2\xA0|x"}, 0, 0},
        {"defaults with a no-break space", Kind::ReceiveDip, 0, {"1|2.0A (11 bits)|3|0|N||1,\xC2\xA0" "2,3"}, 1, 486},
        {"tx defaults with a no-break space", Kind::TransmitDip, 0, {"1|2.0A (11 bits)|2|N|N|N|0|\xC2\xA0" "1,2"}, 1, 491},
        // Dip-switch transmit: Cob-ID|Type|Dimension|RTR|On Change|On Timer|Timer|Default Values|Mnemonic
        {"tx no type", Kind::TransmitDip, 0, {"1||8"}, 1, 213},
        {"tx 29-bit over", Kind::TransmitDip, 0, {"0x20000000|2.0B (29 bits)|8"}, 1, 214},
        {"tx 11-bit over", Kind::TransmitDip, 0, {"4096|2.0A (11 bits)|8"}, 1, 215},
        {"tx dimension", Kind::TransmitDip, 0, {"1|2.0A (11 bits)|-1"}, 1, 216},
        {"timer empty", Kind::TransmitDip, 0, {"1|2.0A (11 bits)|8|N|N|Y|"}, 1, 217},
        {"timer negative", Kind::TransmitDip, 0, {"1|2.0A (11 bits)|8|N|N|Y|-5"}, 1, 217},
        {"timer 0", Kind::TransmitDip, 0, {"1|2.0A (11 bits)|8|N|Y|Y|0"}, 0, 0},
        {"timer over", Kind::TransmitDip, 0, {"1|2.0A (11 bits)|8|N|N|y|100000001"}, 1, 217},
        {"no timer, letters", Kind::TransmitDip, 0, {"1|2.0A (11 bits)|8|N|N|N|abc"}, 0, 0},
        {"On Timer not trimmed", Kind::TransmitDip, 0, {"1|2.0A (11 bits)|8|N|N| Y|abc"}, 0, 0},
        {"tx defaults fit", Kind::TransmitDip, 0, {"1|2.0A (11 bits)|2|N|N|N|0|0,255"}, 0, 0},
        {"tx bad byte leaves too few", Kind::TransmitDip, 0, {"1|2.0A (11 bits)|2|N|N|N|0|0,256"}, 1, 491},
        {"tx bad byte after enough", Kind::TransmitDip, 0, {"1|2.0A (11 bits)|2|N|N|N|0|0,1,256"}, 1, 490},
    };
    for (const CheckCase& c : cases) {
        const std::optional<FrameFault> fault = validateFrameList(listOf(c.kind, c.rows), c.canType);
        if (c.row == 0) {
            EXPECT_FALSE(fault.has_value()) << c.what << ": row " << fault.value_or(FrameFault{}).row << " message "
                                            << fault.value_or(FrameFault{}).message;
        } else {
            ASSERT_TRUE(fault.has_value()) << c.what;
            EXPECT_EQ(fault->row + 1, c.row) << c.what;
            EXPECT_EQ(fault->message, c.fault) << c.what;
        }
    }
}

TEST(FrameListCheck, MessageIsPrefixRowNumberAndFaultAndTheFaultNamesItsColumn)
{
    const MessageTable messages;
    const struct {
        Kind kind;
        std::initializer_list<const char*> rows;
        FrameColumn column;
        const char* text;
    } cases[] = {
        {Kind::ReceiveJumper, {"1|8", "2|8", "3|9"}, FrameColumn::Dimension, "Error row 3!! Dimension must be between 1 and 8"},
        {Kind::ReceiveDip, {"1|2.0A (11 bits)|8|", "x"}, FrameColumn::TimeOut,
         "Error row 1!! TimeOut must be between 0 and 100000000ms"},
        {Kind::TransmitJumper, {"2048|8"}, FrameColumn::CobId, "Error row 1!! Cob-ID must be between 0 and 2048"},
        {Kind::TransmitDip,
         {"1|2.0A (11 bits)|1|N|N|N|0|", "2|2.0A (11 bits)|1|N|N|N|0|1,2"},
         FrameColumn::DefaultValues,
         "Error row 2!! Default Values, dimension of CAN frame and number of Default Values are different"},
        {Kind::TransmitDip, {"1||8"}, FrameColumn::Type, "Error row 1!! Type must be or 2.0A (11 bits) or 2.0B (29 bits)"},
        {Kind::TransmitDip, {"1|2.0A (11 bits)|8|N|N|Y|x"}, FrameColumn::Timer, nullptr},
        {Kind::ReceiveDip, {"1|2.0A (11 bits)|8|0|Y|"}, FrameColumn::RtrTime, nullptr},
    };
    for (const auto& c : cases) {
        const std::optional<FrameFault> fault = validateFrameList(listOf(c.kind, c.rows), 0);
        ASSERT_TRUE(fault.has_value()) << static_cast<int>(c.column);
        EXPECT_EQ(fault->column, c.column);
        if (c.text) {
            EXPECT_EQ(faultText(messages, c.kind, *fault), s(c.text));
        }
    }
}

TEST(FrameListSave, EachEditorWritesItsAttributeOrderAndDerivedValues)
{
    const QString comment = s("<!--SW_VERSION = 2.505-->");
    const struct {
        const char* what;
        Kind kind;
        CanSettings settings;
        std::initializer_list<const char*> rows;
        const char* rowsXml;
    } cases[] = {
        {"jumper receive, 29-bit settings", Kind::ReceiveJumper, {1, 500}, {"0x181|8|Y|a & b", "386|2||"},
         R"x(<row CobID="0x181" Dimensin="8" CobType="2.0B (29 bits)" TimeOut="Y" TimeOut_Time="500" Mnemonic="a &amp; b"/>)x"
         R"x(<row CobID="386" Dimensin="2" CobType="2.0B (29 bits)" TimeOut="" TimeOut_Time="500" Mnemonic=""/>)x"},
        {"jumper receive, 11-bit settings", Kind::ReceiveJumper, {0, 0}, {"1|8|N|m"},
         R"x(<row CobID="1" Dimensin="8" CobType="2.0A (11 bits)" TimeOut="N" TimeOut_Time="0" Mnemonic="m"/>)x"},
        {"dip receive, supervision follows the time-out", Kind::ReceiveDip, {1, 9},
         {"1|2.0A (11 bits)|8|0|N|||a", "2|x|8|250|Y|100|1,2|b", "3||8|abc||||", "4||8|-5"},
         R"x(<row CobID="1" CobType="2.0A (11 bits)" Dimensin="8" TimeOut_Time="0" TimeOut="N" RTR="N" TimeRTR="" DefaultValues="" Mnemonic="a"/>)x"
         R"x(<row CobID="2" CobType="x" Dimensin="8" TimeOut_Time="250" TimeOut="Y" RTR="Y" TimeRTR="100" DefaultValues="1,2" Mnemonic="b"/>)x"
         R"x(<row CobID="3" CobType="" Dimensin="8" TimeOut_Time="abc" TimeOut="N" RTR="" TimeRTR="" DefaultValues="" Mnemonic=""/>)x"
         R"x(<row CobID="4" CobType="" Dimensin="8" TimeOut_Time="-5" TimeOut="N" RTR="" TimeRTR="" DefaultValues="" Mnemonic=""/>)x"},
        {"dip receive, number cells written as the check read them", Kind::ReceiveDip, {1, 9},
         {" 7 |2.0A (11 bits)| 8 |500 |Y| 100\t|1,2|m"},
         R"x(<row CobID="7" CobType="2.0A (11 bits)" Dimensin="8" TimeOut_Time="500" TimeOut="Y" RTR="Y" TimeRTR="100" DefaultValues="1,2" Mnemonic="m"/>)x"},
        {"jumper transmit, fixed sending options", Kind::TransmitJumper, {0, 9}, {"0x201|8|out"},
         R"x(<row CobID="0x201" CobType="2.0A (11 bits)" Dimensin="8" RTR="N" OnChange="N" OnTimer="N" Timer="0" Mnemonic="out"/>)x"},
        {"dip transmit", Kind::TransmitDip, {1, 9}, {"0x201|2.0B (29 bits)|2|Y|N|Y|100|1,2|out"},
         R"x(<row CobID="0x201" CobType="2.0B (29 bits)" Dimensin="2" RTR="Y" OnChange="N" OnTimer="Y" Timer="100" DefaultValues="1,2" Mnemonic="out"/>)x"},
        {"rows after the first empty Cob-ID dropped", Kind::TransmitJumper, {0, 0}, {"1|8|a", "|8|b", "3|8|c"},
         R"x(<row CobID="1" CobType="2.0A (11 bits)" Dimensin="8" RTR="N" OnChange="N" OnTimer="N" Timer="0" Mnemonic="a"/>)x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(bytesOf(listOf(c.kind, c.rows), c.settings), s("<COBID>") + s(c.rowsXml) + s("</COBID>") + comment)
            << c.what;
    }
    EXPECT_EQ(bytesOf(listOf(Kind::ReceiveDip, {})), s("<COBID/>") + comment);

    // Tabs and line breaks are kept; a control character would make a file that no longer
    // parses and is refused with the row.
    EXPECT_TRUE(bytesOf(listOf(Kind::TransmitJumper, {"1|8|a\tb\nc"})).contains(s("a&#9;b&#10;c")));
    try {
        frameListBytes(listOf(Kind::TransmitJumper, {"1|8|a", "2|8|b\x01"}), {});
        ADD_FAILURE() << "a control character was written";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(s("Row 2"))) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(s("Mnemonic"))) << e.text().toStdString();
    }
}

TEST(FrameListLoad, DipEditorsFillMissingAttributesWithTheirDefaults)
{
    FrameList rx = listOf(Kind::ReceiveDip, {});
    loadFrameList(test::fixturePath(s("frames/rcobdef_dip_partial.xml")), rx);
    EXPECT_EQ(rowText(rx, 1), s("0x181|2.0A (11 bits)|8|0|N|||bare"));
    EXPECT_EQ(rowText(rx, 2), s("0x182|2.0B (29 bits)|2|250|Y|100|1,2|full"));
    EXPECT_EQ(rowText(rx, 3), s("|||||||"));

    FrameList tx = listOf(Kind::TransmitDip, {});
    loadFrameList(test::fixturePath(s("frames/tcobdef_bare.xml")), tx);
    EXPECT_EQ(rowText(tx, 1), s("0x201|2.0A (11 bits)|8|N|N|N|0||bare"));
}

TEST(FrameListLoad, FilesPassBetweenTheGenerations)
{
    test::TempHome home;
    const QString path = home.file(s("RCobDef.xml"));

    // Jumper to dip-switch: the common time-out in every row, no RTR, no default values.
    saveFrameList(listOf(Kind::ReceiveJumper, {"385|8|Y|a", "386|4|N|b"}), {0, 700}, path);
    FrameList dip = listOf(Kind::ReceiveDip, {});
    loadFrameList(path, dip);
    EXPECT_EQ(rowText(dip, 1), s("385|2.0A (11 bits)|8|700|N|||a"));
    EXPECT_EQ(rowText(dip, 2), s("386|2.0A (11 bits)|4|700|N|||b"));

    // Dip-switch to jumper and saved again: RTR, TimeRTR and DefaultValues are lost and the
    // identifier format becomes the common one.
    saveFrameList(listOf(Kind::ReceiveDip, {"0x1000|2.0B (29 bits)|2|250|Y|10|1,2|m", "5|2.0A (11 bits)|1|0|N|||n"}),
                  {}, path);
    FrameList jumper = listOf(Kind::ReceiveJumper, {});
    loadFrameList(path, jumper);
    EXPECT_EQ(rowText(jumper, 1), s("0x1000|2|Y|m"));
    EXPECT_EQ(rowText(jumper, 2), s("5|1|N|n"));
    saveFrameList(jumper, {0, 100}, path);
    EXPECT_EQ(QString::fromUtf8(readWholeFile(path)),
              s(R"x(<COBID><row CobID="0x1000" Dimensin="2" CobType="2.0A (11 bits)" TimeOut="Y" TimeOut_Time="100" Mnemonic="m"/>)x"
                R"x(<row CobID="5" Dimensin="1" CobType="2.0A (11 bits)" TimeOut="N" TimeOut_Time="100" Mnemonic="n"/></COBID><!--SW_VERSION = 2.505-->)x"));

    // Transmit, jumper to dip-switch: sending options off, timer 0, no default values.
    const QString tpath = home.file(s("TCobDef.xml"));
    saveFrameList(listOf(Kind::TransmitJumper, {"0x201|8|t"}), {1, 0}, tpath);
    FrameList tdip = listOf(Kind::TransmitDip, {});
    loadFrameList(tpath, tdip);
    EXPECT_EQ(rowText(tdip, 1), s("0x201|2.0B (29 bits)|8|N|N|N|0||t"));
}

TEST(FrameListLoad, AnOversizeFileShowsOnlyTheRowsThatFitAndSaysSo)
{
    test::TempHome home;
    const QString path = home.file(s("TCobDef.xml"));
    FrameList big = listOf(Kind::TransmitDip, {});
    for (int r = 1; r <= 280; ++r) {
        big.setText(r - 1, FrameColumn::CobId, QString::number(r));
        big.setText(r - 1, FrameColumn::Type, kCobType11);
        big.setText(r - 1, FrameColumn::Dimension, s("8"));
    }
    saveFrameList(big, {}, path);

    // The 30 frames beyond the table would be lost silently at OK: the load reports them,
    // so that the editor keeps the file before replacing it.
    FrameList jumper = listOf(Kind::TransmitJumper, {});
    try {
        loadFrameList(path, jumper);
        ADD_FAILURE() << "280 frames read into a table of 250 without a word";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(s("TCobDef.xml"))) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(s("280"))) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(s("250"))) << e.text().toStdString();
    }
    EXPECT_EQ(jumper.length(), 250);
    EXPECT_EQ(jumper.text(249, FrameColumn::CobId), s("250"));
    saveFrameList(jumper, {}, path);
    EXPECT_EQ(QString::fromUtf8(readWholeFile(path)).count(s("<row ")), 250);
}

TEST(FrameListLoad, BadFilesAreReportedAndKeepTheRowsReadBefore)
{
    FrameList g = listOf(Kind::ReceiveJumper, {});
    try {
        loadFrameList(test::fixturePath(s("frames/rcobdef_row3_without_dimension.xml")), g);
        ADD_FAILURE() << "a row without Dimensin was read";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(s("rcobdef_row3_without_dimension.xml"))) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(s("row 3"))) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(s("Dimensin"))) << e.text().toStdString();
    }
    EXPECT_EQ(rowText(g, 1), s("385|8|Y|first"));
    EXPECT_EQ(rowText(g, 2), s("386|4|N|second"));
    EXPECT_EQ(rowText(g, 3), s("|||"));
    EXPECT_EQ(rowText(g, 4), s("|||"));

    // The jumper receive editor needs TimeOut; the dip-switch editor does not.
    const QByteArray noTimeOut = "<COBID><row CobID=\"1\" Dimensin=\"8\" Mnemonic=\"m\"/></COBID>";
    test::TempHome home;
    home.write(s("r.xml"), noTimeOut);
    FrameList jumper = listOf(Kind::ReceiveJumper, {});
    EXPECT_THROW(loadFrameList(home.file(s("r.xml")), jumper), Error);
    FrameList dip = listOf(Kind::ReceiveDip, {});
    EXPECT_NO_THROW(loadFrameList(home.file(s("r.xml")), dip));
    EXPECT_EQ(rowText(dip, 1), s("1|2.0A (11 bits)|8|0|N|||m"));

    FrameList broken = listOf(Kind::ReceiveJumper, {});
    try {
        loadFrameList(test::fixturePath(s("frames/rcobdef_broken.xml")), broken);
        ADD_FAILURE() << "a broken file was read";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(s("rcobdef_broken.xml"))) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(s("line 4"))) << e.text().toStdString();
    }
    EXPECT_EQ(broken.length(), 0);

    // A declaration or a comment before the root element is the first node, which holds no
    // frames: an empty table then would be written over the frames at OK.
    for (const char* before : {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", "<!-- hand edited -->"}) {
        home.write(s("t.xml"), QByteArray(before) + "<COBID><row CobID=\"1\" Dimensin=\"8\" Mnemonic=\"m\"/></COBID>");
        FrameList shifted = listOf(Kind::TransmitJumper, {});
        try {
            loadFrameList(home.file(s("t.xml")), shifted);
            ADD_FAILURE() << "frames behind " << before << " vanished without a word";
        } catch (const Error& e) {
            EXPECT_TRUE(e.text().contains(s("t.xml"))) << e.text().toStdString();
        }
        EXPECT_EQ(shifted.length(), 0) << before;
    }
    // Nothing before an empty root: an empty list, read whole.
    home.write(s("e.xml"), "<COBID/><!--SW_VERSION = 2.505-->");
    FrameList empty = listOf(Kind::TransmitJumper, {});
    EXPECT_NO_THROW(loadFrameList(home.file(s("e.xml")), empty));

    FrameList untouched = listOf(Kind::TransmitJumper, {"1|8|kept"});
    loadFrameList(home.file(s("missing.xml")), untouched);
    EXPECT_EQ(rowText(untouched, 1), s("1|8|kept"));
}

TEST(FrameListLoad, CanSettingsFromTheCommunicationFile)
{
    const struct {
        const char* what;
        const char* file; // nullptr: no file
        CanSettings before;
        CanSettings after;
    } cases[] = {
        {"both read", "<GeneralParameter><CANType>1</CANType><CANTimeOut>1500</CANTimeOut></GeneralParameter>", {0, 0}, {1, 1500}},
        {"hexadecimal", "<G><CANType>0x1</CANType><CANTimeOut>$10</CANTimeOut></G>", {0, 0}, {1, 16}},
        {"not numbers", "<G><CANType>b</CANType><CANTimeOut>1 s</CANTimeOut></G>", {1, 9}, {0, 0}},
        {"missing elements", "<G/>", {1, 9}, {0, 0}},
        {"no file keeps the time-out", nullptr, {1, 9}, {0, 9}},
    };
    for (const auto& c : cases) {
        test::TempHome home;
        if (c.file)
            home.write(s("ParGen.xml"), QByteArray(c.file));
        CanSettings state = c.before;
        readCanSettings(home.file(s("ParGen.xml")), state);
        EXPECT_EQ(state.canType, c.after.canType) << c.what;
        EXPECT_EQ(state.canTimeOut, c.after.canTimeOut) << c.what;
    }

    test::TempHome home;
    home.write(s("ParGen.xml"), "<G><CANType>1</CANType>");
    CanSettings state{1, 9};
    EXPECT_THROW(readCanSettings(home.file(s("ParGen.xml")), state), Error);
    EXPECT_EQ(state.canTimeOut, 9);
}

TEST(FrameListSave, BackupKeepsTheOldFileAndReplacesAnOlderBackup)
{
    test::TempHome home;
    const QString path = home.file(s("RCobDef.xml"));
    EXPECT_FALSE(keepBackup(path));
    home.write(s("RCobDef.xml.bak"), "older");
    home.write(s("RCobDef.xml"), "current");
    EXPECT_TRUE(keepBackup(path));
    EXPECT_EQ(home.read(s("RCobDef.xml.bak")), QByteArray("current"));
    EXPECT_EQ(backupPath(path), path + s(".bak"));
}

} // namespace
} // namespace px
