#include "core/image/legacy_image.h"

#include "core/base/error.h"
#include "core/image/image_layout.h"
#include "image_test_support.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

namespace px {
namespace {

using image::buildLegacyImage;
using test::configuration;
using test::hex;
using test::parGen;
using test::rowsFile;
using test::u16At;
using test::u32At;
using namespace image::layout;

std::vector<std::uint32_t> header(const QByteArray& bank)
{
    std::vector<std::uint32_t> h;
    for (int i = 0; i < kLegacyHeaderSections; ++i)
        h.push_back(u32At(bank, i * 4));
    return h;
}

// The 11-bit lookup blocks as they stand with the given identifier -> row pairs.
QByteArray lookupBlocks(std::initializer_list<std::pair<int, int>> rows)
{
    QByteArray lookup(kLookupEntries * 2, char(0xFF));
    QByteArray bitmap(kIdBitmapSize, '\0');
    for (const auto& [id, row] : rows) {
        lookup[id * 2] = char(row & 0xFF);
        lookup[id * 2 + 1] = char(row >> 8);
        bitmap[id >> 3] = char(bitmap[id >> 3] | (1 << (id & 7)));
    }
    return lookup + bitmap;
}

TEST(LegacyImage, NoFilesGiveTheHeaderAndTheEmptyLookupBlocks)
{
    auto input = configuration({});
    const QByteArray bank = buildLegacyImage(input);
    ASSERT_EQ(bank.size(), 4376);
    EXPECT_EQ(header(bank), (std::vector<std::uint32_t>{24, 24, 4376, 4376, 4376, 4376}));
    EXPECT_EQ(bank.mid(kLegacyHeaderSize), lookupBlocks({}));
}

TEST(LegacyImage, WorkedElevenBitExampleByteForByte)
{
    // Written by hand with indentation: the blanks between the rows are no rows.
    auto input = configuration({
        {"ParGen.xml", test::fixture(QStringLiteral("image/worked_11bit/ParGen.xml"))},
        {"RCobDef.xml", test::fixture(QStringLiteral("image/worked_11bit/RCobDef.xml"))},
        {"TCobDef.xml", test::fixture(QStringLiteral("image/worked_11bit/TCobDef.xml"))},
        {"RInfoCob.xml", test::fixture(QStringLiteral("image/worked_11bit/RInfoCob.xml"))},
    });
    const QByteArray bank = buildLegacyImage(input);
    const QByteArray expected = hex("18 00 00 00 1C 00 00 00 1C 11 00 00 1F 11 00 00 23 11 00 00 23 11 00 00")
                                + hex("81 01 08 01") + lookupBlocks({{0x181, 0}})
                                + hex("01 02 08  01 00 01 12")
                                + hex("06 00 C0 A8 00 0A FF FF FF 00 F6 01 01 00 01 00 01 00 00 00 E8 03 00 C0 A8 00 01 00");
    ASSERT_EQ(bank.size(), 4415);
    EXPECT_EQ(bank, expected);
    EXPECT_EQ(u16At(bank, 798), 0u);
    EXPECT_EQ(static_cast<std::uint8_t>(bank[4172]), 0x02);
}

TEST(LegacyImage, ReceiveIdentifiersFillTheLookupBlocks)
{
    const struct {
        const char* name;
        QByteArray rows;
        QByteArray entries;
        QByteArray blocks;
    } cases[] = {
        {"two identifiers", R"(<row CobID="0x100" Dimensin="8" TimeOut="Y"/><row CobID="2047" Dimensin="2" TimeOut="N"/>)",
         hex("00 01 08 01  FF 07 02 00"), lookupBlocks({{0x100, 0}, {0x7FF, 1}})},
        {"identifier masked to 11 bits", R"(<row CobID="0x900" Dimensin="1"/>)", hex("00 01 01 00"), lookupBlocks({{0x100, 0}})},
        {"a shared identifier keeps the later row", R"(<row CobID="5" Dimensin="1"/><row CobID="5" Dimensin="1"/>)",
         hex("05 00 01 00  05 00 01 00"), lookupBlocks({{5, 1}})},
        {"only an exact Y sets the time-out flag",
         R"(<row CobID="1" Dimensin="1" TimeOut="y"/><row CobID="2" Dimensin="1" TimeOut=" Y"/><row CobID="3" Dimensin="1" TimeOut="Y"/>)",
         hex("01 00 01 00  02 00 01 00  03 00 01 01"), lookupBlocks({{1, 0}, {2, 1}, {3, 2}})},
    };
    for (const auto& c : cases) {
        auto input = configuration({{"RCobDef.xml", rowsFile("COBID", c.rows)}});
        const QByteArray bank = buildLegacyImage(input);
        const int end = static_cast<int>(kLegacyHeaderSize + c.entries.size());
        EXPECT_EQ(header(bank)[1], static_cast<std::uint32_t>(end)) << c.name;
        EXPECT_EQ(bank.mid(kLegacyHeaderSize, c.entries.size()), c.entries) << c.name;
        EXPECT_EQ(bank.mid(end), c.blocks) << c.name;
    }
}

TEST(LegacyImage, TransmitIdentifierKeepsItsLowSixteenBits)
{
    auto input = configuration({{"TCobDef.xml", rowsFile("COBID", R"(<row CobID="0x900" Dimensin="3"/>)")}});
    const QByteArray bank = buildLegacyImage(input);
    EXPECT_EQ(bank.mid(kLegacyEmptySize), hex("00 09 03"));
}

TEST(LegacyImage, TwentyNineBitEntriesCarryTheRowIndexAndNoLookupBlocks)
{
    QByteArray rows;
    for (int j = 0; j < 257; ++j)
        rows += QByteArray(R"(<row CobID="0x1ABCDEF0" Dimensin="8" TimeOut="Y"/>)");
    auto input = configuration({
        {"ParGen.xml", parGen("<CANType>1</CANType>")},
        {"RCobDef.xml", rowsFile("COBID", rows)},
        {"TCobDef.xml", rowsFile("COBID", R"(<row CobID="0x18FF0001" Dimensin="4"/>)")},
    });
    const QByteArray bank = buildLegacyImage(input);
    const auto h = header(bank);
    EXPECT_EQ(h[1], 24u + 257 * 7);
    EXPECT_EQ(h[2], h[1]);
    EXPECT_EQ(bank.mid(24, 7), hex("F0 DE BC 1A 08 00 01"));
    EXPECT_EQ(bank.mid(24 + 255 * 7, 14), hex("F0 DE BC 1A 08 FF 01  F0 DE BC 1A 08 00 01"));
    EXPECT_EQ(bank.mid(static_cast<int>(h[2]), 5), hex("01 00 FF 18 04"));
    EXPECT_EQ(static_cast<std::uint8_t>(bank[static_cast<int>(h[5]) + legacy_block::kCanType]), 1);
    EXPECT_EQ(u16At(bank, static_cast<int>(h[5]) + legacy_block::kRxFrames), 257u);
}

TEST(LegacyImage, MappingEntriesKeepTheLowBitsAsStored)
{
    // No frame check: the values go into both lists as read, cut to their widths.
    const QByteArray rows = R"(<row Index="65537" NrPdo="257" PosComp="0x112"/><row Index="-1" NrPdo="-1" PosComp="$FF"/>)";
    auto input = configuration({{"RInfoCob.xml", rowsFile("RInfoCob", rows)}, {"TInfoCob.xml", rowsFile("TInfoCob", rows)}});
    const QByteArray bank = buildLegacyImage(input);
    EXPECT_EQ(header(bank), (std::vector<std::uint32_t>{24, 24, 4376, 4376, 4384, 4392}));
    EXPECT_EQ(bank.mid(kLegacyEmptySize), hex("01 00 01 12  FF FF FF FF  01 00 01 12  FF FF FF FF"));
}

TEST(LegacyImage, ParameterBlockCodesAndSubstitutes)
{
    const struct {
        const char* name;
        QByteArray parGen;
        int offset;
        QByteArray bytes;
    } cases[] = {
        {"20K is the device's code 2", parGen("<BaudRateCAN>9</BaudRateCAN>"), legacy_block::kBitRateCode, hex("02")},
        {"code 1 also gives 2", parGen("<BaudRateCAN>1</BaudRateCAN>"), legacy_block::kBitRateCode, hex("02")},
        {"1000K", parGen("<BaudRateCAN>8</BaudRateCAN>"), legacy_block::kBitRateCode, hex("09")},
        {"75K", parGen("<BaudRateCAN>10</BaudRateCAN>"), legacy_block::kBitRateCode, hex("0B")},
        {"code 255 wraps to 0", parGen("<BaudRateCAN>255</BaudRateCAN>"), legacy_block::kBitRateCode, hex("00")},
        {"the largest code wraps to 0", parGen("<BaudRateCAN>2147483647</BaudRateCAN>"), legacy_block::kBitRateCode, hex("00")},
        {"a negative code keeps its low bits", parGen("<BaudRateCAN>-2147483648</BaudRateCAN>"), legacy_block::kBitRateCode, hex("01")},
        {"no GATEWAY: the default gateway", parGen("<EN_GATEWAY>1</EN_GATEWAY>", "GATEWAY"), legacy_block::kGatewayEnabled, hex("01 C0 A8 00 01")},
        {"one bad gateway byte: the whole default gateway",
         parGen(R"(<GATEWAY GATB1="10" GATB2="1" GATB3="x" GATB4="2"/>)"), legacy_block::kGateway, hex("C0 A8 00 01")},
        {"a read gateway, stored whether enabled or not",
         parGen(R"(<GATEWAY GATB1="10" GATB2="0x01" GATB3="2" GATB4="300"/>)"), legacy_block::kGateway, hex("0A 01 02 2C")},
        {"EN_GATEWAY not an integer gives 0", parGen("<EN_GATEWAY>yes</EN_GATEWAY>"), legacy_block::kGatewayEnabled, hex("00")},
        {"no FAST_BOOT gives 0", parGen({}, "FAST_BOOT"), legacy_block::kFastBoot, hex("00")},
        {"FAST_BOOT as stored", parGen("<FAST_BOOT>1</FAST_BOOT>"), legacy_block::kFastBoot, hex("01")},
        {"CANTimeOut keeps 16 bits", parGen("<CANTimeOut>100000</CANTimeOut>"), legacy_block::kCanTimeOut, hex("A0 86")},
        {"address bytes and port keep their low bits",
         parGen(R"(<ADD_IP IPB1="256" IPB2="-1" IPB3="0x1C0" IPB4="10"/>)"), legacy_block::kIp, hex("00 FF C0 0A")},
        {"port keeps 16 bits", parGen("<Port>70000</Port>"), legacy_block::kPort, hex("70 11")},
    };
    for (const auto& c : cases) {
        auto input = configuration({{"ParGen.xml", c.parGen}});
        const QByteArray bank = buildLegacyImage(input);
        ASSERT_EQ(bank.size(), kLegacyEmptySize + kLegacyParameterBlockSize) << c.name;
        EXPECT_EQ(bank.mid(kLegacyEmptySize + c.offset, c.bytes.size()), c.bytes) << c.name;
    }
}

TEST(LegacyImage, CanTypeKeepsItsLowEightBits)
{
    // 256 is stored as 0 and therefore selects the 11-bit formats.
    auto input = configuration({{"ParGen.xml", parGen("<CANType>256</CANType>")}});
    const QByteArray bank = buildLegacyImage(input);
    EXPECT_EQ(header(bank)[2], static_cast<std::uint32_t>(kLegacyEmptySize));
    EXPECT_EQ(static_cast<std::uint8_t>(bank[kLegacyEmptySize + legacy_block::kCanType]), 0);
}

TEST(LegacyImage, MissingOrNonIntegerRequiredValuesStopTheCompile)
{
    const struct {
        const char* file;
        QByteArray content;
        const char* place;   // what the error names besides the file
    } cases[] = {
        {"ParGen.xml", parGen({}, "CANType"), "element CANType"},
        {"ParGen.xml", parGen("<CANType>x</CANType>"), "element CANType"},
        {"ParGen.xml", parGen("<CANTimeOut>abc</CANTimeOut>"), "element CANTimeOut"},
        {"ParGen.xml", parGen({}, "BaudRateCAN"), "element BaudRateCAN"},
        {"ParGen.xml", parGen({}, "Port"), "element Port"},
        {"ParGen.xml", parGen({}, "SUBNET"), "element SUBNET"},
        {"ParGen.xml", parGen(R"(<ADD_IP IPB1="192" IPB2="x" IPB3="0" IPB4="1"/>)"), "attribute IPB2"},
        {"RCobDef.xml", rowsFile("COBID", R"(<row CobID="1" Dimensin="8"/><row Dimensin="8"/>)"), "row 2, attribute CobID"},
        {"RCobDef.xml", rowsFile("COBID", R"(<row CobID="1" Dimensin="8 "/>)"), "row 1, attribute Dimensin"},
        {"RCobDef.xml", rowsFile("COBID", R"(<!-- a note --><row CobID="1" Dimensin="8"/>)"), "row 1, attribute CobID"},
        {"TCobDef.xml", rowsFile("COBID", R"(<row CobID="abc" Dimensin="8"/>)"), "row 1, attribute CobID"},
        {"RInfoCob.xml", rowsFile("RInfoCob", R"(<row Index="1" NrPdo="" PosComp="18"/>)"), "row 1, attribute NrPdo"},
        {"TInfoCob.xml", rowsFile("TInfoCob", R"(<row Index="1" NrPdo="1"/>)"), "row 1, attribute PosComp"},
        {"TInfoCob.xml", "<TInfoCob><row></TInfoCob>", "not valid XML"},
    };
    for (const auto& c : cases) {
        auto input = configuration({{c.file, c.content}});
        try {
            buildLegacyImage(input);
            ADD_FAILURE() << c.file << " " << c.place << ": no error";
        } catch (const Error& e) {
            EXPECT_TRUE(e.text().contains(QLatin1StringView(c.file))) << e.text().toStdString();
            EXPECT_TRUE(e.text().contains(QLatin1StringView(c.place))) << e.text().toStdString();
        }
    }
}

TEST(LegacyImage, ImageBeyondTheDeviceRoomStopsTheCompile)
{
    // 4376 + 24000 * 4 = 100376 bytes: more than the 100001 the device holds.
    QByteArray rows;
    for (int i = 0; i < 24000; ++i)
        rows += R"(<row Index="1" NrPdo="1" PosComp="1"/>)";
    auto input = configuration({{"RInfoCob.xml", rowsFile("RInfoCob", rows)}});
    try {
        buildLegacyImage(input);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("100001"))) << e.text().toStdString();
    }
    // 23906 rows still fit.
    rows.clear();
    for (int i = 0; i < (100001 - 4376) / 4; ++i)
        rows += R"(<row Index="1" NrPdo="1" PosComp="1"/>)";
    auto fits = configuration({{"RInfoCob.xml", rowsFile("RInfoCob", rows)}});
    EXPECT_EQ(buildLegacyImage(fits).size(), 4376 + (100001 - 4376) / 4 * 4);
}

} // namespace
} // namespace px
