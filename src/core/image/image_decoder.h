#pragma once

#include "core/image/image_model.h"

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <vector>

namespace px::image {

// A frame entry as an image stores it, with the two bytes past the flags that the layout
// keeps 0 (a damaged image may hold something there).
struct StoredFrameEntry {
    FrameEntry frame;
    std::uint16_t spare = 0;

    bool isEmpty() const
    {
        return frame.id == 0 && frame.time == 0 && frame.period == 0 && frame.length == 0 && frame.flags == 0
               && spare == 0;
    }
};

inline bool isEmpty(const MappingEntry& m)
{
    return m.reg == 0 && m.frame == 0 && m.highByte == 0 && m.lowByte == 0;
}

// A parameter record read back from an image: its fields, the fixed values as stored
// beside the values they should hold, the reserved or fill bytes that are not 0, and the
// stored and the computed checksum.
struct DecodedRecord {
    struct FixedValue {
        int offset;
        int width;
        std::uint32_t stored;
        std::uint32_t expected;
    };

    ParameterRecord fields;
    layout::TableAddresses addresses{};
    std::vector<FixedValue> fixedValues;     // in record order
    std::vector<int> nonZeroReserved;        // offsets of reserved or fill bytes that are not 0
    std::uint32_t storedChecksum = 0;
    std::uint32_t computedChecksum = 0;
};

// The frame, mapping and default-value tables of a current image, every entry of their
// fixed room (320 frames, 3584 mappings, default bytes of 256 frames per direction).
struct DecodedTables {
    std::vector<StoredFrameEntry> rxFrames;
    std::vector<StoredFrameEntry> txFrames;
    std::vector<MappingEntry> rxMappings;
    std::vector<MappingEntry> txMappings;
    std::vector<std::uint8_t> rxDefaults;
    std::vector<std::uint8_t> txDefaults;
};

// The number of entries in use: the record's count, limited to the room of the table;
// without a record, the entries up to the last that is not empty.
int framesInUse(const std::vector<StoredFrameEntry>& table, std::optional<std::uint32_t> count);
int mappingsInUse(const std::vector<MappingEntry>& table, std::optional<std::uint32_t> count);

// One of the images of the device from May 2014, told from its length.
struct DecodedCurrentImage {
    enum class Kind {
        MainMemory,    // bank2.bin: tables and record
        Esp32Record,   // bank_ESP32_1.bin: the record alone
        Esp32Tables,   // bank_ESP32_2.bin: the tables alone
    };
    Kind kind = Kind::MainMemory;
    std::optional<DecodedRecord> record;
    std::optional<DecodedTables> tables;
};

// Decodes a current image field by field; nothing when its length is none of the three.
std::optional<DecodedCurrentImage> decodeCurrentImage(const QByteArray& bytes);

// A parameter record of kRecordSize bytes at `record`.
DecodedRecord decodeRecord(const char* record);

} // namespace px::image
