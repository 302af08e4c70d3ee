#pragma once

#include "core/config/configuration.h"

#include <cstdint>

namespace px::check {

// The longest a CAN data frame can be on the bus, in bits: start of frame, arbitration,
// control, data and CRC with the worst-case stuff bits (one after every four bits of the
// stuffed part), then CRC delimiter, acknowledge, end of frame and the intermission.
// A remote request is a frame of data length 0.
int worstCaseFrameBits(bool extended, int dataLength);

// The bus load that a configuration itself causes: its transmit frames sent on timer and,
// for every receive frame polled with RTR, the remote request and the answering frame.
struct BusLoad {
    std::uint32_t bitRate = 0;     // bit/s of the configuration's CAN bit rate
    double bitsPerSecond = 0;      // worst-case bits the periodic traffic puts on the bus
    double percent = 0;            // bitsPerSecond against the bit rate
};
BusLoad estimateBusLoad(const config::Configuration& config);

// Above this share of the bit rate the check warns.
inline constexpr double kBusLoadWarningPercent = 50.0;

} // namespace px::check
