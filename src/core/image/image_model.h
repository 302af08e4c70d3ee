#pragma once

#include "core/image/compile_input.h"
#include "core/image/image_layout.h"

#include <QByteArray>

#include <array>
#include <cstdint>
#include <memory>

namespace px::image {

// The general parameters of the device from May 2014, as it reads them from its record.
struct ParameterRecord {
    std::uint32_t canBitRate = 250000;
    std::array<std::uint8_t, 4> ip{192, 168, 0, 10};
    std::array<std::uint8_t, 4> mask{255, 255, 255, 0};
    std::array<std::uint8_t, 4> gateway{255, 255, 255, 255};
    std::uint16_t port = 0;
    std::uint16_t port2 = 0;
    std::uint32_t rxFrameCount = 0;
    std::uint32_t txFrameCount = 0;
    std::uint32_t rxMappingCount = 0;
    std::uint32_t txMappingCount = 0;
};

// A frame of either direction. Receive: time-out, RTR period, flag kFlagRtrPolling.
// Transmit: `time` is 0, `period` the timer, flags kFlagRtr, kFlagOnChange, kFlagOnTimer.
struct FrameEntry {
    std::uint32_t id = 0;   // kExtendedIdBit set for a 29-bit (CAN 2.0B) identifier
    std::uint32_t time = 0;
    std::uint32_t period = 0;
    std::uint8_t length = 0;
    std::uint8_t flags = 0;
};

// A register tied to a frame: byte numbers count all data bytes of the direction from 1
// at 8 per frame, 0 = none. kSendOnWriteBit of `frame` in the transmit table: send on write.
struct MappingEntry {
    std::uint16_t reg = 0;
    std::uint16_t frame = 0;
    std::uint16_t highByte = 0;
    std::uint16_t lowByte = 0;
};

// What the current images hold: the record's values and the tables. The three images are
// this one model laid out with their own table addresses.
struct ImageModel {
    ParameterRecord record;
    std::array<FrameEntry, layout::kMaxFrames> rxFrames{};
    std::array<FrameEntry, layout::kMaxFrames> txFrames{};
    std::array<MappingEntry, layout::kMaxMappings> rxMappings{};
    std::array<MappingEntry, layout::kMaxMappings> txMappings{};
    std::array<std::uint8_t, layout::kDefaultValueTableSize> rxDefaults{};
    std::array<std::uint8_t, layout::kDefaultValueTableSize> txDefaults{};
};

// Reads the model of the current images from the configuration, rows from the first
// top-level node of each file:
// - the record fields from ParGen.xml, each with its own substitute (only a ParGen.xml that
//   does not parse stops here);
// - both frame tables, both default-value tables and the frame counts; px::Error on a
//   missing or non-integer CobID or Dimensin, on more frames than the tables hold, and on
//   default values on a frame past the 256 that have room for them;
// - both mapping tables and their counts; rows naming no existing frame are skipped, so a
//   mapping file is not even read while its direction has no frames; px::Error on a
//   missing or non-integer Index of a kept row and on more than 3584 entries.
std::unique_ptr<ImageModel> readImageModel(CompileInput& input);

// Serialisation. The tables go to their fixed offsets of an image of kBank2Size or
// kEsp32TablesImageSize bytes, the default values at `defaultsOffset`
// (kBank2DefaultsOffset or kEsp32DefaultsOffset). The record goes to `at` with the table
// addresses of its image, and the position after it is returned.
void putTables(const ImageModel& model, QByteArray& image, int defaultsOffset);
int putParameterRecord(const ParameterRecord& record, const layout::TableAddresses& addresses, QByteArray& buffer, int at);

// The sum of the record's bytes before its checksum, as the device checks it.
std::uint32_t recordChecksum(const char* record);

} // namespace px::image
