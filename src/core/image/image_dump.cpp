#include "core/image/image_dump.h"

#include "core/base/error.h"
#include "core/image/image_layout.h"
#include "core/image/image_model.h"

#include <QStringList>

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
    QString bytes(int pos, int n) const
    {
        QStringList parts;
        for (int i = 0; i < n; ++i)
            parts << QStringLiteral("%1").arg(u8(pos + i), 2, 16, QLatin1Char('0')).toUpper();
        return parts.join(u' ');
    }
    bool allZero(int pos, int n) const
    {
        for (int i = 0; i < n; ++i) {
            if (m_b[pos + i] != '\0')
                return false;
        }
        return true;
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
    std::array<std::uint32_t, 6> h{};
    bool ext = false;
    bool parameters = false;
};

std::optional<LegacyLayout> legacyLayout(const Reader& r, int size)
{
    if (size < kLegacyHeaderSize)
        return std::nullopt;
    LegacyLayout l;
    for (int i = 0; i < 6; ++i)
        l.h[static_cast<std::size_t>(i)] = r.u32(i * 4);
    const auto& h = l.h;
    if (h[0] != kLegacyHeaderSize)
        return std::nullopt;
    for (int i = 1; i < 6; ++i) {
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
    const std::uint32_t blocks = kLookupEntries * 2 + kIdBitmapSize;
    if (h[2] - h[1] == blocks)
        l.ext = false;
    else if (h[2] == h[1])
        l.ext = true;
    else
        return std::nullopt;
    const std::uint32_t rxSize = l.ext ? 7 : 4;
    const std::uint32_t txSize = l.ext ? 5 : 3;
    if ((h[1] - h[0]) % rxSize != 0 || (h[3] - h[2]) % txSize != 0 || (h[4] - h[3]) % 4 != 0 || (h[5] - h[4]) % 4 != 0)
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
    const std::uint32_t n = (to - from) / 4;
    out << QStringLiteral("%1: %2, at %3").arg(QLatin1StringView(title)).arg(n).arg(from);
    for (std::uint32_t i = 0; i < n; ++i) {
        const int p = static_cast<int>(from + i * 4);
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

    const std::uint32_t rxSize = l.ext ? 7 : 4;
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
            if (row != 0xFFFF)
                used << QStringLiteral("  identifier %1 -> frame %2").arg(hex32(static_cast<std::uint32_t>(id))).arg(row + 1);
            if (bit != (row != 0xFFFF))
                ++mismatches;
        }
        out << QStringLiteral("identifier lookup blocks: at %1 and %2, %3 identifiers in use").arg(lookup).arg(bitmap).arg(used.size());
        out << used;
        if (mismatches)
            out << QStringLiteral("  warning: %1 identifiers differ between the lookup table and the bitmap").arg(mismatches);
    }

    const std::uint32_t txSize = l.ext ? 5 : 3;
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
        out << QStringLiteral("  CAN bit-rate code: %1 (%2)").arg(r.u8(p)).arg(legacyBitRate(r.u8(p)));
        out << QStringLiteral("  CAN type: %1 (%2 bits)").arg(r.u8(p + 1)).arg(r.u8(p + 1) == 0 ? 11 : 29);
        out << QStringLiteral("  IP address: %1").arg(r.dotted(p + 2));
        out << QStringLiteral("  subnet mask: %1").arg(r.dotted(p + 6));
        out << QStringLiteral("  Modbus TCP port: %1").arg(r.u16(p + 10));
        out << QStringLiteral("  receive frames: %1").arg(r.u16(p + 12));
        out << QStringLiteral("  transmit frames: %1").arg(r.u16(p + 14));
        out << QStringLiteral("  receive mappings: %1").arg(r.u16(p + 16));
        out << QStringLiteral("  transmit mappings: %1").arg(r.u16(p + 18));
        out << QStringLiteral("  CAN time-out: %1 ms").arg(r.u16(p + 20));
        out << QStringLiteral("  gateway enabled: %1").arg(r.u8(p + 22));
        out << QStringLiteral("  gateway: %1").arg(r.dotted(p + 23));
        out << QStringLiteral("  fast start-up: %1").arg(r.u8(p + 27));
        if (r.u16(p + 12) != rxCount || r.u16(p + 14) != txCount || r.u16(p + 16) != (h[4] - h[3]) / 4
            || r.u16(p + 18) != (h[5] - h[4]) / 4)
            out << QStringLiteral("  warning: the counts differ from the sections");
    }
    return out.join(u'\n') + u'\n';
}

// ---- the current images ---------------------------------------------------------------

struct Counts {
    std::optional<std::uint32_t> rxFrames, txFrames, rxMappings, txMappings;
};

// Entries up to the count when the record gives it, else up to the last that is not empty.
int entriesInUse(const Reader& r, int table, int entrySize, int room, std::optional<std::uint32_t> count)
{
    if (count)
        return static_cast<int>(std::min<std::uint32_t>(*count, static_cast<std::uint32_t>(room)));
    int n = room;
    while (n > 0 && r.allZero(table + (n - 1) * entrySize, entrySize))
        --n;
    return n;
}

void warnBeyond(QStringList& out, const Reader& r, int table, int entrySize, int room, int used)
{
    int filled = 0;
    for (int i = used; i < room; ++i) {
        if (!r.allZero(table + i * entrySize, entrySize))
            ++filled;
    }
    if (filled)
        out << QStringLiteral("  warning: %1 entries past those in use are not empty").arg(filled);
}

QString flagNames(std::uint32_t flags, bool transmit)
{
    QStringList names;
    if (transmit) {
        if (flags & 0x01)
            names << QStringLiteral("RTR");
        if (flags & 0x02)
            names << QStringLiteral("on change");
        if (flags & 0x04)
            names << QStringLiteral("on timer");
    } else if (flags & 0x08) {
        names << QStringLiteral("RTR polling");
    }
    return QStringLiteral("0x%1").arg(flags, 2, 16, QLatin1Char('0')).toUpper().replace(QStringLiteral("0X"), QStringLiteral("0x"))
           + (names.isEmpty() ? QString() : QStringLiteral(" (") + names.join(QStringLiteral(", ")) + u')');
}

void dumpFrames(QStringList& out, const Reader& r, int table, bool transmit, std::optional<std::uint32_t> count)
{
    const int used = entriesInUse(r, table, kFrameEntrySize, kMaxFrames, count);
    out << QStringLiteral("%1 frames: %2 in use").arg(transmit ? QStringLiteral("transmit") : QStringLiteral("receive")).arg(used);
    for (int i = 0; i < used; ++i) {
        const int p = table + i * kFrameEntrySize;
        const std::uint32_t id = r.u32(p);
        const QString ident = QStringLiteral("%1 (%2 bits)").arg(hex32(id & 0x7FFFFFFF)).arg(id & 0x80000000u ? 29 : 11);
        if (transmit) {
            out << QStringLiteral("  frame %1: identifier %2, length %3, timer %4 ms, flags %5")
                       .arg(i + 1)
                       .arg(ident)
                       .arg(r.u8(p + 12))
                       .arg(r.u32(p + 8))
                       .arg(flagNames(r.u8(p + 13), true));
        } else {
            out << QStringLiteral("  frame %1: identifier %2, length %3, time-out %4 ms, RTR period %5 ms, flags %6")
                       .arg(i + 1)
                       .arg(ident)
                       .arg(r.u8(p + 12))
                       .arg(r.u32(p + 4))
                       .arg(r.u32(p + 8))
                       .arg(flagNames(r.u8(p + 13), false));
        }
    }
    warnBeyond(out, r, table, kFrameEntrySize, kMaxFrames, used);
}

QString byteNumber(std::uint32_t n)
{
    if (n == 0)
        return QStringLiteral("none");
    return QStringLiteral("%1 (frame %2 byte %3)").arg(n).arg((n - 1) / 8 + 1).arg((n - 1) % 8 + 1);
}

void dumpMappings(QStringList& out, const Reader& r, int table, bool transmit, std::optional<std::uint32_t> count)
{
    const int used = entriesInUse(r, table, kMappingEntrySize, kMaxMappings, count);
    out << QStringLiteral("%1 mappings: %2 in use").arg(transmit ? QStringLiteral("transmit") : QStringLiteral("receive")).arg(used);
    for (int i = 0; i < used; ++i) {
        const int p = table + i * kMappingEntrySize;
        const std::uint32_t frame = r.u16(p + 2);
        out << QStringLiteral("  mapping %1: register %2, frame %3%4, high byte %5, low byte %6")
                   .arg(i + 1)
                   .arg(r.u16(p))
                   .arg((frame & 0x7FFF) + 1)
                   .arg(transmit && (frame & 0x8000) ? QStringLiteral(", send on write") : QString())
                   .arg(byteNumber(r.u16(p + 4)))
                   .arg(byteNumber(r.u16(p + 6)));
    }
    warnBeyond(out, r, table, kMappingEntrySize, kMaxMappings, used);
}

void dumpDefaults(QStringList& out, const Reader& r, int table, bool transmit)
{
    QStringList set;
    for (int f = 0; f < kDefaultValueFrames; ++f) {
        if (!r.allZero(table + f * 8, 8))
            set << QStringLiteral("  frame %1: %2").arg(f + 1).arg(r.bytes(table + f * 8, 8));
    }
    out << QStringLiteral("%1 default values: %2 frames set")
               .arg(transmit ? QStringLiteral("transmit") : QStringLiteral("receive"))
               .arg(set.size());
    out << set;
}

Counts dumpRecord(QStringList& out, const Reader& r, int rec)
{
    out << QStringLiteral("parameter record: at %1").arg(rec);
    auto line = [&](int offset, const QString& name, const QString& value) {
        out << QStringLiteral("  [%1] %2: %3").arg(offset, 4).arg(name, value);
    };
    auto fixed = [&](int offset, int width, std::uint32_t expected) {
        const std::uint32_t v = width == 2 ? r.u16(rec + offset) : r.u32(rec + offset);
        auto shown = [](std::uint32_t x) { return x >= 0x10000 ? hexAddress(x) : QString::number(x); };
        line(offset, QStringLiteral("fixed value"),
             shown(v) + (v == expected ? QString() : QStringLiteral(" (expected %1)").arg(shown(expected))));
    };
    line(0, QStringLiteral("CAN bit rate"), QStringLiteral("%1 bit/s").arg(r.u32(rec)));
    fixed(12, 4, 9600);
    fixed(16, 2, 8);
    line(40, QStringLiteral("IP address"), r.dotted(rec + 40));
    line(44, QStringLiteral("subnet mask"), r.dotted(rec + 44));
    line(48, QStringLiteral("gateway"), r.dotted(rec + 48));
    fixed(52, 2, 10000);
    line(54, QStringLiteral("Modbus TCP port"), QString::number(r.u16(rec + 54)));
    line(56, QStringLiteral("Modbus TCP port, second copy"), QString::number(r.u16(rec + 56)));
    fixed(60, 4, 9600);
    fixed(64, 2, 8);
    fixed(196, 4, 0x60000);
    Counts c;
    c.rxFrames = r.u32(rec + 280);
    c.txFrames = r.u32(rec + 284);
    c.rxMappings = r.u32(rec + 288);
    c.txMappings = r.u32(rec + 292);
    line(280, QStringLiteral("receive frames"), QString::number(*c.rxFrames));
    line(284, QStringLiteral("transmit frames"), QString::number(*c.txFrames));
    line(288, QStringLiteral("receive mapping entries"), QString::number(*c.rxMappings));
    line(292, QStringLiteral("transmit mapping entries"), QString::number(*c.txMappings));
    const TableAddresses a{r.u32(rec + 296), r.u32(rec + 300), r.u32(rec + 304), r.u32(rec + 308), r.u32(rec + 328), r.u32(rec + 332)};
    line(296, QStringLiteral("receive frame table address"), hexAddress(a.rxFrames));
    line(300, QStringLiteral("transmit frame table address"), hexAddress(a.txFrames));
    line(304, QStringLiteral("receive mapping table address"), hexAddress(a.rxMappings));
    line(308, QStringLiteral("transmit mapping table address"), hexAddress(a.txMappings));
    line(328, QStringLiteral("receive default-value table address"), hexAddress(a.rxDefaults));
    line(332, QStringLiteral("transmit default-value table address"), hexAddress(a.txDefaults));
    auto same = [](const TableAddresses& x, const TableAddresses& y) {
        return x.rxFrames == y.rxFrames && x.txFrames == y.txFrames && x.rxMappings == y.rxMappings
               && x.txMappings == y.txMappings && x.rxDefaults == y.rxDefaults && x.txDefaults == y.txDefaults;
    };
    out << QStringLiteral("  table addresses: %1")
               .arg(same(a, kBank2Addresses)   ? QStringLiteral("main memory (bank2.bin loaded at 0x57800)")
                    : same(a, kEsp32Addresses) ? QStringLiteral("ESP32 part (bank_ESP32_2.bin loaded at 0x310000)")
                                               : QStringLiteral("neither the main memory's nor the ESP32 part's"));
    // Every byte not named above is reserved or fill and holds 0.
    static constexpr std::array<std::pair<int, int>, 7> named{{{0, 4}, {12, 6}, {40, 18}, {60, 6}, {196, 4}, {280, 32}, {328, 8}}};
    QStringList nonZero;
    for (int i = 0; i < kRecordChecksumOffset; ++i) {
        bool isNamed = false;
        for (const auto& [from, n] : named)
            isNamed = isNamed || (i >= from && i < from + n);
        if (!isNamed && r.u8(rec + i) != 0)
            nonZero << QString::number(i);
    }
    out << (nonZero.isEmpty() ? QStringLiteral("  reserved and fill bytes: all 0")
                              : QStringLiteral("  reserved and fill bytes not 0 at offsets: %1").arg(nonZero.join(QStringLiteral(", "))));
    return c;
}

QString checksumLine(const QByteArray& bytes, const Reader& r, int rec)
{
    const std::uint32_t stored = r.u32(rec + kRecordChecksumOffset);
    const std::uint32_t computed = recordChecksum(bytes.constData() + rec);
    return QStringLiteral("  [%1] checksum: %2 (%3)")
        .arg(kRecordChecksumOffset, 4)
        .arg(stored)
        .arg(stored == computed ? QStringLiteral("correct") : QStringLiteral("WRONG, the bytes sum to %1").arg(computed));
}

} // namespace

QString dumpImage(const QByteArray& bytes, const QString& name)
{
    const Reader r(bytes);
    const int size = static_cast<int>(bytes.size());
    if (const auto l = legacyLayout(r, size))
        return dumpLegacy(r, *l, name, size);

    QStringList out;
    const int rxFrames = 0;
    const int txFrames = kFrameTableSize;
    const int rxMap = 2 * kFrameTableSize;
    const int txMap = rxMap + kMappingTableSize;
    if (size == kBank2Size) {
        out << QStringLiteral("%1: current image (device from May 2014, main memory), %2 bytes").arg(name).arg(size);
        const int rec = txMap + kMappingTableSize;
        const Counts c = dumpRecord(out, r, rec);
        out << checksumLine(bytes, r, rec);
        dumpFrames(out, r, rxFrames, false, c.rxFrames);
        dumpFrames(out, r, txFrames, true, c.txFrames);
        dumpMappings(out, r, rxMap, false, c.rxMappings);
        dumpMappings(out, r, txMap, true, c.txMappings);
        dumpDefaults(out, r, rec + kRecordSize, false);
        dumpDefaults(out, r, rec + kRecordSize + kDefaultValueTableSize, true);
    } else if (size == kEsp32RecordImageSize) {
        out << QStringLiteral("%1: ESP32 parameter record (device from May 2014), %2 bytes").arg(name).arg(size);
        dumpRecord(out, r, 0);
        out << checksumLine(bytes, r, 0);
    } else if (size == kEsp32TablesImageSize) {
        out << QStringLiteral("%1: ESP32 tables (device from May 2014), %2 bytes; without a record, the entries in use "
                              "are those up to the last that is not empty")
                   .arg(name)
                   .arg(size);
        dumpFrames(out, r, rxFrames, false, std::nullopt);
        dumpFrames(out, r, txFrames, true, std::nullopt);
        dumpMappings(out, r, rxMap, false, std::nullopt);
        dumpMappings(out, r, txMap, true, std::nullopt);
        dumpDefaults(out, r, txMap + kMappingTableSize, false);
        dumpDefaults(out, r, txMap + kMappingTableSize + kDefaultValueTableSize, true);
    } else {
        throw Error(QStringLiteral("%1: not a configuration image (%2 bytes: neither a legacy image with a valid header "
                                   "nor %3, %4 or %5 bytes long)")
                        .arg(name)
                        .arg(size)
                        .arg(kBank2Size)
                        .arg(kEsp32RecordImageSize)
                        .arg(kEsp32TablesImageSize));
    }
    return out.join(u'\n') + u'\n';
}

} // namespace px::image
