#include "core/image/image_dump.h"

#include "core/base/error.h"
#include "core/image/compiler.h"
#include "image_test_support.h"

#include <gtest/gtest.h>

namespace px {
namespace {

using namespace image;
using test::parGen;
using test::rowsFile;

ConfigurationImage sample(const QByteArray& canType)
{
    auto input = test::configuration({
        {"ParGen.xml", parGen("<CANType>" + canType + "</CANType><EN_GATEWAY>1</EN_GATEWAY>")},
        {"RCobDef.xml", rowsFile("COBID", R"~(<row CobID="0x181" CobType="2.0A (11 bits)" Dimensin="8" TimeOut_Time="1000" TimeOut="Y" RTR="Y" TimeRTR="250" DefaultValues="1,2"/><row CobID="0x18FEF100" CobType="2.0B (29 bits)" Dimensin="4" TimeOut_Time="0" TimeOut="N"/>)~")},
        {"TCobDef.xml", rowsFile("COBID", R"(<row CobID="0x201" Dimensin="2" RTR="N" OnChange="Y" OnTimer="Y" Timer="100" DefaultValues="0,255"/>)")},
        {"RInfoCob.xml", rowsFile("RInfoCob", R"(<row Index="10" NrPdo="2" PosComp="18"/>)")},
        {"TInfoCob.xml", rowsFile("TInfoCob", R"(<row Index="20" NrPdo="1" PosComp="2" Send_on_Write="1"/>)")},
    });
    return compileConfiguration(input);
}

TEST(ImageDump, EachImageIsDecodedWithItsFieldsNamed)
{
    const ConfigurationImage eleven = sample("0");
    const ConfigurationImage twentyNine = sample("1");
    const struct {
        const char* name;
        QByteArray bytes;
        std::vector<const char*> lines;
    } cases[] = {
        {"bank.bin", eleven.bank,
         {"bank.bin: legacy image (device till April 2014), 4423 bytes, 11-bit identifiers",
          "header: 24 32 4384 4387 4391 4395",
          "  frame 1: identifier 0x181, length 8, time-out 1",
          "  frame 2: identifier 0x100, length 4, time-out 0",
          "  identifier 0x100 -> frame 2",
          "  frame 1: identifier 0x201, length 2",
          "  mapping 1: register 10, frame 2, high byte 1, low byte 2",
          "  mapping 1: register 20, frame 1, high byte 0, low byte 2",
          "  CAN bit-rate code: 6 (250K)", "  gateway enabled: 1", "  gateway: 192.168.0.1"}},
        {"bank.bin", twentyNine.bank,
         {"bank.bin: legacy image (device till April 2014), 79 bytes, 29-bit identifiers",
          "  frame 2: identifier 0x18FEF100, length 4, index 1, time-out 0", "  CAN type: 1 (29 bits)"}},
        {"bank2.bin", eleven.bank2,
         {"bank2.bin: current image (device from May 2014, main memory), 73728 bytes",
          "  [   0] CAN bit rate: 250000 bit/s", "  [  48] gateway: 192.168.0.1",
          "  [ 280] receive frames: 2", "  [ 296] receive frame table address: 0x57800",
          "  table addresses: main memory (bank2.bin loaded at 0x57800)", "  reserved and fill bytes: all 0",
          "  frame 1: identifier 0x181 (11 bits), length 8, time-out 1000 ms, RTR period 250 ms, flags 0x08 (RTR polling)",
          "  frame 2: identifier 0x18FEF100 (29 bits), length 4, time-out 0 ms, RTR period 0 ms, flags 0x00",
          "  frame 1: identifier 0x201 (11 bits), length 2, timer 100 ms, flags 0x06 (on change, on timer)",
          "  mapping 1: register 10, frame 2, high byte 9 (frame 2 byte 1), low byte 10 (frame 2 byte 2)",
          "  mapping 1: register 20, frame 1, send on write, high byte none, low byte 2 (frame 1 byte 2)",
          "receive default values: 1 frames set", "  frame 1: 01 02 00 00 00 00 00 00", "  frame 1: 00 FF 00 00 00 00 00 00"}},
        {"bank_ESP32_1.bin", eleven.esp32_1,
         {"bank_ESP32_1.bin: ESP32 parameter record (device from May 2014), 2048 bytes",
          "  table addresses: ESP32 part (bank_ESP32_2.bin loaded at 0x310000)", "  [ 328] receive default-value table address: 0x320800"}},
        {"bank_ESP32_2.bin", eleven.esp32_2,
         {"receive frames: 2 in use", "transmit mappings: 1 in use",
          "  mapping 1: register 20, frame 1, send on write, high byte none, low byte 2 (frame 1 byte 2)"}},
    };
    for (const auto& c : cases) {
        const QStringList text = dumpImage(c.bytes, QLatin1StringView(c.name)).split(u'\n');
        for (const char* line : c.lines)
            EXPECT_TRUE(text.contains(QString::fromUtf8(line))) << c.name << " lacks: " << line << "\n" << text.join(u'\n').toStdString();
    }
}

TEST(ImageDump, ChecksumIsVerified)
{
    ConfigurationImage img = sample("0");
    const std::uint32_t sum = test::u32At(img.esp32_1, 2044);
    EXPECT_TRUE(dumpImage(img.esp32_1, QStringLiteral("r")).contains(QStringLiteral("[2044] checksum: %1 (correct)").arg(sum)));
    img.esp32_1[100] = 1;   // a reserved byte changed: the sum no longer matches
    const QString text = dumpImage(img.esp32_1, QStringLiteral("r"));
    EXPECT_TRUE(text.contains(QStringLiteral("checksum: %1 (WRONG, the bytes sum to %2)").arg(sum).arg(sum + 1))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("reserved and fill bytes not 0 at offsets: 100"))) << text.toStdString();
}

TEST(ImageDump, OtherBytesAreRefused)
{
    const QByteArray bank = sample("0").bank;
    const QByteArray cases[] = {QByteArray(), QByteArray(100, 'x'), bank.left(bank.size() - 1), QByteArray(73727, '\0')};
    for (const QByteArray& bytes : cases)
        EXPECT_THROW(dumpImage(bytes, QStringLiteral("x.bin")), Error) << bytes.size();
}

TEST(ImageDump, LegacyHeaderPointingPastTheFileIsRefused)
{
    // Section starts far beyond the file whose parameter-block end wraps round to the
    // file length: decoding them would read past the end of the file.
    const QByteArray cases[] = {
        test::hex("18 00 00 00 18 00 00 00 18 00 00 00 18 00 00 00 18 00 00 00 FC FF FF FF"),
        test::hex("18 00 00 00 F0 FF FF F0 F0 FF FF F0 F0 FF FF F0 F0 FF FF F0 FF FF FF FF") + QByteArray(3, '\0'),
    };
    for (const QByteArray& bytes : cases)
        EXPECT_THROW(dumpImage(bytes, QStringLiteral("x.bin")), Error) << bytes.toHex().toStdString();
}

} // namespace
} // namespace px
