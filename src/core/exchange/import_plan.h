#pragma once

#include "core/config/configuration.h"
#include "core/config/signal_table.h"
#include "core/exchange/can_database.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

namespace px::exchange {

using Direction = config::Direction;

// Room of the configuration: the frame editors' rows and the images' mapping tables.
using config::kDipSwitchFrameRows;
using config::kJumperFrameRows;
using config::kMaxMappingEntries;
using config::kMaxRegisterIndex;
// The longest time-out or timer the frame editors accept, in ms.
inline constexpr int kMaxMilliseconds = config::kMaxMilliseconds;
// The longest text a frame editor's cell takes (its line editor's limit).
inline constexpr int kMaxMnemonicLength = 32767;

// One frame that the picker offers, from a CAN database or from a capture.
struct ImportMessage {
    std::uint32_t id = 0;
    bool extended = false;
    int length = 0;
    QString name;
    QString sender;
    std::optional<int> cycleTimeMs;      // the database's cycle time
    std::optional<double> meanPeriodMs;  // the capture's mean period
    std::int64_t frameCount = 0;         // capture: frames seen
    QByteArray firstData;                // capture: data of the first frame
    std::vector<CanSignal> signalList;   // database: its signals
    bool fromCapture = false;
    int line = 0;                        // database: where its BO_ stands
    // Why the converter cannot take the frame whatever the configuration (a CAN FD frame,
    // a signal line of its block that could not be read); empty when it can.
    QString notImportable;
    // The file's default cycle time when it is too long to be one (see CanMessage).
    std::optional<double> ignoredDefaultCycleMs;
    // What the configurator's own export recorded of the frame row.
    std::optional<int> recordedTimeOutMs;
    std::optional<QString> recordedMnemonic;
    // The time-out the user set in place of the proposal; receive frames on the
    // dip-switch device only.
    std::optional<int> timeOutOverrideMs;

    // The period that gives a receive frame's time-out and a transmit frame's timer.
    std::optional<double> periodMs() const;
    // Three periods, in whole ms rounded up, at most kMaxMilliseconds; 0 without a period.
    int proposedTimeOutMs() const;
    int timeOutMs() const { return timeOutOverrideMs.value_or(recordedTimeOutMs.value_or(proposedTimeOutMs())); }
    int signalsThatMap() const;
};

std::vector<ImportMessage> importMessages(const CanDatabase& db);
// The same, taking the signals out of `db` instead of copying them.
std::vector<ImportMessage> importMessages(CanDatabase&& db);
std::vector<ImportMessage> importMessages(const CaptureSummary& capture);

// "0x181" / "0x18FF0010": how an imported identifier is written into a frame row.
QString identifierText(std::uint32_t id);

// Where a signal lands: the registers it takes, in order, each with the frame data byte of
// its high part and of its low part (1 = first data byte, 0 = none); or, when the converter
// cannot carry it, why not.
struct RegisterBytes {
    int highByte = 0;
    int lowByte = 0;
    bool operator==(const RegisterBytes&) const = default;
};
struct SignalPlacement {
    std::vector<RegisterBytes> registers;
    // Where the signal sits in the value the registers carry (one register: its 16 bits;
    // two: their 32 bits, the high word first): its least significant bit and its length.
    int bitOffset = 0;
    int bitLength = 0;
    QString notMappedReason;
    bool maps() const { return !registers.empty(); }
};
// A signal goes to the data bytes that hold its bits, most significant first: one byte to
// the low part of one register, two bytes to one register (high and low byte in the
// signal's byte order), three or four bytes to two consecutive registers, the high word
// first. A signal that does not fill those bytes (a flag, a 12-bit value, a signal off the
// byte boundaries) is recorded with its bit offset and length, so the PLC masks and shifts.
// Signals over more than four bytes, bytes beyond the frame's length and multiplexed
// signals are not mapped.
SignalPlacement placeSignal(const CanSignal& signal, int frameLength);

// The key of an identifier in a given format, for finding frames already in a list.
inline std::uint64_t frameKey(std::uint32_t id, bool extended)
{
    return (static_cast<std::uint64_t>(extended) << 32) | id;
}

// What the configuration holds already, in the direction imported into.
struct ImportTarget {
    Direction direction = Direction::Receive;
    bool dipSwitch = false;            // device from May 2014: its own format and timing per frame
    bool jumperExtended = false;       // jumper device: 29-bit identifiers for the whole list
    int existingFrames = 0;
    int existingEntries = 0;
    std::set<int> usedRegisters;       // register indexes used in this direction
    int firstRegister = 0;
    // The frames of the list by frameKey, to their position (from 0); the first of each.
    std::unordered_map<std::uint64_t, int> existingIds;

    int maxFrames() const { return dipSwitch ? kDipSwitchFrameRows : kJumperFrameRows; }
};

struct PlannedFrame {
    std::uint32_t id = 0;
    bool extended = false;
    int length = 0;
    QString mnemonic;
    int timeOutMs = 0;       // receive: 0 = none (on the jumper device only its Y/N flag is kept)
    int timerMs = 0;         // transmit: 0 = not sent periodically
    int messageIndex = 0;    // which of the chosen messages it comes from
    std::optional<int> cycleTimeMs;   // the database's cycle time, kept beside the configuration
};

// A chosen message whose identifier (in the same format) the list holds already: no frame
// is added, its signals are mapped onto the frame that is there.
struct ExistingFrame {
    int messageIndex = 0;
    int frame = 0;           // the frame's position in the list, from 0
};

struct PlannedEntry {
    int frame = 0;           // position in PlannedFrame list (0 = the first frame added); -1 with existingFrame
    int existingFrame = -1;  // position (from 0) of the frame already in the list it maps, or -1
    int registerIndex = 0;
    int highByte = 0;
    int lowByte = 0;
    bool sendOnWrite = false;
    QString signal;          // the signal it carries; " (high word)" / " (low word)" added for 32 bits
    config::RegisterSignal signalData;   // what is known of the signal, for the signal file
    bool knownSignal = true; // false for the export's R<index> names: nothing goes into the signal file

    // The frame's number in the list after the import, from 1.
    int frameNumber(int existingFrames) const { return existingFrame >= 0 ? existingFrame + 1 : existingFrames + frame + 1; }
};

struct NotMapped {
    int frame = 0;           // position in the PlannedFrame list; -1 with existingFrame
    int existingFrame = -1;  // position (from 0) of the frame already in the list, or -1
    QString signal;
    QString reason;
};

struct NotImported {
    int messageIndex = 0;
    QString reason;
};

struct ImportPlan {
    std::vector<PlannedFrame> frames;
    std::vector<PlannedEntry> entries;
    std::vector<NotMapped> notMapped;
    std::vector<NotImported> notImported;
    std::vector<ExistingFrame> existing;
    int frameOverflow = 0;   // frames beyond the room of the list; 0 when they fit
    int entryOverflow = 0;   // mapping entries beyond the images' room
    int registerOverflow = 0;   // signals that found no free register up to kMaxRegisterIndex
    bool fits() const { return frameOverflow == 0 && entryOverflow == 0 && registerOverflow == 0; }
};

// The frames and mapping entries that importing the chosen messages adds, in the order
// given: frames after the last frame of the list, registers numbered from the first
// register on, skipping indexes already used in this direction. A message whose identifier
// the list holds already in the same format adds no frame: its signals are mapped onto
// that frame. An identifier that comes twice among the chosen messages is imported once.
// A signal that finds no free register makes the plan not fit (registerOverflow).
//
// A signal that records its register (the configurator's own export: R<index>, its _HI
// and _LO parts, or the ConverterRegister attribute) takes that register when it is free;
// the two parts of one register come together in one entry. Recorded time-outs, mnemonics
// and send-on-write flags are taken as recorded.
//
// Time linear in messages plus signals (plus the used registers passed over).
//
// A frame row carries identifier, format, length and the name as mnemonic (cut to what an
// editor's cell takes). A receive frame with a period gets a time-out of three periods
// (or what the user set) on the dip-switch device, and its time-out flag on the jumper
// device. A transmit frame with a cycle time is sent on that timer on the dip-switch
// device, and one without on change of its data; on the jumper device, whose transmit
// frames have no timing of their own, its registers send the frame when written.
// Frames the converter cannot carry (length 0 or beyond 8, the other identifier format
// than the jumper device's list) are not imported, with the reason.
ImportPlan planImport(const std::vector<ImportMessage>& chosen, const ImportTarget& target);

// Why an import does not fit, naming by how much; empty when it fits.
QString overflowText(const ImportPlan& plan, const ImportTarget& target);

// Why the import of `plan` cannot go ahead: nothing chosen, nothing the converter can carry,
// or no room (overflowText). Empty when it can.
QString importRefusal(const ImportPlan& plan, const ImportTarget& target, int chosenCount);

// Whether the picker's text filter keeps the message: the text found, ignoring case, in its
// name or its identifier ("0x181", "181"); an empty filter keeps everything.
bool matchesFilter(const ImportMessage& message, const QString& filter);

// The frame name as a mnemonic: characters a configuration file cannot store dropped, at
// most kMaxMnemonicLength characters.
QString mnemonicFromName(const QString& name);

} // namespace px::exchange
