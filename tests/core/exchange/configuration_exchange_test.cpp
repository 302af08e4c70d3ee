#include "core/exchange/configuration_exchange.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/config/signal_table.h"
#include "core/exchange/dbc_reader.h"
#include "support/temp_home.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "support/config_builders.h"

#include <gtest/gtest.h>

namespace px::exchange {
namespace {

using config::Configuration;
using config::MappingEntry;
using config::ReceiveFrame;
using config::TransmitFrame;
using test::mappingEntry;

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

// Runs a script of the fixtures with the system's Python, where canmatrix is installed.
QByteArray runPython(const char* script, const QStringList& args)
{
    QProcess p;
    p.start(s("/usr/bin/python3"), QStringList{test::fixturePath(s("exchange/") + s(script))} + args);
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
}

Configuration emptyConfiguration(DeviceType device, int canType)
{
    Configuration c;
    c.name = s("Plant");
    c.general.deviceType = device;
    c.general.canType = canType;
    c.general.canTimeOut = s("500");
    return c;
}

ReceiveFrame receiveFrame(const Configuration& c, const char* id, bool extended, int length, const char* mnemonic, bool timeOut = false)
{
    ReceiveFrame f = config::newReceiveFrame(c);
    f.cobId = s(id);
    if (c.deviceType() == kDipSwitchDevice)
        f.cobType = extended ? config::kExtendedFormatText : config::kStandardFormatText;
    f.dimension = QString::number(length);
    f.mnemonic = s(mnemonic);
    f.timeOut = timeOut ? s("Y") : s("N");
    return f;
}

TransmitFrame transmitFrame(const Configuration& c, const char* id, bool extended, int length, const char* mnemonic, int timer)
{
    TransmitFrame f = config::newTransmitFrame(c);
    f.cobId = s(id);
    f.dimension = QString::number(length);
    f.mnemonic = s(mnemonic);
    if (c.deviceType() == kDipSwitchDevice) {
        f.cobType = extended ? config::kExtendedFormatText : config::kStandardFormatText;
        f.onTimer = timer > 0 ? s("Y") : s("N");
        f.onChange = timer > 0 ? s("N") : s("Y");
        f.timer = QString::number(timer);
    }
    return f;
}

// The time-out a database gets for a received frame is the one the device applies: the
// dip-switch device's image takes TimeOut_Time whatever the flag, else the general time-out
// where the flag is "Y"; the jumper device's image takes only an exact "Y".
TEST(ConfigurationExchange, ExportedTimeOutIsTheOneTheDeviceApplies)
{
    const struct {
        DeviceType device;
        const char* flag;
        const char* time;
        int timeOutMs;
    } cases[] = {
        {kDipSwitchDevice, "Y", "250", 250},  {kDipSwitchDevice, "N", "250", 250}, {kDipSwitchDevice, "Y", "", 500},
        {kDipSwitchDevice, "y", "", 500},     {kDipSwitchDevice, "N", "", 0},      {kDipSwitchDevice, " Y", "", 0},
        {kDipSwitchDevice, "Y", "200000000", 100000000},
        {kJumperDevice, "Y", "", 1},          {kJumperDevice, "y", "", 0},         {kJumperDevice, " Y", "", 0},
        {kJumperDevice, "N", "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.flag) + "/" + c.time);
        Configuration config = emptyConfiguration(c.device, 0);
        ReceiveFrame f = receiveFrame(config, "0x181", false, 8, "Pump");
        f.timeOut = s(c.flag);
        f.timeOutTime = s(c.time);
        config.receiveFrames = {f};
        QStringList notes;
        const ExportNetwork network = exportNetwork(config, notes);
        ASSERT_EQ(network.receive.size(), 1U);
        EXPECT_EQ(network.receive[0].timeOutMs, c.timeOutMs);
    }
}

// The DBC export of each example, read by canmatrix, holds the frames, identifiers,
// formats, lengths and signal positions our own reader finds and the configuration has.
TEST(ConfigurationExchange, CanmatrixReadsTheExportOfEachExample)
{
    for (const char* example : {"PumpStation_Jumper", "Conveyor_DipSwitch"}) {
        SCOPED_TRACE(example);
        const Configuration config = config::readConfiguration(s(PX_EXAMPLES_DIR "/") + s(example));
        const DbcText text = configurationDbc(config);
        EXPECT_TRUE(text.notes.isEmpty()) << text.notes.join(u'\n').toStdString();
        QTemporaryDir dir;
        const QString path = dir.filePath(s("export.dbc"));
        writeFileAtomically(path, text.bytes);
        const QJsonObject seen = QJsonDocument::fromJson(runPython("canmatrix_dump.py", {path})).object();
        const CanDatabase ours = readDbc(text.bytes, s("export.dbc"));

        EXPECT_EQ(seen[s("nodes")].toArray(), (QJsonArray{s("PX40318"), s("CAN_Bus")}));
        const QJsonArray frames = seen[s("frames")].toArray();
        ASSERT_EQ(frames.size(), config.frameCount(config::Direction::Receive) + config.frameCount(config::Direction::Transmit));
        ASSERT_EQ(static_cast<qsizetype>(ours.messages.size()), frames.size());
        int signalCount = 0;
        for (qsizetype i = 0; i < frames.size(); ++i) {
            const QJsonObject f = frames[i].toObject();
            const CanMessage& m = ours.messages[static_cast<size_t>(i)];
            const bool receive = i < config.frameCount(config::Direction::Receive);
            const config::FrameRow& row = receive ? config.frame(config::Direction::Receive, static_cast<int>(i))
                                                  : config.frame(config::Direction::Transmit, static_cast<int>(i) - config.frameCount(config::Direction::Receive));
            SCOPED_TRACE(row.mnemonic.toStdString());
            EXPECT_EQ(f[s("id")].toInteger(), *row.identifier());
            EXPECT_EQ(f[s("id")].toInteger(), m.id);
            const bool extended = config.deviceType() == kDipSwitchDevice ? row.extended() : config.general.canType != 0;
            EXPECT_EQ(f[s("extended")].toBool(), extended);
            EXPECT_EQ(f[s("size")].toInt(), *row.dataLength());
            EXPECT_EQ(f[s("name")].toString(), m.name);
            EXPECT_EQ(f[s("transmitters")].toArray(), QJsonArray{receive ? s("CAN_Bus") : s("PX40318")});
            EXPECT_EQ(f[s("cycle")].toInt(), m.cycleTimeMs.value_or(0));
            const QJsonArray sigs = f[s("signals")].toArray();
            ASSERT_EQ(static_cast<size_t>(sigs.size()), m.signalList.size());
            for (qsizetype k = 0; k < sigs.size(); ++k) {
                const QJsonObject js = sigs[k].toObject();
                const CanSignal& cs = m.signalList[static_cast<size_t>(k)];
                EXPECT_EQ(js[s("name")].toString(), cs.name);
                EXPECT_EQ(js[s("start")].toInt(), cs.startBit);
                EXPECT_EQ(js[s("size")].toInt(), cs.length);
                EXPECT_EQ(js[s("intel")].toBool(), !cs.motorola);
                ++signalCount;
            }
        }
        EXPECT_EQ(signalCount, static_cast<int>(config.receiveMappings.size() + config.transmitMappings.size()));
    }
}

// A database written by canmatrix imports into the frames and entries it describes.
TEST(ConfigurationExchange, DatabaseWrittenByCanmatrixImports)
{
    QTemporaryDir dir;
    const QString dbc = dir.filePath(s("matrix.dbc"));
    runPython("canmatrix_make.py", {dbc});
    const std::optional<ImportSource> source = readImportSource(dbc);
    ASSERT_TRUE(source);
    EXPECT_FALSE(source->capture);

    Configuration config = emptyConfiguration(kDipSwitchDevice, 1);
    const ImportTarget target = importTarget(config, config::Direction::Receive, 10);
    const ImportPlan plan = planImport(source->messages, target);
    applyImport(config, config::Direction::Receive, plan);
    const QString folder = dir.filePath(s("Plant"));
    QDir().mkpath(folder);
    config::writeConfiguration(config, folder, importedFiles(config::Direction::Receive));
    const Configuration back = config::readConfiguration(folder);

    ASSERT_EQ(back.receiveFrames.size(), 3u);
    struct Row {
        const char* cobId;
        const char* type;
        const char* dimension;
        const char* timeOutTime;
        const char* timeOut;
        const char* mnemonic;
    };
    const Row rows[] = {
        {"0x18FF0011", "2.0B (29 bits)", "8", "150", "Y", "EngineData"},
        {"0x301", "2.0A (11 bits)", "2", "0", "N", "Lamp"},
        {"0x400", "2.0A (11 bits)", "8", "0", "N", "Mux"},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        const ReceiveFrame& f = back.receiveFrames[i];
        EXPECT_EQ(f.cobId, s(rows[i].cobId));
        EXPECT_EQ(f.cobType, s(rows[i].type));
        EXPECT_EQ(f.dimension, s(rows[i].dimension));
        EXPECT_EQ(f.timeOutTime, s(rows[i].timeOutTime));
        EXPECT_EQ(f.timeOut, s(rows[i].timeOut));
        EXPECT_EQ(f.mnemonic, s(rows[i].mnemonic));
        EXPECT_EQ(f.rtr, s("N"));
        EXPECT_EQ(f.defaultValues, QString());
    }
    EXPECT_EQ(back.receiveMappings, (std::vector<MappingEntry>{
                                        mappingEntry(10, 1, 2, 1),   // Speed, Intel
                                        mappingEntry(11, 1, 3, 4),   // Temp, Motorola
                                        mappingEntry(12, 1, 8, 7),   // Counter, high word
                                        mappingEntry(13, 1, 6, 5),   // Counter, low word
                                        mappingEntry(14, 1, 0, 8),   // Flags, bits 4 to 7 of byte 8
                                        mappingEntry(15, 2, 0, 2),   // Level
                                        mappingEntry(16, 3, 0, 1),   // Selector
                                    }));
    QStringList notMapped;
    for (const NotMapped& n : plan.notMapped)
        notMapped << n.signal;
    EXPECT_EQ(notMapped, (QStringList{s("ValueA"), s("ValueB")}));
}

// Export to DBC, import into an empty configuration with the same first register: the
// same frames and mappings, on either device generation.
TEST(ConfigurationExchange, RoundTripThroughADatabase)
{
    struct Case {
        const char* what;
        DeviceType device;
        int canType;
        bool sendOnWrite;
    };
    const Case cases[] = {{"dip-switch device", kDipSwitchDevice, 1, false}, {"jumper device", kJumperDevice, 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool dip = c.device == kDipSwitchDevice;
        Configuration original = emptyConfiguration(c.device, c.canType);
        original.receiveFrames = {receiveFrame(original, "0x181", false, 8, "Pump_status"),
                                  receiveFrame(original, dip ? "0x18FF0010" : "0x182", dip, 2, "Level")};
        original.receiveMappings = {mappingEntry(100, 1, 1, 2), mappingEntry(101, 1, 4, 3), mappingEntry(102, 1, 0, 5), mappingEntry(103, 2, 1, 2)};
        original.transmitFrames = {transmitFrame(original, "0x201", false, 4, "Set_point", dip ? 100 : 0),
                                   transmitFrame(original, "0x202", false, 1, "Lamp", 0)};
        original.transmitMappings = {mappingEntry(7, 1, 1, 2, c.sendOnWrite), mappingEntry(8, 1, 3, 4, c.sendOnWrite), mappingEntry(9, 2, 0, 1, c.sendOnWrite)};
        QTemporaryDir dir;
        const QString from = dir.filePath(s("From"));
        QDir().mkpath(from);
        config::writeConfiguration(original, from,
                                   {config::ConfigFile::GeneralParameters, config::ConfigFile::ReceiveFrames, config::ConfigFile::TransmitFrames,
                                    config::ConfigFile::ReceiveMappings, config::ConfigFile::TransmitMappings});
        const DbcText text = configurationDbc(config::readConfiguration(from));
        EXPECT_TRUE(text.notes.isEmpty());

        const std::vector<ImportMessage> messages = importMessages(readDbc(text.bytes, s("plant.dbc")));
        std::vector<ImportMessage> received;
        std::vector<ImportMessage> sent;
        for (const ImportMessage& m : messages)
            (m.sender == kConverterNode ? sent : received).push_back(m);
        Configuration imported = emptyConfiguration(c.device, c.canType);
        applyImport(imported, config::Direction::Receive, planImport(received, importTarget(imported, config::Direction::Receive, 100)));
        applyImport(imported, config::Direction::Transmit, planImport(sent, importTarget(imported, config::Direction::Transmit, 7)));
        const QString to = dir.filePath(s("To"));
        QDir().mkpath(to);
        config::writeConfiguration(imported, to, {config::ConfigFile::GeneralParameters, config::ConfigFile::ReceiveFrames,
                                                  config::ConfigFile::TransmitFrames, config::ConfigFile::ReceiveMappings,
                                                  config::ConfigFile::TransmitMappings});
        const Configuration a = config::readConfiguration(from);
        const Configuration b = config::readConfiguration(to);
        EXPECT_EQ(a.receiveFrames, b.receiveFrames);
        EXPECT_EQ(a.transmitFrames, b.transmitFrames);
        EXPECT_EQ(a.receiveMappings, b.receiveMappings);
        EXPECT_EQ(a.transmitMappings, b.transmitMappings);
    }
}

// What a DBC file carries of a configuration, comparable: per direction each frame's
// identifier, format, length, mnemonic and timing, and each mapping entry.
QStringList exchanged(const Configuration& c)
{
    QStringList out;
    for (const config::Direction d : {config::Direction::Receive, config::Direction::Transmit}) {
        const bool receive = d == config::Direction::Receive;
        for (int i = 0; i < c.frameCount(d); ++i) {
            const config::FrameRow& row = c.frame(d, i);
            QString timing;
            if (receive) {
                const ReceiveFrame& r = c.receiveFrames[static_cast<size_t>(i)];
                timing = r.timeOut + (c.deviceType() == kDipSwitchDevice ? r.timeOutTime : QString());
            } else if (c.deviceType() == kDipSwitchDevice) {
                const TransmitFrame& t = c.transmitFrames[static_cast<size_t>(i)];
                timing = t.sendsOnTimer() ? QString::number(t.timerMilliseconds()) : s("on change");
            }
            out << QStringLiteral("%1 frame %2: %3 %4 %5 %6 %7")
                       .arg(receive ? s("R") : s("T"))
                       .arg(i + 1)
                       .arg(*row.identifier())
                       .arg(c.deviceType() == kDipSwitchDevice ? row.extended() : c.general.canType != 0)
                       .arg(*row.dataLength())
                       .arg(row.mnemonic, timing);
        }
        QStringList entries;
        for (const MappingEntry& e : c.mappings(d))
            entries << QStringLiteral("%1 register %2: frame %3, %4/%5 %6")
                           .arg(receive ? s("R") : s("T"), e.registerIndex)
                           .arg(e.frameNumber)
                           .arg(e.highByte)
                           .arg(e.lowByte)
                           .arg(receive ? QString() : QString::number(e.sendOnWrite));
        entries.sort();
        out << entries;
    }
    return out;
}

// A DBC file imported into an empty configuration of the generation, both directions.
std::pair<Configuration, config::SignalTable> importBoth(const QByteArray& dbc, DeviceType device, int canType)
{
    const std::vector<ImportMessage> messages = importMessages(readDbc(dbc, s("net.dbc")));
    std::vector<ImportMessage> received;
    std::vector<ImportMessage> sent;
    for (const ImportMessage& m : messages)
        (m.sender == kConverterNode ? sent : received).push_back(m);
    Configuration c = emptyConfiguration(device, canType);
    config::SignalTable signalTable;
    for (const auto& [d, chosen] : {std::pair{config::Direction::Receive, &received}, {config::Direction::Transmit, &sent}}) {
        const ImportPlan plan = planImport(*chosen, importTarget(c, d));
        EXPECT_TRUE(plan.fits());
        applyImport(c, d, plan);
        applyImportSignals(signalTable, d, plan, *chosen);
    }
    return {c, signalTable};
}

// Export, then import into an empty configuration of the same generation: the same
// frames, mappings and signal data; and the import exports to the same file again.
TEST(ConfigurationExchange, ExportImportsBackIntoTheSameConfiguration)
{
    struct Case {
        QString what;
        Configuration config;
        config::SignalTable signalTable;
    };
    std::vector<Case> cases;
    for (const char* example : {"PumpStation_Jumper", "Conveyor_DipSwitch", "Faulty_Mapping"})
        cases.push_back({s(example), config::readConfiguration(s(PX_EXAMPLES_DIR "/") + s(example)), {}});
    // Signals known from a database: scaled, signed, 32-bit, bit fields, value tables.
    const QByteArray plant = readWholeFile(s(PX_EXAMPLES_DIR "/plant_network.dbc"));
    for (const DeviceType device : {kDipSwitchDevice, kJumperDevice}) {
        auto [c, signalTable] = importBoth(plant, device, 1);
        EXPECT_FALSE(signalTable.registers().empty());
        cases.push_back({device == kDipSwitchDevice ? s("plant network, dip-switch") : s("plant network, jumper"), c, signalTable});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what.toStdString());
        const DbcText text = configurationDbc(c.config, c.signalTable);
        const auto [back, backSignals] = importBoth(text.bytes, c.config.deviceType(), c.config.general.canType);
        // Everything written comes back, and the configuration writes the same file again.
        EXPECT_EQ(configurationDbc(back, backSignals).bytes, text.bytes);
        EXPECT_EQ(backSignals, c.signalTable);
        if (text.notes.isEmpty()) {
            EXPECT_EQ(exchanged(back), exchanged(c.config));
        }
    }
    EXPECT_EQ(cases.front().config.receiveFrames.size(), 3u);
}

// canmatrix reads what the export writes of known signals: names, bits, sign, float type,
// scaling, unit and value tables.
TEST(ConfigurationExchange, CanmatrixReadsTheSignalDataOfAnExport)
{
    const auto [config, signalTable] =
        importBoth(readWholeFile(s(PX_EXAMPLES_DIR "/plant_network.dbc")), kDipSwitchDevice, 1);
    const DbcText text = configurationDbc(config, signalTable);
    QTemporaryDir dir;
    const QString path = dir.filePath(s("signals.dbc"));
    writeFileAtomically(path, text.bytes);
    const QJsonArray frames = QJsonDocument::fromJson(runPython("canmatrix_dump.py", {path})).object()[s("frames")].toArray();
    const CanDatabase ours = readDbc(text.bytes, s("signals.dbc"));
    ASSERT_EQ(static_cast<size_t>(frames.size()), ours.messages.size());
    int known = 0;
    for (qsizetype i = 0; i < frames.size(); ++i) {
        const QJsonArray sigs = frames[i].toObject()[s("signals")].toArray();
        const CanMessage& m = ours.messages[static_cast<size_t>(i)];
        ASSERT_EQ(static_cast<size_t>(sigs.size()), m.signalList.size()) << m.name.toStdString();
        for (qsizetype k = 0; k < sigs.size(); ++k) {
            const QJsonObject js = sigs[k].toObject();
            const CanSignal& cs = m.signalList[static_cast<size_t>(k)];
            SCOPED_TRACE(cs.name.toStdString());
            EXPECT_EQ(js[s("name")].toString(), cs.name);
            EXPECT_EQ(js[s("start")].toInt(), cs.startBit);
            EXPECT_EQ(js[s("size")].toInt(), cs.length);
            EXPECT_EQ(js[s("intel")].toBool(), !cs.motorola);
            EXPECT_EQ(js[s("signed")].toBool(), cs.isSigned);
            EXPECT_EQ(js[s("float")].toBool(), cs.isFloat);
            EXPECT_DOUBLE_EQ(js[s("factor")].toDouble(), cs.factor);
            EXPECT_DOUBLE_EQ(js[s("offset")].toDouble(), cs.offset);
            EXPECT_EQ(js[s("unit")].toString(), cs.unit);
            EXPECT_EQ(static_cast<size_t>(js[s("values")].toObject().size()), cs.values.size());
            if (cs.registerIndex && !cs.registerName)
                ++known;
        }
    }
    EXPECT_EQ(known, static_cast<int>(std::count_if(signalTable.registers().begin(), signalTable.registers().end(),
                                                    [](const config::RegisterSignal& r) { return r.word != config::WordPart::LowWord; })));
}

TEST(ConfigurationExchange, CommandLineChoiceOfIdentifiers)
{
    std::vector<ImportMessage> messages(3);
    messages[0].id = 0x181;
    messages[1].id = 0x18FF0011;
    messages[1].extended = true;
    messages[2].id = 0x182;
    const auto ids = [&](const char* text) {
        std::vector<std::uint32_t> out;
        for (const ImportMessage& m : selectMessages(messages, s(text), s("net.dbc")))
            out.push_back(m.id);
        return out;
    };
    EXPECT_EQ(ids("all"), (std::vector<std::uint32_t>{0x181, 0x18FF0011, 0x182}));
    // In file order, whatever the order named.
    EXPECT_EQ(ids("0x182, 385"), (std::vector<std::uint32_t>{0x181, 0x182}));
    EXPECT_EQ(ids("0x18ff0011"), (std::vector<std::uint32_t>{0x18FF0011}));
    for (const char* bad : {"0x183", "pump", ""}) {
        try {
            selectMessages(messages, s(bad), s("net.dbc"));
            ADD_FAILURE() << "accepted " << bad;
        } catch (const Error& e) {
            EXPECT_FALSE(e.text().isEmpty());
        }
    }
}

} // namespace
} // namespace px::exchange
