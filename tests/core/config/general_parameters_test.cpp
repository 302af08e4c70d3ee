#include "core/config/general_parameters.h"

#include "core/base/error.h"
#include "core/shell/workspace.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <functional>

namespace px {
namespace {

using Edit = std::function<void(GeneralParameters&)>;

GeneralParameters edited(const Edit& edit)
{
    GeneralParameters p;
    edit(p);
    return p;
}

TEST(GeneralParametersFile, EachMissingPieceTakesItsOwnDefault)
{
    const struct {
        const char* what;
        QByteArray file;
        GeneralParameters expected;
    } cases[] = {
        {"file lacking only IPB3", test::fixture(QStringLiteral("comm/lacking_ipb3.xml")),
         edited([](GeneralParameters& p) {
             p.deviceType = kDipSwitchDevice;
             p.baudCode = 10;
             p.canType = 1;
             p.canTimeOut = QStringLiteral(" 0x1F");
             p.ip = {QStringLiteral("10"), QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("7")};
             p.subnet = {QStringLiteral("255"), QStringLiteral("255"), QStringLiteral("0"), QStringLiteral("0")};
             p.gatewayEnabled = true;
             p.gateway = {QStringLiteral("10"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("254")};
             p.port = QStringLiteral("1502");
             p.fastBoot = true;
         })},
        {"declaration as first node", test::fixture(QStringLiteral("comm/with_declaration.xml")), GeneralParameters{}},
        // The document type is a top-level node of its own, as the compiler counts them.
        {"document type as first node", QByteArray("<!DOCTYPE G><G><Device_Type>1</Device_Type></G>"), GeneralParameters{}},
        {"empty root", QByteArray("<GeneralParameter/>"), GeneralParameters{}},
        {"other root name, elements and attributes missing",
         QByteArray("<Params><Device_Type>1</Device_Type><SUBNET SMB2=\"0\"/><CANTimeOut/><Port></Port></Params>"),
         edited([](GeneralParameters& p) {
             p.deviceType = kDipSwitchDevice;
             p.subnet[1] = QStringLiteral("0");
             p.canTimeOut = QString();
             p.port = QString();
         })},
        {"numbers that do not convert",
         QByteArray("<G><Device_Type>abc</Device_Type><BaudRateCAN>1000K</BaudRateCAN><CANType>2.0B</CANType></G>"),
         GeneralParameters{}},
        {"numbers in the integer syntax",
         QByteArray("<G><Device_Type> 0x1</Device_Type><BaudRateCAN>$9</BaudRateCAN><CANType>-3</CANType></G>"),
         edited([](GeneralParameters& p) {
             p.deviceType = 1;
             p.baudCode = 9;
             p.canType = -3;
         })},
        {"flags other than 1 are off", QByteArray("<G><EN_GATEWAY>true</EN_GATEWAY><FAST_BOOT>01</FAST_BOOT></G>"),
         GeneralParameters{}},
        {"flags on", QByteArray("<G><EN_GATEWAY>1</EN_GATEWAY><FAST_BOOT>1</FAST_BOOT></G>"),
         edited([](GeneralParameters& p) {
             p.gatewayEnabled = true;
             p.fastBoot = true;
         })},
    };
    for (const auto& c : cases) {
        const GeneralParameters p = readGeneralParameters(c.file, QStringLiteral("ParGen.xml"));
        EXPECT_EQ(p, c.expected) << c.what;
    }
}

TEST(GeneralParametersFile, MissingFileGivesDefaultsAndBrokenFileFailsNamingIt)
{
    test::TempHome home;
    EXPECT_EQ(readGeneralParametersFile(home.file(QStringLiteral("none/ParGen.xml"))), GeneralParameters{});

    home.write(QStringLiteral("ParGen.xml"), test::fixture(QStringLiteral("comm/not_well_formed.xml")));
    try {
        readGeneralParametersFile(home.file(QStringLiteral("ParGen.xml")));
        FAIL() << "a file that does not parse was read";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("ParGen.xml"))) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(QStringLiteral("line 4"))) << e.text().toStdString();
    }
}

TEST(GeneralParametersFile, WrittenWithChildrenAndAttributesInTheirOrder)
{
    EXPECT_EQ(generalParametersBytes(GeneralParameters{}),
              QByteArray("<GeneralParameter><Device_Type>0</Device_Type><BaudRateCAN>8</BaudRateCAN><CANType>0</CANType>"
                         "<CANTimeOut>0</CANTimeOut><ADD_IP IPB1=\"192\" IPB2=\"168\" IPB3=\"0\" IPB4=\"10\"/>"
                         "<SUBNET SMB1=\"255\" SMB2=\"255\" SMB3=\"255\" SMB4=\"0\"/><EN_GATEWAY>0</EN_GATEWAY>"
                         "<GATEWAY GATB1=\"192\" GATB2=\"168\" GATB3=\"0\" GATB4=\"1\"/><Port>502</Port>"
                         "<FAST_BOOT>0</FAST_BOOT></GeneralParameter><!--SW_VERSION = 2.505-->"));
}

TEST(GeneralParametersFile, SavedValuesReadBackAsTyped)
{
    test::TempHome home;
    const QString path = home.file(QStringLiteral("ParGen.xml"));
    const GeneralParameters typed = edited([](GeneralParameters& p) {
        p.deviceType = kDipSwitchDevice;
        p.baudCode = 10;
        p.canType = 1;
        p.canTimeOut = QStringLiteral("abc");
        p.ip = {QStringLiteral(" 0x0A"), QStringLiteral("$1"), QStringLiteral(""), QStringLiteral("a\"<&>b")};
        p.subnet[3] = QStringLiteral("0 ");
        p.gatewayEnabled = true;
        p.gateway[0] = QStringLiteral("999");
        p.port = QStringLiteral("0x1F");
        p.fastBoot = true;
    });
    writeGeneralParametersFile(path, typed);
    EXPECT_EQ(readGeneralParametersFile(path), typed);

    // The saved file is what the device-type query of the main window reads.
    home.activate(QStringLiteral("Plant1"));
    writeGeneralParametersFile(home.session.ws.generalParametersFile, typed);
    EXPECT_EQ(activeDeviceType(home.session.ws), 1);
}

TEST(GeneralParametersFile, RefusedWriteFailsNamingTheFile)
{
    test::TempHome home;
    home.write(QStringLiteral("blocker"), QByteArray("x"));
    const QString path = home.file(QStringLiteral("blocker/ParGen.xml"));
    try {
        writeGeneralParametersFile(path, GeneralParameters{});
        FAIL() << "write into a file's place reported success";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("ParGen.xml"))) << e.text().toStdString();
    }
}

TEST(GeneralParametersFile, ValueTheFileCannotHoldIsRefusedByNameAndTheOldFileKept)
{
    // A pasted control character in a box that no check reads (a gateway byte while the
    // gateway is off, the time-out of the dip-switch device) must not end as a file that
    // no longer parses.
    test::TempHome home;
    const QString path = home.file(QStringLiteral("ParGen.xml"));
    writeGeneralParametersFile(path, GeneralParameters{});
    const QByteArray before = home.read(QStringLiteral("ParGen.xml"));
    const struct {
        const char* element;
        Edit edit;
    } cases[] = {
        {"GATB2", [](GeneralParameters& p) { p.gateway[1] = QStringLiteral("1\x01"); }},
        {"CANTimeOut", [](GeneralParameters& p) { p.canTimeOut = QString(QChar(0xFFFE)); }},
        {"IPB4", [](GeneralParameters& p) { p.ip[3] = QStringLiteral("\x1b"); }},
        {"Port", [](GeneralParameters& p) { p.port = QStringLiteral("502\x7f\x08"); }},
    };
    for (const auto& c : cases) {
        try {
            writeGeneralParametersFile(path, edited(c.edit));
            ADD_FAILURE() << c.element << ": written";
        } catch (const Error& e) {
            EXPECT_TRUE(e.text().contains(QStringLiteral("ParGen.xml"))) << e.text().toStdString();
            EXPECT_TRUE(e.text().contains(QString::fromLatin1(c.element))) << e.text().toStdString();
        }
        EXPECT_EQ(home.read(QStringLiteral("ParGen.xml")), before) << c.element;
    }
}

TEST(CanBaudTable, ListPerDeviceCodesBothWaysAndBitRates)
{
    EXPECT_EQ(baudRateLabels(kJumperDevice), QStringList({QStringLiteral("20K"), QStringLiteral("50K"), QStringLiteral("100K"),
                                                           QStringLiteral("125K"), QStringLiteral("250K"), QStringLiteral("500K"),
                                                           QStringLiteral("800K"), QStringLiteral("1000K")}));
    EXPECT_EQ(baudRateLabels(kDipSwitchDevice), baudRateLabels(kJumperDevice) << QStringLiteral("75K"));
    EXPECT_EQ(baudRateLabels(2), baudRateLabels(kJumperDevice));

    const CanBaudCode codes[] = {9, 2, 3, 4, 5, 6, 7, 8, 10};
    for (int position = 0; position < 9; ++position) {
        EXPECT_EQ(baudCodeForPosition(position), codes[position]) << position;
        EXPECT_EQ(baudPositionForCode(codes[position], kDipSwitchDevice), position) << position;
    }
    EXPECT_EQ(baudCodeForPosition(-1), 8);

    const struct {
        CanBaudCode code;
        DeviceType device;
        std::optional<int> expected;
    } reads[] = {
        {9, kJumperDevice, 0},  {2, kJumperDevice, 1},   {8, kJumperDevice, 7},
        {10, kJumperDevice, -1},  // 75K exists on the dip-switch device only: no selection
        {0, kJumperDevice, std::nullopt},  {1, kDipSwitchDevice, std::nullopt}, {11, kDipSwitchDevice, std::nullopt},
        {-2, kJumperDevice, std::nullopt}, {-1, kDipSwitchDevice, std::nullopt},
    };
    for (const auto& r : reads)
        EXPECT_EQ(baudPositionForCode(r.code, r.device), r.expected) << r.code << " device " << r.device;

    // The rate the device runs the bus at; a code outside the table runs it at 1000K.
    const std::uint32_t rates[] = {20000, 50000, 100000, 125000, 250000, 500000, 800000, 1000000, 75000};
    for (int position = 0; position < 9; ++position)
        EXPECT_EQ(bitRateOfBaudCode(codes[position]), rates[position]) << codes[position];
    for (const CanBaudCode unknown : {0, 1, 11, -1})
        EXPECT_EQ(bitRateOfBaudCode(unknown), 1000000u) << unknown;
}

} // namespace
} // namespace px
