#pragma once

#include "core/config/frame_rules.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace px::exchange {

// Largest identifiers of the two CAN identifier formats.
inline constexpr std::uint32_t kMaxStandardId = config::kMaxStandardIdentifier;
inline constexpr std::uint32_t kMaxExtendedId = config::kMaxExtendedIdentifier;

// Value descriptions: raw value -> text.
using ValueTable = std::map<std::int64_t, QString>;

// One signal of a CAN database message, as its SG_ line describes it.
struct CanSignal {
    enum class Multiplex { None, Multiplexor, Multiplexed };

    QString name;
    Multiplex multiplex = Multiplex::None;
    std::int64_t multiplexValue = 0;   // for a multiplexed signal: the selector value
    int startBit = 0;                  // Intel: least significant bit; Motorola: most significant bit
    int length = 0;                    // bits
    bool motorola = false;             // byte order: @0 Motorola (big endian), @1 Intel
    bool isSigned = false;
    bool isFloat = false;              // SIG_VALTYPE_ 1 (32-bit) or 2 (64-bit IEEE float)
    double factor = 1.0;
    double offset = 0.0;
    double minimum = 0.0;
    double maximum = 0.0;
    QString unit;
    QStringList receivers;
    QString comment;
    ValueTable values;
    int line = 0;                      // where the SG_ line stands in the file
    // What the configurator's own export records of the register(s) the signal came from
    // (attributes ConverterRegister, ConverterLowWordRegister, ConverterSendOnWrite).
    std::optional<int> registerIndex;
    std::optional<int> lowWordRegister;
    std::optional<bool> sendOnWrite;
    // The export's names of registers whose signal is not known: R<index> (the whole
    // register), R<index>_HI / R<index>_LO (one part); read as such only in a file the
    // configurator wrote (its node PX40318).
    enum class RegisterPart { Whole, High, Low };
    RegisterPart recordedPart = RegisterPart::Whole;
    bool registerName = false;
};

// One frame of a CAN database (BO_).
struct CanMessage {
    std::uint32_t id = 0;              // without the extended-format bit
    bool extended = false;
    QString name;
    int length = 0;                    // data bytes
    QString sender;
    std::vector<CanSignal> signalList;
    QString comment;
    std::optional<int> cycleTimeMs;    // GenMsgCycleTime, when set and above 0
    // The file's default cycle time when it is too long to be one (kMaxDefaultCycleTimeMs
    // or more) and the frame has none of its own: shown, never taken as the frame's.
    std::optional<double> ignoredDefaultCycleMs;
    bool canFd = false;                // VFrameFormat names a CAN FD format, or CANFD_BRS is set
    // What the configurator's own export records of the frame row (ConverterTimeOut, in ms,
    // 0 = not supervised; ConverterMnemonic when the name could not hold the mnemonic).
    std::optional<int> recordedTimeOutMs;
    std::optional<QString> recordedMnemonic;
    QStringList skippedLines;          // lines of this frame's block that could not be read
    int line = 0;

    // The identifier as a DBC file writes it: bit 31 set for the 29-bit format.
    std::uint32_t dbcId() const { return extended ? (id | 0x80000000u) : id; }
};

// A default cycle time of this many ms or more is no cycle time of a real frame.
inline constexpr double kMaxDefaultCycleTimeMs = 65535;

// A line of a DBC file that could not be read and was skipped.
struct DbcWarning {
    int line = 0;
    QString text;                       // "line L, column C: cause"
};

// What a DBC file describes of a CAN network.
struct CanDatabase {
    QString version;
    QStringList nodes;
    std::vector<CanMessage> messages;   // in file order
    std::map<QString, ValueTable> valueTables;
    std::vector<DbcWarning> warnings;   // lines skipped outside any frame's block, in file order
};

// One identifier seen in a bus capture.
struct CapturedFrame {
    std::uint32_t id = 0;
    bool extended = false;
    int maxLength = 0;                  // the largest data length seen
    std::int64_t count = 0;
    std::optional<double> meanPeriodMs; // from the time stamps; none without two stamped frames
    QByteArray firstData;               // the data bytes of the first frame seen
    QString interfaceName;              // where it was first seen (can0, ...)
    std::int64_t firstLine = 0;
};

// A line of a capture that was not taken, with the reason.
struct RefusedLine {
    std::int64_t line = 0;
    QString reason;
};

// What a capture holds: each identifier seen, in order of first appearance.
struct CaptureSummary {
    std::vector<CapturedFrame> frames;
    std::int64_t lines = 0;             // lines read, empty ones included
    std::int64_t framesRead = 0;
    std::int64_t refusedCount = 0;
    std::vector<RefusedLine> refused;   // the first kMaxRefusedKept of them
    static constexpr int kMaxRefusedKept = 50;
};

} // namespace px::exchange
