#pragma once

// The room of a configuration, the same for its editors, its imports, its checks and the
// images that carry it to the device.
namespace px::config {

// The frame rows each generation's editors hold, per direction.
inline constexpr int kJumperFrameRows = 250;     // device till April 2014
inline constexpr int kDipSwitchFrameRows = 300;  // device from May 2014

// The entries of each direction's mapping table.
inline constexpr int kMaxMappingEntries = 3584;

// The highest Modbus register index an entry may take.
inline constexpr int kMaxRegisterIndex = 65535;

} // namespace px::config
