#include "core/shell/config_copy.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/config/signal_table.h"
#include "core/lang/message_ids.h"
#include "core/shell/session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <map>

namespace px {

namespace {

using config::Direction;



QString hex(std::int64_t value)
{
    return (value < 0 ? QStringLiteral("-0x") : QStringLiteral("0x"))
        + QString::number(value < 0 ? -value : value, 16).toUpper();
}

// `what`: the message naming the offset ("receive identifier", ...).
std::int64_t readOffset(QStringView text, std::int64_t limit, int what)
{
    if (text.isEmpty())
        return 0;
    const std::optional<std::int64_t> value = parseInt64(text);
    if (!value)
        throw Error(msg::kOffsetNoInteger, {Message(what), text});
    if (*value < -limit || *value > limit)
        throw Error(msg::kOffsetBeyond, {Message(what), text, limit});
    return *value;
}

// "Receive frame 3 (Cob-ID 0x281, Belt sensor)".
Message frameLabel(Direction d, int index, const config::FrameRow& f)
{
    const bool receive = d == Direction::Receive;
    if (f.mnemonic.trimmed().isEmpty())
        return Message(receive ? msg::kReceiveFrameLabel : msg::kTransmitFrameLabel, {index + 1, f.cobId});
    return Message(receive ? msg::kReceiveFrameLabelNamed : msg::kTransmitFrameLabelNamed, {index + 1, f.cobId, f.mnemonic});
}

// "Receive register 10 (mapping row 5, frame 3)".
Message registerLabel(Direction d, int row, const config::MappingEntry& e)
{
    return Message(d == Direction::Receive ? msg::kReceiveRegisterLabel : msg::kTransmitRegisterLabel,
                   {e.registerIndex, row + 1, e.frameNumber});
}

template <typename Frame>
void shiftFrames(std::vector<Frame>& frames, Direction d, std::int64_t offset, const config::Configuration& c)
{
    if (offset == 0)
        return;
    for (int i = 0; i < static_cast<int>(frames.size()); ++i) {
        Frame& f = frames[static_cast<std::size_t>(i)];
        // The format the images give the frame: the row's own on the dip-switch device; on
        // the jumper device the one of the general parameters, which its editors write into
        // every row and its image applies.
        const bool extended = config::frameExtended(c, f);
        const int bits = extended ? 29 : 11;
        const std::optional<std::int64_t> id = f.identifier();
        if (!id)
            throw Error(msg::kCobIdNoInteger, {frameLabel(d, i, f)});
        if (!config::identifierFits(*id, extended))
            throw Error(msg::kCobIdOutsideAlready, {frameLabel(d, i, f), bits});
        const std::int64_t shifted = *id + offset;
        if (!config::identifierFits(shifted, extended)) {
            throw Error(msg::kCobIdShiftedBeyond,
                        {frameLabel(d, i, f), hex(offset), hex(shifted), bits, hex(config::maxIdentifier(extended))});
        }
        f.cobId = integerTextLike(f.cobId, shifted);
    }
}

void shiftRegisters(std::vector<config::MappingEntry>& entries, Direction d, std::int64_t offset)
{
    if (offset == 0)
        return;
    std::map<std::int64_t, int> taken;  // new register -> mapping row
    for (int j = 0; j < static_cast<int>(entries.size()); ++j) {
        config::MappingEntry& e = entries[static_cast<std::size_t>(j)];
        const Message label = registerLabel(d, j, e);
        const std::optional<std::int32_t> index = e.registerNumber();
        if (!index)
            throw Error(msg::kIndexNoInteger, {label});
        const std::int64_t shifted = static_cast<std::int64_t>(*index) + offset;
        if (shifted < 0 || shifted > config::kMaxRegisterIndex) {
            throw Error(msg::kIndexShiftedBeyond, {label, offset, shifted});
        }
        if (const auto clash = taken.find(shifted); clash != taken.end())
            throw Error(msg::kIndexShiftedTaken, {label, offset, shifted, clash->second + 1});
        taken.emplace(shifted, j);
        e.registerIndex = integerTextLike(e.registerIndex, shifted);
    }
}

QString csvExportName(Direction d)
{
    return d == Direction::Receive ? QStringLiteral("RInfoCob.csv") : QStringLiteral("TInfoCob.csv");
}

} // namespace

CopyOffsets readCopyOffsets(QStringView receiveId, QStringView transmitId, QStringView receiveRegister,
                            QStringView transmitRegister)
{
    CopyOffsets o;
    o.receiveId = readOffset(receiveId, config::kMaxExtendedIdentifier, msg::kOffsetReceiveIdentifier);
    o.transmitId = transmitId.isEmpty()
        ? o.receiveId
        : readOffset(transmitId, config::kMaxExtendedIdentifier, msg::kOffsetTransmitIdentifier);
    o.receiveRegister = readOffset(receiveRegister, config::kMaxRegisterIndex, msg::kOffsetReceiveRegister);
    o.transmitRegister = transmitRegister.isEmpty()
        ? o.receiveRegister
        : readOffset(transmitRegister, config::kMaxRegisterIndex, msg::kOffsetTransmitRegister);
    return o;
}

QString integerTextLike(QStringView typed, std::int64_t value)
{
    qsizetype i = 0;
    while (i < typed.size() && typed[i] == u' ')
        ++i;
    const QString blanks = typed.left(i).toString();
    if (i < typed.size() && (typed[i] == u'+' || typed[i] == u'-'))
        ++i;
    QString prefix;
    for (const char* p : {"0x", "0X", "$", "x", "X"}) {
        const QLatin1StringView candidate(p);
        if (typed.mid(i).startsWith(candidate)) {
            prefix = candidate;
            break;
        }
    }
    const QStringView digits = typed.mid(i + prefix.size());
    const bool isHex = !prefix.isEmpty();
    bool lower = false;
    for (const QChar c : digits)
        lower = lower || (c >= u'a' && c <= u'f');
    const std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    QString number = QString::number(magnitude, isHex ? 16 : 10);
    if (!lower)
        number = number.toUpper();
    number = number.rightJustified(digits.size(), u'0');
    return blanks + (value < 0 ? QStringLiteral("-") : QString()) + prefix + number;
}

config::SignalTable shiftedSignals(const config::SignalTable& table, const CopyOffsets& offsets)
{
    // The registers and frames moved as the configuration's did; what would fall outside
    // their ranges describes nothing of the copy and is dropped.
    config::SignalTable out;
    for (config::RegisterSignal s : table.registers()) {
        const std::int64_t index = s.registerIndex + offsets.registers(s.direction);
        if (index < 0 || index > config::kMaxRegisterIndex)
            continue;
        s.registerIndex = static_cast<int>(index);
        out.set(std::move(s));
    }
    for (config::FrameTiming t : table.timings()) {
        const std::int64_t id = static_cast<std::int64_t>(t.identifier) + offsets.id(t.direction);
        if (!config::identifierFits(id, t.extended))
            continue;
        t.identifier = static_cast<std::uint32_t>(id);
        out.setCycleTime(t);
    }
    return out;
}

void applyCopyOffsets(config::Configuration& config, const CopyOffsets& offsets)
{
    config::Configuration shifted = config;
    shiftFrames(shifted.receiveFrames, Direction::Receive, offsets.receiveId, config);
    shiftFrames(shifted.transmitFrames, Direction::Transmit, offsets.transmitId, config);
    shiftRegisters(shifted.receiveMappings, Direction::Receive, offsets.receiveRegister);
    shiftRegisters(shifted.transmitMappings, Direction::Transmit, offsets.transmitRegister);
    config = std::move(shifted);
}

NameRefusal copyConfiguration(const QString& sourceFolder, const QString& targetParent, const QString& name,
                              const CopyOffsets& offsets)
{
    if (const NameRefusal refusal = checkNewConfigurationName(targetParent, name))
        return refusal;
    if (!QFileInfo(sourceFolder).isDir())
        throw Error(msg::kConfigurationFolderMissing, {displayPath(sourceFolder)});
    if (!QFileInfo(targetParent).isDir())
        throw Error(msg::kFolderDoesNotExist, {displayPath(targetParent)});

    // Every offset is applied in memory first: a refusal leaves nothing to clean up.
    std::vector<config::ConfigFile> rewritten;
    config::Configuration shifted;
    const bool anyOffset = offsets.receiveId != 0 || offsets.transmitId != 0 || offsets.receiveRegister != 0
        || offsets.transmitRegister != 0;
    if (anyOffset) {
        shifted = config::readConfiguration(sourceFolder);
        applyCopyOffsets(shifted, offsets);
        for (const Direction d : {Direction::Receive, Direction::Transmit}) {
            if (offsets.id(d) != 0 && shifted.isPresent(config::framesFile(d)))
                rewritten.push_back(config::framesFile(d));
            if (offsets.registers(d) != 0 && shifted.isPresent(config::mappingsFile(d)))
                rewritten.push_back(config::mappingsFile(d));
        }
    }

    QTemporaryDir staging(targetParent + QStringLiteral("/.copy-XXXXXX"));
    if (!staging.isValid())
        throw Error(msg::kCannotWriteIntoFolderBecause, {displayPath(targetParent), staging.errorString()});
    const QDir source(sourceFolder);
    for (const QString& file : source.entryList(QDir::Files | QDir::Hidden)) {
        // The lock of the instance that has the source open belongs to the source alone.
        if (file == config::ConfigurationLock::lockFileName())
            continue;
        if ((offsets.receiveRegister != 0 && file == csvExportName(Direction::Receive))
            || (offsets.transmitRegister != 0 && file == csvExportName(Direction::Transmit)))
            continue;
        writeFileAtomically(staging.filePath(file), readWholeFile(source.filePath(file)));
    }
    if (!QDir().mkdir(staging.filePath(QStringLiteral("bin"))))
        throw Error(msg::kCannotWriteIntoFolder, {displayPath(targetParent)});
    takeFolderMode(staging.path(), staging.filePath(QStringLiteral("bin")));
    if (!rewritten.empty())
        config::writeConfiguration(shifted, staging.path(), rewritten);
    // The signal file beside the configuration follows its registers and identifiers.
    if (anyOffset && source.exists(config::kSignalFileName))
        config::saveSignalTable(shiftedSignals(config::loadSignalTable(sourceFolder), offsets), staging.path());

    // The rename refuses to replace a folder that appeared meanwhile.
    const QString target = targetParent + u'/' + name;
    if (!QDir().rename(staging.path(), target))
        return refusalOfTakenTarget(target);
    staging.setAutoRemove(false);
    return std::nullopt;
}

} // namespace px
