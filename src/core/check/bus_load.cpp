#include "core/check/bus_load.h"

#include "core/check/check.h"

namespace px::check {

int worstCaseFrameBits(bool extended, int dataLength)
{
    // The stuffed part: 34 bits of start, arbitration, control and CRC for an 11-bit
    // identifier, 54 for a 29-bit one, plus the data; one stuff bit can follow every four
    // bits after the first. 13 bits are never stuffed: CRC delimiter, acknowledge slot and
    // delimiter, seven bits end of frame and three bits intermission.
    const int stuffed = (extended ? 54 : 34) + 8 * dataLength;
    return stuffed + 13 + (stuffed - 1) / 4;
}

namespace {

int clampedLength(const config::FrameRow& frame)
{
    return config::dataBytesOf(frame.dimension);
}

} // namespace

BusLoad estimateBusLoad(const config::Configuration& config)
{
    BusLoad load;
    load.bitRate = bitRateOfBaudCode(config.general.baudCode);
    const bool dipSwitch = config.deviceType() == kDipSwitchDevice;
    // The device till April 2014 sends nothing periodically and polls nothing: its editors
    // write neither timers nor RTR periods, and its image has no room for them.
    if (dipSwitch) {
        for (const config::TransmitFrame& f : config.transmitFrames) {
            const std::uint32_t period = f.timerMilliseconds();
            if (period == 0)
                continue;
            load.bitsPerSecond += worstCaseFrameBits(effectiveExtended(config, f), clampedLength(f)) * 1000.0 / period;
        }
        for (const config::ReceiveFrame& f : config.receiveFrames) {
            const std::uint32_t period = f.rtrPeriodMilliseconds();
            if (period == 0)
                continue;
            const bool extended = effectiveExtended(config, f);
            const int bits = worstCaseFrameBits(extended, 0) + worstCaseFrameBits(extended, clampedLength(f));
            load.bitsPerSecond += bits * 1000.0 / period;
        }
    }
    load.percent = load.bitRate == 0 ? 0 : 100.0 * load.bitsPerSecond / load.bitRate;
    return load;
}

} // namespace px::check
