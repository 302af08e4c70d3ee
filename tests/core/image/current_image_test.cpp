#include "core/image/image_model.h"

#include "core/base/error.h"
#include "core/image/compiler.h"
#include "image_test_support.h"

#include <gtest/gtest.h>


namespace px {
namespace {

using namespace image;
using test::configuration;
using test::hex;
using test::parGen;
using test::rowsFile;
using test::u16At;
using test::u32At;

using namespace layout;
constexpr int kRecord = kBank2RecordOffset;
constexpr int kRxMappings = kRxMappingTableOffset;
constexpr int kTxFrames = kTxFrameTableOffset;
constexpr int kTxMappings = kTxMappingTableOffset;
constexpr int kRxDefaults = kBank2DefaultsOffset;
constexpr int kTxDefaults = kBank2DefaultsOffset + kDefaultValueTableSize;

// The current images by themselves: the legacy image, which stops on more values, is not built.
ConfigurationImage compile(std::initializer_list<std::pair<const char*, QByteArray>> files)
{
    auto input = configuration(files);
    ConfigurationImage image;
    buildCurrentImages(input, image);
    return image;
}

TEST(CurrentImage, EmptyConfigurationRecordAndChecksums)
{
    const ConfigurationImage img = compile({});
    ASSERT_EQ(img.bank2.size(), 73728);
    ASSERT_EQ(img.esp32_1.size(), kRecordSize);
    ASSERT_EQ(img.esp32_2.size(), 71680);
    const QByteArray stored = img.bank2.mid(kRecord, kRecordSize);
    EXPECT_EQ(stored.mid(record::kCanBitRate, 4), hex("90 D0 03 00"));
    EXPECT_EQ(stored.mid(record::kIp, 12), hex("C0 A8 00 0A FF FF FF 00 FF FF FF FF"));
    EXPECT_EQ(stored.mid(52, 6), hex("10 27 00 00 00 00"));
    EXPECT_EQ(stored.mid(record::kRxFramesAddress, 16), hex("00 78 05 00 00 8C 05 00 00 A0 05 00 00 10 06 00"));
    EXPECT_EQ(stored.mid(record::kRxDefaultsAddress, 8), hex("00 88 06 00 00 90 06 00"));
    EXPECT_EQ(stored.mid(record::kChecksum), hex("52 0E 00 00"));   // 3666
    EXPECT_EQ(img.esp32_1.mid(record::kRxFramesAddress, 16), hex("00 00 31 00 00 14 31 00 00 28 31 00 00 98 31 00"));
    EXPECT_EQ(img.esp32_1.mid(record::kRxDefaultsAddress, 8), hex("00 08 32 00 00 10 32 00"));
    EXPECT_EQ(img.esp32_1.mid(record::kChecksum), hex("79 0D 00 00"));   // 3449
    // The fixed values and nothing else outside the fields named above.
    QByteArray fixed(record::kChecksum, '\0');
    auto put = [&](int at, const QByteArray& b) { fixed.replace(at, b.size(), b); };
    put(0, hex("90 D0 03 00"));
    put(12, hex("80 25 00 00 08 00"));
    put(40, hex("C0 A8 00 0A FF FF FF 00 FF FF FF FF 10 27"));
    put(60, hex("80 25 00 00 08 00"));
    put(196, hex("00 00 06 00"));
    put(296, hex("00 78 05 00 00 8C 05 00 00 A0 05 00 00 10 06 00"));
    put(328, hex("00 88 06 00 00 90 06 00"));
    EXPECT_EQ(stored.left(record::kChecksum), fixed);
    // Every table is empty.
    EXPECT_EQ(img.bank2.left(kRecord), QByteArray(kRecord, '\0'));
    EXPECT_EQ(img.bank2.mid(kRxDefaults), QByteArray(2 * kDefaultValueTableSize, '\0'));
}

TEST(CurrentImage, WorkedReceiveExample)
{
    const ConfigurationImage img = compile({
        {"RCobDef.xml", rowsFile("COBID", R"~(<row CobID="385" CobType="2.0A (11 bits)" Dimensin="8" TimeOut_Time="1000" TimeOut="Y" RTR="N" TimeRTR="" DefaultValues="1,2" Mnemonic=""/>)~")},
        {"RInfoCob.xml", rowsFile("RInfoCob", R"(<row Index="1" NrPdo="1" PosComp="18"/>)")},
    });
    EXPECT_EQ(img.bank2.left(16), hex("81 01 00 00 E8 03 00 00 00 00 00 00 08 00 00 00"));
    EXPECT_EQ(img.bank2.mid(16, kRxMappings - 16), QByteArray(kRxMappings - 16, '\0'));
    EXPECT_EQ(img.bank2.mid(kRxMappings, 16), hex("01 00 00 00 01 00 02 00  00 00 00 00 00 00 00 00"));
    EXPECT_EQ(img.bank2.mid(kRxDefaults, 10), hex("01 02 00 00 00 00 00 00 00 00"));
    EXPECT_EQ(u32At(img.bank2, kRecord + record::kRxFrameCount), 1u);
    EXPECT_EQ(u32At(img.bank2, kRecord + record::kRxMappingCount), 1u);
    EXPECT_EQ(u32At(img.bank2, kRecord + record::kTxFrameCount), 0u);
    EXPECT_EQ(u32At(img.bank2, kRecord + record::kTxMappingCount), 0u);
}

TEST(CurrentImage, ReceiveFrameEntries)
{
    // ParGen.xml gives CANTimeOut 1000.
    const struct {
        const char* row;
        QByteArray entry;
    } cases[] = {
        {R"(CobID="1" Dimensin="8" TimeOut_Time="500" TimeOut="N")", hex("01 00 00 00 F4 01 00 00 00 00 00 00 08 00 00 00")},
        {R"(CobID="1" Dimensin="8" TimeOut="y")", hex("01 00 00 00 E8 03 00 00 00 00 00 00 08 00 00 00")},
        {R"(CobID="1" Dimensin="8" TimeOut="N")", hex("01 00 00 00 00 00 00 00 00 00 00 00 08 00 00 00")},
        {R"(CobID="1" Dimensin="8")", hex("01 00 00 00 00 00 00 00 00 00 00 00 08 00 00 00")},
        {R"(CobID="1" Dimensin="8" TimeOut_Time="x" TimeOut="Y")", hex("01 00 00 00 E8 03 00 00 00 00 00 00 08 00 00 00")},
        {R"(CobID="1" Dimensin="8" TimeOut_Time="0x100000005")", hex("01 00 00 00 05 00 00 00 00 00 00 00 08 00 00 00")},
        {R"(CobID="1" Dimensin="8" RTR=" y " TimeRTR="")", hex("01 00 00 00 00 00 00 00 FF FF FF FF 08 08 00 00")},
        {R"(CobID="1" Dimensin="8" RTR="Y" TimeRTR=" 250 ")", hex("01 00 00 00 00 00 00 00 FA 00 00 00 08 08 00 00")},
        {R"(CobID="1" Dimensin="8" RTR="Y" TimeRTR="0")", hex("01 00 00 00 00 00 00 00 00 00 00 00 08 00 00 00")},
        {R"(CobID="1" Dimensin="8" RTR="N" TimeRTR="100")", hex("01 00 00 00 00 00 00 00 00 00 00 00 08 00 00 00")},
        {R"~(CobID="256" CobType="2.0b (29 bits)" Dimensin="264")~", hex("00 01 00 80 00 00 00 00 00 00 00 00 08 00 00 00")},
        {R"~(CobID="0x18FEF100" CobType="2.0B (29 bits)" Dimensin="8")~", hex("00 F1 FE 98 00 00 00 00 00 00 00 00 08 00 00 00")},
        {R"~(CobID="$181" CobType=" 2.0B (29 bits)" Dimensin="8")~", hex("81 01 00 00 00 00 00 00 00 00 00 00 08 00 00 00")},
        // Negative and 64-bit values keep their low 32 bits; TimeRTR is a 32-bit value.
        {R"(CobID="-1" Dimensin="-1" TimeOut_Time="-1")", hex("FF FF FF FF FF FF FF FF 00 00 00 00 FF 00 00 00")},
        {R"(CobID="0x1FFFFFFFE" Dimensin="8" RTR="Y" TimeRTR="-2")", hex("FE FF FF FF 00 00 00 00 FE FF FF FF 08 08 00 00")},
        {R"(CobID="1" Dimensin="8" RTR="Y" TimeRTR="4294967296")", hex("01 00 00 00 00 00 00 00 FF FF FF FF 08 08 00 00")},
    };
    for (const auto& c : cases) {
        const ConfigurationImage img = compile({
            {"ParGen.xml", parGen()},
            {"RCobDef.xml", rowsFile("COBID", QByteArray("<row ") + c.row + "/>")},
        });
        EXPECT_EQ(img.bank2.left(16), c.entry) << c.row;
        EXPECT_EQ(img.esp32_2.left(16), c.entry) << c.row;
    }
}

TEST(CurrentImage, CanTimeOutOfTheFrames)
{
    // The general time-out stands in for a receive frame marked "Y" without its own.
    const struct {
        std::optional<QByteArray> parGen;
        QByteArray time;
    } cases[] = {
        {std::nullopt, hex("00 00 00 00")},
        {parGen("<CANTimeOut>-5</CANTimeOut>"), hex("FB FF FF FF")},
        {parGen("<CANTimeOut>abc</CANTimeOut>"), hex("00 00 00 00")},
        {parGen({}, "CANTimeOut"), hex("00 00 00 00")},
        {"<!-- first -->" + parGen(), hex("00 00 00 00")},
    };
    for (const auto& c : cases) {
        auto input = configuration({{"RCobDef.xml", rowsFile("COBID", R"(<row CobID="1" Dimensin="8" TimeOut="Y"/>)")}});
        input.parGen = InputFile::fromBytes(QStringLiteral("ParGen.xml"), c.parGen);
        ConfigurationImage img;
        buildCurrentImages(input, img);
        EXPECT_EQ(img.bank2.mid(4, 4), c.time) << (c.parGen ? c.parGen->constData() : "no ParGen.xml");
    }
}

TEST(CurrentImage, TransmitFrameEntries)
{
    const struct {
        const char* row;
        QByteArray entry;
    } cases[] = {
        {R"(CobID="513" Dimensin="8" RTR="Y" OnChange="N" OnTimer="N" Timer="0")", hex("01 02 00 00 00 00 00 00 00 00 00 00 08 01 00 00")},
        {R"(CobID="513" Dimensin="8" RTR=" Y" OnChange="y")", hex("01 02 00 00 00 00 00 00 00 00 00 00 08 02 00 00")},
        {R"(CobID="513" Dimensin="8" OnTimer="y" Timer="1000")", hex("01 02 00 00 00 00 00 00 E8 03 00 00 08 04 00 00")},
        {R"(CobID="513" Dimensin="8" OnTimer="Y" Timer="abc")", hex("01 02 00 00 00 00 00 00 00 00 00 00 08 04 00 00")},
        {R"(CobID="513" Dimensin="8" OnTimer="N" Timer="1000")", hex("01 02 00 00 00 00 00 00 00 00 00 00 08 00 00 00")},
        {R"(CobID="513" Dimensin="8" OnTimer="Y " Timer="1000")", hex("01 02 00 00 00 00 00 00 00 00 00 00 08 00 00 00")},
        {R"~(CobID="513" CobType="2.0B (29 BITS)" Dimensin="2" RTR="Y" OnChange="Y" OnTimer="Y" Timer="10")~", hex("01 02 00 80 00 00 00 00 0A 00 00 00 02 07 00 00")},
        {R"(CobID="513" Dimensin="8" OnTimer="Y" Timer="0x100000005")", hex("01 02 00 00 00 00 00 00 05 00 00 00 08 04 00 00")},
        {R"(CobID="513" Dimensin="8" OnTimer="Y" Timer="-1")", hex("01 02 00 00 00 00 00 00 FF FF FF FF 08 04 00 00")},
    };
    for (const auto& c : cases) {
        const ConfigurationImage img = compile({{"TCobDef.xml", rowsFile("COBID", QByteArray("<row ") + c.row + "/>")}});
        EXPECT_EQ(img.bank2.mid(kTxFrames, 16), c.entry) << c.row;
        EXPECT_EQ(u32At(img.bank2, kRecord + record::kTxFrameCount), 1u) << c.row;
    }
}

TEST(CurrentImage, ParseByteList)
{
    const struct {
        const char* text;
        QList<std::uint8_t> bytes;
    } cases[] = {
        {"", {}},
        {"1, 2,300,abc,4", {1, 2, 4}},
        {"1,2,3,4,5,6,7,8,9,10", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {",5", {5}},
        {"1,2,", {1, 2}},
        {"0x10, $FF ,-1,256", {0x10, 0xFF}},
        {"7", {7}},
        {"1 2", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseByteList(QString::fromLatin1(c.text)), c.bytes) << c.text;
}

TEST(CurrentImage, DefaultValuesFillEightBytesPerFrame)
{
    const struct {
        const char* values;
        QByteArray bytes;
    } cases[] = {
        {"1, 2,300,abc,4", hex("01 02 04 00 00 00 00 00")},
        {"1,2,3,4,5,6,7,8,9,10", hex("01 02 03 04 05 06 07 08")},
        {"  ", hex("00 00 00 00 00 00 00 00")},
    };
    for (const auto& c : cases) {
        const QByteArray row = QByteArray(R"(<row CobID="1" Dimensin="8" DefaultValues=")") + c.values + "\"/>";
        // The second frame carries the values, so they land at bytes 8 to 15 of each table.
        const ConfigurationImage img = compile({
            {"RCobDef.xml", rowsFile("COBID", R"(<row CobID="2" Dimensin="8"/>)" + row)},
            {"TCobDef.xml", rowsFile("COBID", R"(<row CobID="2" Dimensin="8"/>)" + row)},
        });
        EXPECT_EQ(img.bank2.mid(kRxDefaults, 24), QByteArray(8, '\0') + c.bytes + QByteArray(8, '\0')) << c.values;
        EXPECT_EQ(img.bank2.mid(kTxDefaults, 24), QByteArray(8, '\0') + c.bytes + QByteArray(8, '\0')) << c.values;
    }
}

QByteArray frames(int n)
{
    QByteArray rows;
    for (int i = 0; i < n; ++i)
        rows += R"(<row CobID="1" Dimensin="8"/>)";
    return rowsFile("COBID", rows);
}

TEST(CurrentImage, MappingEntries)
{
    // Five receive and six transmit frames.
    const struct {
        const char* file;
        const char* row;
        std::uint32_t count;
        QByteArray entry;
    } cases[] = {
        {"RInfoCob.xml", R"(Index="1" NrPdo="4" PosComp="18")", 1, hex("01 00 03 00 19 00 1A 00")},
        {"RInfoCob.xml", R"(Index="0xFFFF" NrPdo="4" PosComp="16")", 1, hex("FF FF 03 00 19 00 00 00")},
        {"RInfoCob.xml", R"(Index="65537" NrPdo="5" PosComp="0")", 1, hex("01 00 04 00 00 00 00 00")},
        {"RInfoCob.xml", R"(Index="1" NrPdo="1" PosComp="x")", 1, hex("01 00 00 00 00 00 00 00")},
        {"RInfoCob.xml", R"(Index="1" NrPdo="1" PosComp="0x1F8")", 1, hex("01 00 00 00 0F 00 08 00")},
        {"RInfoCob.xml", R"(Index="-1" NrPdo="$2" PosComp="-1")", 1, hex("FF FF 01 00 17 00 17 00")},
        {"RInfoCob.xml", R"(Index="1" NrPdo="0" PosComp="18")", 0, QByteArray(8, '\0')},
        {"RInfoCob.xml", R"(Index="1" NrPdo="6" PosComp="18")", 0, QByteArray(8, '\0')},
        {"RInfoCob.xml", R"(Index="x" NrPdo="-2147483648" PosComp="18")", 0, QByteArray(8, '\0')},
        {"TInfoCob.xml", R"(Index="7" NrPdo="6" PosComp="1" Send_on_Write="1")", 1, hex("07 00 05 80 00 00 29 00")},
        {"TInfoCob.xml", R"(Index="7" NrPdo="6" PosComp="1" Send_on_Write="Y")", 1, hex("07 00 05 00 00 00 29 00")},
        {"TInfoCob.xml", R"(Index="7" NrPdo="7" PosComp="1" Send_on_Write="1")", 0, QByteArray(8, '\0')},
    };
    for (const auto& c : cases) {
        const bool tx = QByteArray(c.file) == "TInfoCob.xml";
        const QByteArray rows = rowsFile(tx ? "TInfoCob" : "RInfoCob", QByteArray("<row ") + c.row + "/>");
        const ConfigurationImage img = compile({
            {"ParGen.xml", parGen()},
            {"RCobDef.xml", frames(5)},
            {"TCobDef.xml", frames(6)},
            {"RInfoCob.xml", tx ? QByteArray("<RInfoCob/>") : rows},
            {"TInfoCob.xml", tx ? rows : QByteArray("<TInfoCob/>")},
        });
        EXPECT_EQ(img.bank2.mid(tx ? kTxMappings : kRxMappings, 8), c.entry) << c.row;
        EXPECT_EQ(u32At(img.bank2, kRecord + (tx ? record::kTxMappingCount : record::kRxMappingCount)), c.count) << c.row;
    }
}

TEST(CurrentImage, MappingsWithoutFramesAreNotRead)
{
    // The receive mapping file is not even parsed when there are no receive frames.
    const ConfigurationImage img = compile({
        {"ParGen.xml", parGen()},
        {"RInfoCob.xml", rowsFile("RInfoCob", R"(<row Index="x" NrPdo="1" PosComp="18"/>)")},
    });
    EXPECT_EQ(u32At(img.bank2, kRecord + record::kRxMappingCount), 0u);
    EXPECT_EQ(img.bank2.mid(kRxMappings, 8), QByteArray(8, '\0'));
}

TEST(CurrentImage, FirstTopLevelNodeIsTheRoot)
{
    // A node before the root hides every row from the current images but not from the
    // legacy one, which takes the document element. The document type is such a node too.
    const char* const fronts[] = {
        "<?xml version=\"1.0\"?>",
        "<!-- hand-edited -->",
        "<?editor x?>",
        "<!DOCTYPE COBID>",
        "<!DOCTYPE COBID [<!ENTITY one \"1\">]>",
        "<?xml version=\"1.0\"?>\n<!-- note -->\n<!DOCTYPE COBID>",
    };
    for (const char* front : fronts) {
        auto input = configuration({
            {"RCobDef.xml", front + rowsFile("COBID", R"(<row CobID="1" Dimensin="8"/>)")},
        });
        const ConfigurationImage img = compileConfiguration(input);
        EXPECT_EQ(u32At(img.bank2, kRecord + record::kRxFrameCount), 0u) << front;
        EXPECT_EQ(img.bank.mid(24, 4), hex("01 00 08 00")) << front;
    }
    // With the root element first, its rows are read.
    auto plain = configuration({{"RCobDef.xml", rowsFile("COBID", R"(<row CobID="1" Dimensin="8"/>)")}});
    EXPECT_EQ(u32At(compileConfiguration(plain).bank2, kRecord + record::kRxFrameCount), 1u);
}

TEST(CurrentImage, GeneralParametersWithTheirSubstitutes)
{
    // The record step by itself, so that its own substitutes show.
    const struct {
        const char* name;
        std::optional<QByteArray> parGen;
        int offset;
        QByteArray bytes;
    } cases[] = {
        {"no ParGen.xml", std::nullopt, 0, hex("90 D0 03 00")},
        {"code 0", parGen("<BaudRateCAN>0</BaudRateCAN>"), 0, hex("40 42 0F 00")},
        {"code 1", parGen("<BaudRateCAN>1</BaudRateCAN>"), 0, hex("40 42 0F 00")},
        {"code 11", parGen("<BaudRateCAN>11</BaudRateCAN>"), 0, hex("40 42 0F 00")},
        {"code -3", parGen("<BaudRateCAN>-3</BaudRateCAN>"), 0, hex("40 42 0F 00")},
        {"code abc", parGen("<BaudRateCAN>abc</BaudRateCAN>"), 0, hex("40 42 0F 00")},
        {"no BaudRateCAN", parGen({}, "BaudRateCAN"), 0, hex("40 42 0F 00")},
        {"20K", parGen("<BaudRateCAN>9</BaudRateCAN>"), 0, hex("20 4E 00 00")},
        {"75K", parGen("<BaudRateCAN>10</BaudRateCAN>"), 0, hex("F8 24 01 00")},
        {"50K", parGen("<BaudRateCAN>2</BaudRateCAN>"), 0, hex("50 C3 00 00")},
        {"gateway disabled", parGen(R"(<GATEWAY GATB1="192" GATB2="168" GATB3="0" GATB4="1"/>)"), 48, hex("FF FF FF FF")},
        {"gateway enabled", parGen("<EN_GATEWAY>1</EN_GATEWAY>"), 48, hex("C0 A8 00 01")},
        {"gateway flag not exactly 1", parGen("<EN_GATEWAY>01</EN_GATEWAY>"), 48, hex("FF FF FF FF")},
        {"gateway enabled, no GATEWAY", parGen("<EN_GATEWAY>1</EN_GATEWAY>", "GATEWAY"), 48, hex("FF FF FF FF")},
        {"gateway enabled, one byte bad", parGen(R"(<EN_GATEWAY>1</EN_GATEWAY><GATEWAY GATB1="10" GATB2="" GATB3="0" GATB4="1"/>)"), 48, hex("0A FF 00 01")},
        {"IPB1 300", parGen(R"(<ADD_IP IPB1="300" IPB2="168" IPB3="0" IPB4="10"/>)"), 40, hex("2C A8 00 0A")},
        {"IPB1 x", parGen(R"(<ADD_IP IPB1="x" IPB2="1" IPB3="2" IPB4="3"/>)"), 40, hex("C0 01 02 03")},
        {"no ADD_IP", parGen({}, "ADD_IP"), 40, hex("C0 A8 00 0A")},
        {"mask missing attribute", parGen(R"(<SUBNET SMB1="255" SMB2="0" SMB3="0"/>)"), 44, hex("FF 00 00 00")},
        {"no Port", parGen({}, "Port"), 52, hex("10 27 F6 01 F6 01")},
        {"Port 70000", parGen("<Port>70000</Port>"), 54, hex("70 11 70 11")},
        {"declaration first: all defaults", "<?xml version=\"1.0\"?>" + parGen("<BaudRateCAN>2</BaudRateCAN>"), 0, hex("40 42 0F 00")},
    };
    for (const auto& c : cases) {
        auto input = configuration({});
        if (c.parGen)
            input.parGen = InputFile::fromBytes(QStringLiteral("ParGen.xml"), c.parGen);
        const auto model = readImageModel(input);
        QByteArray bytes(kRecordSize, '\0');
        EXPECT_EQ(putParameterRecord(model->record, kBank2Addresses, bytes, 0), kRecordSize) << c.name;
        EXPECT_EQ(bytes.mid(c.offset, c.bytes.size()), c.bytes) << c.name;
        EXPECT_EQ(bytes.mid(record::kRxDefaultsAddress, 8), hex("00 88 06 00 00 90 06 00")) << c.name;
        EXPECT_EQ(u32At(bytes, record::kChecksum), recordChecksum(bytes.constData())) << c.name;
    }
}

TEST(CurrentImage, EspImagesAreBank2RearrangedWithTheirOwnAddresses)
{
    QByteArray rx;
    QByteArray rmap;
    for (int i = 1; i <= 40; ++i) {
        rx += QStringLiteral(R"~(<row CobID="%1" CobType="2.0B (29 bits)" Dimensin="8" TimeOut_Time="%2" RTR="Y" TimeRTR="%3" DefaultValues="%4,2,3"/>)~")
                  .arg(i * 77).arg(i).arg(i * 3).arg(i).toLatin1();
        rmap += QStringLiteral(R"(<row Index="%1" NrPdo="%2" PosComp="%3"/>)").arg(i * 5).arg(i).arg(i % 0x88).toLatin1();
    }
    const ConfigurationImage img = compile({
        {"ParGen.xml", parGen("<EN_GATEWAY>1</EN_GATEWAY><BaudRateCAN>6</BaudRateCAN>")},
        {"RCobDef.xml", rowsFile("COBID", rx)},
        {"TCobDef.xml", rowsFile("COBID", R"(<row CobID="9" Dimensin="2" OnTimer="Y" Timer="50" DefaultValues="9,8"/>)")},
        {"RInfoCob.xml", rowsFile("RInfoCob", rmap)},
        {"TInfoCob.xml", rowsFile("TInfoCob", R"(<row Index="3" NrPdo="1" PosComp="33" Send_on_Write="1"/>)")},
    });
    EXPECT_EQ(img.esp32_2, img.bank2.left(kRecord) + img.bank2.mid(kRecord + kRecordSize));
    QByteArray bank2Record = img.bank2.mid(kRecord, kRecordSize);
    EXPECT_EQ(u32At(bank2Record, record::kRxFrameCount), 40u);
    EXPECT_EQ(u32At(bank2Record, record::kTxMappingCount), 1u);
    // Only the addresses and the checksum differ.
    bank2Record.replace(record::kRxFramesAddress, 16, img.esp32_1.mid(record::kRxFramesAddress, 16));
    bank2Record.replace(record::kRxDefaultsAddress, 8, img.esp32_1.mid(record::kRxDefaultsAddress, 8));
    EXPECT_NE(bank2Record.mid(record::kChecksum), img.esp32_1.mid(record::kChecksum));
    bank2Record.replace(record::kChecksum, 4, img.esp32_1.mid(record::kChecksum));
    EXPECT_EQ(bank2Record, img.esp32_1);
    EXPECT_EQ(u32At(img.esp32_1, record::kChecksum), recordChecksum(img.esp32_1.constData()));
}

TEST(CurrentImage, ConfigurationBeyondTheTablesStopsTheCompile)
{
    QByteArray defaults;
    for (int i = 0; i < 256; ++i)
        defaults += R"(<row CobID="1" Dimensin="8" DefaultValues="1"/>)";
    QByteArray mappings;
    for (int i = 0; i < 3585; ++i)
        mappings += R"(<row Index="1" NrPdo="1" PosComp="0"/>)";
    const struct {
        const char* name;
        const char* file;
        QByteArray content;
        const char* limit;   // 0: the configuration fits
    } cases[] = {
        {"320 receive frames fit", "RCobDef.xml", frames(320), nullptr},
        {"321 receive frames", "RCobDef.xml", frames(321), "320"},
        {"321 transmit frames", "TCobDef.xml", frames(321), "320"},
        {"default values up to frame 256 fit", "RCobDef.xml", rowsFile("COBID", defaults), nullptr},
        {"default values on frame 257", "TCobDef.xml", rowsFile("COBID", defaults + R"(<row CobID="1" Dimensin="8" DefaultValues="0"/>)"), "256"},
        {"no default value on frame 257", "TCobDef.xml", rowsFile("COBID", defaults + R"(<row CobID="1" Dimensin="8" DefaultValues="x"/>)"), nullptr},
        {"3585 receive mappings", "RInfoCob.xml", rowsFile("RInfoCob", mappings), "3584"},
        {"3585 transmit mappings", "TInfoCob.xml", rowsFile("TInfoCob", mappings), "3584"},
    };
    for (const auto& c : cases) {
        auto input = configuration({{"RCobDef.xml", frames(1)}, {"TCobDef.xml", frames(1)}});
        InputFile file = InputFile::fromBytes(QLatin1StringView(c.file), c.content);
        if (QByteArray(c.file) == "RCobDef.xml")
            input.rCobDef = file;
        else if (QByteArray(c.file) == "TCobDef.xml")
            input.tCobDef = file;
        else if (QByteArray(c.file) == "RInfoCob.xml")
            input.rInfoCob = file;
        else
            input.tInfoCob = file;
        try {
            readImageModel(input);
            EXPECT_EQ(c.limit, nullptr) << c.name << ": no error";
        } catch (const Error& e) {
            ASSERT_NE(c.limit, nullptr) << c.name << ": " << e.text().toStdString();
            EXPECT_TRUE(e.text().startsWith(QLatin1StringView(c.file))) << e.text().toStdString();
            EXPECT_TRUE(e.text().contains(QLatin1StringView(c.limit))) << e.text().toStdString();
        }
    }
}

TEST(CurrentImage, StrictFrameAndMappingValuesStopTheCompile)
{
    // Run by themselves, the current image's steps stop only on these.
    const struct {
        const char* file;
        QByteArray content;
        const char* place;
    } cases[] = {
        {"RCobDef.xml", rowsFile("COBID", R"(<row Dimensin="8"/>)"), "row 1, attribute CobID"},
        {"RCobDef.xml", rowsFile("COBID", R"(<row CobID="1" Dimensin="8"/><row CobID="1" Dimensin=""/>)"), "row 2, attribute Dimensin"},
        {"TCobDef.xml", rowsFile("COBID", R"(<row CobID="0x1FFFFFFFFFFFFFFFF" Dimensin="8"/>)"), "row 1, attribute CobID"},
        {"RInfoCob.xml", rowsFile("RInfoCob", R"(<row NrPdo="1" PosComp="18"/>)"), "row 1, attribute Index"},
    };
    for (const auto& c : cases) {
        auto input = configuration({{"RCobDef.xml", frames(1)}});
        InputFile file = InputFile::fromBytes(QLatin1StringView(c.file), c.content);
        if (QByteArray(c.file) == "RCobDef.xml")
            input.rCobDef = file;
        else if (QByteArray(c.file) == "TCobDef.xml")
            input.tCobDef = file;
        else
            input.rInfoCob = file;
        try {
            readImageModel(input);
            ADD_FAILURE() << c.place << ": no error";
        } catch (const Error& e) {
            EXPECT_TRUE(e.text().startsWith(QLatin1StringView(c.file))) << e.text().toStdString();
            EXPECT_TRUE(e.text().contains(QLatin1StringView(c.place))) << e.text().toStdString();
        }
    }
}

} // namespace
} // namespace px
