#include "core/shell/config_copy.h"

#include "core/config/signal_table.h"
#include "core/lang/message_ids.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/image/compiler.h"
#include "core/image/image_dump.h"
#include "manage_test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace px {
namespace {

using config::Direction;

TEST(CopyConfiguration, IntegersAreWrittenBackInTheNotationTyped)
{
    const struct {
        const char* typed;
        std::int64_t value;
        const char* expected;
    } cases[] = {
        {"0x181", 0x191, "0x191"},     {"0X7f0", 0x7fa, "0X7fa"},   {"$1ff", 0x200, "$200"},
        {"x7E", 0x80, "x80"},          {"X0010", 0x20, "X0020"},    {"0x0FF", 0x1000, "0x1000"},
        {"0x7FF", 0, "0x000"},         {"385", 395, "395"},         {" 100", 105, " 105"},
        {"0100", 99, "0099"},          {"99", 100, "100"},          {"+5", 6, "6"},
        {"0x18FF0010", 0x18FF0020, "0x18FF0020"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(integerTextLike(QString::fromLatin1(c.typed), c.value), QString::fromLatin1(c.expected)) << c.typed;
}

TEST(CopyConfiguration, OffsetsAreReadByTheIntegerSyntaxAndTransmitFollowsReceive)
{
    const CopyOffsets both = readCopyOffsets(u"0x10", u"", u"$64", u"");
    EXPECT_EQ(both.receiveId, 16);
    EXPECT_EQ(both.transmitId, 16);
    EXPECT_EQ(both.receiveRegister, 100);
    EXPECT_EQ(both.transmitRegister, 100);
    const CopyOffsets apart = readCopyOffsets(u"", u"-2", u"  7", u"0");
    EXPECT_EQ(apart.receiveId, 0);
    EXPECT_EQ(apart.transmitId, -2);
    EXPECT_EQ(apart.receiveRegister, 7);
    EXPECT_EQ(apart.transmitRegister, 0);

    const struct {
        const char16_t* texts[4];
        const char* says;
    } refused[] = {
        {{u"abc", u"", u"", u""}, "The receive identifier offset \"abc\" is no integer."},
        {{u"", u"1 ", u"", u""}, "The transmit identifier offset \"1 \" is no integer."},
        {{u"0x20000000", u"", u"", u""}, "The receive identifier offset 0x20000000 lies beyond"},
        {{u"", u"", u"65536", u""}, "The receive register offset 65536 lies beyond"},
        {{u"", u"", u"", u"-65536"}, "The transmit register offset -65536 lies beyond"},
    };
    for (const auto& c : refused) {
        try {
            readCopyOffsets(c.texts[0], c.texts[1], c.texts[2], c.texts[3]);
            ADD_FAILURE() << c.says;
        } catch (const Error& e) {
            EXPECT_TRUE(e.text().startsWith(QLatin1StringView(c.says))) << e.text().toStdString();
        }
    }
}

TEST(CopyConfiguration, OffsetsMoveEveryIdentifierAndRegisterOfTheirDirectionOnly)
{
    QTemporaryDir home;
    const QString source = test::exampleCopy(home.path(), QStringLiteral("Conveyor_DipSwitch"), QStringLiteral("Belt"));
    writeFileAtomically(source + QStringLiteral("/RInfoCob.csv"), "receive export");
    writeFileAtomically(source + QStringLiteral("/TInfoCob.csv"), "transmit export");
    writeFileAtomically(source + QStringLiteral("/var.xml"), "<Var/>");
    writeFileAtomically(source + QStringLiteral("/bin/bank2.bin"), "image");
    config::SignalTable signalTable;
    for (const auto& [direction, index] : {std::pair{config::Direction::Receive, 5}, {config::Direction::Transmit, 1000},
                                           {config::Direction::Transmit, 65000}}) {
        config::RegisterSignal r;
        r.direction = direction;
        r.registerIndex = index;
        r.name = QStringLiteral("S%1").arg(index);
        signalTable.set(r);
    }
    signalTable.setCycleTime({config::Direction::Receive, 0x18FF0010, true, 100});
    signalTable.setCycleTime({config::Direction::Transmit, 0x201, false, 50});
    config::saveSignalTable(signalTable, source);
    const QString projects = home.filePath(QStringLiteral("PROJECTS"));

    CopyOffsets offsets;
    offsets.receiveId = 0x10;
    offsets.transmitId = 0;
    offsets.receiveRegister = 0;
    offsets.transmitRegister = 2000;
    ASSERT_EQ(copyConfiguration(source, projects, QStringLiteral("Belt 2"), offsets), std::nullopt);
    const QString copy = projects + QStringLiteral("/Belt 2");

    config::Configuration expected = config::readConfiguration(source);
    expected.name = QStringLiteral("Belt 2");
    expected.receiveFrames[0].cobId = QStringLiteral("0x18FF0020");
    expected.receiveFrames[1].cobId = QStringLiteral("0x18FF0021");
    expected.receiveFrames[2].cobId = QStringLiteral("0x291");
    expected.transmitMappings[0].registerIndex = QStringLiteral("3000");
    expected.transmitMappings[1].registerIndex = QStringLiteral("3001");
    expected.transmitMappings[2].registerIndex = QStringLiteral("3010");
    EXPECT_EQ(config::readConfiguration(copy), expected);
    // The signals beside it follow: transmit registers moved by 2000 (65000 has no place
    // left), receive identifiers by 0x10.
    const config::SignalTable moved = config::loadSignalTable(copy);
    ASSERT_EQ(moved.registers().size(), 2u);
    EXPECT_EQ(moved.registers()[0].registerIndex, 5);
    EXPECT_EQ(moved.registers()[1].registerIndex, 3000);
    EXPECT_EQ(moved.registers()[1].name, QStringLiteral("S1000"));
    EXPECT_EQ(moved.cycleTime(config::Direction::Receive, 0x18FF0020, true), 100);
    EXPECT_EQ(moved.cycleTime(config::Direction::Transmit, 0x201, false), 50);

    // Files without an offset, and files that are no configuration file, are copied as
    // they are; the export of the moved registers and the images are not.
    for (const char* same : {"ParGen.xml", "TCobDef.xml", "RInfoCob.xml", "RInfoCob.csv", "var.xml"})
        EXPECT_EQ(readWholeFile(copy + u'/' + QLatin1StringView(same)), readWholeFile(source + u'/' + QLatin1StringView(same))) << same;
    EXPECT_FALSE(QFileInfo::exists(copy + QStringLiteral("/TInfoCob.csv")));
    EXPECT_TRUE(QFileInfo(copy + QStringLiteral("/bin")).isDir());
    EXPECT_TRUE(QDir(copy + QStringLiteral("/bin")).isEmpty());
    EXPECT_EQ(QDir(projects).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral("Belt"), QStringLiteral("Belt 2")}));
}

TEST(CopyConfiguration, OffsetsThatLeaveTheFormatOrTheRegistersAreRefusedNamingTheFrameOrRegister)
{
    QTemporaryDir home;
    const QString dip = test::exampleCopy(home.path(), QStringLiteral("Conveyor_DipSwitch"), QStringLiteral("Belt"));
    const QString jumper = test::exampleCopy(home.path(), QStringLiteral("PumpStation_Jumper"), QStringLiteral("Pump"));
    const QString clash = test::exampleCopy(home.path(), QStringLiteral("Conveyor_DipSwitch"), QStringLiteral("Clash"));
    writeFileAtomically(clash + QStringLiteral("/RInfoCob.xml"),
                        "<RInfoCob><row Index=\"5\" NrPdo=\"1\" PosComp=\"18\"/><row Index=\"0x5\" NrPdo=\"2\" PosComp=\"18\"/></RInfoCob>");
    const QString projects = home.filePath(QStringLiteral("PROJECTS"));
    const auto before = QDir(projects).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    const struct {
        QString source;
        CopyOffsets offsets;
        const char* says;
    } cases[] = {
        // An 11-bit frame of the dip-switch device beside 29-bit ones.
        {dip, {0x7FF, 0, 0, 0}, "Receive frame 3 (Cob-ID 0x281, Belt sensor): with the offset 0x7FF the Cob-ID becomes 0xA80, beyond the 11-bit identifiers (0 to 0x7FF)."},
        {dip, {0, -0x302, 0, 0}, "Transmit frame 2 (Cob-ID 0x301, Alarm lamp): with the offset -0x302 the Cob-ID becomes -0x1"},
        {dip, {0x8000000, 0, 0, 0}, "Receive frame 1 (Cob-ID 0x18FF0010, Drive 1 feedback): with the offset 0x8000000 the Cob-ID becomes 0x20FF0010, beyond the 29-bit identifiers (0 to 0x1FFFFFFF)."},
        // The jumper device's frames take the format of its general parameters (11 bits).
        {jumper, {0x67F, 0, 0, 0}, "Receive frame 1 (Cob-ID 0x181, Pump 1 status): with the offset 0x67F the Cob-ID becomes 0x800, beyond the 11-bit"},
        {dip, {0, 0, 65526, 0}, "Receive register 10 (mapping row 5, frame 3): with the offset 65526 the index becomes 65536, beyond the registers 0 to 65535."},
        {dip, {0, 0, 0, -1001}, "Transmit register 1000 (mapping row 1, frame 1): with the offset -1001 the index becomes -1"},
        {clash, {0, 0, 100, 0}, "Receive register 0x5 (mapping row 2, frame 2): with the offset 100 it becomes register 105, which mapping row 1 takes as well."},
    };
    for (const auto& c : cases) {
        try {
            copyConfiguration(c.source, projects, QStringLiteral("Copy"), c.offsets);
            ADD_FAILURE() << c.says;
        } catch (const Error& e) {
            EXPECT_TRUE(e.text().startsWith(QLatin1StringView(c.says))) << e.text().toStdString();
        }
        EXPECT_EQ(QDir(projects).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before) << c.says;
    }
    // The name rules of New come first.
    EXPECT_EQ(copyConfiguration(dip, projects, QStringLiteral("PUMP"), {}), msg::kNewConfigNameExists);
    EXPECT_EQ(copyConfiguration(dip, projects, QString(), {}), msg::kNewConfigNameEmpty);
    EXPECT_EQ(copyConfiguration(dip, projects, QStringLiteral("Pump."), {}), msg::kNewConfigNameRefused);
}

// Each image's dump, with every identifier and register number of the shifted sections
// put back by the offsets: what is left must equal the original's dump line for line.
TEST(CopyConfiguration, TheCopyCompilesToImagesThatDifferExactlyInTheShiftedIdentifiersAndRegisters)
{
    QTemporaryDir home;
    const QString projects = home.filePath(QStringLiteral("PROJECTS"));
    const CopyOffsets offsets{0x10, 0x20, 100, 2000};
    for (const QString& example : {QStringLiteral("Conveyor_DipSwitch"), QStringLiteral("PumpStation_Jumper")}) {
        const QString source = test::exampleCopy(home.path(), example, example);
        const QString copyName = example + QStringLiteral(" copy");
        ASSERT_EQ(copyConfiguration(source, projects, copyName, offsets), std::nullopt);
        image::CompileInput originalInput = image::CompileInput::fromFolder(source);
        image::CompileInput copyInput = image::CompileInput::fromFolder(projects + u'/' + copyName);
        const image::ConfigurationImage original = image::compileConfiguration(originalInput);
        const image::ConfigurationImage copy = image::compileConfiguration(copyInput);
        const std::pair<const QByteArray*, const QByteArray*> images[] = {
            {&original.bank, &copy.bank}, {&original.bank2, &copy.bank2},
            {&original.esp32_1, &copy.esp32_1}, {&original.esp32_2, &copy.esp32_2}};

        static const QRegularExpression identifier(QStringLiteral("identifier 0x([0-9A-F]+)"));
        static const QRegularExpression registerNumber(QStringLiteral("register (\\d+)"));
        for (const auto& [a, b] : images) {
            const QStringList before = image::dumpImage(*a, QStringLiteral("image")).split(u'\n');
            const QStringList after = image::dumpImage(*b, QStringLiteral("image")).split(u'\n');
            ASSERT_EQ(before.size(), after.size()) << example.toStdString();
            QString section;
            int shiftedLines = 0;
            for (qsizetype i = 0; i < before.size(); ++i) {
                if (!before[i].startsWith(u' '))
                    section = before[i];
                const Direction d = section.startsWith(QStringLiteral("transmit")) ? Direction::Transmit : Direction::Receive;
                QString restored = after[i];
                // The legacy image's lookup of received identifiers counts with the frames.
                const bool frames = section.contains(QStringLiteral("frames")) || section.startsWith(QStringLiteral("identifier lookup"));
                const auto m = identifier.match(restored);
                const auto r = registerNumber.match(restored);
                if (m.hasMatch() && frames) {
                    const qint64 value = m.captured(1).toLongLong(nullptr, 16) - offsets.id(d);
                    restored.replace(m.capturedStart(1), m.capturedLength(1), QString::number(value, 16).toUpper());
                    ++shiftedLines;
                } else if (r.hasMatch() && section.contains(QStringLiteral("mappings"))) {
                    restored.replace(r.capturedStart(1), r.capturedLength(1), QString::number(r.captured(1).toLongLong() - offsets.registers(d)));
                    ++shiftedLines;
                }
                EXPECT_EQ(restored, before[i]) << example.toStdString() << " line " << i;
            }
            // Every image but the parameter record lists frames and mappings.
            if (a != &original.esp32_1) {
                EXPECT_GE(shiftedLines, 10) << example.toStdString();
            }
        }
    }
}

} // namespace
} // namespace px
