#pragma once

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
};

struct ExportFrame {
    std::uint32_t id = 0;
    bool extended = false;
    int length = 8;
    QString mnemonic;
    std::optional<int> cycleTimeMs;   // transmit frames sent on a timer
    std::vector<ExportEntry> entries;
};

struct ExportNetwork {
    std::vector<ExportFrame> receive;   // sent by the bus, received by the converter
    std::vector<ExportFrame> transmit;  // sent by the converter
};

struct DbcText {
    QByteArray bytes;
    QStringList notes;                   // parts that could not be written, and why
};

// The configuration as a DBC file: every frame of both directions as a BO_ (29-bit
// identifiers with bit 31 set), named after its mnemonic made a valid, unique DBC name of
// at most 32 characters; one signal per mapped register part, R<index>_HI and R<index>_LO,
// or one 16-bit signal R<index> where the high and the low byte are adjacent (Motorola
// order when the high byte comes first, Intel order when the low byte does); the timer of
// timed frames as GenMsgCycleTime. Text is written as Latin-1.
DbcText writeDbc(const ExportNetwork& network);

// A valid DBC name from a mnemonic: letters, digits and '_' only, not starting with a
// digit, at most 32 characters; `fallback` when nothing of the mnemonic is left.
QString dbcName(const QString& mnemonic, const QString& fallback);

} // namespace px::exchange
