#pragma once

#include "core/image/compile_input.h"
#include "core/image/image_layout.h"

#include <QByteArray>
#include <QList>

#include <array>
#include <cstdint>

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
    layout::TableAddresses addresses{layout::kBank2Addresses.rxFrames, layout::kBank2Addresses.txFrames,
                                     layout::kBank2Addresses.rxMappings, layout::kBank2Addresses.txMappings, 0, 0};
};

// A frame of either direction. Receive: time-out, RTR period, flag 0x08 = RTR polling.
// Transmit: `time` is 0, `period` the timer, flags 0x01 RTR, 0x02 on change, 0x04 on timer.
struct FrameEntry {
    std::uint32_t id = 0;   // bit 31 set for a 29-bit (CAN 2.0B) identifier
    std::uint32_t time = 0;
    std::uint32_t period = 0;
    std::uint8_t length = 0;
    std::uint8_t flags = 0;
};

// A register tied to a frame: byte numbers count all data bytes of the direction from 1
// at 8 per frame, 0 = none. Bit 15 of `frame` in the transmit table: send on write.
struct MappingEntry {
    std::uint16_t reg = 0;
    std::uint16_t frame = 0;
    std::uint16_t highByte = 0;
    std::uint16_t lowByte = 0;
};

struct ImageModel {
    ParameterRecord record;
    std::array<FrameEntry, layout::kMaxFrames> rxFrames{};
    std::array<FrameEntry, layout::kMaxFrames> txFrames{};
    std::array<MappingEntry, layout::kMaxMappings> rxMappings{};
    std::array<MappingEntry, layout::kMaxMappings> txMappings{};
    std::array<std::uint8_t, layout::kDefaultValueTableSize> rxDefaults{};
    std::array<std::uint8_t, layout::kDefaultValueTableSize> txDefaults{};
};

// Every record field to its initial value, counts 0, every table byte 0.
void ResetImageModel(ImageModel& model);

// The record fields from ParGen.xml, each with its own substitute; never throws but for
// a ParGen.xml that does not parse. Sets the default-value addresses of bank2.bin.
void ReadGeneralParameters(ImageModel& model, InputFile& parGen);

// Both frame tables, both default-value tables and the frame counts. Throws px::Error on
// a missing or non-integer CobID or Dimensin, and on more frames than the tables hold or
// default values on a frame past the 256 that have room for them.
void ReadFrames(ImageModel& model, CompileInput& input);

// Both mapping tables and their counts; rows naming no existing frame are skipped. Throws
// px::Error on a missing or non-integer Index of a kept row and on more than 3584 entries.
void ReadMappings(ImageModel& model, CompileInput& input);

// The byte values of a comma-separated list: pieces that are no integer in 0 to 255 are
// dropped, so later values move up.
QList<std::uint8_t> ParseByteList(QStringView text);

// Serialisation; each writes at `pos` into a buffer long enough and returns the position
// after what it wrote.
int PutFrameTables(const ImageModel& model, QByteArray& buffer, int pos);
int PutMappingTables(const ImageModel& model, QByteArray& buffer, int pos);
int PutParameterRecord(const ParameterRecord& record, QByteArray& buffer, int pos);
int PutDefaultValues(const ImageModel& model, QByteArray& buffer, int pos);

// The sum of the record's bytes 0 to 2043, as the device checks it.
std::uint32_t recordChecksum(const char* record);

} // namespace px::image
