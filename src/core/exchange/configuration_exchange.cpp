#include "core/exchange/configuration_exchange.h"

#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/exchange/dbc_reader.h"

#include <QFileInfo>

#include <algorithm>

namespace px::exchange {
namespace {

const QString kYes = QStringLiteral("Y");
const QString kNo = QStringLiteral("N");

bool dipSwitch(const config::Configuration& config)
{
    return config.deviceType() == kDipSwitchDevice;
}

// The frame's format as the device of the configuration takes it: the jumper device uses
// one format, from the communication settings, for all its frames.
bool extendedFormat(const config::Configuration& config, const config::FrameRow& frame)
{
    return dipSwitch(config) ? frame.extended() : config.general.canType != 0;
}

QString directionName(Direction d)
{
    return d == Direction::Receive ? QStringLiteral("receive") : QStringLiteral("transmit");
}

std::vector<ExportFrame> exportFrames(const config::Configuration& config, Direction d, QStringList& notes)
{
    std::vector<ExportFrame> frames;
    std::vector<int> exported;   // frame number -> position in `frames`, -1 when left out
    const int count = config.frameCount(d);
    for (int i = 0; i < count; ++i) {
        const config::FrameRow& row = config.frame(d, i);
        const bool extended = extendedFormat(config, row);
        const std::optional<std::int64_t> id = row.identifier();
        const std::int64_t maxId = extended ? config::kMaxExtendedIdentifier : config::kMaxStandardIdentifier;
        if (!id || *id < 0 || *id > maxId) {
            notes << QStringLiteral("%1 frame %2: the Cob-ID \"%3\" is no %4 identifier; the frame is left out")
                         .arg(directionName(d))
                         .arg(i + 1)
                         .arg(row.cobId, extended ? QStringLiteral("29-bit") : QStringLiteral("11-bit"));
            exported.push_back(-1);
            continue;
        }
        ExportFrame f;
        f.id = static_cast<std::uint32_t>(*id);
        f.extended = extended;
        const std::int32_t length = row.dataLength().value_or(8);
        f.length = std::clamp(length, 0, 8);
        if (f.length != length) {
            notes << QStringLiteral("%1 frame %2: the Dimension \"%3\" is written as %4")
                         .arg(directionName(d))
                         .arg(i + 1)
                         .arg(row.dimension)
                         .arg(f.length);
        }
        f.mnemonic = row.mnemonic;
        if (d == Direction::Transmit && dipSwitch(config)) {
            const config::TransmitFrame& t = config.transmitFrames[static_cast<size_t>(i)];
            if (t.sendsOnTimer() && t.timerMilliseconds() > 0)
                f.cycleTimeMs = static_cast<int>(std::min<std::uint32_t>(t.timerMilliseconds(), kMaxMilliseconds));
        }
        exported.push_back(static_cast<int>(frames.size()));
        frames.push_back(std::move(f));
    }
    const std::vector<config::MappingEntry>& entries = config.mappings(d);
    for (size_t k = 0; k < entries.size(); ++k) {
        const config::MappingEntry& e = entries[k];
        if (e.frameNumber < 1 || e.frameNumber > count) {
            notes << QStringLiteral("%1 mapping row %2: frame %3 does not exist; the entry is left out")
                         .arg(directionName(d))
                         .arg(k + 1)
                         .arg(e.frameNumber);
            continue;
        }
        const int target = exported[static_cast<size_t>(e.frameNumber - 1)];
        if (target < 0)
            continue;
        const std::optional<std::int32_t> index = e.registerNumber();
        if (!index || *index < 0 || *index > kMaxRegisterIndex) {
            notes << QStringLiteral("%1 mapping row %2: the register index \"%3\" is no number from 0 to 65535; the entry is left out")
                         .arg(directionName(d))
                         .arg(k + 1)
                         .arg(e.registerIndex);
            continue;
        }
        frames[static_cast<size_t>(target)].entries.push_back({*index, e.highByte, e.lowByte});
    }
    return frames;
}

} // namespace

ExportNetwork exportNetwork(const config::Configuration& config, QStringList& notes)
{
    ExportNetwork network;
    network.receive = exportFrames(config, Direction::Receive, notes);
    network.transmit = exportFrames(config, Direction::Transmit, notes);
    return network;
}

DbcText configurationDbc(const config::Configuration& config)
{
    QStringList notes;
    const ExportNetwork network = exportNetwork(config, notes);
    DbcText text = writeDbc(network);
    text.notes = notes + text.notes;
    return text;
}

ImportTarget importTarget(const config::Configuration& config, Direction direction, std::optional<int> firstRegister)
{
    ImportTarget t;
    t.direction = direction;
    t.dipSwitch = dipSwitch(config);
    t.jumperExtended = config.general.canType != 0;
    t.existingFrames = config.frameCount(direction);
    const std::vector<config::MappingEntry>& entries = config.mappings(direction);
    t.existingEntries = static_cast<int>(entries.size());
    int highest = -1;
    for (const config::MappingEntry& e : entries) {
        if (const std::optional<std::int32_t> index = e.registerNumber()) {
            t.usedRegisters.insert(*index);
            if (*index <= kMaxRegisterIndex)
                highest = std::max(highest, *index);
        }
    }
    t.firstRegister = firstRegister.value_or(std::min(highest + 1, kMaxRegisterIndex));
    return t;
}

void applyImport(config::Configuration& config, Direction direction, const ImportPlan& plan)
{
    const bool dip = dipSwitch(config);
    const int before = config.frameCount(direction);
    for (const PlannedFrame& p : plan.frames) {
        const QString format = p.extended ? config::kExtendedFormatText : config::kStandardFormatText;
        if (direction == Direction::Receive) {
            config::ReceiveFrame f = config::newReceiveFrame(config);
            f.cobId = identifierText(p.id);
            f.dimension = QString::number(p.length);
            f.mnemonic = p.mnemonic;
            f.timeOut = p.timeOutMs > 0 ? kYes : kNo;
            if (dip) {
                f.cobType = format;
                f.timeOutTime = QString::number(p.timeOutMs);
            }
            config.receiveFrames.push_back(std::move(f));
        } else {
            config::TransmitFrame f = config::newTransmitFrame(config);
            f.cobId = identifierText(p.id);
            f.dimension = QString::number(p.length);
            f.mnemonic = p.mnemonic;
            if (dip) {
                f.cobType = format;
                f.onTimer = p.timerMs > 0 ? kYes : kNo;
                f.onChange = p.timerMs > 0 ? kNo : kYes;
                f.timer = QString::number(p.timerMs);
            }
            config.transmitFrames.push_back(std::move(f));
        }
    }
    std::vector<config::MappingEntry>& mappings = config.mappings(direction);
    for (const PlannedEntry& p : plan.entries) {
        config::MappingEntry e;
        e.registerIndex = QString::number(p.registerIndex);
        e.frameNumber = before + p.frame + 1;
        e.highByte = p.highByte;
        e.lowByte = p.lowByte;
        e.sendOnWrite = p.sendOnWrite;
        mappings.push_back(std::move(e));
    }
}

std::vector<config::ConfigFile> importedFiles(Direction direction)
{
    return {config::framesFile(direction), config::mappingsFile(direction)};
}

std::optional<ImportSource> readImportSource(const QString& path, const CaptureProgress& progress)
{
    ImportSource source;
    source.fileName = QFileInfo(path).fileName();
    if (source.fileName.endsWith(QStringLiteral(".dbc"), Qt::CaseInsensitive)) {
        source.messages = importMessages(readDbcFile(path));
        return source;
    }
    std::optional<CaptureSummary> capture = readCaptureFile(path, progress);
    if (!capture)
        return std::nullopt;
    source.capture = true;
    source.messages = importMessages(*capture);
    return source;
}

std::vector<ImportMessage> selectMessages(const std::vector<ImportMessage>& messages, const QString& identifiers,
                                          const QString& fileName)
{
    if (identifiers.trimmed() == QStringLiteral("all"))
        return messages;
    std::vector<bool> chosen(messages.size(), false);
    const QStringList parts = identifiers.split(u',');
    for (const QString& part : parts) {
        const QString text = part.trimmed();
        const std::optional<std::int64_t> id = parseInt64(text);
        if (!id || *id < 0)
            throw Error(QStringLiteral("\"%1\" is no identifier").arg(text));
        bool found = false;
        for (size_t i = 0; i < messages.size(); ++i) {
            if (messages[i].id == static_cast<std::uint64_t>(*id)) {
                chosen[i] = true;
                found = true;
            }
        }
        if (!found)
            throw Error(QStringLiteral("%1 holds no frame with the identifier %2").arg(fileName, text));
    }
    std::vector<ImportMessage> out;
    for (size_t i = 0; i < messages.size(); ++i) {
        if (chosen[i])
            out.push_back(messages[i]);
    }
    return out;
}

QStringList importReport(const ImportPlan& plan, const std::vector<ImportMessage>& chosen, const ImportTarget& target)
{
    QStringList lines;
    const QString side = directionName(target.direction);
    for (size_t i = 0; i < plan.frames.size(); ++i) {
        const PlannedFrame& f = plan.frames[i];
        QString timing;
        if (target.direction == Direction::Receive && f.timeOutMs > 0)
            timing = target.dipSwitch ? QStringLiteral(", time-out %1 ms").arg(f.timeOutMs) : QStringLiteral(", time-out on");
        if (target.direction == Direction::Transmit && target.dipSwitch)
            timing = f.timerMs > 0 ? QStringLiteral(", sent every %1 ms").arg(f.timerMs) : QStringLiteral(", sent on change");
        lines << QStringLiteral("added %1 frame %2: %3 %4, %5 bytes%6")
                     .arg(side)
                     .arg(target.existingFrames + static_cast<int>(i) + 1)
                     .arg(identifierText(f.id), f.mnemonic)
                     .arg(f.length)
                     .arg(timing);
        for (const PlannedEntry& e : plan.entries) {
            if (e.frame != static_cast<int>(i))
                continue;
            const auto byte = [](int b) { return b == 0 ? QStringLiteral("none") : QStringLiteral("byte %1").arg(b); };
            lines << QStringLiteral("  register %1: high part %2, low part %3 (%4)%5")
                         .arg(e.registerIndex)
                         .arg(byte(e.highByte), byte(e.lowByte), e.signal,
                              e.sendOnWrite ? QStringLiteral(", sends on write") : QString());
        }
        for (const NotMapped& n : plan.notMapped) {
            if (n.frame == static_cast<int>(i))
                lines << QStringLiteral("  not mapped: %1: %2").arg(n.signal, n.reason);
        }
    }
    for (const NotImported& n : plan.notImported) {
        const ImportMessage& m = chosen[static_cast<size_t>(n.messageIndex)];
        lines << QStringLiteral("not imported as %1 frame: %2 %3: %4").arg(side, identifierText(m.id), m.name, n.reason);
    }
    return lines;
}

} // namespace px::exchange
