#pragma once

#include "core/config/configuration_room.h"

#include <cstdint>

// Sizes and places of the four configuration images; every number in them is little-endian.
// The writers, the decoder, the dump and the tests all take their offsets from here.
namespace px::image::layout {

// ---- bank.bin -------------------------------------------------------------------------
// A header of six section starts, then the packed sections: receive frames, the lookup
// blocks (11-bit identifiers only), transmit frames, receive mappings, transmit mappings
// and, when ParGen.xml exists, the parameter block.

inline constexpr int kLegacyHeaderSections = 6;
inline constexpr int kLegacyHeaderSize = kLegacyHeaderSections * 4;
inline constexpr int kLegacyMaxSize = 100001;        // the device's room for the image

// The lookup blocks of the 11-bit format: the receive row of each identifier (0xFFFF none),
// then one bit per identifier.
inline constexpr int kLookupEntries = 2048;          // one u16 per 11-bit identifier
inline constexpr int kIdBitmapSize = kLookupEntries / 8;
inline constexpr int kLookupBlocksSize = kLookupEntries * 2 + kIdBitmapSize;
inline constexpr std::uint16_t kNoLookupRow = 0xFFFF;
inline constexpr std::uint32_t kStandardIdMask = 0x7FF;
static_assert(kIdBitmapSize == 256 && kLookupBlocksSize == 4352);

// Entry sizes of the sections. Receive 11-bit: u16 identifier, u8 length, u8 time-out flag;
// 29-bit: u32 identifier, u8 length, u8 row, u8 time-out flag. Transmit 11-bit: u16
// identifier, u8 length; 29-bit: u32 identifier, u8 length. Mapping: u16 register, u8 frame
// number, u8 byte positions (high part in the upper nibble).
inline constexpr int kLegacyRxEntrySize11 = 2 + 1 + 1;
inline constexpr int kLegacyRxEntrySize29 = 4 + 1 + 1 + 1;
inline constexpr int kLegacyTxEntrySize11 = 2 + 1;
inline constexpr int kLegacyTxEntrySize29 = 4 + 1;
inline constexpr int kLegacyMappingEntrySize = 2 + 1 + 1;

// The parameter block at the end of bank.bin.
namespace legacy_block {
inline constexpr int kBitRateCode = 0;      // u8
inline constexpr int kCanType = 1;          // u8: 0 = 11-bit identifiers
inline constexpr int kIp = 2;               // 4 x u8
inline constexpr int kMask = 6;             // 4 x u8
inline constexpr int kPort = 10;            // u16
inline constexpr int kRxFrames = 12;        // u16 counts
inline constexpr int kTxFrames = 14;
inline constexpr int kRxMappings = 16;
inline constexpr int kTxMappings = 18;
inline constexpr int kCanTimeOut = 20;      // u16
inline constexpr int kGatewayEnabled = 22;  // u8
inline constexpr int kGateway = 23;         // 4 x u8
inline constexpr int kFastBoot = 27;        // u8
inline constexpr int kSize = 28;
static_assert(kMask == kIp + 4 && kPort == kMask + 4 && kRxFrames == kPort + 2 && kCanTimeOut == kTxMappings + 2
              && kGateway == kGatewayEnabled + 1 && kFastBoot == kGateway + 4 && kSize == kFastBoot + 1);
} // namespace legacy_block
inline constexpr int kLegacyParameterBlockSize = legacy_block::kSize;

// The empty configuration: the header and the lookup blocks.
inline constexpr int kLegacyEmptySize = kLegacyHeaderSize + kLookupBlocksSize;
static_assert(kLegacyEmptySize == 4376);

// ---- the current images ----------------------------------------------------------------
// Fixed tables with room for the largest configuration.

inline constexpr int kMaxFrames = 320;               // per direction
inline constexpr int kMaxMappings = config::kMaxMappingEntries;  // per direction
// Every row an editor holds has its place in the image's frame table.
static_assert(kMaxFrames >= config::kDipSwitchFrameRows && kMaxFrames >= config::kJumperFrameRows);
inline constexpr int kDefaultValueFrames = 256;      // frames 0 to 255 have default bytes
inline constexpr int kDefaultBytesPerFrame = 8;

// A frame entry: u32 identifier (bit 31: 29 bits), u32 time-out, u32 period, u8 length,
// u8 flags, two spare bytes kept 0.
namespace frame_entry {
inline constexpr int kId = 0;
inline constexpr int kTime = 4;
inline constexpr int kPeriod = 8;
inline constexpr int kLength = 12;
inline constexpr int kFlags = 13;
inline constexpr int kSpare = 14;
inline constexpr int kSize = 16;
static_assert(kTime == kId + 4 && kPeriod == kTime + 4 && kLength == kPeriod + 4 && kFlags == kLength + 1
              && kSpare == kFlags + 1 && kSize == kSpare + 2);
} // namespace frame_entry
inline constexpr int kFrameEntrySize = frame_entry::kSize;

inline constexpr std::uint32_t kExtendedIdBit = 0x80000000u;
// Flags of a transmit frame, and of a receive frame that polls by remote request.
inline constexpr std::uint8_t kFlagRtr = 0x01;
inline constexpr std::uint8_t kFlagOnChange = 0x02;
inline constexpr std::uint8_t kFlagOnTimer = 0x04;
inline constexpr std::uint8_t kFlagRtrPolling = 0x08;

// A mapping entry: u16 register, u16 frame index (bit 15 in the transmit table: send on
// write), u16 high and u16 low byte numbers, counted over all data bytes of the direction
// from 1 at 8 per frame (0 = none).
namespace mapping_entry {
inline constexpr int kRegister = 0;
inline constexpr int kFrame = 2;
inline constexpr int kHighByte = 4;
inline constexpr int kLowByte = 6;
inline constexpr int kSize = 8;
static_assert(kFrame == kRegister + 2 && kHighByte == kFrame + 2 && kLowByte == kHighByte + 2 && kSize == kLowByte + 2);
} // namespace mapping_entry
inline constexpr int kMappingEntrySize = mapping_entry::kSize;
inline constexpr std::uint16_t kSendOnWriteBit = 0x8000;

inline constexpr int kFrameTableSize = kMaxFrames * kFrameEntrySize;                     // 5120
inline constexpr int kMappingTableSize = kMaxMappings * kMappingEntrySize;               // 28672
inline constexpr int kDefaultValueTableSize = kDefaultValueFrames * kDefaultBytesPerFrame; // 2048
inline constexpr int kRecordSize = 2048;

// The parameter record.
namespace record {
inline constexpr int kCanBitRate = 0;          // u32, bit/s
inline constexpr int kIp = 40;                 // 4 x u8
inline constexpr int kMask = 44;
inline constexpr int kGateway = 48;
inline constexpr int kPort = 54;               // u16
inline constexpr int kPort2 = 56;              // u16, the same port again
inline constexpr int kRxFrameCount = 280;      // u32 counts
inline constexpr int kTxFrameCount = 284;
inline constexpr int kRxMappingCount = 288;
inline constexpr int kTxMappingCount = 292;
inline constexpr int kRxFramesAddress = 296;   // u32 table addresses
inline constexpr int kTxFramesAddress = 300;
inline constexpr int kRxMappingsAddress = 304;
inline constexpr int kTxMappingsAddress = 308;
inline constexpr int kRxDefaultsAddress = 328;
inline constexpr int kTxDefaultsAddress = 332;
inline constexpr int kChecksum = 2044;         // u32: the sum of the bytes before it

// Values the device expects in place whatever the configuration.
struct FixedValue {
    int offset;
    int width;   // 2 or 4 bytes
    std::uint32_t value;
};
inline constexpr FixedValue kFixedValues[] = {
    {12, 4, 9600}, {16, 2, 8}, {52, 2, 10000}, {60, 4, 9600}, {64, 2, 8}, {196, 4, 0x60000},
};

// The byte ranges that hold a field; every other byte before the checksum is reserved or
// fill and holds 0.
struct Range {
    int offset;
    int size;
};
inline constexpr Range kFieldRanges[] = {
    {kCanBitRate, 4}, {12, 6}, {kIp, 18}, {60, 6}, {196, 4}, {kRxFrameCount, 32}, {kRxDefaultsAddress, 8},
};

static_assert(kMask == kIp + 4 && kGateway == kMask + 4 && kFixedValues[2].offset == kGateway + 4
              && kPort == kFixedValues[2].offset + 2 && kPort2 == kPort + 2);
static_assert(kRxMappingCount == kRxFrameCount + 8 && kRxFramesAddress == kTxMappingCount + 4
              && kTxMappingsAddress == kRxFramesAddress + 12 && kTxDefaultsAddress == kRxDefaultsAddress + 4);
static_assert(kChecksum + 4 == kRecordSize && kTxDefaultsAddress + 4 <= kChecksum);
} // namespace record
inline constexpr int kRecordChecksumOffset = record::kChecksum;

// bank2.bin: both frame tables, both mapping tables, the record, both default-value tables.
inline constexpr int kRxFrameTableOffset = 0;
inline constexpr int kTxFrameTableOffset = kRxFrameTableOffset + kFrameTableSize;
inline constexpr int kRxMappingTableOffset = kTxFrameTableOffset + kFrameTableSize;
inline constexpr int kTxMappingTableOffset = kRxMappingTableOffset + kMappingTableSize;
inline constexpr int kTablesSize = kTxMappingTableOffset + kMappingTableSize;   // before the record
inline constexpr int kBank2RecordOffset = kTablesSize;
inline constexpr int kBank2DefaultsOffset = kBank2RecordOffset + kRecordSize;
inline constexpr int kBank2Size = kBank2DefaultsOffset + 2 * kDefaultValueTableSize;      // 73728
// bank_ESP32_1.bin is the record alone; bank_ESP32_2.bin the tables without it.
inline constexpr int kEsp32RecordImageSize = kRecordSize;                               // 2048
inline constexpr int kEsp32DefaultsOffset = kTablesSize;
inline constexpr int kEsp32TablesImageSize = kEsp32DefaultsOffset + 2 * kDefaultValueTableSize;   // 71680

static_assert(kRxMappingTableOffset == 0x2800 && kTxMappingTableOffset == 0x9800 && kBank2RecordOffset == 0x10800);
static_assert(kBank2Size == 73728 && kEsp32TablesImageSize == kBank2Size - kRecordSize);

// Where the tables lie once an image is loaded: bank2.bin at 0x57800 (the record then lies
// at 0x68000), bank_ESP32_2.bin at 0x310000.
struct TableAddresses {
    std::uint32_t rxFrames;
    std::uint32_t txFrames;
    std::uint32_t rxMappings;
    std::uint32_t txMappings;
    std::uint32_t rxDefaults;
    std::uint32_t txDefaults;
};
inline constexpr std::uint32_t kBank2LoadAddress = 0x57800;
inline constexpr std::uint32_t kEsp32TablesLoadAddress = 0x310000;

constexpr TableAddresses tableAddresses(std::uint32_t loadAddress, int defaultsOffset)
{
    return {loadAddress + kRxFrameTableOffset,   loadAddress + kTxFrameTableOffset,
            loadAddress + kRxMappingTableOffset, loadAddress + kTxMappingTableOffset,
            loadAddress + static_cast<std::uint32_t>(defaultsOffset),
            loadAddress + static_cast<std::uint32_t>(defaultsOffset + kDefaultValueTableSize)};
}
inline constexpr TableAddresses kBank2Addresses = tableAddresses(kBank2LoadAddress, kBank2DefaultsOffset);
inline constexpr TableAddresses kEsp32Addresses = tableAddresses(kEsp32TablesLoadAddress, kEsp32DefaultsOffset);

static_assert(kBank2Addresses.rxFrames == 0x57800 && kBank2Addresses.txFrames == 0x58C00
              && kBank2Addresses.rxMappings == 0x5A000 && kBank2Addresses.txMappings == 0x61000
              && kBank2Addresses.rxDefaults == 0x68800 && kBank2Addresses.txDefaults == 0x69000);
static_assert(kEsp32Addresses.rxFrames == 0x310000 && kEsp32Addresses.txFrames == 0x311400
              && kEsp32Addresses.rxMappings == 0x312800 && kEsp32Addresses.txMappings == 0x319800
              && kEsp32Addresses.rxDefaults == 0x320800 && kEsp32Addresses.txDefaults == 0x321000);

} // namespace px::image::layout
