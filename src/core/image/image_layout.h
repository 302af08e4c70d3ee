#pragma once

#include <cstdint>

// Sizes and places of the four configuration images; every number in them is little-endian.
namespace px::image::layout {

// bank.bin: a 24-byte header of six section starts, then the packed sections.
inline constexpr int kLegacyHeaderSize = 24;
inline constexpr int kLegacyMaxSize = 100001;        // the device's room for the image
inline constexpr int kLookupEntries = 2048;          // one u16 per 11-bit identifier
inline constexpr int kIdBitmapSize = 256;
inline constexpr int kLegacyParameterBlockSize = 28;

// The current images: fixed tables with room for the largest configuration.
inline constexpr int kMaxFrames = 320;               // per direction
inline constexpr int kMaxMappings = 3584;            // per direction
inline constexpr int kDefaultValueFrames = 256;      // frames 0 to 255 have default bytes
inline constexpr int kFrameEntrySize = 16;
inline constexpr int kMappingEntrySize = 8;
inline constexpr int kFrameTableSize = kMaxFrames * kFrameEntrySize;        // 5120
inline constexpr int kMappingTableSize = kMaxMappings * kMappingEntrySize;  // 28672
inline constexpr int kDefaultValueTableSize = kDefaultValueFrames * 8;     // 2048
inline constexpr int kRecordSize = 2048;
inline constexpr int kRecordChecksumOffset = 2044;

inline constexpr int kBank2Size = 2 * kFrameTableSize + 2 * kMappingTableSize + kRecordSize
                                  + 2 * kDefaultValueTableSize;             // 73728
inline constexpr int kEsp32RecordImageSize = kRecordSize;                   // 2048
inline constexpr int kEsp32TablesImageSize = kBank2Size - kRecordSize;      // 71680

// Where bank2.bin's tables lie once it is loaded at 0x57800 (the record then lies at 0x68000),
// and where the ESP32 part keeps bank_ESP32_2.bin's tables (loaded at 0x310000).
struct TableAddresses {
    std::uint32_t rxFrames;
    std::uint32_t txFrames;
    std::uint32_t rxMappings;
    std::uint32_t txMappings;
    std::uint32_t rxDefaults;
    std::uint32_t txDefaults;
};
inline constexpr TableAddresses kBank2Addresses{0x57800, 0x58C00, 0x5A000, 0x61000, 0x68800, 0x69000};
inline constexpr TableAddresses kEsp32Addresses{0x310000, 0x311400, 0x312800, 0x319800, 0x320800, 0x321000};

} // namespace px::image::layout
