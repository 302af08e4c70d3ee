#pragma once

#include "core/config/configuration.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace px::config {

// What is known of the signal a Modbus register carries: its name, scaling, unit and sign,
// where it sits in the register, and what the CAN database said of it. The device never
// sees any of it: it is kept in a file of its own beside the five device files
// (kSignalFileName), read and written only by the configurator, and travels with the
// configuration when it is copied, packed or unpacked.

inline const QString kSignalFileName = QStringLiteral("Signals.xml");

// Which part of the signal's value a register holds: all of it (a value of at most 16 bits),
// or one word of a value held by two consecutive registers, the high word first.
enum class WordPart { Whole, HighWord, LowWord };

struct RegisterSignal {
    Direction direction = Direction::Receive;
    int registerIndex = 0;
    QString name;
    QString unit;
    double factor = 1.0;
    double offset = 0.0;
    bool isSigned = false;
    bool isFloat = false;        // an IEEE float over the register pair
    WordPart word = WordPart::Whole;
    // The signal within the register's value (Whole: the 16-bit register; a word: the 32-bit
    // value of the pair): the position of its least significant bit and its length in bits.
    int bitOffset = 0;
    int bitLength = 16;
    // From the CAN database, as it describes the signal in the frame (0 length: unknown).
    int startBit = 0;
    int length = 0;
    bool motorola = false;
    double minimum = 0.0;
    double maximum = 0.0;
    QString comment;
    std::map<std::int64_t, QString> values;

    // Whether the register value holds bits besides the signal's, for the PLC to mask and
    // shift: the import maps a signal onto the fewest bytes that hold it, so a signal that
    // starts on a byte and fills whole bytes is no bit field.
    bool isBitField() const { return bitOffset != 0 || bitLength % 8 != 0; }
    // The physical value of a raw register value (Whole) or of the pair's 32-bit value.
    double physical(std::uint32_t raw) const;

    bool operator==(const RegisterSignal&) const = default;
};

// A frame's cycle time as the CAN database gave it, by identifier and format.
struct FrameTiming {
    Direction direction = Direction::Receive;
    std::uint32_t identifier = 0;
    bool extended = false;
    int cycleTimeMs = 0;

    bool operator==(const FrameTiming&) const = default;
};

class SignalTable {
public:
    // The signal of a register of a direction; nothing when none is known.
    const RegisterSignal* find(Direction direction, int registerIndex) const;
    // The known cycle time of a frame; nothing when none is known.
    std::optional<int> cycleTime(Direction direction, std::uint32_t identifier, bool extended) const;

    // Adds or replaces the register's signal (by direction and index).
    void set(RegisterSignal signal);
    void remove(Direction direction, int registerIndex);
    void setCycleTime(FrameTiming timing);

    // In direction, then register order.
    const std::vector<RegisterSignal>& registers() const { return m_registers; }
    const std::vector<FrameTiming>& timings() const { return m_timings; }
    bool empty() const { return m_registers.empty() && m_timings.empty(); }

    bool operator==(const SignalTable&) const = default;

private:
    std::vector<RegisterSignal> m_registers;
    std::vector<FrameTiming> m_timings;
};

// The physical value of a register as a person reads it: the number with the signal's unit
// ("21.5 °C"), followed by the value table's text where it names the value ("3 (Running)").
// `valueOf` gives a register's value by index, nothing when it is not known; a register of
// a pair reads its partner too. Empty when no signal is known or a value is missing.
QString physicalValueText(const SignalTable& table, Direction direction, int registerIndex,
                          const std::function<std::optional<std::uint16_t>(int)>& valueOf);

// The file's bytes: UTF-8 XML, a root SIGNALS with Frame and Register elements.
QByteArray signalTableBytes(const SignalTable& table);
// Reads the bytes; `fileLabel` names the file in errors. A file that does not parse, or an
// element lacking its direction or index, throws px::Error naming the file and the cause.
SignalTable readSignalTable(const QByteArray& bytes, const QString& fileLabel);

// The signal file of a configuration folder: an empty table when there is none.
SignalTable loadSignalTable(const QString& configurationFolder);
// The same for the check before a compile or an update, which never need the file: an
// empty table also when it cannot be read.
SignalTable loadSignalTableIfReadable(const QString& configurationFolder);
// Writes the table into the folder (removing the file when the table is empty).
void saveSignalTable(const SignalTable& table, const QString& configurationFolder);

} // namespace px::config
