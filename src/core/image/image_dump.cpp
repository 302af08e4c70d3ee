#include "core/image/image_dump.h"

#include "core/base/error.h"
#include "core/image/image_decoder.h"
#include "core/image/image_layout.h"
#include "core/image/image_model.h"
#include "core/lang/message_ids.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

namespace px::image {
namespace {

using namespace layout;

class Reader {
public:
    explicit Reader(const QByteArray& b) : m_b(b) {}
    std::uint32_t u8(int pos) const { return static_cast<std::uint8_t>(m_b[pos]); }
    std::uint32_t u16(int pos) const { return u8(pos) | (u8(pos + 1) << 8); }
    std::uint32_t u32(int pos) const { return u16(pos) | (u16(pos + 2) << 16); }
    QString dotted(int pos) const
    {
        return QStringLiteral("%1.%2.%3.%4").arg(u8(pos)).arg(u8(pos + 1)).arg(u8(pos + 2)).arg(u8(pos + 3));
    }

private:
    const QByteArray& m_b;
};

QString hex32(std::uint32_t v)
{
    return QStringLiteral("0x%1").arg(v, 0, 16).toUpper().replace(QStringLiteral("0X"), QStringLiteral("0x"));
}

QString hexAddress(std::uint32_t v)
{
    return QStringLiteral("0x%1").arg(v, 5, 16, QLatin1Char('0')).toUpper().replace(QStringLiteral("0X"), QStringLiteral("0x"));
}

// ---- bank.bin ------------------------------------------------------------------------

struct LegacyLayout {
    std::array<std::uint32_t, kLegacyHeaderSections> h{};
    bool ext = false;
    bool parameters = false;
};

std::optional<LegacyLayout> legacyLayout(const Reader& r, int size)
{
    if (size < kLegacyHeaderSize)
        return std::nullopt;
    LegacyLayout l;
    for (int i = 0; i < kLegacyHeaderSections; ++i)
        l.h[static_cast<std::size_t>(i)] = r.u32(i * 4);
    const auto& h = l.h;
    if (h[0] != kLegacyHeaderSize)
        return std::nullopt;
    for (int i = 1; i < kLegacyHeaderSections; ++i) {
        if (h[static_cast<std::size_t>(i)] < h[static_cast<std::size_t>(i - 1)])
            return std::nullopt;
    }
    // Every section lies inside the file: the last start is the file length, or the
    // file length less the parameter block (compared without wrapping round).
    const auto usize = static_cast<std::uint32_t>(size);
    if (h[5] == usize)
        l.parameters = false;
    else if (usize >= kLegacyHeaderSize + kLegacyParameterBlockSize && h[5] == usize - kLegacyParameterBlockSize)
        l.parameters = true;
    else
        return std::nullopt;
    if (h[2] - h[1] == kLookupBlocksSize)
        l.ext = false;
    else if (h[2] == h[1])
        l.ext = true;
    else
        return std::nullopt;
    const std::uint32_t rxSize = l.ext ? kLegacyRxEntrySize29 : kLegacyRxEntrySize11;
    const std::uint32_t txSize = l.ext ? kLegacyTxEntrySize29 : kLegacyTxEntrySize11;
    if ((h[1] - h[0]) % rxSize != 0 || (h[3] - h[2]) % txSize != 0 || (h[4] - h[3]) % kLegacyMappingEntrySize != 0
        || (h[5] - h[4]) % kLegacyMappingEntrySize != 0)
        return std::nullopt;
    return l;
}

QString legacyBitRate(std::uint32_t code)
{
    static const char* const names[] = {nullptr, nullptr, "20K", "50K", "100K", "125K", "250K", "500K", "800K", "1000K", nullptr, "75K"};
    if (code < 12 && names[code])
        return QLatin1StringView(names[code]);
    return QStringLiteral("unknown");
}

void dumpLegacyMappings(QStringList& out, const Reader& r, const char* title, std::uint32_t from, std::uint32_t to)
{
    const std::uint32_t n = (to - from) / kLegacyMappingEntrySize;
    out << QStringLiteral("%1: %2, at %3").arg(QLatin1StringView(title)).arg(n).arg(from);
    for (std::uint32_t i = 0; i < n; ++i) {
        const int p = static_cast<int>(from + i * kLegacyMappingEntrySize);
        const std::uint32_t pos = r.u8(p + 3);
        out << QStringLiteral("  mapping %1: register %2, frame %3, high byte %4, low byte %5")
                   .arg(i + 1)
                   .arg(r.u16(p))
                   .arg(r.u8(p + 2))
                   .arg(pos >> 4)
                   .arg(pos & 0xF);
    }
}

QString dumpLegacy(const Reader& r, const LegacyLayout& l, const QString& name, int size)
{
    const auto& h = l.h;
    QStringList out;
    out << QStringLiteral("%1: legacy image (device till April 2014), %2 bytes, %3-bit identifiers")
               .arg(name)
               .arg(size)
               .arg(l.ext ? 29 : 11);
    out << QStringLiteral("header: %1 %2 %3 %4 %5 %6").arg(h[0]).arg(h[1]).arg(h[2]).arg(h[3]).arg(h[4]).arg(h[5]);

    const std::uint32_t rxSize = l.ext ? kLegacyRxEntrySize29 : kLegacyRxEntrySize11;
    const std::uint32_t rxCount = (h[1] - h[0]) / rxSize;
    out << QStringLiteral("receive frames: %1, at %2").arg(rxCount).arg(h[0]);
    for (std::uint32_t i = 0; i < rxCount; ++i) {
        const int p = static_cast<int>(h[0] + i * rxSize);
        if (l.ext) {
            out << QStringLiteral("  frame %1: identifier %2, length %3, index %4, time-out %5")
                       .arg(i + 1)
                       .arg(hex32(r.u32(p)))
                       .arg(r.u8(p + 4))
                       .arg(r.u8(p + 5))
                       .arg(r.u8(p + 6));
        } else {
            out << QStringLiteral("  frame %1: identifier %2, length %3, time-out %4")
                       .arg(i + 1)
                       .arg(hex32(r.u16(p)))
                       .arg(r.u8(p + 2))
                       .arg(r.u8(p + 3));
        }
    }
    if (!l.ext) {
        const int lookup = static_cast<int>(h[1]);
        const int bitmap = lookup + kLookupEntries * 2;
        QStringList used;
        int mismatches = 0;
        for (int id = 0; id < kLookupEntries; ++id) {
            const std::uint32_t row = r.u16(lookup + id * 2);
            const bool bit = (r.u8(bitmap + (id >> 3)) >> (id & 7)) & 1;
            if (row != kNoLookupRow)
                used << QStringLiteral("  identifier %1 -> frame %2").arg(hex32(static_cast<std::uint32_t>(id))).arg(row + 1);
            if (bit != (row != kNoLookupRow))
                ++mismatches;
        }
        out << QStringLiteral("identifier lookup blocks: at %1 and %2, %3 identifiers in use").arg(lookup).arg(bitmap).arg(used.size());
        out << used;
        if (mismatches)
            out << QStringLiteral("  warning: %1 identifiers differ between the lookup table and the bitmap").arg(mismatches);
    }

    const std::uint32_t txSize = l.ext ? kLegacyTxEntrySize29 : kLegacyTxEntrySize11;
    const std::uint32_t txCount = (h[3] - h[2]) / txSize;
    out << QStringLiteral("transmit frames: %1, at %2").arg(txCount).arg(h[2]);
    for (std::uint32_t i = 0; i < txCount; ++i) {
        const int p = static_cast<int>(h[2] + i * txSize);
        out << QStringLiteral("  frame %1: identifier %2, length %3")
                   .arg(i + 1)
                   .arg(hex32(l.ext ? r.u32(p) : r.u16(p)))
                   .arg(r.u8(p + static_cast<int>(txSize) - 1));
    }
    dumpLegacyMappings(out, r, "receive mappings", h[3], h[4]);
    dumpLegacyMappings(out, r, "transmit mappings", h[4], h[5]);

    if (!l.parameters) {
        out << QStringLiteral("parameter block: none (the configuration had no ParGen.xml)");
    } else {
        const int p = static_cast<int>(h[5]);
        out << QStringLiteral("parameter block: at %1").arg(p);
        namespace b = legacy_block;
        out << QStringLiteral("  CAN bit-rate code: %1 (%2)").arg(r.u8(p + b::kBitRateCode)).arg(legacyBitRate(r.u8(p + b::kBitRateCode)));
        out << QStringLiteral("  CAN type: %1 (%2 bits)").arg(r.u8(p + b::kCanType)).arg(r.u8(p + b::kCanType) == 0 ? 11 : 29);
        out << QStringLiteral("  IP address: %1").arg(r.dotted(p + b::kIp));
        out << QStringLiteral("  subnet mask: %1").arg(r.dotted(p + b::kMask));
        out << QStringLiteral("  Modbus TCP port: %1").arg(r.u16(p + b::kPort));
        out << QStringLiteral("  receive frames: %1").arg(r.u16(p + b::kRxFrames));
        out << QStringLiteral("  transmit frames: %1").arg(r.u16(p + b::kTxFrames));
        out << QStringLiteral("  receive mappings: %1").arg(r.u16(p + b::kRxMappings));
        out << QStringLiteral("  transmit mappings: %1").arg(r.u16(p + b::kTxMappings));
        out << QStringLiteral("  CAN time-out: %1 ms").arg(r.u16(p + b::kCanTimeOut));
        out << QStringLiteral("  gateway enabled: %1").arg(r.u8(p + b::kGatewayEnabled));
        out << QStringLiteral("  gateway: %1").arg(r.dotted(p + b::kGateway));
        out << QStringLiteral("  fast start-up: %1").arg(r.u8(p + b::kFastBoot));
        if (r.u16(p + b::kRxFrames) != rxCount || r.u16(p + b::kTxFrames) != txCount
            || r.u16(p + b::kRxMappings) != (h[4] - h[3]) / kLegacyMappingEntrySize
            || r.u16(p + b::kTxMappings) != (h[5] - h[4]) / kLegacyMappingEntrySize)
            out << QStringLiteral("  warning: the counts differ from the sections");
    }
    return out.join(u'\n') + u'\n';
}

// ---- the current images ---------------------------------------------------------------

void warnBeyond(QStringList& out, int filled)
{
    if (filled)
        out << QStringLiteral("  warning: %1 entries past those in use are not empty").arg(filled);
}

template <typename Entry, typename Empty>
int filledBeyond(const std::vector<Entry>& table, int used, Empty empty)
{
    int filled = 0;
    for (std::size_t i = static_cast<std::size_t>(used); i < table.size(); ++i) {
        if (!empty(table[i]))
            ++filled;
    }
    return filled;
}

QString flagNames(std::uint32_t flags, bool transmit)
{
    QStringList names;
    if (transmit) {
        if (flags & kFlagRtr)
            names << QStringLiteral("RTR");
        if (flags & kFlagOnChange)
            names << QStringLiteral("on change");
        if (flags & kFlagOnTimer)
            names << QStringLiteral("on timer");
    } else if (flags & kFlagRtrPolling) {
        names << QStringLiteral("RTR polling");
    }
    return QStringLiteral("0x%1").arg(flags, 2, 16, QLatin1Char('0')).toUpper().replace(QStringLiteral("0X"), QStringLiteral("0x"))
           + (names.isEmpty() ? QString() : QStringLiteral(" (") + names.join(QStringLiteral(", ")) + u')');
}

void dumpFrames(QStringList& out, const std::vector<StoredFrameEntry>& table, bool transmit, std::optional<std::uint32_t> count)
{
    const int used = framesInUse(table, count);
    out << QStringLiteral("%1 frames: %2 in use").arg(transmit ? QStringLiteral("transmit") : QStringLiteral("receive")).arg(used);
    for (int i = 0; i < used; ++i) {
        const FrameEntry& f = table[static_cast<std::size_t>(i)].frame;
        const QString ident = QStringLiteral("%1 (%2 bits)").arg(hex32(f.id & ~kExtendedIdBit)).arg(f.id & kExtendedIdBit ? 29 : 11);
        if (transmit) {
            out << QStringLiteral("  frame %1: identifier %2, length %3, timer %4 ms, flags %5")
                       .arg(i + 1)
                       .arg(ident)
                       .arg(f.length)
                       .arg(f.period)
                       .arg(flagNames(f.flags, true));
        } else {
            out << QStringLiteral("  frame %1: identifier %2, length %3, time-out %4 ms, RTR period %5 ms, flags %6")
                       .arg(i + 1)
                       .arg(ident)
                       .arg(f.length)
                       .arg(f.time)
                       .arg(f.period)
                       .arg(flagNames(f.flags, false));
        }
    }
    warnBeyond(out, filledBeyond(table, used, [](const StoredFrameEntry& e) { return e.isEmpty(); }));
}

QString byteNumber(std::uint32_t n)
{
    if (n == 0)
        return QStringLiteral("none");
    return QStringLiteral("%1 (frame %2 byte %3)").arg(n).arg((n - 1) / 8 + 1).arg((n - 1) % 8 + 1);
}

void dumpMappings(QStringList& out, const std::vector<MappingEntry>& table, bool transmit, std::optional<std::uint32_t> count)
{
    const int used = mappingsInUse(table, count);
    out << QStringLiteral("%1 mappings: %2 in use").arg(transmit ? QStringLiteral("transmit") : QStringLiteral("receive")).arg(used);
    for (int i = 0; i < used; ++i) {
        const MappingEntry& m = table[static_cast<std::size_t>(i)];
        const std::uint32_t frame = m.frame;
        out << QStringLiteral("  mapping %1: register %2, frame %3%4, high byte %5, low byte %6")
                   .arg(i + 1)
                   .arg(m.reg)
                   .arg((frame & ~std::uint32_t(kSendOnWriteBit)) + 1)
                   .arg(transmit && (frame & kSendOnWriteBit) ? QStringLiteral(", send on write") : QString())
                   .arg(byteNumber(m.highByte))
                   .arg(byteNumber(m.lowByte));
    }
    warnBeyond(out, filledBeyond(table, used, [](const MappingEntry& m) { return isEmpty(m); }));
}

void dumpDefaults(QStringList& out, const std::vector<std::uint8_t>& table, bool transmit)
{
    QStringList set;
    for (int f = 0; f < kDefaultValueFrames; ++f) {
        const auto* bytes = table.data() + f * kDefaultBytesPerFrame;
        if (std::any_of(bytes, bytes + kDefaultBytesPerFrame, [](std::uint8_t b) { return b != 0; })) {
            QStringList parts;
            for (int k = 0; k < kDefaultBytesPerFrame; ++k)
                parts << QStringLiteral("%1").arg(bytes[k], 2, 16, QLatin1Char('0')).toUpper();
            set << QStringLiteral("  frame %1: %2").arg(f + 1).arg(parts.join(u' '));
        }
    }
    out << QStringLiteral("%1 default values: %2 frames set")
               .arg(transmit ? QStringLiteral("transmit") : QStringLiteral("receive"))
               .arg(set.size());
    out << set;
}

QString dotted(const std::array<std::uint8_t, 4>& q)
{
    return QStringLiteral("%1.%2.%3.%4").arg(q[0]).arg(q[1]).arg(q[2]).arg(q[3]);
}

void dumpRecord(QStringList& out, const DecodedRecord& r, int rec)
{
    const ParameterRecord& f = r.fields;
    out << QStringLiteral("parameter record: at %1").arg(rec);
    auto line = [&](int offset, const QString& name, const QString& value) {
        out << QStringLiteral("  [%1] %2: %3").arg(offset, 4).arg(name, value);
    };
    // The fixed values, by their place in record::kFixedValues.
    auto fixed = [&](std::size_t index) {
        const DecodedRecord::FixedValue& v = r.fixedValues.at(index);
        auto shown = [](std::uint32_t x) { return x >= 0x10000 ? hexAddress(x) : QString::number(x); };
        line(v.offset, QStringLiteral("fixed value"),
             shown(v.stored) + (v.stored == v.expected ? QString() : QStringLiteral(" (expected %1)").arg(shown(v.expected))));
    };
    line(record::kCanBitRate, QStringLiteral("CAN bit rate"), QStringLiteral("%1 bit/s").arg(f.canBitRate));
    fixed(0);
    fixed(1);
    line(record::kIp, QStringLiteral("IP address"), dotted(f.ip));
    line(record::kMask, QStringLiteral("subnet mask"), dotted(f.mask));
    line(record::kGateway, QStringLiteral("gateway"), dotted(f.gateway));
    fixed(2);
    line(record::kPort, QStringLiteral("Modbus TCP port"), QString::number(f.port));
    line(record::kPort2, QStringLiteral("Modbus TCP port, second copy"), QString::number(f.port2));
    fixed(3);
    fixed(4);
    fixed(5);
    line(record::kRxFrameCount, QStringLiteral("receive frames"), QString::number(f.rxFrameCount));
    line(record::kTxFrameCount, QStringLiteral("transmit frames"), QString::number(f.txFrameCount));
    line(record::kRxMappingCount, QStringLiteral("receive mapping entries"), QString::number(f.rxMappingCount));
    line(record::kTxMappingCount, QStringLiteral("transmit mapping entries"), QString::number(f.txMappingCount));
    const TableAddresses& a = r.addresses;
    line(record::kRxFramesAddress, QStringLiteral("receive frame table address"), hexAddress(a.rxFrames));
    line(record::kTxFramesAddress, QStringLiteral("transmit frame table address"), hexAddress(a.txFrames));
    line(record::kRxMappingsAddress, QStringLiteral("receive mapping table address"), hexAddress(a.rxMappings));
    line(record::kTxMappingsAddress, QStringLiteral("transmit mapping table address"), hexAddress(a.txMappings));
    line(record::kRxDefaultsAddress, QStringLiteral("receive default-value table address"), hexAddress(a.rxDefaults));
    line(record::kTxDefaultsAddress, QStringLiteral("transmit default-value table address"), hexAddress(a.txDefaults));
    auto same = [](const TableAddresses& x, const TableAddresses& y) {
        return x.rxFrames == y.rxFrames && x.txFrames == y.txFrames && x.rxMappings == y.rxMappings
               && x.txMappings == y.txMappings && x.rxDefaults == y.rxDefaults && x.txDefaults == y.txDefaults;
    };
    out << QStringLiteral("  table addresses: %1")
               .arg(same(a, kBank2Addresses)   ? QStringLiteral("main memory (bank2.bin loaded at 0x57800)")
                    : same(a, kEsp32Addresses) ? QStringLiteral("ESP32 part (bank_ESP32_2.bin loaded at 0x310000)")
                                               : QStringLiteral("neither the main memory's nor the ESP32 part's"));
    QStringList nonZero;
    for (const int offset : r.nonZeroReserved)
        nonZero << QString::number(offset);
    out << (nonZero.isEmpty() ? QStringLiteral("  reserved and fill bytes: all 0")
                              : QStringLiteral("  reserved and fill bytes not 0 at offsets: %1").arg(nonZero.join(QStringLiteral(", "))));
    out << QStringLiteral("  [%1] checksum: %2 (%3)")
               .arg(kRecordChecksumOffset, 4)
               .arg(r.storedChecksum)
               .arg(r.storedChecksum == r.computedChecksum ? QStringLiteral("correct")
                                                           : QStringLiteral("WRONG, the bytes sum to %1").arg(r.computedChecksum));
}

void dumpTables(QStringList& out, const DecodedTables& t, const ParameterRecord* counts)
{
    auto count = [counts](std::uint32_t ParameterRecord::*field) {
        return counts ? std::optional<std::uint32_t>(counts->*field) : std::nullopt;
    };
    dumpFrames(out, t.rxFrames, false, count(&ParameterRecord::rxFrameCount));
    dumpFrames(out, t.txFrames, true, count(&ParameterRecord::txFrameCount));
    dumpMappings(out, t.rxMappings, false, count(&ParameterRecord::rxMappingCount));
    dumpMappings(out, t.txMappings, true, count(&ParameterRecord::txMappingCount));
    dumpDefaults(out, t.rxDefaults, false);
    dumpDefaults(out, t.txDefaults, true);
}

} // namespace

QString dumpImage(const QByteArray& bytes, const QString& name)
{
    const Reader r(bytes);
    const int size = static_cast<int>(bytes.size());
    if (const auto l = legacyLayout(r, size))
        return dumpLegacy(r, *l, name, size);

    const std::optional<DecodedCurrentImage> image = decodeCurrentImage(bytes);
    if (!image) {
        throw Error(msg::kNotAnImage, {name, size, kBank2Size, kEsp32RecordImageSize, kEsp32TablesImageSize});
    }
    QStringList out;
    switch (image->kind) {
    case DecodedCurrentImage::Kind::MainMemory:
        out << QStringLiteral("%1: current image (device from May 2014, main memory), %2 bytes").arg(name).arg(size);
        dumpRecord(out, *image->record, kBank2RecordOffset);
        dumpTables(out, *image->tables, &image->record->fields);
        break;
    case DecodedCurrentImage::Kind::Esp32Record:
        out << QStringLiteral("%1: ESP32 parameter record (device from May 2014), %2 bytes").arg(name).arg(size);
        dumpRecord(out, *image->record, 0);
        break;
    case DecodedCurrentImage::Kind::Esp32Tables:
        out << QStringLiteral("%1: ESP32 tables (device from May 2014), %2 bytes; without a record, the entries in use "
                              "are those up to the last that is not empty")
                   .arg(name)
                   .arg(size);
        dumpTables(out, *image->tables, nullptr);
        break;
    }
    return out.join(u'\n') + u'\n';
}

} // namespace px::image
