#include "core/exchange/configuration_exchange.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/config/frame_rules.h"
#include "core/exchange/dbc_reader.h"
#include "core/lang/message_ids.h"

#include <QFileInfo>

#include <algorithm>
#include <unordered_map>

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
    return config::frameExtended(config, frame);
}

QString directionName(Direction d)
{
    return d == Direction::Receive ? QStringLiteral("receive") : QStringLiteral("transmit");
}

std::vector<ExportFrame> exportFrames(const config::Configuration& config, Direction d, const config::SignalTable& signalTable,
                                      QStringList& notes)
{
    std::vector<ExportFrame> frames;
    std::vector<int> exported;   // frame number -> position in `frames`, -1 when left out
    const int count = config.frameCount(d);
    for (int i = 0; i < count; ++i) {
        const config::FrameRow& row = config.frame(d, i);
        const bool extended = extendedFormat(config, row);
        const std::optional<std::int64_t> id = row.identifier();
        if (!id || !config::identifierFits(*id, extended)) {
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
        const std::int32_t length = row.dataLength().value_or(config::kMaxDataLength);
        f.length = config::dataBytesOf(row.dimension);
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
        if (d == Direction::Receive) {
            // The supervision the device applies, as the import writes it back: the time-out
            // of the dip-switch device's image, the flag (1) of the jumper device's image,
            // whose one time-out is in the settings.
            const config::ReceiveFrame& r = config.receiveFrames[static_cast<size_t>(i)];
            const std::uint32_t ms = dipSwitch(config) ? r.timeOutMilliseconds(config.general.canTimeOutMilliseconds())
                                                       : (config::isCheckedFlag(r.timeOut) ? 1U : 0U);
            f.timeOutMs = static_cast<int>(std::min<std::uint32_t>(ms, kMaxMilliseconds));
            f.cycleTimeMs = signalTable.cycleTime(d, f.id, f.extended);
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
        ExportEntry x{*index, e.highByte, e.lowByte, std::nullopt, std::nullopt};
        if (d == Direction::Transmit)
            x.sendOnWrite = e.sendOnWrite;
        if (const config::RegisterSignal* known = signalTable.find(d, *index))
            x.signal = *known;
        frames[static_cast<size_t>(target)].entries.push_back(std::move(x));
    }
    return frames;
}

} // namespace

ExportNetwork exportNetwork(const config::Configuration& config, QStringList& notes, const config::SignalTable& signalTable)
{
    ExportNetwork network;
    network.receive = exportFrames(config, Direction::Receive, signalTable, notes);
    network.transmit = exportFrames(config, Direction::Transmit, signalTable, notes);
    return network;
}

DbcText configurationDbc(const config::Configuration& config, const config::SignalTable& signalTable)
{
    QStringList notes;
    const ExportNetwork network = exportNetwork(config, notes, signalTable);
    DbcText text = writeDbc(network);
    text.notes = notes + text.notes;
    return text;
}

ImportTarget importTarget(const config::Configuration& config, Direction direction, std::optional<int> firstRegister)
{
    ImportTarget t;
    t.direction = direction;
    t.dipSwitch = dipSwitch(config);
    t.jumperExtended = config::isExtendedCanType(config.general.canType);
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
    for (int i = 0; i < t.existingFrames; ++i) {
        const config::FrameRow& row = config.frame(direction, i);
        const std::optional<std::int64_t> id = row.identifier();
        if (id && config::identifierFits(*id, true))
            t.existingIds.emplace(frameKey(static_cast<std::uint32_t>(*id), extendedFormat(config, row)), i);
    }
    return t;
}

void applyImport(config::Configuration& config, Direction direction, const ImportPlan& plan)
{
    const bool dip = dipSwitch(config);
    const int before = config.frameCount(direction);
    for (const PlannedFrame& p : plan.frames) {
        const QString format = config::formatText(p.extended);
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
        e.frameNumber = p.frameNumber(before);
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

void applyImportSignals(config::SignalTable& table, Direction direction, const ImportPlan& plan,
                        const std::vector<ImportMessage>& chosen)
{
    for (const PlannedEntry& e : plan.entries) {
        if (e.knownSignal)
            table.set(e.signalData);
    }
    // Cycle times matter for the frames the converter receives (their time-outs).
    const auto timing = [&](const ImportMessage& m) {
        if (direction == Direction::Receive && m.cycleTimeMs && *m.cycleTimeMs > 0)
            table.setCycleTime({direction, m.id, m.extended, *m.cycleTimeMs});
    };
    for (const PlannedFrame& f : plan.frames)
        timing(chosen[static_cast<size_t>(f.messageIndex)]);
    for (const ExistingFrame& f : plan.existing)
        timing(chosen[static_cast<size_t>(f.messageIndex)]);
}

void writeImport(const config::Configuration& config, const config::SignalTable& signalTable, const QString& folder,
                 const std::vector<Direction>& directions)
{
    std::vector<std::pair<QString, QByteArray>> contents;
    for (const Direction d : directions) {
        for (const config::ConfigFile f : importedFiles(d))
            contents.emplace_back(folder + u'/' + config::fileName(f), config::fileBytes(config, f));
    }
    contents.emplace_back(folder + u'/' + config::kSignalFileName, config::signalTableBytes(signalTable));
    writeFilesTogether(contents);
}

std::optional<ImportSource> readImportSource(const QString& path, const CaptureProgress& progress)
{
    checkReadableKind(path);
    ImportSource source;
    source.fileName = QFileInfo(path).fileName();
    if (source.fileName.endsWith(QStringLiteral(".dbc"), Qt::CaseInsensitive)) {
        CanDatabase db = readDbcFile(path);
        for (const DbcWarning& w : db.warnings)
            source.warnings << source.fileName + QStringLiteral(": ") + w.text;
        source.messages = importMessages(std::move(db));
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
    std::unordered_multimap<std::uint32_t, size_t> byId;
    for (size_t i = 0; i < messages.size(); ++i)
        byId.emplace(messages[i].id, i);
    const QStringList parts = identifiers.split(u',');
    for (const QString& part : parts) {
        const QString text = part.trimmed();
        const std::optional<std::int64_t> id = parseInt64(text);
        if (!id || *id < 0)
            throw Error(msg::kNoIdentifier, {text});
        const auto [from, to] = *id > 0xFFFFFFFF ? decltype(byId.equal_range(0)){byId.end(), byId.end()}
                                                 : byId.equal_range(static_cast<std::uint32_t>(*id));
        if (from == to)
            throw Error(msg::kNoFrameWithIdentifier, {fileName, text});
        for (auto it = from; it != to; ++it)
            chosen[it->second] = true;
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
    // The entries and the signals not mapped of each frame, gathered in one pass, so the
    // report takes time in proportion to frames plus entries.
    const size_t added = plan.frames.size();
    std::vector<std::vector<const PlannedEntry*>> entriesOf(added + plan.existing.size());
    std::vector<std::vector<const NotMapped*>> notMappedOf(added + plan.existing.size());
    std::unordered_map<int, size_t> existingSlot;
    for (size_t i = 0; i < plan.existing.size(); ++i)
        existingSlot.emplace(plan.existing[i].frame, added + i);
    const auto slot = [&](int frame, int existingFrame) {
        return existingFrame >= 0 ? existingSlot.at(existingFrame) : static_cast<size_t>(frame);
    };
    for (const PlannedEntry& e : plan.entries)
        entriesOf[slot(e.frame, e.existingFrame)].push_back(&e);
    for (const NotMapped& n : plan.notMapped)
        notMappedOf[slot(n.frame, n.existingFrame)].push_back(&n);
    const auto details = [&](size_t k) {
        for (const PlannedEntry* e : entriesOf[k]) {
            const auto byte = [](int b) { return b == 0 ? QStringLiteral("none") : QStringLiteral("byte %1").arg(b); };
            const config::RegisterSignal& s = e->signalData;
            const QString bits = s.isBitField() ? QStringLiteral(", bits %1 to %2").arg(s.bitOffset).arg(s.bitOffset + s.bitLength - 1)
                                                       : QString();
            lines << QStringLiteral("  register %1: high part %2, low part %3 (%4%5)%6")
                         .arg(e->registerIndex)
                         .arg(byte(e->highByte), byte(e->lowByte), e->signal, bits,
                              e->sendOnWrite ? QStringLiteral(", sends on write") : QString());
        }
        for (const NotMapped* n : notMappedOf[k])
            lines << QStringLiteral("  not mapped: %1: %2").arg(n->signal, n->reason);
    };
    for (size_t i = 0; i < added; ++i) {
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
        details(i);
    }
    for (size_t i = 0; i < plan.existing.size(); ++i) {
        const ExistingFrame& f = plan.existing[i];
        const ImportMessage& m = chosen[static_cast<size_t>(f.messageIndex)];
        lines << QStringLiteral("already in the %1 list as frame %2: %3 %4; its signals are mapped onto it")
                     .arg(side)
                     .arg(f.frame + 1)
                     .arg(identifierText(m.id), m.name);
        details(added + i);
    }
    for (const NotImported& n : plan.notImported) {
        const ImportMessage& m = chosen[static_cast<size_t>(n.messageIndex)];
        lines << QStringLiteral("not imported as %1 frame: %2 %3: %4").arg(side, identifierText(m.id), m.name, n.reason);
    }
    return lines;
}

} // namespace px::exchange
