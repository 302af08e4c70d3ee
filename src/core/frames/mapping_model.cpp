#include "core/frames/mapping_model.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/text_rules.h"
#include "core/base/int_text.h"
#include "core/lang/message_ids.h"
#include "core/shell/workspace.h"

#include <QFileInfo>

#include <algorithm>

namespace px {

namespace {

using config::Direction;
using config::MappingEntry;

MappingProfile makeReceive()
{
    MappingProfile p;
    p.direction = Direction::Receive;
    p.csvName = QStringLiteral("RInfoCob.csv");
    p.csvHeader = QStringLiteral("Index MODBUS;Index CAN Frame;High Byte;Low Byte;");
    p.csvFieldCount = 4;
    p.msgTitle = msg::kReceiveMappingTitle;
    p.msgDescription = msg::kReceiveMappingDescription;
    p.msgFrameList = msg::kReceiveMappingFrameList;
    p.msgFrameColumns = msg::kReceiveMappingFrameListHeader;
    p.msgRegisterList = msg::kReceiveMappingRegisterList;
    p.msgRegisterListSubtitle = msg::kReceiveMappingRegisterListSubtitle;
    p.msgInputGroup = msg::kReceiveMappingEditGroup;
    p.msgIndexLabel = msg::kReceiveMappingRegisterIndex;
    p.msgHighByte = msg::kReceiveMappingHighByteLabel;
    p.msgHighByteEnd = msg::kReceiveMappingHighByteLabelEnd;
    p.msgLowByte = msg::kReceiveMappingLowByteLabel;
    p.msgLowByteEnd = msg::kReceiveMappingLowByteLabelEnd;
    p.msgCreate = msg::kReceiveMappingCreate;
    p.msgModify = msg::kReceiveMappingModify;
    p.msgDelete = msg::kReceiveMappingDelete;
    p.msgCopy = msg::kReceiveMappingCopy;
    p.msgPaste = msg::kReceiveMappingPaste;
    p.msgOk = msg::kReceiveMappingOk;
    p.msgCancel = msg::kReceiveMappingCancel;
    p.msgIndexRange = msg::kReceiveMappingRegisterRange;
    p.msgIndexUsed = msg::kReceiveMappingRegisterUsed;
    p.msgNoByte = msg::kReceiveMappingNoByte;
    p.msgBytePrefix = msg::kReceiveMappingBytePrefix;
    p.msgExport = msg::kReceiveMappingExport;
    p.msgImport = msg::kReceiveMappingImport;
    p.msgImportQuestion = msg::kReceiveMappingImportQuestion;
    return p;
}

MappingProfile makeTransmit()
{
    MappingProfile p;
    p.direction = Direction::Transmit;
    p.csvName = QStringLiteral("TInfoCob.csv");
    p.csvHeader = QStringLiteral("Index MODBUS;Index CAN Frame;High Byte;Low Byte;Send CAN;");
    p.csvFieldCount = 5;
    p.msgTitle = msg::kTransmitMappingTitle;
    p.msgDescription = msg::kTransmitMappingDescription;
    p.msgFrameList = msg::kTransmitMappingFrameList;
    p.msgFrameColumns = msg::kTransmitMappingFrameListHeader;
    p.msgRegisterList = msg::kTransmitMappingRegisterList;
    p.msgRegisterListSubtitle = msg::kTransmitMappingRegisterListSubtitle;
    p.msgInputGroup = msg::kTransmitMappingEditGroup;
    p.msgIndexLabel = msg::kTransmitMappingRegisterIndex;
    p.msgHighByte = msg::kTransmitMappingHighByteLabel;
    p.msgHighByteEnd = msg::kTransmitMappingHighByteLabelEnd;
    p.msgLowByte = msg::kTransmitMappingLowByteLabel;
    p.msgLowByteEnd = msg::kTransmitMappingLowByteLabelEnd;
    p.msgSendLabel = msg::kTransmitMappingSendOnWrite;
    p.msgFalse = msg::kTransmitMappingFalse;
    p.msgTrue = msg::kTransmitMappingTrue;
    p.msgCreate = msg::kTransmitMappingCreate;
    p.msgModify = msg::kTransmitMappingModify;
    p.msgDelete = msg::kTransmitMappingDelete;
    p.msgCopy = msg::kTransmitMappingCopy;
    p.msgPaste = msg::kTransmitMappingPaste;
    p.msgOk = msg::kTransmitMappingOk;
    p.msgCancel = msg::kTransmitMappingCancel;
    p.msgIndexRange = msg::kTransmitMappingRegisterRange;
    p.msgIndexUsed = msg::kTransmitMappingRegisterUsed;
    p.msgNoByte = msg::kTransmitMappingNoByte;
    p.msgBytePrefix = msg::kTransmitMappingBytePrefix;
    p.msgExport = msg::kTransmitMappingExport;
    p.msgImport = msg::kTransmitMappingImport;
    p.msgImportQuestion = msg::kTransmitMappingImportQuestion;
    return p;
}


// Splits off the next field of a CSV line. Where no separator is left, a last-kind field
// takes the whole rest; any other field is empty and the line stays as it is.
QStringView takeField(QStringView& line, bool lastKind)
{
    const qsizetype sep = line.indexOf(u';');
    if (sep < 0) {
        if (!lastKind)
            return {};
        const QStringView field = line.trimmed();
        line = QStringView();
        return field;
    }
    const QStringView field = line.left(sep).trimmed();
    line = line.mid(sep + 1).trimmed();
    return field;
}

// Reads the lines after the header one by one into `take`, which returns false to stop.
template <typename Take>
void readCsvLines(const QByteArray& bytes, const MappingProfile& profile, Take take)
{
    const QString text = QString::fromLocal8Bit(bytes);
    const QList<QStringView> lines = splitLines(text);
    // Line numbers count from 1, the header being line 1.
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QStringView line = lines[i].trimmed();
        // A blank line (the end of the file, mostly) holds no entry.
        if (line.isEmpty())
            continue;
        std::int32_t values[5] = {0, 0, 0, 0, 0};
        for (int f = 0; f < profile.csvFieldCount; ++f)
            values[f] = toInt32(takeField(line, f >= 3), 0);
        MappingEntry entry;
        entry.registerIndex = QString::number(values[0]);
        entry.frameNumber = values[1];
        entry.highByte = values[2];
        entry.lowByte = values[3];
        entry.setSendOnWriteNumber(values[4]);
        if (!take(static_cast<int>(i + 1), std::move(entry)))
            return;
    }
}

// The frames of a frame file as the mapping offers them. A row lacking CobID or Dimensin,
// or on the dip-switch device CobType, throws px::Error naming it; the frames before it
// are in `frames` then.
template <typename Row>
void takeFrames(const std::vector<Row>& rows, const GeneralParameters& general, const QString& label,
                std::vector<MappingFrame>& frames)
{
    static const QString cobId = QStringLiteral("CobID");
    static const QString dimension = QStringLiteral("Dimensin");
    static const QString cobType = QStringLiteral("CobType");
    // The jumper device's frames all have the identifier format of the general parameters.
    const bool typeStored = general.deviceType != kJumperDevice;
    const QString commonType = config::formatText(config::isExtendedCanType(general.canType));
    frames.reserve(rows.size());
    int number = 0;
    for (const config::FrameRow& row : rows) {
        ++number;
        for (const QString& name : {cobId, dimension, cobType}) {
            if (!row.has(name) && (name != cobType || typeStored)) {
                throw Error(msg::kAttributeMissing, {label, number, name});
            }
        }
        frames.push_back({row.cobId, typeStored ? row.cobType : commonType, config::readDataLength(row.dimension).value_or(8)});
    }
}

} // namespace

int MappingProfile::message(IndexRefusal refusal) const
{
    return refusal == IndexRefusal::OutOfRange ? msgIndexRange : msgIndexUsed;
}

QString MappingProfile::framePath(const Workspace& ws) const
{
    return transmit() ? ws.transmitFramesFile : ws.receiveFramesFile;
}

QString MappingProfile::mappingPath(const Workspace& ws) const
{
    return transmit() ? ws.transmitMappingsFile : ws.receiveMappingsFile;
}

QString MappingProfile::csvPath(const Workspace& ws) const
{
    return ws.configurationFolder + u'/' + csvName;
}

const MappingProfile& MappingProfile::receiveSide()
{
    static const MappingProfile p = makeReceive();
    return p;
}

const MappingProfile& MappingProfile::transmitSide()
{
    static const MappingProfile p = makeTransmit();
    return p;
}

QString registerLine(const MappingEntry& entry)
{
    auto part = [](std::int32_t position) {
        return position == 0 ? QStringLiteral(" None;") : QStringLiteral(" Byte %1;").arg(position);
    };
    return entry.registerIndex + u';' + part(entry.highByte) + part(entry.lowByte);
}

QStringList byteListItems(std::int32_t dataLength, const QString& none, const QString& bytePrefix)
{
    QStringList items{none};
    const std::int32_t count = std::min<std::int32_t>(dataLength, 15);
    for (std::int32_t k = 1; k <= count; ++k)
        items << bytePrefix + QString::number(k);
    return items;
}

std::vector<MappingEntry> parseMappingCsv(const QByteArray& bytes, const MappingProfile& profile)
{
    std::vector<MappingEntry> result;
    readCsvLines(bytes, profile, [&result](int, MappingEntry&& entry) {
        result.push_back(std::move(entry));
        return true;
    });
    return result;
}

void RegisterMapping::setFrames(std::vector<MappingFrame> frames)
{
    m_frames = std::move(frames);
    setEntries(std::move(m_entries));
}

void RegisterMapping::setEntries(std::vector<MappingEntry> entries)
{
    const auto frameCount = static_cast<std::int32_t>(m_frames.size());
    const auto namesNoFrame = [frameCount](const MappingEntry& e) { return e.frameNumber < 1 || e.frameNumber > frameCount; };
    m_orphans.clear();
    for (const MappingEntry& e : entries) {
        if (namesNoFrame(e))
            m_orphans.push_back(e);
    }
    std::erase_if(entries, namesNoFrame);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const MappingEntry& a, const MappingEntry& b) { return a.frameNumber < b.frameNumber; });
    if (!m_profile->transmit()) {
        for (MappingEntry& e : entries)
            e.setSendOnWriteNumber(0);
    }
    m_entries = std::move(entries);
}

std::vector<MappingEntry> RegisterMapping::allEntries() const
{
    std::vector<MappingEntry> all = m_entries;
    all.insert(all.end(), m_orphans.begin(), m_orphans.end());
    return all;
}

std::optional<IndexRefusal> RegisterMapping::attachOrphan(int position, int frameRow)
{
    if (position < 0 || position >= static_cast<int>(m_orphans.size()) || frameRow < 0
        || frameRow >= static_cast<int>(m_frames.size()))
        return std::nullopt;
    MappingEntry orphan = m_orphans[static_cast<std::size_t>(position)];
    const std::int32_t index = toInt32(orphan.registerIndex, -1);
    if (index < 0 || index > config::kMaxRegisterIndex)
        return IndexRefusal::OutOfRange;
    if (registerInUse(index, -1, -1))
        return IndexRefusal::AlreadyUsed;
    m_orphans.erase(m_orphans.begin() + position);
    const std::size_t end = rangeOf(frameRow + 1).second;
    m_entries.insert(m_entries.begin() + static_cast<std::ptrdiff_t>(end), stored(frameRow, orphan));
    return std::nullopt;
}

void RegisterMapping::removeOrphan(int position)
{
    if (position >= 0 && position < static_cast<int>(m_orphans.size()))
        m_orphans.erase(m_orphans.begin() + position);
}

QStringList RegisterMapping::orphanLines(const QString& lineText) const
{
    QStringList lines;
    for (const MappingEntry& e : m_orphans)
        lines << lineText.arg(e.registerIndex).arg(e.frameNumber);
    return lines;
}

std::pair<std::size_t, std::size_t> RegisterMapping::rangeOf(std::int32_t frameNumber) const
{
    const auto first = std::partition_point(m_entries.begin(), m_entries.end(),
                                            [frameNumber](const MappingEntry& e) { return e.frameNumber < frameNumber; });
    const auto last = std::partition_point(first, m_entries.end(),
                                           [frameNumber](const MappingEntry& e) { return e.frameNumber <= frameNumber; });
    return {static_cast<std::size_t>(first - m_entries.begin()), static_cast<std::size_t>(last - m_entries.begin())};
}

std::span<const MappingEntry> RegisterMapping::entriesOf(int frameRow) const
{
    if (frameRow < 0 || frameRow >= static_cast<int>(m_frames.size()))
        return {};
    const auto [first, last] = rangeOf(frameRow + 1);
    return std::span<const MappingEntry>(m_entries).subspan(first, last - first);
}

const MappingEntry* RegisterMapping::entry(int frameRow, int position) const
{
    const std::span<const MappingEntry> entries = entriesOf(frameRow);
    if (position < 0 || position >= static_cast<int>(entries.size()))
        return nullptr;
    return &entries[static_cast<std::size_t>(position)];
}

void RegisterMapping::load(const Workspace& ws)
{
    config::ConfigurationDocument document;
    document.open(ws.configurationFolder);
    load(document);
}

void RegisterMapping::load(const config::ConfigurationDocument& document)
{
    m_loadFailed = true;
    m_frames.clear();
    m_entries.clear();
    m_orphans.clear();

    // A file that could not be read at all gives its fault; one that was read is parsed
    // here again, so a fault names the row where the rows this editor needs stop.
    const auto bytesOf = [&document](config::ConfigFile file) -> const std::optional<QByteArray>& {
        if (!document.bytes(file) && document.readFault(file))
            throw *document.readFault(file);
        return document.bytes(file);
    };
    if (document.readFault(config::ConfigFile::GeneralParameters))
        throw *document.readFault(config::ConfigFile::GeneralParameters);
    const GeneralParameters& general
 = document.configuration().general;

    const config::ConfigFile framesFile = config::framesFile(m_profile->direction);
    if (const std::optional<QByteArray>& bytes = bytesOf(framesFile)) {
        const QString label = displayPath(document.path(framesFile));
        // A frame's number is its position among the rows of the frame file, as the frame
        // editors and the compiler count it.
        if (m_profile->transmit())
            takeFrames(config::readTransmitFrames(*bytes, label), general, label, m_frames);
        else
            takeFrames(config::readReceiveFrames(*bytes, label), general, label, m_frames);
    }

    const config::ConfigFile mappingFile = config::mappingsFile(m_profile->direction);
    if (!m_frames.empty()) {
        if (const std::optional<QByteArray>& bytes = bytesOf(mappingFile)) {
            std::vector<MappingEntry> read;
            try {
                config::appendMappings(read, *bytes, displayPath(document.path(mappingFile)), m_profile->direction);
            } catch (...) {
                setEntries(std::move(read));
                throw;
            }
            setEntries(std::move(read));
        }
    }
    m_loadFailed = false;
}

bool RegisterMapping::registerInUse(std::int32_t registerIndex, int frameRow, int positionToSkip) const
{
    const MappingEntry* skipped = entry(frameRow, positionToSkip);
    for (const MappingEntry& e : m_entries) {
        if (&e != skipped && toInt32(e.registerIndex, -1) == registerIndex)
            return true;
    }
    return false;
}

std::optional<IndexRefusal> RegisterMapping::checkIndex(const QString& indexText, int frameRow, int positionToSkip) const
{
    const std::int32_t index = toInt32(indexText, -1);
    if (index < 0 || index > 65535)
        return IndexRefusal::OutOfRange;
    if (registerInUse(index, frameRow, positionToSkip))
        return IndexRefusal::AlreadyUsed;
    return std::nullopt;
}

MappingEntry RegisterMapping::stored(int frameRow, const MappingEntry& entry) const
{
    MappingEntry e = entry;
    e.frameNumber = frameRow + 1;
    if (!m_profile->transmit())
        e.setSendOnWriteNumber(0);
    return e;
}

std::optional<IndexRefusal> RegisterMapping::create(int frameRow, const MappingEntry& entry)
{
    if (frameRow < 0 || frameRow >= static_cast<int>(m_frames.size()))
        return std::nullopt;
    if (const auto refusal = checkIndex(entry.registerIndex, -1, -1))
        return refusal;
    const std::size_t end = rangeOf(frameRow + 1).second;
    m_entries.insert(m_entries.begin() + static_cast<std::ptrdiff_t>(end), stored(frameRow, entry));
    return std::nullopt;
}

std::optional<IndexRefusal> RegisterMapping::modify(int frameRow, int position, const MappingEntry& entry)
{
    if (this->entry(frameRow, position) == nullptr)
        return std::nullopt;
    if (const auto refusal = checkIndex(entry.registerIndex, frameRow, position))
        return refusal;
    m_entries[rangeOf(frameRow + 1).first + static_cast<std::size_t>(position)] = stored(frameRow, entry);
    return std::nullopt;
}

void RegisterMapping::remove(int frameRow, int position)
{
    if (entry(frameRow, position) == nullptr)
        return;
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(rangeOf(frameRow + 1).first + static_cast<std::size_t>(position)));
}

bool RegisterMapping::copy(int frameRow, int position)
{
    const MappingEntry* e = entry(frameRow, position);
    if (e == nullptr)
        return false;
    m_copied = *e;
    return true;
}

QStringList RegisterMapping::frameLines() const
{
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(m_frames.size()));
    for (const MappingFrame& f : m_frames)
        lines << f.cobId + u'\t' + f.formatText;
    return lines;
}

QStringList RegisterMapping::registerLines(int frameRow) const
{
    QStringList lines;
    for (const MappingEntry& e : entriesOf(frameRow))
        lines << registerLine(e);
    return lines;
}

QByteArray RegisterMapping::toXml() const
{
    return config::mappingsBytes(allEntries(), m_profile->direction);
}

void RegisterMapping::save(const Workspace& ws) const
{
    const QString path = m_profile->mappingPath(ws);
    const QByteArray bytes = toXml();
    if (m_loadFailed && QFileInfo::exists(path)) {
        // A file that already holds what is written loses nothing; keeping it would replace
        // the backup of an earlier OK with the same reduced file.
        const QByteArray old = readWholeFile(path);
        if (old != bytes)
            writeFileAtomically(path + QStringLiteral(".bak"), old);
    }
    writeFileAtomically(path, bytes);
}

QByteArray RegisterMapping::toCsv() const
{
    QString text = m_profile->csvHeader + QStringLiteral("\r\n");
    for (const MappingEntry& e : allEntries()) {
        text += e.registerIndex + u';' + QString::number(e.frameNumber) + u';' + QString::number(e.highByte) + u';' +
                QString::number(e.lowByte) + u';';
        if (m_profile->transmit())
            text += QString::number(e.sendOnWriteNumber()) + u';';
        text += QStringLiteral("\r\n");
    }
    return text.toLocal8Bit();
}

void RegisterMapping::exportCsv(const Workspace& ws) const
{
    exportCsvFile(m_profile->csvPath(ws));
}

void RegisterMapping::exportCsvFile(const QString& path) const
{
    writeFileAtomically(path, toCsv());
}

void RegisterMapping::importCsv(const QByteArray& bytes, const QString& name)
{
    // Every line is checked as Create checks an entry, and the positions against the
    // frame; the entries are taken only when no line is refused, so a refused import
    // leaves the editor as it was.
    const auto frameCount = static_cast<std::int32_t>(m_frames.size());
    std::vector<MappingEntry> imported;
    std::vector<bool> used(65536, false);
    std::vector<Message> faults;
    int faultCount = 0;
    bool full = false;
    const auto refuse = [&](int number, const Message& cause) {
        if (++faultCount <= kMaxCsvFaultsNamed)
            faults.push_back(Message(msg::kCsvLineRefused, {number, cause}));
    };
    int entries = 0;
    readCsvLines(bytes, *m_profile, [&](int number, MappingEntry&& line) {
        if (line.frameNumber < 1 || line.frameNumber > frameCount) {
            // Such an entry would be kept out of sight and lost at OK: the line is named.
            refuse(number, Message(msg::kCsvFrameMissing, {line.frameNumber, frameCount}));
            return true;
        }
        if (++entries > config::kMaxMappingEntries) {
            // The device has no room for it: stop reading here.
            refuse(number, Message(msg::kCsvTooManyEntries, {config::kMaxMappingEntries}));
            full = true;
            return false;
        }
        const MappingFrame& frame = m_frames[static_cast<std::size_t>(line.frameNumber - 1)];
        const std::int32_t dataBytes = std::min<std::int32_t>(frame.dataLength, 8);
        const std::int32_t index = toInt32(line.registerIndex, -1);
        bool lineFault = false;
        if (index < 0 || index > 65535) {
            refuse(number, Message(msg::kCsvIndexOutside, {line.registerIndex}));
            lineFault = true;
        } else if (used[static_cast<std::size_t>(index)]) {
            refuse(number, Message(msg::kCsvIndexUsed, {index}));
            lineFault = true;
        }
        for (const std::int32_t position : {line.highByte, line.lowByte}) {
            if (position < 0 || position > dataBytes) {
                refuse(number, Message(msg::kCsvBytePositionOutside, {position, dataBytes, line.frameNumber, frame.dataLength}));
                lineFault = true;
                break;
            }
        }
        if (!lineFault) {
            used[static_cast<std::size_t>(index)] = true;
            imported.push_back(std::move(line));
        }
        return true;
    });
    if (faultCount > 0) {
        // One line each: the refusal, the lines named, how many more, where reading stopped.
        if (faultCount > kMaxCsvFaultsNamed)
            faults.push_back(Message(msg::kCsvMoreRefused, {faultCount - kMaxCsvFaultsNamed}));
        if (full)
            faults.push_back(Message(msg::kCsvReadNoFurther));

        Message text(msg::kCsvNotImported, {name});
        for (const Message& line : faults)
            text = Message(msg::kTwoLines, {text, line});
        throw Error(text);

    }
    setEntries(std::move(imported));
}

void RegisterMapping::importCsvFile(const QString& path)
{
    // No mapping file of the device's size comes near the limit of a configuration file.
    importCsv(readConfigurationFile(path), QStringLiteral("The file %1").arg(displayPath(path)));
}

} // namespace px
