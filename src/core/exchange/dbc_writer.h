#pragma once

#include "core/config/signal_table.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace px::exchange {

// The two nodes of an exported database: the converter and the devices on the other side
// of the bus.
inline const QString kConverterNode = QStringLiteral("PX40318");
inline const QString kBusNode = QStringLiteral("CAN_Bus");

// One register mapping entry as the export sees it (data bytes 1 to 8, 0 = none).
struct ExportEntry {
    int registerIndex = 0;
    int highByte = 0;
    int lowByte = 0;
    std::optional<bool> sendOnWrite;                // transmit entries
    std::optional<config::RegisterSignal> signal;   // what the signal file knows of it
};

struct ExportFrame {
    std::uint32_t id = 0;
    bool extended = false;
    int length = 8;
    QString mnemonic;
    std::optional<int> cycleTimeMs;   // transmit frames sent on a timer; receive frames' known cycle
    std::vector<ExportEntry> entries;
    std::optional<int> timeOutMs;     // receive frames: the supervision time-out, 0 = none
};

struct ExportNetwork {
    std::vector<ExportFrame> receive;   // sent by the bus, received by the converter
    std::vector<ExportFrame> transmit;  // sent by the converter
};

struct DbcText {
    QByteArray bytes;
    QStringList notes;                   // parts that could not be written, and why
};

// The configuration as a DBC file: every identifier once as a BO_ (29-bit identifiers with
// bit 31 set; a frame whose identifier came before in the same format is merged into it,
// with a note), named after its mnemonic made a valid, unique DBC name of at most 32
// characters (the mnemonic itself in the ConverterMnemonic attribute when it differs).
// A register whose signal is known, and whose bytes are still the ones the signal takes,
// becomes that signal with its own name, start bit, length, byte order, sign, float type,
// scaling, limits, unit, value table and comment (a 32-bit signal over two registers
// once), its register in ConverterRegister (and ConverterLowWordRegister). Any other
// register becomes one signal per mapped part, R<index>_HI and R<index>_LO, or one 16-bit
// signal R<index> where the high and the low byte are adjacent (Motorola order when the
// high byte comes first, Intel order when the low byte does). Transmit signals carry
// ConverterSendOnWrite, receive frames their time-out as ConverterTimeOut, timed frames
// their period as GenMsgCycleTime. Text is written as Latin-1 (characters beyond it as
// '?'), so the file is always a valid DBC file.
DbcText writeDbc(const ExportNetwork& network);

// A valid DBC name from a mnemonic: letters, digits and '_' only, not starting with a
// digit, at most 32 characters; `fallback` when nothing of the mnemonic is left.
QString dbcName(const QString& mnemonic, const QString& fallback);

} // namespace px::exchange
