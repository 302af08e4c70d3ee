#include "core/image/image_decoder.h"

#include "core/image/image_layout.h"

#include <algorithm>
#include <array>
#include <utility>

namespace px::image {
namespace {

using namespace layout;

std::uint32_t u8(const char* p)
{
    return static_cast<std::uint8_t>(*p);
}
std::uint32_t u16(const char* p)
{
    return u8(p) | (u8(p + 1) << 8);
}
std::uint32_t u32(const char* p)
{
    return u16(p) | (u16(p + 2) << 16);
}

std::array<std::uint8_t, 4> quad(const char* p)
{
    return {static_cast<std::uint8_t>(p[0]), static_cast<std::uint8_t>(p[1]), static_cast<std::uint8_t>(p[2]),
            static_cast<std::uint8_t>(p[3])};
}

std::vector<StoredFrameEntry> frameTable(const char* p)
{
    std::vector<StoredFrameEntry> table(kMaxFrames);
    for (auto& e : table) {
        e.frame.id = u32(p);
        e.frame.time = u32(p + 4);
        e.frame.period = u32(p + 8);
        e.frame.length = static_cast<std::uint8_t>(u8(p + 12));
        e.frame.flags = static_cast<std::uint8_t>(u8(p + 13));
        e.spare = static_cast<std::uint16_t>(u16(p + 14));
        p += kFrameEntrySize;
    }
    return table;
}

std::vector<MappingEntry> mappingTable(const char* p)
{
    std::vector<MappingEntry> table(kMaxMappings);
    for (auto& m : table) {
        m.reg = static_cast<std::uint16_t>(u16(p));
        m.frame = static_cast<std::uint16_t>(u16(p + 2));
        m.highByte = static_cast<std::uint16_t>(u16(p + 4));
        m.lowByte = static_cast<std::uint16_t>(u16(p + 6));
        p += kMappingEntrySize;
    }
    return table;
}

std::vector<std::uint8_t> defaultTable(const char* p)
{
    return std::vector<std::uint8_t>(reinterpret_cast<const std::uint8_t*>(p),
                                     reinterpret_cast<const std::uint8_t*>(p) + kDefaultValueTableSize);
}

// The four tables laid out one after the other from `p` (both frame tables, then both
// mapping tables); the default values lie at `defaults`.
DecodedTables tablesAt(const char* p, const char* defaults)
{
    DecodedTables t;
    t.rxFrames = frameTable(p);
    t.txFrames = frameTable(p + kFrameTableSize);
    t.rxMappings = mappingTable(p + 2 * kFrameTableSize);
    t.txMappings = mappingTable(p + 2 * kFrameTableSize + kMappingTableSize);
    t.rxDefaults = defaultTable(defaults);
    t.txDefaults = defaultTable(defaults + kDefaultValueTableSize);
    return t;
}

bool isEmpty(const StoredFrameEntry& e)
{
    return e.isEmpty();
}

template <typename Entry>
int inUse(const std::vector<Entry>& table, std::optional<std::uint32_t> count)
{
    const int room = static_cast<int>(table.size());
    if (count)
        return static_cast<int>(std::min<std::uint32_t>(*count, static_cast<std::uint32_t>(room)));
    int n = room;
    while (n > 0 && isEmpty(table[static_cast<std::size_t>(n - 1)]))
        --n;
    return n;
}

} // namespace

int framesInUse(const std::vector<StoredFrameEntry>& table, std::optional<std::uint32_t> count)
{
    return inUse(table, count);
}

int mappingsInUse(const std::vector<MappingEntry>& table, std::optional<std::uint32_t> count)
{
    return inUse(table, count);
}

DecodedRecord decodeRecord(const char* rec)
{
    DecodedRecord r;
    ParameterRecord& f = r.fields;
    f.canBitRate = u32(rec);
    f.ip = quad(rec + 40);
    f.mask = quad(rec + 44);
    f.gateway = quad(rec + 48);
    f.port = static_cast<std::uint16_t>(u16(rec + 54));
    f.port2 = static_cast<std::uint16_t>(u16(rec + 56));
    f.rxFrameCount = u32(rec + 280);
    f.txFrameCount = u32(rec + 284);
    f.rxMappingCount = u32(rec + 288);
    f.txMappingCount = u32(rec + 292);
    f.addresses = {u32(rec + 296), u32(rec + 300), u32(rec + 304), u32(rec + 308), u32(rec + 328), u32(rec + 332)};

    static constexpr std::array<std::array<std::uint32_t, 3>, 6> fixed{
        {{12, 4, 9600}, {16, 2, 8}, {52, 2, 10000}, {60, 4, 9600}, {64, 2, 8}, {196, 4, 0x60000}}};
    for (const auto& [offset, width, expected] : fixed) {
        const int at = static_cast<int>(offset);
        r.fixedValues.push_back({at, static_cast<int>(width), width == 2 ? u16(rec + at) : u32(rec + at), expected});
    }

    // Every byte that is no field above is reserved or fill and holds 0.
    static constexpr std::array<std::pair<int, int>, 7> named{
        {{0, 4}, {12, 6}, {40, 18}, {60, 6}, {196, 4}, {280, 32}, {328, 8}}};
    for (int i = 0; i < kRecordChecksumOffset; ++i) {
        bool isNamed = false;
        for (const auto& [from, n] : named)
            isNamed = isNamed || (i >= from && i < from + n);
        if (!isNamed && rec[i] != '\0')
            r.nonZeroReserved.push_back(i);
    }
    r.storedChecksum = u32(rec + kRecordChecksumOffset);
    r.computedChecksum = recordChecksum(rec);
    return r;
}

std::optional<DecodedCurrentImage> decodeCurrentImage(const QByteArray& bytes)
{
    const char* p = bytes.constData();
    const int recordAt = 2 * kFrameTableSize + 2 * kMappingTableSize;
    DecodedCurrentImage image;
    switch (bytes.size()) {
    case kBank2Size:
        image.kind = DecodedCurrentImage::Kind::MainMemory;
        image.record = decodeRecord(p + recordAt);
        image.tables = tablesAt(p, p + recordAt + kRecordSize);
        return image;
    case kEsp32RecordImageSize:
        image.kind = DecodedCurrentImage::Kind::Esp32Record;
        image.record = decodeRecord(p);
        return image;
    case kEsp32TablesImageSize:
        image.kind = DecodedCurrentImage::Kind::Esp32Tables;
        image.tables = tablesAt(p, p + recordAt);
        return image;
    default:
        return std::nullopt;
    }
}

} // namespace px::image
