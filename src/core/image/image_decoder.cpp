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
        e.frame.id = u32(p + frame_entry::kId);
        e.frame.time = u32(p + frame_entry::kTime);
        e.frame.period = u32(p + frame_entry::kPeriod);
        e.frame.length = static_cast<std::uint8_t>(u8(p + frame_entry::kLength));
        e.frame.flags = static_cast<std::uint8_t>(u8(p + frame_entry::kFlags));
        e.spare = static_cast<std::uint16_t>(u16(p + frame_entry::kSpare));
        p += kFrameEntrySize;
    }
    return table;
}

std::vector<MappingEntry> mappingTable(const char* p)
{
    std::vector<MappingEntry> table(kMaxMappings);
    for (auto& m : table) {
        m.reg = static_cast<std::uint16_t>(u16(p + mapping_entry::kRegister));
        m.frame = static_cast<std::uint16_t>(u16(p + mapping_entry::kFrame));
        m.highByte = static_cast<std::uint16_t>(u16(p + mapping_entry::kHighByte));
        m.lowByte = static_cast<std::uint16_t>(u16(p + mapping_entry::kLowByte));
        p += kMappingEntrySize;
    }
    return table;
}

std::vector<std::uint8_t> defaultTable(const char* p)
{
    return std::vector<std::uint8_t>(reinterpret_cast<const std::uint8_t*>(p),
                                     reinterpret_cast<const std::uint8_t*>(p) + kDefaultValueTableSize);
}

// The tables of an image at their fixed offsets from `p`; the default values lie at
// `defaultsOffset`.
DecodedTables tablesAt(const char* p, int defaultsOffset)
{
    DecodedTables t;
    t.rxFrames = frameTable(p + kRxFrameTableOffset);
    t.txFrames = frameTable(p + kTxFrameTableOffset);
    t.rxMappings = mappingTable(p + kRxMappingTableOffset);
    t.txMappings = mappingTable(p + kTxMappingTableOffset);
    t.rxDefaults = defaultTable(p + defaultsOffset);
    t.txDefaults = defaultTable(p + defaultsOffset + kDefaultValueTableSize);
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
    f.canBitRate = u32(rec + record::kCanBitRate);
    f.ip = quad(rec + record::kIp);
    f.mask = quad(rec + record::kMask);
    f.gateway = quad(rec + record::kGateway);
    f.port = static_cast<std::uint16_t>(u16(rec + record::kPort));
    f.port2 = static_cast<std::uint16_t>(u16(rec + record::kPort2));
    f.rxFrameCount = u32(rec + record::kRxFrameCount);
    f.txFrameCount = u32(rec + record::kTxFrameCount);
    f.rxMappingCount = u32(rec + record::kRxMappingCount);
    f.txMappingCount = u32(rec + record::kTxMappingCount);
    r.addresses = {u32(rec + record::kRxFramesAddress),   u32(rec + record::kTxFramesAddress),
                   u32(rec + record::kRxMappingsAddress), u32(rec + record::kTxMappingsAddress),
                   u32(rec + record::kRxDefaultsAddress), u32(rec + record::kTxDefaultsAddress)};

    for (const record::FixedValue& v : record::kFixedValues)
        r.fixedValues.push_back({v.offset, v.width, v.width == 2 ? u16(rec + v.offset) : u32(rec + v.offset), v.value});

    // Every byte that is no field is reserved or fill and holds 0.
    for (int i = 0; i < kRecordChecksumOffset; ++i) {
        bool isNamed = false;
        for (const auto& [from, n] : record::kFieldRanges)
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
    DecodedCurrentImage image;
    switch (bytes.size()) {
    case kBank2Size:
        image.kind = DecodedCurrentImage::Kind::MainMemory;
        image.record = decodeRecord(p + kBank2RecordOffset);
        image.tables = tablesAt(p, kBank2DefaultsOffset);
        return image;
    case kEsp32RecordImageSize:
        image.kind = DecodedCurrentImage::Kind::Esp32Record;
        image.record = decodeRecord(p);
        return image;
    case kEsp32TablesImageSize:
        image.kind = DecodedCurrentImage::Kind::Esp32Tables;
        image.tables = tablesAt(p, kEsp32DefaultsOffset);
        return image;
    default:
        return std::nullopt;
    }
}

} // namespace px::image
