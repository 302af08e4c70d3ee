#pragma once

#include "core/check/finding.h"
#include "core/config/configuration.h"
#include "core/config/signal_table.h"

#include <vector>

namespace px::check {

// The stable codes of the findings.
namespace code {
// Errors: the device would behave otherwise than the editors show, or the compile stops.
inline constexpr char kDuplicateIdentifier[] = "duplicate-identifier";
inline constexpr char kIdentifierBothDirections[] = "identifier-both-directions";
inline constexpr char kIdentifierRange[] = "identifier-range";
inline constexpr char kFormatContradictsSettings[] = "format-contradicts-settings";
inline constexpr char kFrameMissing[] = "frame-missing";
inline constexpr char kBytePosition[] = "byte-position";
inline constexpr char kDuplicateRegister[] = "duplicate-register";
inline constexpr char kRegisterRange[] = "register-range";
inline constexpr char kLengthRange[] = "length-range";
inline constexpr char kDefaultCount[] = "default-count";
inline constexpr char kDefaultByte[] = "default-byte";
inline constexpr char kTimeRange[] = "time-range";
inline constexpr char kTooManyFrames[] = "too-many-frames";
inline constexpr char kTooManyMappings[] = "too-many-mappings";
inline constexpr char kDefaultsBeyondRoom[] = "defaults-beyond-room";
inline constexpr char kNotANumber[] = "not-a-number";
inline constexpr char kTypeText[] = "type-text";
inline constexpr char kControlCharacter[] = "control-character";
// Warnings: legal, probably a mistake.
inline constexpr char kNoPositions[] = "no-positions";
inline constexpr char kSameByte[] = "same-byte";
inline constexpr char kByteShared[] = "byte-shared";
inline constexpr char kReceiveUnmapped[] = "receive-unmapped";
inline constexpr char kTransmitEmpty[] = "transmit-empty";
inline constexpr char kNeverSent[] = "never-sent";
inline constexpr char kTimerZero[] = "timer-zero";
inline constexpr char kRtrPeriodZero[] = "rtr-period-zero";
inline constexpr char kTimeOutZero[] = "timeout-zero";
inline constexpr char kGatewayOutsideSubnet[] = "gateway-outside-subnet";
inline constexpr char kReservedAddress[] = "reserved-address";
inline constexpr char kBusLoad[] = "bus-load";
inline constexpr char kTimeOutBelowCycle[] = "timeout-below-cycle";
} // namespace code

// Looks across the five files of a configuration for what no editor checks: frames and
// mappings that disagree, values the editors show one way while the compiler reads them
// another, more than the images hold, and settings that are legal but probably a mistake.
// The findings come file by file in the order of ConfigFile, by row within a file. The
// cycle times `signalTable` knows (from an imported CAN database) add a warning for a
// receive frame whose time-out is shorter than its cycle.
std::vector<Finding> check(const config::Configuration& config, const config::SignalTable& signalTable = {});

// The identifier format the device applies to a frame: the row's own Type on the device
// from May 2014, the CAN type of the communication settings on the device till April 2014.
bool effectiveExtended(const config::Configuration& config, const config::FrameRow& frame);

// Where the register mapping editor shows the entry of row `fileRow` (from 1) of a mapping
// file: the editor lists the entries that name a frame frame by frame, then those that name
// none in file order, so its running number (from 1) can differ from the file's row. 0 for
// a row the file does not have.
int mappingEditorRow(const config::Configuration& config, config::Direction direction, int fileRow);

} // namespace px::check
