#include "core/exchange/import_plan.h"

#include "core/base/xml.h"

#include <QRegularExpression>

#include <cmath>
#include <map>

namespace px::exchange {

std::optional<double> ImportMessage::periodMs() const
{
    if (cycleTimeMs && *cycleTimeMs > 0)
        return double(*cycleTimeMs);
    if (meanPeriodMs && *meanPeriodMs > 0)
        return *meanPeriodMs;
    return std::nullopt;
}

int ImportMessage::proposedTimeOutMs() const
{
    const std::optional<double> period = periodMs();
    if (!period)
        return 0;
    const double timeOut = std::ceil(3.0 * *period - 1e-9);
    return timeOut >= kMaxMilliseconds ? kMaxMilliseconds : static_cast<int>(timeOut);
}

int ImportMessage::signalsThatMap() const
{
    int count = 0;
    for (const CanSignal& s : signalList) {
        if (placeSignal(s, length).maps())
            ++count;
    }
    return count;
}

std::vector<ImportMessage> importMessages(const CanDatabase& db)
{
    return importMessages(CanDatabase(db));
}

std::vector<ImportMessage> importMessages(CanDatabase&& db)
{
    std::vector<ImportMessage> out;
    out.reserve(db.messages.size());
    // The configurator's own export names registers whose signal is unknown R<index>.
    const bool ownExport = db.nodes.contains(QStringLiteral("PX40318"));
    static const QRegularExpression registerName(QStringLiteral("^R(\\d{1,5})(_HI|_LO)?$"));
    for (CanMessage& m : db.messages) {
        ImportMessage i{.id = m.id, .extended = m.extended, .length = m.length, .name = m.name, .sender = m.sender,
                        .cycleTimeMs = m.cycleTimeMs, .signalList = std::move(m.signalList), .line = m.line,
                        .ignoredDefaultCycleMs = m.ignoredDefaultCycleMs, .recordedTimeOutMs = m.recordedTimeOutMs,
                        .recordedMnemonic = m.recordedMnemonic};
        if (ownExport) {
            for (CanSignal& s : i.signalList) {
                const QRegularExpressionMatch match = registerName.match(s.name);
                const int index = match.hasMatch() ? match.captured(1).toInt() : -1;
                if (s.registerIndex || index < 0 || index > kMaxRegisterIndex)
                    continue;
                s.registerIndex = index;
                s.registerName = true;
                const QString part = match.captured(2);
                s.recordedPart = part == u"_HI" ? CanSignal::RegisterPart::High
                    : part == u"_LO"            ? CanSignal::RegisterPart::Low
                                                : CanSignal::RegisterPart::Whole;
            }
        }
        if (m.canFd) {
            i.notImportable = QStringLiteral("a CAN FD frame: the converter speaks classic CAN");
        } else if (!m.skippedLines.isEmpty()) {
            i.notImportable = QStringLiteral("a signal line of its block could not be read (%1)").arg(m.skippedLines.join(QStringLiteral("; ")));
        }
        out.push_back(std::move(i));
    }
    return out;
}

std::vector<ImportMessage> importMessages(const CaptureSummary& capture)
{
    std::vector<ImportMessage> out;
    out.reserve(capture.frames.size());
    for (const CapturedFrame& f : capture.frames)
        out.push_back({.id = f.id, .extended = f.extended, .length = f.maxLength,
                       .name = QStringLiteral("Captured on %1").arg(f.interfaceName), .meanPeriodMs = f.meanPeriodMs,
                       .frameCount = f.count, .firstData = f.firstData, .fromCapture = true});
    return out;
}

QString identifierText(std::uint32_t id)
{
    return QStringLiteral("0x") + QString::number(id, 16).toUpper();
}

SignalPlacement placeSignal(const CanSignal& s, int frameLength)
{
    SignalPlacement p;
    if (s.multiplex == CanSignal::Multiplex::Multiplexed) {
        p.notMappedReason = QStringLiteral("multiplexed (m%1): its bytes hold other signals for other multiplexer values")
                                .arg(s.multiplexValue);
        return p;
    }
    if (s.length < 1 || s.length > 32) {
        p.notMappedReason = QStringLiteral("%1 bits long: signals of up to 32 bits are mapped").arg(s.length);
        return p;
    }
    // The bytes that hold the signal (0-based, in frame order) and where its least
    // significant bit lies in the last byte of the value, most significant byte first.
    int first = 0;
    int last = 0;
    int shift = 0;
    if (s.motorola) {
        // Motorola: the start bit is the most significant; bits run down a byte, then on to
        // bit 7 of the next byte.
        const int msb = (s.startBit / 8) * 8 + (7 - s.startBit % 8);
        const int lsb = msb + s.length - 1;
        first = msb / 8;
        last = lsb / 8;
        shift = 7 - lsb % 8;
    } else {
        first = s.startBit / 8;
        last = (s.startBit + s.length - 1) / 8;
        shift = s.startBit % 8;
    }
    const int bytes = last - first + 1;
    if (last >= frameLength || last >= 8) {
        p.notMappedReason = QStringLiteral("lies beyond the frame's %1 data bytes").arg(frameLength);
        return p;
    }
    if (bytes > 4) {
        p.notMappedReason = QStringLiteral("spread over %1 data bytes: signals within 4 bytes are mapped").arg(bytes);
        return p;
    }
    // The value's data byte numbers (1 = first byte), most significant first: Motorola
    // from the first byte on, Intel from the last byte back.
    int msbFirst[4] = {};
    for (int k = 0; k < bytes; ++k)
        msbFirst[k] = (s.motorola ? first + k : last - k) + 1;
    switch (bytes) {
    case 1: p.registers = {{0, msbFirst[0]}}; break;
    case 2: p.registers = {{msbFirst[0], msbFirst[1]}}; break;
    case 3: p.registers = {{0, msbFirst[0]}, {msbFirst[1], msbFirst[2]}}; break;
    default: p.registers = {{msbFirst[0], msbFirst[1]}, {msbFirst[2], msbFirst[3]}}; break;
    }
    p.bitOffset = shift;
    p.bitLength = s.length;
    return p;
}

QString mnemonicFromName(const QString& name)
{
    QString out;
    out.reserve(std::min<qsizetype>(name.size(), kMaxMnemonicLength));
    for (qsizetype i = 0; i < name.size() && out.size() < kMaxMnemonicLength; ++i) {
        const QChar c = name[i];
        if (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            if (out.size() + 2 > kMaxMnemonicLength)
                break;
            out += c;
            out += name[++i];
            continue;
        }
        // Text characters below the surrogates are always storable; the rest is asked.
        if ((c.unicode() >= 0x20 && c.unicode() < 0xD800) || storableInXml(QString(c)))
            out += c;
    }
    return out;
}

namespace {

// The register indexes 0 to kMaxRegisterIndex in use: one flag each.
using UsedRegisters = std::vector<bool>;

// The next index from `from` on where `count` consecutive registers are free; -1 when none.
int nextFreeRun(const UsedRegisters& used, int from, int count)
{
    int k = std::max(from, 0);
    while (k + count - 1 <= kMaxRegisterIndex) {
        int clash = -1;
        for (int j = k; j < k + count; ++j) {
            if (used[static_cast<size_t>(j)]) {
                clash = j;
                break;
            }
        }
        if (clash < 0)
            return k;
        k = clash + 1;
    }
    return -1;
}

QString wordName(const QString& signal, int part, int parts)
{
    if (parts == 1)
        return signal;
    return part == 0 ? signal + QStringLiteral(" (high word)") : signal + QStringLiteral(" (low word)");
}

} // namespace

config::RegisterSignal signalData(const CanSignal& s, const SignalPlacement& placement, int part, int parts)
{
    config::RegisterSignal r;
    r.name = s.name;
    r.unit = s.unit;
    r.factor = s.factor;
    r.offset = s.offset;
    r.isSigned = s.isSigned;
    r.isFloat = s.isFloat;
    r.word = parts == 1 ? config::WordPart::Whole : part == 0 ? config::WordPart::HighWord : config::WordPart::LowWord;
    r.bitOffset = placement.bitOffset;
    r.bitLength = placement.bitLength;
    r.startBit = s.startBit;
    r.length = s.length;
    r.motorola = s.motorola;
    r.minimum = s.minimum;
    r.maximum = s.maximum;
    r.comment = s.comment;
    r.values = s.values;
    return r;
}

ImportPlan planImport(const std::vector<ImportMessage>& chosen, const ImportTarget& target)
{
    ImportPlan plan;
    UsedRegisters used(kMaxRegisterIndex + 1, false);
    for (const int r : target.usedRegisters) {
        if (r >= 0 && r <= kMaxRegisterIndex)
            used[static_cast<size_t>(r)] = true;
    }
    size_t signalCount = 0;
    for (const ImportMessage& m : chosen)
        signalCount += m.signalList.size();
    plan.entries.reserve(signalCount);
    // The reason of a signal that finds no register, made once for each first register
    // searched from (the search starts where the last found run ended).
    QString noRoomReason;
    int noRoomParts = 0;
    int noRoomCursor = -1;
    int cursor = target.firstRegister;
    const bool receive = target.direction == Direction::Receive;
    std::unordered_map<std::uint64_t, int> seen;   // frameKey -> the chosen message that took it
    for (int mi = 0; mi < static_cast<int>(chosen.size()); ++mi) {
        const ImportMessage& m = chosen[static_cast<size_t>(mi)];
        if (!m.notImportable.isEmpty()) {
            plan.notImported.push_back({mi, m.notImportable});
            continue;
        }
        if (m.length < 1 || m.length > 8) {
            plan.notImported.push_back({mi, QStringLiteral("data length %1: the converter's frames hold 1 to 8 bytes").arg(m.length)});
            continue;
        }
        if (!target.dipSwitch && m.extended != target.jumperExtended) {
            plan.notImported.push_back(
                {mi, QStringLiteral("%1 identifier, and the configuration's frames use %2 identifiers (Set Communication)")
                         .arg(m.extended ? QStringLiteral("a 29-bit") : QStringLiteral("an 11-bit"),
                              target.jumperExtended ? QStringLiteral("29-bit") : QStringLiteral("11-bit"))});
            continue;
        }
        const std::uint64_t key = frameKey(m.id, m.extended);
        if (const auto twice = seen.find(key); twice != seen.end()) {
            const ImportMessage& before = chosen[static_cast<size_t>(twice->second)];
            plan.notImported.push_back({mi, before.line > 0 ? QStringLiteral("the identifier comes again (first at line %1): imported once")
                                                                  .arg(before.line)
                                                            : QStringLiteral("the identifier comes again: imported once")});
            continue;
        }
        seen.emplace(key, mi);

        int frameIndex = -1;
        int existingFrame = -1;
        if (const auto there = target.existingIds.find(key); there != target.existingIds.end()) {
            existingFrame = there->second;
            plan.existing.push_back({mi, existingFrame});
        } else {
            PlannedFrame f;
            f.id = m.id;
            f.extended = m.extended;
            f.length = m.length;
            f.mnemonic = mnemonicFromName(m.recordedMnemonic.value_or(m.name));
            f.messageIndex = mi;
            f.cycleTimeMs = m.cycleTimeMs;
            if (receive) {
                f.timeOutMs = std::clamp(m.timeOutMs(), 0, kMaxMilliseconds);
            } else if (m.cycleTimeMs && *m.cycleTimeMs > 0) {
                f.timerMs = std::min(*m.cycleTimeMs, kMaxMilliseconds);
            }
            frameIndex = static_cast<int>(plan.frames.size());
            plan.frames.push_back(f);
        }

        // Entries of this frame by the register they took, for the parts of one register.
        std::map<int, size_t> entryOfRegister;
        for (const CanSignal& s : m.signalList) {
            SignalPlacement placement = placeSignal(s, m.length);
            if (!placement.maps()) {
                plan.notMapped.push_back({frameIndex, existingFrame, s.name, placement.notMappedReason});
                continue;
            }
            const bool part = s.recordedPart != CanSignal::RegisterPart::Whole;
            if (part && placement.registers.size() == 1 && placement.registers[0].highByte == 0) {
                const int byte = placement.registers[0].lowByte;
                if (s.recordedPart == CanSignal::RegisterPart::High)
                    placement.registers[0] = {byte, 0};
                // The other part of a register planned already: one entry takes both.
                if (const auto there = entryOfRegister.find(*s.registerIndex); there != entryOfRegister.end()) {
                    PlannedEntry& e = plan.entries[there->second];
                    if (s.recordedPart == CanSignal::RegisterPart::High && e.highByte == 0) {
                        e.highByte = byte;
                        continue;
                    }
                    if (s.recordedPart == CanSignal::RegisterPart::Low && e.lowByte == 0) {
                        e.lowByte = byte;
                        continue;
                    }
                }
            }
            const int parts = static_cast<int>(placement.registers.size());
            // The registers recorded for the signal when they are free, else the next free run.
            int registers[2] = {-1, -1};
            if (s.registerIndex) {
                const int first = *s.registerIndex;
                const int second = s.lowWordRegister.value_or(first + 1);
                const auto free = [&](int r) { return r >= 0 && r <= kMaxRegisterIndex && !used[static_cast<size_t>(r)]; };
                if (free(first) && (parts == 1 || (second != first && free(second)))) {
                    registers[0] = first;
                    registers[1] = second;
                }
            }
            if (registers[0] < 0) {
                const int k = nextFreeRun(used, cursor, parts);
                if (k < 0) {
                    ++plan.registerOverflow;
                    if (parts != noRoomParts || cursor != noRoomCursor) {
                        noRoomReason = QStringLiteral("no %1 free from register %2 up to %3")
                                           .arg(parts == 1 ? QStringLiteral("register") : QStringLiteral("two consecutive registers"))
                                           .arg(cursor)
                                           .arg(kMaxRegisterIndex);
                        noRoomParts = parts;
                        noRoomCursor = cursor;
                    }
                    plan.notMapped.push_back({frameIndex, existingFrame, s.name, noRoomReason});
                    continue;
                }
                registers[0] = k;
                registers[1] = k + 1;
                cursor = k + parts;
            }
            for (int p = 0; p < parts; ++p) {
                PlannedEntry e;
                e.frame = frameIndex;
                e.existingFrame = existingFrame;
                e.registerIndex = registers[p];
                e.highByte = placement.registers[static_cast<size_t>(p)].highByte;
                e.lowByte = placement.registers[static_cast<size_t>(p)].lowByte;
                e.sendOnWrite = s.sendOnWrite.value_or(!receive && !target.dipSwitch);
                e.signal = wordName(s.name, p, parts);
                e.signalData = signalData(s, placement, p, parts);
                e.signalData.direction = target.direction;
                e.signalData.registerIndex = registers[p];
                e.knownSignal = !s.registerName;
                used[static_cast<size_t>(registers[p])] = true;
                entryOfRegister.emplace(registers[p], plan.entries.size());
                plan.entries.push_back(std::move(e));
            }
        }
    }
    const int frames = target.existingFrames + static_cast<int>(plan.frames.size());
    plan.frameOverflow = std::max(0, frames - target.maxFrames());
    const int entries = target.existingEntries + static_cast<int>(plan.entries.size());
    plan.entryOverflow = std::max(0, entries - kMaxMappingEntries);
    return plan;
}

QString overflowText(const ImportPlan& plan, const ImportTarget& target)
{
    const QString side = target.direction == Direction::Receive ? QStringLiteral("receive") : QStringLiteral("transmit");
    QStringList parts;
    if (plan.frameOverflow > 0) {
        parts << QStringLiteral("The %1 frame list would hold %2 frames, %3 more than its %4 rows.")
                     .arg(side)
                     .arg(target.existingFrames + static_cast<int>(plan.frames.size()))
                     .arg(plan.frameOverflow)
                     .arg(target.maxFrames());
    }
    if (plan.entryOverflow > 0) {
        parts << QStringLiteral("The %1 register mapping would hold %2 entries, %3 more than the %4 the images hold.")
                     .arg(side)
                     .arg(target.existingEntries + static_cast<int>(plan.entries.size()))
                     .arg(plan.entryOverflow)
                     .arg(kMaxMappingEntries);
    }
    if (plan.registerOverflow > 0) {
        parts << QStringLiteral("%1 signals find no free register up to %2: number the registers from a lower index.")
                     .arg(plan.registerOverflow)
                     .arg(kMaxRegisterIndex);
    }
    if (parts.isEmpty())
        return {};
    return parts.join(u' ');
}

QString importRefusal(const ImportPlan& plan, const ImportTarget& target, int chosenCount)
{
    if (chosenCount == 0)
        return QStringLiteral("No frame is chosen: tick the frames to import.");
    if (plan.frames.empty() && plan.entries.empty())
        return QStringLiteral("None of the chosen frames can be carried by the converter; nothing was imported.");
    const QString overflow = overflowText(plan, target);
    return overflow.isEmpty() ? overflow : overflow + QStringLiteral(" Nothing was imported.");
}

bool matchesFilter(const ImportMessage& message, const QString& filter)
{
    const QString f = filter.trimmed();
    if (f.isEmpty())
        return true;
    return message.name.contains(f, Qt::CaseInsensitive) || identifierText(message.id).contains(f, Qt::CaseInsensitive);
}

} // namespace px::exchange
