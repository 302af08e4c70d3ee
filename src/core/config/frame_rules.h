#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <vector>

namespace px::config {

// The rules of the values of a frame row, each in one place. The frame editors refuse at
// OK what a rule rejects, the check reports it as a finding and the compiler reads the
// values by the same rules; they differ only in how they tell the user. Every rule takes
// the text as stored in the frame file.

// --- Identifier format ----------------------------------------------------------------------

// The identifier format texts of the Type column, the only two items of its list.
inline const QString kStandardFormatText = QStringLiteral("2.0A (11 bits)");
inline const QString kExtendedFormatText = QStringLiteral("2.0B (29 bits)");

// The format text of a format.
QString formatText(bool extended);
// A 29-bit (CAN 2.0B) format: the text compared upper-cased, as the images read it; any
// other text is the 11-bit format.
bool isExtendedFormat(QStringView cobType);

// The CAN type of the general parameters as a format: 0 is 11 bits, anything else 29 bits.
inline bool isExtendedCanType(int canType)
{
    return canType != 0;
}

// What is wrong with a Type text of the dip-switch device's frame editors.
enum class FormatTextFault {
    None,       // one of the two items
    Missing,    // empty after trimming
    NotAnItem,  // any other text (the images read it by isExtendedFormat all the same)
};
FormatTextFault formatTextFault(QStringView cobType);

// --- Identifier -------------------------------------------------------------------------------

inline constexpr std::uint32_t kMaxStandardIdentifier = 0x7FF;
inline constexpr std::uint32_t kMaxExtendedIdentifier = 0x1FFFFFFF;

// The Cob-ID text as an integer (decimal or hexadecimal); nothing when it is none.
std::optional<std::int64_t> readIdentifier(QStringView cobId);
// The largest identifier of a format, as a number and as messages write it.
std::uint32_t maxIdentifier(bool extended);
QString maxIdentifierText(bool extended);
// Whether an identifier lies in 0 to the largest of its format.
bool identifierFits(std::int64_t identifier, bool extended);
// Whether the Cob-ID text is an identifier of the format.
bool identifierTextFits(QStringView cobId, bool extended);

// --- Data length ------------------------------------------------------------------------------

inline constexpr int kMinDataLength = 1;
inline constexpr int kMaxDataLength = 8;

// The Dimensin text as an integer; nothing when it is none.
std::optional<std::int32_t> readDataLength(QStringView dimension);
bool dataLengthFits(std::int64_t length);
bool dataLengthTextFits(QStringView dimension);
// The data bytes a frame is shown and exported with: its data length clamped to 0 to 8,
// 8 when Dimensin is no number.
int dataBytesOf(QStringView dimension);

// --- Default values ---------------------------------------------------------------------------

// A comma-separated list of byte values against the frame's data length `expected` (an
// empty text is valid; the text is taken as it stands, trimmed by the caller). The items
// are counted up to the first that is no byte; another count than expected wins over a
// value outside 0 to 255.
enum class ByteListCheck { Valid, BadByte, WrongCount };
ByteListCheck checkByteList(QStringView text, int expected);
// The bytes the images get from a DefaultValues text: its pieces that are integers from
// 0 to 255 after trimming the text, at most a frame's data bytes.
std::vector<std::uint8_t> defaultBytes(QStringView defaultValues);
// How many pieces of a DefaultValues text are bytes (trimmed as defaultBytes trims it,
// without its limit of 8).
int defaultByteCount(QStringView defaultValues);

// --- Flags ------------------------------------------------------------------------------------

// A Y/N flag as the images of the device from May 2014 read it: "Y" in any case, as stored
// (a blank makes it no "Y").
bool isYesFlag(QStringView flag);
// The same after trimming blanks and control characters: the RTR flag of a received frame.
bool isYesFlagTrimmed(QStringView flag);
// A flag set for the editors' check boxes and the image of the device till April 2014:
// exactly "Y".
bool isCheckedFlag(QStringView flag);
// The text a check box stores: "Y" or "N".
QString flagText(bool on);

// --- Times ------------------------------------------------------------------------------------

// The longest time a frame editor takes, in ms.
inline constexpr std::int32_t kMaxMilliseconds = 100000000;

// The time-out of a received frame (TimeOut_Time), after trimming: 0 to kMaxMilliseconds.
bool timeOutFits(QStringView timeOutTime);
// The remote-request period (TimeRTR) of a received frame with RTR on: 1 to kMaxMilliseconds.
bool rtrPeriodFits(QStringView timeRtr);
// The sending period (Timer) of a transmitted frame with On Timer on: 0 to kMaxMilliseconds.
bool timerFits(QStringView timer);

} // namespace px::config
