#include "core/check/check.h"

#include "core/check/bus_load.h"
#include "core/frames/frame_list.h"
#include "core/lang/message_table.h"

#include <QRegularExpression>

#include <functional>

#include "support/config_builders.h"

#include <gtest/gtest.h>

namespace px::check {
namespace {

using config::ConfigFile;
using config::Configuration;
using config::ReceiveFrame;
using config::TransmitFrame;
using test::mappingEntry;
using test::receiveFrame;
using test::transmitFrame;

// A dip-switch device configuration without any finding: two received frames and one
// transmitted frame, every data byte mapped once.
Configuration cleanConfiguration()
{
    Configuration c;
    c.name = QStringLiteral("Clean");
    c.general.deviceType = kDipSwitchDevice;
    c.general.baudCode = 5;  // 250K
    c.receiveFrames = {receiveFrame(QStringLiteral("0x181"), QStringLiteral("2")),
                       receiveFrame(QStringLiteral("0x182"), QStringLiteral("2"))};
    c.transmitFrames = {transmitFrame(QStringLiteral("0x201"), QStringLiteral("2"))};
    c.receiveMappings = {mappingEntry(QStringLiteral("100"), 1, 1, 2), mappingEntry(QStringLiteral("101"), 2, 1, 2)};
    c.transmitMappings = {mappingEntry(QStringLiteral("200"), 1, 1, 2)};
    return c;
}

struct Expected {
    const char* code;
    Severity severity;
    ConfigFile file;
    int row;
};

QString describe(const std::vector<Finding>& findings)
{
    const MessageTable m;
    QString out;
    for (const Finding& f : findings)
        out += findingLine(f, m) + u'\n';
    return out;
}

constexpr auto E = Severity::Error;
constexpr auto W = Severity::Warning;
constexpr auto ParGen = ConfigFile::GeneralParameters;
constexpr auto RCob = ConfigFile::ReceiveFrames;
constexpr auto TCob = ConfigFile::TransmitFrames;
constexpr auto RInfo = ConfigFile::ReceiveMappings;
constexpr auto TInfo = ConfigFile::TransmitMappings;

TEST(Check, EachFindingComesFromItsOwnFault)
{
    const struct {
        const char* name;
        std::function<void(Configuration&)> fault;
        std::vector<Expected> expected;  // every finding, in the order they come
    } cases[] = {
        {"clean", [](Configuration&) {}, {}},
        {"same identifier twice, hexadecimal and decimal",
         [](Configuration& c) { c.receiveFrames[1].cobId = QStringLiteral("385"); },
         {{code::kDuplicateIdentifier, E, RCob, 2}}},
        {"11-bit identifier above 0x7FF",
         [](Configuration& c) { c.receiveFrames[0].cobId = QStringLiteral("0x800"); },
         {{code::kIdentifierRange, E, RCob, 1}}},
        {"format against Set Communication on the jumper device",
         [](Configuration& c) {
             c.general.deviceType = kJumperDevice;
             c.transmitFrames[0].cobType = config::kExtendedFormatText;
         },
         {{code::kFormatContradictsSettings, E, TCob, 1}}},
        {"one identifier received and transmitted",
         [](Configuration& c) { c.transmitFrames[0].cobId = QStringLiteral("0x182"); },
         {{code::kIdentifierBothDirections, E, TCob, 1}}},
        {"the same number in the other format is another identifier",
         [](Configuration& c) {
             c.transmitFrames[0].cobId = QStringLiteral("0x182");
             c.transmitFrames[0].cobType = config::kExtendedFormatText;
         },
         {}},
        {"mapping onto a frame that does not exist",
         [](Configuration& c) { c.receiveMappings.push_back(mappingEntry(QStringLiteral("102"), 3, 1, 0)); },
         {{code::kFrameMissing, E, RInfo, 3}}},
        {"byte beyond the data length",
         [](Configuration& c) { c.receiveMappings[0].highByte = 3; },
         {{code::kBytePosition, E, RInfo, 1}}},
        {"byte above 8",
         [](Configuration& c) { c.transmitMappings[0].lowByte = 9; },
         {{code::kBytePosition, E, TInfo, 1}}},
        {"one register twice in a direction, once in hexadecimal",
         [](Configuration& c) { c.receiveMappings[1].registerIndex = QStringLiteral("0x64"); },
         {{code::kDuplicateRegister, E, RInfo, 2}}},
        {"register index out of range",
         [](Configuration& c) { c.transmitMappings[0].registerIndex = QStringLiteral("70000"); },
         {{code::kRegisterRange, E, TInfo, 1}}},
        {"data length 9",
         [](Configuration& c) { c.transmitFrames[0].dimension = QStringLiteral("9"); },
         {{code::kLengthRange, E, TCob, 1}}},
        {"three default values for two data bytes",
         [](Configuration& c) { c.transmitFrames[0].defaultValues = QStringLiteral("1,2,3"); },
         {{code::kDefaultCount, E, TCob, 1}}},
        {"default value that is no byte",
         [](Configuration& c) { c.receiveFrames[0].defaultValues = QStringLiteral("1,300"); },
         {{code::kDefaultCount, E, RCob, 1}}},
        {"default value that is no byte after the right count",
         [](Configuration& c) { c.receiveFrames[0].defaultValues = QStringLiteral("1,2,300"); },
         {{code::kDefaultByte, E, RCob, 1}}},
        {"time-out that is no number",
         [](Configuration& c) { c.receiveFrames[0].timeOutTime = QStringLiteral("-1"); },
         {{code::kTimeRange, E, RCob, 1}}},
        {"Time RTR that is no number",
         [](Configuration& c) {
             c.receiveFrames[0].rtr = QStringLiteral("Y");
             c.receiveFrames[0].timeRtr = QStringLiteral("abc");
         },
         {{code::kTimeRange, E, RCob, 1}}},
        {"timer beyond the longest",
         [](Configuration& c) {
             c.transmitFrames[0].onTimer = QStringLiteral("Y");
             c.transmitFrames[0].timer = QStringLiteral("100000001");
         },
         {{code::kTimeRange, E, TCob, 1}}},
        {"321 receive frames",
         [](Configuration& c) {
             c.receiveMappings.clear();
             c.receiveFrames.clear();
             for (int i = 0; i < 321; ++i) {
                 c.receiveFrames.push_back(receiveFrame(QString::number(i), QStringLiteral("2")));
                 c.receiveMappings.push_back(mappingEntry(QString::number(i), i + 1, 1, 2));
             }
         },
         {{code::kTooManyFrames, E, RCob, 321}}},
        {"default values on the 257th frame",
         [](Configuration& c) {
             for (int i = 1; i < 257; ++i) {
                 c.transmitFrames.push_back(transmitFrame(QString::number(0x300 + i), QStringLiteral("2")));
                 c.transmitFrames.back().defaultValues = QStringLiteral("1,2");
             }
         },
         {{code::kDefaultsBeyondRoom, E, TCob, 257}}},
        {"Cob-ID that is no number",
         [](Configuration& c) { c.receiveFrames[0].cobId = QStringLiteral("0x18G"); },
         {{code::kNotANumber, E, RCob, 1}}},
        {"CAN time-out that is no number, hidden on the dip-switch device",
         [](Configuration& c) { c.general.canTimeOut = QStringLiteral("abc"); },
         {{code::kNotANumber, E, ParGen, 0}}},
        {"Type in small letters",
         [](Configuration& c) { c.receiveFrames[1].cobType = QStringLiteral("2.0b (29 bits)"); },
         {{code::kTypeText, E, RCob, 2}}},
        {"time-out with a tab the editor trims",
         [](Configuration& c) { c.receiveFrames[0].timeOutTime = QStringLiteral("500\t"); },
         // The compiler falls back to the general time-out, 0: both are reported.
         {{code::kControlCharacter, E, RCob, 1}, {code::kTimeOutZero, W, RCob, 1}}},
        {"entry without positions",
         [](Configuration& c) { c.receiveMappings.push_back(mappingEntry(QStringLiteral("102"), 1, 0, 0)); },
         {{code::kNoPositions, W, RInfo, 3}}},
        {"high and low on one byte",
         [](Configuration& c) { c.receiveMappings[0].lowByte = 1; },
         {{code::kSameByte, W, RInfo, 1}}},
        {"one byte feeding two registers",
         [](Configuration& c) { c.receiveMappings.push_back(mappingEntry(QStringLiteral("102"), 2, 0, 2)); },
         {{code::kByteShared, W, RInfo, 3}}},
        {"receive frame without mapping",
         [](Configuration& c) { c.receiveMappings.pop_back(); },
         {{code::kReceiveUnmapped, W, RCob, 2}}},
        {"transmit frame with neither mapping nor default values",
         [](Configuration& c) { c.transmitMappings.clear(); },
         {{code::kTransmitEmpty, W, TCob, 1}}},
        {"transmit frame never sent",
         [](Configuration& c) { c.transmitFrames[0].onChange = QStringLiteral("N"); },
         {{code::kNeverSent, W, TCob, 1}}},
        {"On Timer with 0 ms",
         [](Configuration& c) { c.transmitFrames[0].onTimer = QStringLiteral("Y"); },
         {{code::kTimerZero, W, TCob, 1}}},
        {"RTR with Time RTR 0",
         [](Configuration& c) {
             c.receiveFrames[0].rtr = QStringLiteral("Y");
             c.receiveFrames[0].timeRtr = QStringLiteral("0");
         },
         {{code::kRtrPeriodZero, W, RCob, 1}}},
        {"time-out 0 on a polled frame",
         [](Configuration& c) {
             c.receiveFrames[1].timeOutTime = QStringLiteral("0");
             c.receiveFrames[1].timeOut = QStringLiteral("N");
             c.receiveFrames[1].rtr = QStringLiteral("Y");
             c.receiveFrames[1].timeRtr = QStringLiteral("100");
         },
         {{code::kTimeOutZero, W, RCob, 2}}},
        {"gateway outside the subnet",
         [](Configuration& c) {
             c.general.gatewayEnabled = true;
             c.general.gateway = {QStringLiteral("192"), QStringLiteral("168"), QStringLiteral("1"), QStringLiteral("1")};
         },
         {{code::kGatewayOutsideSubnet, W, ParGen, 0}}},
        {"converter on the broadcast address",
         [](Configuration& c) { c.general.ip[3] = QStringLiteral("255"); },
         {{code::kReservedAddress, W, ParGen, 0}}},
        {"bus load of a 1 ms frame at 20K",
         [](Configuration& c) {
             c.general.baudCode = 9;
             c.transmitFrames[0].onTimer = QStringLiteral("Y");
             c.transmitFrames[0].timer = QStringLiteral("1");
         },
         {{code::kBusLoad, W, ParGen, 0}}},
    };
    for (const auto& c : cases) {
        Configuration config = cleanConfiguration();
        c.fault(config);
        const std::vector<Finding> findings = check(config);
        const std::string where = std::string(c.name) + "\n" + describe(findings).toStdString();
        ASSERT_EQ(findings.size(), c.expected.size()) << where;
        for (std::size_t i = 0; i < findings.size(); ++i) {
            EXPECT_EQ(findings[i].code, QLatin1StringView(c.expected[i].code)) << where;
            EXPECT_EQ(findings[i].severity, c.expected[i].severity) << where;
            EXPECT_EQ(findings[i].file, c.expected[i].file) << where;
            EXPECT_EQ(findings[i].row, c.expected[i].row) << where;
        }
    }
}

// The frame editors of the dip-switch device and the check judge a frame row by the same
// rules: the check finds an error in the row exactly when the editor's OK refuses it.
TEST(Check, FindsAnErrorInAFrameRowExactlyWhenTheEditorRefusesIt)
{
    const struct {
        bool receive;
        // Receive: Cob-ID|Type|Dimension|TimeOut|RTR|Time RTR|Default Values|Mnemonic
        // Transmit: Cob-ID|Type|Dimension|RTR|On Change|On Timer|Timer|Default Values|Mnemonic
        const char* row;
        bool refused;
    } cases[] = {
        {true, "0x181|2.0A (11 bits)|2|500|N|||Level", false},
        {true, "0x181|other|2|500|N|||Level", true},
        {true, "0x181|2.0b (29 bits)|2|500|N|||Level", true},
        {true, "0x181||2|500|N|||Level", true},
        {true, "0x800|2.0A (11 bits)|2|500|N|||Level", true},
        {true, "0x1FFFFFFF|2.0B (29 bits)|2|500|N|||Level", false},
        {true, "0x20000000|2.0B (29 bits)|2|500|N|||Level", true},
        {true, "abc|2.0A (11 bits)|2|500|N|||Level", true},
        {true, "0x181|2.0A (11 bits)|9|500|N|||Level", true},
        {true, "0x181|2.0A (11 bits)|x|500|N|||Level", true},
        {true, "0x181|2.0A (11 bits)|2|abc|N|||Level", true},
        {true, "0x181|2.0A (11 bits)|2|-1|N|||Level", true},
        {true, "0x181|2.0A (11 bits)|2|100000001|N|||Level", true},
        {true, "0x181|2.0A (11 bits)|2|500|Y|100||Level", false},
        {true, "0x181|2.0A (11 bits)|2|500|Y|abc||Level", true},
        {true, "0x181|2.0A (11 bits)|2|500|y|100000001||Level", true},
        {true, "0x181|2.0A (11 bits)|2|500|N|abc||Level", false},
        {true, "0x181|2.0A (11 bits)|2|500|N||1,2|Level", false},
        {true, "0x181|2.0A (11 bits)|2|500|N||1|Level", true},
        {true, "0x181|2.0A (11 bits)|2|500|N||1,2,300|Level", true},
        {true, "0x181|2.0A (11 bits)|2|500|N||1,x,2|Level", true},
        {false, "0x201|2.0A (11 bits)|2|N|Y|N|0||Setpoint", false},
        {false, "0x201|2.0A (11 bits)|2|N|Y|Y|-5||Setpoint", true},
        {false, "0x201|2.0A (11 bits)|2|N|Y|y|abc||Setpoint", true},
        {false, "0x201|2.0A (11 bits)|2|N|Y|Y|100000001||Setpoint", true},
        {false, "0x201|2.0A (11 bits)|2|N|Y|N|abc||Setpoint", false},
        {false, "0x201|2.0A (11 bits)|2|N|Y|Y|100||Setpoint", false},
        {false, "0x201|2.0A (11 bits)|2|N|Y|N|0|0,256|Setpoint", true},
        {false, "0x201|2.0A (11 bits)|2|N|Y|N|0|0,1,256|Setpoint", true},
    };
    for (const auto& c : cases) {
        FrameList list(c.receive ? FrameListKind::ReceiveDip : FrameListKind::TransmitDip);
        list.setRowTexts(0, QString::fromUtf8(c.row).split(u'|'));
        ASSERT_EQ(validateFrameList(list, 0).has_value(), c.refused) << c.row;

        Configuration config = cleanConfiguration();
        if (c.receive)
            config.receiveFrames[0] = list.receiveFrames().at(0);
        else
            config.transmitFrames[0] = list.transmitFrames().at(0);
        const ConfigFile file = c.receive ? RCob : TCob;
        const std::vector<Finding> findings = check(config);
        const bool error = std::any_of(findings.begin(), findings.end(), [file](const Finding& f) {
            return f.isError() && f.file == file && f.row == 1;
        });
        EXPECT_EQ(error, c.refused) << c.row << "\n" << describe(findings).toStdString();
    }
}

TEST(Check, TooManyMappingsIsFoundAtTheFirstEntryBeyondTheRoom)
{
    Configuration c = cleanConfiguration();
    c.transmitMappings.clear();
    for (int i = 0; i < 3585; ++i)
        c.transmitMappings.push_back(mappingEntry(QString::number(i), 1, 0, 0));
    const std::vector<Finding> findings = check(c);
    std::vector<Finding> errors;
    for (const Finding& f : findings)
        if (f.isError())
            errors.push_back(f);
    ASSERT_EQ(errors.size(), 1u) << describe(errors).toStdString();
    EXPECT_EQ(errors[0].code, QLatin1StringView(code::kTooManyMappings));
    EXPECT_EQ(errors[0].file, TInfo);
    EXPECT_EQ(errors[0].row, 3585);
}

TEST(Check, MessagesNameWhatTheDeviceGets)
{
    const MessageTable m;
    Configuration c = cleanConfiguration();
    c.receiveFrames[0].timeOutTime = QStringLiteral("500\t");
    c.general.canTimeOut = QStringLiteral("250");
    const std::vector<Finding> findings = check(c);
    ASSERT_EQ(findings.size(), 1u) << describe(findings).toStdString();
    EXPECT_EQ(findingLine(findings[0], m),
              QStringLiteral("RCobDef.xml:1: error control-character: TimeOut_Time \"500\\t\" holds a blank or control "
                             "character that the editor passes over: the device gets 250 instead of 500"));

    Configuration hidden = cleanConfiguration();
    hidden.general.canTimeOut = QStringLiteral("1 s");
    const QString text = findingText(check(hidden).at(0), m);
    EXPECT_TRUE(text.contains(QStringLiteral("\"1 s\""))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("switch the device"))) << text.toStdString();

    // A translated entry is used, and a value holding "%2" stays as it is.
    MessageTable italian;
    italian.applyLanguageText(QStringLiteral("STR509 = Indice \"%1\" fuori campo"));
    Configuration odd = cleanConfiguration();
    odd.transmitMappings[0].registerIndex = QStringLiteral("%2x");
    EXPECT_EQ(findingText(check(odd).at(0), italian), QStringLiteral("Indice \"%2x\" fuori campo"));
}

TEST(Check, TimeOutShorterThanTheKnownCycleTime)
{
    const MessageTable m;
    struct Case {
        const char* what;
        DeviceType device;
        const char* timeOutTime;
        const char* timeOut;
        int cycle;
        bool warned;
    };
    const Case cases[] = {
        {"250 ms frame under a 100 ms time-out", kDipSwitchDevice, "100", "Y", 250, true},
        {"time-out of three cycles", kDipSwitchDevice, "750", "Y", 250, false},
        {"no supervision", kDipSwitchDevice, "100", "N", 250, false},
        {"jumper device: the one time-out of the settings", kJumperDevice, "", "Y", 250, true},
        {"no cycle time known", kDipSwitchDevice, "100", "Y", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Configuration config = cleanConfiguration();
        config.general.deviceType = c.device;
        config.general.canTimeOut = QStringLiteral("100");
        config.receiveFrames[0].timeOutTime = QString::fromLatin1(c.timeOutTime);
        config.receiveFrames[0].timeOut = QString::fromLatin1(c.timeOut);
        config::SignalTable signalTable;
        if (c.cycle > 0)
            signalTable.setCycleTime({config::Direction::Receive, 0x181, false, c.cycle});
        std::vector<Finding> found;
        for (const Finding& f : check(config, signalTable)) {
            if (f.code == QLatin1StringView(code::kTimeOutBelowCycle))
                found.push_back(f);
        }
        ASSERT_EQ(found.size(), c.warned ? 1u : 0u) << describe(check(config, signalTable)).toStdString();
        if (c.warned) {
            EXPECT_EQ(findingLine(found[0], m),
                      QStringLiteral("RCobDef.xml:1: warning timeout-below-cycle: Time-out of 100 ms, shorter than the cycle "
                                     "time of 250 ms the CAN database gives for this frame: it is reported timed out most "
                                     "of the time"));
        }
    }
}

// The texts that name places: both rows of an identifier used in both directions, and the
// device generation of the configuration for an entry of no frame.
TEST(Check, TextsNameBothRowsAndTheConfigurationsDevice)
{
    const MessageTable m;
    const auto textOf = [&m](const Configuration& c, const char* code) {
        for (const Finding& f : check(c)) {
            if (f.code == QString::fromLatin1(code))
                return findingText(f, m);
        }
        return QString();
    };
    Configuration both = cleanConfiguration();
    both.transmitFrames[0].cobId = QStringLiteral("0x182");
    EXPECT_EQ(textOf(both, code::kIdentifierBothDirections),
              QStringLiteral("Receive row 2 and transmit row 1 have the same Cob-ID 0x182 in the same format: two nodes "
                             "sending one identifier collide on the bus"));

    const struct {
        DeviceType device;
        const char* text;
    } cases[] = {
        {kDipSwitchDevice, "Frame number 3 names no frame of RCobDef.xml (2 frames): the image of the device from May "
                           "2014 leaves this entry out"},
        {kJumperDevice, "Frame number 3 names no frame of RCobDef.xml (2 frames): the image of the device till April "
                        "2014 still keeps this entry"},
    };
    for (const auto& c : cases) {
        Configuration orphan = cleanConfiguration();
        orphan.general.deviceType = c.device;
        orphan.receiveMappings.push_back(mappingEntry(QStringLiteral("102"), 3, 1, 0));
        EXPECT_EQ(textOf(orphan, code::kFrameMissing), QString::fromLatin1(c.text));
    }
}

TEST(Check, MappingEditorRowFollowsTheEditorsFrameOrder)
{
    Configuration c = cleanConfiguration();
    // File order: frame 2, frame 9 (no such frame: the editor lists it after the entries
    // of the frames), frame 1, frame 2, frame 0 (no such frame either).
    c.receiveMappings = {mappingEntry(QStringLiteral("1"), 2, 1, 0), mappingEntry(QStringLiteral("2"), 9, 1, 0),
                         mappingEntry(QStringLiteral("3"), 1, 1, 0), mappingEntry(QStringLiteral("4"), 2, 2, 0),
                         mappingEntry(QStringLiteral("5"), 0, 1, 0)};
    const int expected[] = {2, 4, 1, 3, 5, 0};
    for (int row = 1; row <= 6; ++row)
        EXPECT_EQ(mappingEditorRow(c, config::Direction::Receive, row), expected[row - 1]) << row;
}

TEST(BusLoad, WorstCaseFrameLengths)
{
    // Data frames of 8 bytes: 135 bits (11-bit) and 160 bits (29-bit); remote requests 55 and 80.
    EXPECT_EQ(worstCaseFrameBits(false, 8), 135);
    EXPECT_EQ(worstCaseFrameBits(true, 8), 160);
    EXPECT_EQ(worstCaseFrameBits(false, 0), 55);
    EXPECT_EQ(worstCaseFrameBits(true, 0), 80);
    EXPECT_EQ(worstCaseFrameBits(true, 4), 120);
}

TEST(BusLoad, PeriodicFramesAndPollsAgainstTheBitRate)
{
    // One 11-bit frame of 8 bytes every 10 ms: 100 x 135 = 13500 bit/s. One 29-bit frame of
    // 4 bytes polled every 100 ms: 10 x (80 + 120) = 2000 bit/s. Together 15500 bit/s.
    Configuration c = cleanConfiguration();
    c.transmitFrames[0].dimension = QStringLiteral("8");
    c.transmitFrames[0].onTimer = QStringLiteral("Y");
    c.transmitFrames[0].timer = QStringLiteral("10");
    c.receiveFrames[1].cobType = config::kExtendedFormatText;
    c.receiveFrames[1].dimension = QStringLiteral("4");
    c.receiveFrames[1].rtr = QStringLiteral("Y");
    c.receiveFrames[1].timeRtr = QStringLiteral("100");
    const struct {
        int baudCode;
        std::uint32_t bitRate;
        double percent;
        bool warned;
    } cases[] = {
        {4, 125000, 12.4, false},
        {9, 20000, 77.5, true},
        {8, 1000000, 1.55, false},
        {2, 50000, 31.0, false},
    };
    for (const auto& k : cases) {
        c.general.baudCode = k.baudCode;
        const BusLoad load = estimateBusLoad(c);
        EXPECT_EQ(load.bitRate, k.bitRate) << k.baudCode;
        EXPECT_DOUBLE_EQ(load.bitsPerSecond, 15500.0) << k.baudCode;
        EXPECT_NEAR(load.percent, k.percent, 1e-9) << k.baudCode;
        bool warned = false;
        for (const Finding& f : check(c))
            warned = warned || f.code == QLatin1StringView(code::kBusLoad);
        EXPECT_EQ(warned, k.warned) << k.baudCode;
    }
}

} // namespace
} // namespace px::check
