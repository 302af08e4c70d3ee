#include "core/config/configuration.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/frames/frame_list.h"
#include "core/frames/mapping_model.h"
#include "core/image/image_model.h"
#include "core/lang/message_table.h"
#include "core/shell/workspace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace px::config {
namespace {

const QString kExamples = QStringLiteral(PX_EXAMPLES_DIR);
const QString kFixtures = QStringLiteral(PX_FIXTURES_DIR);

// The configuration folders whose files every reader must agree on: both generations.
const QStringList kFolders{kExamples + QStringLiteral("/PumpStation_Jumper"),
                           kExamples + QStringLiteral("/Conveyor_DipSwitch"),
                           kFixtures + QStringLiteral("/image/worked_11bit")};

Workspace workspaceOf(const QString& folder)
{
    Workspace ws;
    ws.configurationFolder = folder;
    ws.updateFilePaths();
    return ws;
}

// The frame file as the frame editor of the folder's generation writes it after showing it.
QByteArray editorFrameBytes(const QString& folder, Direction direction)
{
    const Workspace ws = workspaceOf(folder);
    const bool dip = activeDeviceType(ws) == kDipSwitchDevice;
    const FrameListKind kind = direction == Direction::Receive
                                   ? (dip ? FrameListKind::ReceiveDip : FrameListKind::ReceiveJumper)
                                   : (dip ? FrameListKind::TransmitDip : FrameListKind::TransmitJumper);
    FrameList frames(kind);
    loadFrameList(direction == Direction::Receive ? ws.receiveFramesFile : ws.transmitFramesFile, frames);
    CanSettings settings;
    readCanSettings(ws.generalParametersFile, settings);
    return frameListBytes(frames, settings);
}

QByteArray editorMappingBytes(const QString& folder, Direction direction)
{
    RegisterMapping mapping(direction == Direction::Receive ? MappingProfile::receiveSide()
                                                            : MappingProfile::transmitSide());
    mapping.load(workspaceOf(folder));
    return mapping.toXml();
}

TEST(ConfigurationModel, WritesEveryFileAsItsEditorWrites)
{
    for (const QString& folder : kFolders) {
        SCOPED_TRACE(folder.toStdString());
        const Configuration config = readConfiguration(folder);
        EXPECT_EQ(fileBytes(config, ConfigFile::GeneralParameters),
                  generalParametersBytes(readGeneralParametersFile(folder + QStringLiteral("/ParGen.xml"))));
        for (Direction d : {Direction::Receive, Direction::Transmit}) {
            EXPECT_EQ(fileBytes(config, framesFile(d)), editorFrameBytes(folder, d));
            if (config.isPresent(mappingsFile(d))) {
                EXPECT_EQ(fileBytes(config, mappingsFile(d)), editorMappingBytes(folder, d));
            }
        }
        // What the model writes reads back as the same configuration.
        std::optional<QByteArray> written[5];
        for (int i = 0; i < 5; ++i) {
            if (config.present[i])
                written[i] = fileBytes(config, static_cast<ConfigFile>(i));
        }
        Configuration again = readConfigurationFiles(config.name, written);
        for (Direction d : {Direction::Receive, Direction::Transmit}) {
            EXPECT_EQ(again.mappings(d), config.mappings(d));
            EXPECT_EQ(fileBytes(again, framesFile(d)), fileBytes(config, framesFile(d)));
        }
    }
}

TEST(ConfigurationModel, ReadsValuesAsTheCompilerDoes)
{
    for (const QString& folder : kFolders) {
        SCOPED_TRACE(folder.toStdString());
        const Configuration config = readConfiguration(folder);
        image::CompileInput input = image::CompileInput::fromFolder(folder);
        const auto read = image::readImageModel(input);
        const image::ImageModel& model = *read;
        ASSERT_EQ(model.record.rxFrameCount, config.receiveFrames.size());
        ASSERT_EQ(model.record.txFrameCount, config.transmitFrames.size());
        const std::int32_t canTimeOut = toInt32(config.general.canTimeOut, 0);
        for (std::size_t i = 0; i < config.receiveFrames.size(); ++i) {
            const ReceiveFrame& f = config.receiveFrames[i];
            const image::FrameEntry& e = model.rxFrames[i];
            EXPECT_EQ(e.id, static_cast<std::uint32_t>(*f.identifier()) | (f.extended() ? 0x80000000u : 0u));
            EXPECT_EQ(e.length, *f.dataLength());
            EXPECT_EQ(e.time, f.timeOutMilliseconds(canTimeOut));
            EXPECT_EQ(e.flags & 0x08 ? e.period : 0u, f.rtrPeriodMilliseconds());
            const std::vector<std::uint8_t> defaults = f.defaultBytes();
            for (std::size_t k = 0; k < defaults.size(); ++k)
                EXPECT_EQ(model.rxDefaults[i * 8 + k], defaults[k]);
        }
        for (std::size_t i = 0; i < config.transmitFrames.size(); ++i) {
            const TransmitFrame& f = config.transmitFrames[i];
            const image::FrameEntry& e = model.txFrames[i];
            EXPECT_EQ(e.flags, (f.rtrEnabled() ? 1 : 0) | (f.sendsOnChange() ? 2 : 0) | (f.sendsOnTimer() ? 4 : 0));
            EXPECT_EQ(e.period, f.timerMilliseconds());
        }
        EXPECT_EQ(model.record.rxMappingCount, config.receiveMappings.size());
        for (std::size_t i = 0; i < config.receiveMappings.size(); ++i) {
            const MappingEntry& m = config.receiveMappings[i];
            const std::uint16_t base = static_cast<std::uint16_t>((m.frameNumber - 1) * 8);
            EXPECT_EQ(model.rxMappings[i].reg, *m.registerNumber());
            EXPECT_EQ(model.rxMappings[i].highByte, m.highByte ? base + m.highByte : 0);
            EXPECT_EQ(model.rxMappings[i].lowByte, m.lowByte ? base + m.lowByte : 0);
        }
    }
}

TEST(ConfigurationModel, FrameTextsReadByTheCompilersRules)
{
    struct Case {
        QString cobType, rtr, timeRtr, timeOutTime, timeOut, defaults;
        bool extended;
        std::uint32_t rtrPeriod, timeOutMs;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {QStringLiteral("2.0b (29 BITS)"), QStringLiteral(" y "), QStringLiteral(" 200 "), QStringLiteral("750"),
         QStringLiteral("N"), QStringLiteral(" 1, 300,0x10 , x"), true, 200, 750, {1, 16}},
        {QStringLiteral("2.0B (29 bits) "), QStringLiteral("N"), QStringLiteral("200"), QStringLiteral("abc"),
         QStringLiteral("y"), QStringLiteral("1,2,3,4,5,6,7,8,9"), false, 0, 1000, {1, 2, 3, 4, 5, 6, 7, 8}},
        {QString(), QStringLiteral("Y"), QString(), QString(), QStringLiteral("N"), QString(), false, 0xFFFFFFFFu, 0,
         {}},
    };
    for (const Case& c : cases) {
        ReceiveFrame f;
        f.cobType = c.cobType;
        f.rtr = c.rtr;
        f.timeRtr = c.timeRtr;
        f.timeOutTime = c.timeOutTime;
        f.timeOut = c.timeOut;
        f.defaultValues = c.defaults;
        EXPECT_EQ(f.extended(), c.extended) << c.cobType.toStdString();
        EXPECT_EQ(f.rtrPeriodMilliseconds(), c.rtrPeriod) << c.rtr.toStdString();
        EXPECT_EQ(f.timeOutMilliseconds(1000), c.timeOutMs) << c.timeOutTime.toStdString();
        EXPECT_EQ(f.defaultBytes(), c.bytes) << c.defaults.toStdString();
    }
}

TEST(ConfigurationModel, KeepsWhatARowLacksAndRefusesRowsThatAreNoElements)
{
    const std::vector<ReceiveFrame> frames =
        readReceiveFrames("<COBID><row CobID=\"5\" Dimensin=\"2\"/></COBID>", QStringLiteral("RCobDef.xml"));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_TRUE(frames[0].has(QStringLiteral("CobID")));
    EXPECT_FALSE(frames[0].has(QStringLiteral("CobType")));
    EXPECT_FALSE(frames[0].extended());

    try {
        readTransmitFrames("<COBID><row CobID=\"5\" Dimensin=\"2\"/><!-- x --></COBID>", QStringLiteral("TCobDef.xml"));
        FAIL() << "a comment among the rows was taken";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("TCobDef.xml, row 2"))) << e.text().toStdString();
    }
    try {
        readMappings("<RInfoCob><row Index=\"1\" PosComp=\"18\"/></RInfoCob>", QStringLiteral("RInfoCob.xml"),
                     Direction::Receive);
        FAIL() << "a row without NrPdo was taken";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("\"NrPdo\""))) << e.text().toStdString();
    }
}

TEST(ConfigurationModel, WritesItsFilesAllOrNone)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    Configuration config = readConfiguration(kFolders[1]);
    writeFileAtomically(folder + QStringLiteral("/RCobDef.xml"), "old receive frames");
    // The transmit frame file cannot be written: a folder stands in its place.
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("TCobDef.xml")));
    try {
        writeConfiguration(config, folder,
                           {ConfigFile::GeneralParameters, ConfigFile::ReceiveFrames, ConfigFile::TransmitFrames});
        FAIL() << "the write was reported as done";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("TCobDef.xml"))) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(QStringLiteral("No file was changed"))) << e.text().toStdString();
    }
    EXPECT_EQ(readWholeFile(folder + QStringLiteral("/RCobDef.xml")), QByteArray("old receive frames"));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/ParGen.xml")));

    ASSERT_TRUE(QDir(folder).rmdir(QStringLiteral("TCobDef.xml")));
    writeConfiguration(config, folder, {ConfigFile::GeneralParameters, ConfigFile::ReceiveFrames,
                                        ConfigFile::TransmitFrames, ConfigFile::ReceiveMappings,
                                        ConfigFile::TransmitMappings});
    EXPECT_EQ(readConfiguration(folder).receiveFrames, config.receiveFrames);
}

} // namespace
} // namespace px::config
