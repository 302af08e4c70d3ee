#include "core/check/register_map.h"

#include "core/check/check.h"
#include "core/check/report.h"
#include "core/lang/message_table.h"

#include <QDir>

#include "support/config_builders.h"

#include <gtest/gtest.h>

namespace px::check {
namespace {

using config::Configuration;
using test::mappingEntry;

// Two receive frames of 4 and 2 bytes, one transmit frame; registers out of order in the
// file, one of them in hexadecimal, one sharing a byte.
Configuration smallConfiguration()
{
    Configuration c;
    c.name = QStringLiteral("Small");
    c.general.deviceType = kDipSwitchDevice;
    config::ReceiveFrame r1;
    r1.cobId = QStringLiteral("385");
    r1.cobType = config::kStandardFormatText;
    r1.dimension = QStringLiteral("4");
    r1.mnemonic = QStringLiteral("Pump; status");
    config::ReceiveFrame r2 = r1;
    r2.cobId = QStringLiteral("0x18FF0001");
    r2.cobType = config::kExtendedFormatText;
    r2.dimension = QStringLiteral("2");
    r2.mnemonic = QStringLiteral("Level");
    c.receiveFrames = {r1, r2};
    config::TransmitFrame t1;
    t1.cobId = QStringLiteral("0x201");
    t1.cobType = config::kStandardFormatText;
    t1.dimension = QStringLiteral("2");
    t1.mnemonic = QStringLiteral("Setpoint");
    c.transmitFrames = {t1};
    c.receiveMappings = {mappingEntry(QStringLiteral("0x0C"), 1, 3, 4), mappingEntry(QStringLiteral("10"), 1, 1, 2),
                         mappingEntry(QStringLiteral("11"), 2, 0, 2), mappingEntry(QStringLiteral("12"), 2, 0, 2)};
    c.transmitMappings = {mappingEntry(QStringLiteral("5"), 1, 1, 2, true)};
    return c;
}

TEST(RegisterMap, RegistersInIndexOrderAndBytesWithTheirParts)
{
    const RegisterMap map = buildRegisterMap(smallConfiguration());
    ASSERT_EQ(map.receive.registers.size(), 4u);
    // 10, 11, 0x0C (12), 12: by number, equal numbers in file order.
    const QString order[] = {QStringLiteral("10"), QStringLiteral("11"), QStringLiteral("0x0C"), QStringLiteral("12")};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(map.receive.registers[static_cast<std::size_t>(i)].registerIndex, order[i]) << i;
    EXPECT_TRUE(map.receive.registers[1].extended);
    ASSERT_EQ(map.receive.frames.size(), 2u);
    const FrameLayout& f1 = map.receive.frames[0];
    EXPECT_EQ(f1.dataLength, 4);
    EXPECT_EQ(byteFeedText(f1.bytes[0].at(0)), QStringLiteral("10 H"));
    EXPECT_EQ(byteFeedText(f1.bytes[3].at(0)), QStringLiteral("0x0C L"));
    EXPECT_TRUE(f1.bytes[4].empty());
    EXPECT_EQ(map.receive.frames[1].bytes[1].size(), 2u);  // byte 2 of frame 2 feeds 11 and 12
    EXPECT_TRUE(map.transmit.registers.at(0).sendOnWrite);
}

TEST(RegisterMap, CsvLinesCarryRegistersAndByteStrips)
{
    const MessageTable m;
    const QString csv = renderRegisterMap(buildRegisterMap(smallConfiguration()), MapFormat::Csv, m);
    const QStringList lines = csv.split(QStringLiteral("\r\n"));
    const QStringList expected{
        QStringLiteral("Receive/Transmit;Register;Frame;Cob-ID;Type;Mnemonic;High Byte;Low Byte;Send on Write;Signal;Unit;"
                       "Factor;Offset;Signed;Bit field;Data type;Address on the wire;PLC address"),
        QStringLiteral("Receive;10;1;0x181;2.0A (11 bits);\"Pump; status\";1;2;;;;;;;;16-bit;10;30011"),
        QStringLiteral("Receive;11;2;0x18FF0001;2.0B (29 bits);Level;0;2;;;;;;;;8-bit;11;30012"),
        QStringLiteral("Receive;0x0C;1;0x181;2.0A (11 bits);\"Pump; status\";3;4;;;;;;;;16-bit;12;30013"),
        QStringLiteral("Receive;12;2;0x18FF0001;2.0B (29 bits);Level;0;2;;;;;;;;8-bit;12;30013"),
        QStringLiteral("Transmit;5;1;0x201;2.0A (11 bits);Setpoint;1;2;Yes;;;;;;;16-bit;5;40006"),
        QString(),
        QStringLiteral("Receive/Transmit;Frame;Cob-ID;Type;Mnemonic;1;2;3;4;5;6;7;8"),
        QStringLiteral("Receive;1;0x181;2.0A (11 bits);\"Pump; status\";10 H;10 L;0x0C H;0x0C L;not in the frame;"
                       "not in the frame;not in the frame;not in the frame"),
        QStringLiteral("Receive;2;0x18FF0001;2.0B (29 bits);Level;unmapped;11 L + 12 L;not in the frame;"
                       "not in the frame;not in the frame;not in the frame;not in the frame;not in the frame"),
        QStringLiteral("Transmit;1;0x201;2.0A (11 bits);Setpoint;5 H;5 L;not in the frame;not in the frame;"
                       "not in the frame;not in the frame;not in the frame;not in the frame"),
        QString(),
    };
    EXPECT_EQ(lines, expected) << csv.toStdString();
}

TEST(RegisterMap, SignalColumnsTellThePlcWhatARegisterHolds)
{
    const MessageTable m;
    Configuration c = smallConfiguration();
    c.receiveMappings.push_back(mappingEntry(QStringLiteral("20"), 1, 1, 2));
    c.receiveMappings.push_back(mappingEntry(QStringLiteral("21"), 1, 3, 4));
    config::SignalTable signalTable;
    const auto add = [&](int index, const char* name, auto&& fill) {
        config::RegisterSignal s;
        s.direction = config::Direction::Receive;
        s.registerIndex = index;
        s.name = QString::fromUtf8(name);
        fill(s);
        signalTable.set(s);
    };
    add(10, "Temperature", [](config::RegisterSignal& s) {
        s.unit = QStringLiteral("degC");
        s.factor = 0.1;
        s.offset = -40;
        s.isSigned = true;
    });
    add(11, "Alarm", [](config::RegisterSignal& s) {
        s.bitOffset = 5;
        s.bitLength = 1;
    });
    add(20, "Flow", [](config::RegisterSignal& s) {
        s.word = config::WordPart::HighWord;
        s.isFloat = true;
        s.bitLength = 32;
    });
    add(21, "Flow", [](config::RegisterSignal& s) {
        s.word = config::WordPart::LowWord;
        s.isFloat = true;
        s.bitLength = 32;
    });
    const RegisterMap map = buildRegisterMap(c, signalTable);
    struct Row {
        std::size_t position;
        QStringList cells;
    };
    const Row rows[] = {
        {0, {QStringLiteral("Temperature"), QStringLiteral("degC"), QStringLiteral("0.1"), QStringLiteral("-40"), QStringLiteral("Yes"),
             QString(), QStringLiteral("16-bit"), QStringLiteral("10"), QStringLiteral("30011")}},
        {1, {QStringLiteral("Alarm"), QString(), QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("No"), QStringLiteral("bits 5 to 5"),
             QStringLiteral("8-bit"), QStringLiteral("11"), QStringLiteral("30012")}},
        {4, {QStringLiteral("Flow"), QString(), QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("No"), QString(),
             QStringLiteral("float, high word first: high word"), QStringLiteral("20"), QStringLiteral("30021")}},
        {5, {QStringLiteral("Flow"), QString(), QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("No"), QString(),
             QStringLiteral("float, high word first: low word"), QStringLiteral("21"), QStringLiteral("30022")}},
    };
    for (const Row& r : rows) {
        const MappedRegister& reg = map.receive.registers.at(r.position);
        EXPECT_EQ(signalCells(reg, config::Direction::Receive, m), r.cells) << reg.registerIndex.toStdString();
    }
    // Every document carries the columns.
    EXPECT_TRUE(renderRegisterMap(map, MapFormat::Text, m).contains(QStringLiteral("Temperature  degC  0.1     -40     Yes")));
    EXPECT_TRUE(renderRegisterMap(map, MapFormat::Markdown, m).contains(QStringLiteral("| Alarm |  | 1 | 0 | No | bits 5 to 5 | 8-bit | 11 | 30012 |")));
    EXPECT_TRUE(renderRegisterMap(map, MapFormat::Html, m).contains(QStringLiteral("<td class=\"text\">float, high word first: high word</td>")));

    // The 1-based notation of PLC programmers: 3xxxx input, 4xxxx holding registers.
    const struct {
        config::Direction direction;
        std::int64_t index;
        const char* address;
    } addresses[] = {
        {config::Direction::Receive, 0, "30001"},     {config::Direction::Receive, 9998, "39999"},
        {config::Direction::Receive, 9999, "310000"}, {config::Direction::Transmit, 65535, "465536"},
        {config::Direction::Transmit, 99, "40100"},   {config::Direction::Transmit, 65536, ""},
    };
    for (const auto& a : addresses)
        EXPECT_EQ(plcAddress(a.direction, a.index), QLatin1StringView(a.address)) << a.index;
}

TEST(RegisterMap, TextHtmlAndMarkdownShowTheSameContent)
{
    const MessageTable m;
    const RegisterMap map = buildRegisterMap(smallConfiguration());
    const QString text = renderRegisterMap(map, MapFormat::Text, m);
    EXPECT_TRUE(text.contains(QStringLiteral("  | 1: 10 H | 2: 10 L | 3: 0x0C H | 4: 0x0C L | 5: not in the frame |")))
        << text.toStdString();
    const QString md = renderRegisterMap(map, MapFormat::Markdown, m);
    EXPECT_TRUE(md.contains(QStringLiteral("| 10 | 1 | 0x181 | 2.0A (11 bits) | Pump; status | 1 | 2 |"))) << md.toStdString();
    EXPECT_TRUE(md.contains(QStringLiteral("| 2 | 0x18FF0001 | 2.0B (29 bits) | Level | unmapped | 11 L + 12 L |")))
        << md.toStdString();
    const QString html = renderRegisterMap(map, MapFormat::Html, m);
    EXPECT_TRUE(html.contains(QStringLiteral("<td style=\"background-color:%1\">10 H</td>").arg(registerColour(QStringLiteral("10")))))
        << html.toStdString();
    EXPECT_NE(registerColour(QStringLiteral("10")), registerColour(QStringLiteral("11")));
}

TEST(Report, NamesEverythingAHandOverNeeds)
{
    const MessageTable m;
    const QString folder = QStringLiteral(PX_EXAMPLES_DIR) + QStringLiteral("/Conveyor_DipSwitch");
    const Configuration c = config::readConfiguration(folder);
    const ImageSummary images = summariseImages(folder);
    ASSERT_TRUE(images.compiled) << (images.error ? images.error->what() : "");
    EXPECT_EQ(images.sizes[1], 73728);
    EXPECT_EQ(images.sizes[2], 2048);
    EXPECT_EQ(images.sizes[3], 71680);
    EXPECT_NE(images.bank2RecordChecksum, images.esp32RecordChecksum);
    const QString html = commissioningReportHtml(c, check(c), images, QDateTime(QDate(2026, 12, 10), QTime(9, 30)), m);
    for (const QString& part :
         {QStringLiteral("<td>Conveyor_DipSwitch</td>"), QStringLiteral("<td>2026-12-10 09:30</td>"),
          QStringLiteral("Device from May 2014 (with Dip-Switch)"), QStringLiteral("Receive Register Map"),
          QStringLiteral("Transmit Register Map"), QStringLiteral("Estimated bus load"), QStringLiteral("<td>bank2.bin</td>"),
          QStringLiteral("<td>73728 bytes</td>"), QStringLiteral("parameter record checksum %1").arg(images.esp32RecordChecksum),
          QStringLiteral("No findings")}) {
        EXPECT_TRUE(html.contains(part)) << part.toStdString();
    }
}

TEST(Report, ListsOnlyWhatItsDeviceGenerationHas)
{
    // The CAN type, time-out and fast start-up are parameters of the jumper device; RTR,
    // sending options and default values belong to the frames of the dip-switch device.
    const MessageTable m;
    const QStringList jumperOnly{QStringLiteral("<th align=\"left\">CAN type</th>"),
                                 QStringLiteral("<th align=\"left\">CAN time-out (ms)</th>"),
                                 QStringLiteral("<th align=\"left\">Fast start-up</th>")};
    const QStringList dipSwitchOnly{QStringLiteral("<th>RTR (ms)</th>"), QStringLiteral("<th>Sending</th>"),
                                    QStringLiteral("<th>Default Values</th>")};
    const QStringList both{QStringLiteral("<th align=\"left\">CAN bit rate</th>"), QStringLiteral("<th align=\"left\">IP address</th>"),
                           QStringLiteral("<th align=\"left\">Modbus TCP port</th>"), QStringLiteral("<th>TimeOut (ms)</th>"),
                           QStringLiteral("<th>Mnemonic</th>")};
    const struct {
        const char* example;
        bool jumper;
    } cases[] = {{"PumpStation_Jumper", true}, {"Conveyor_DipSwitch", false}};
    for (const auto& c : cases) {
        const Configuration config = config::readConfiguration(QStringLiteral(PX_EXAMPLES_DIR "/") + QLatin1StringView(c.example));
        const QString html = commissioningReportHtml(config, check(config), ImageSummary{}, QDateTime(), m);
        for (const QString& part : jumperOnly)
            EXPECT_EQ(html.contains(part), c.jumper) << c.example << ": " << part.toStdString();
        for (const QString& part : dipSwitchOnly)
            EXPECT_EQ(html.contains(part), !c.jumper) << c.example << ": " << part.toStdString();
        for (const QString& part : both)
            EXPECT_TRUE(html.contains(part)) << c.example << ": " << part.toStdString();
    }
}

} // namespace
} // namespace px::check
