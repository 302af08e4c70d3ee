#pragma once

#include "core/config/configuration.h"
#include "core/config/signal_table.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace px {
class MessageTable;
}

namespace px::check {

// A register as the map lists it: one mapping entry with the frame it names.
struct MappedRegister {
    int row = 0;                            // the entry's row in the mapping file, from 1
    QString registerIndex;                  // as stored
    std::optional<std::int32_t> number;     // the index as read; nothing when it is no number
    int frameNumber = 0;
    bool frameExists = false;
    QString cobId;                          // of the frame, as stored (empty without frame)
    bool extended = false;                  // the format the device applies to the frame
    QString mnemonic;
    int highByte = 0;                       // 0 = none
    int lowByte = 0;
    bool sendOnWrite = false;
    std::optional<config::RegisterSignal> signal;   // what the signal file knows of it
};

enum class RegisterPart { High, Low };

// What one data byte of a frame feeds.
struct ByteFeed {
    QString registerIndex;
    std::optional<std::int32_t> number;
    RegisterPart part = RegisterPart::High;
};

// The eight data bytes of one frame and the register parts each feeds.
struct FrameLayout {
    int frameNumber = 0;
    QString cobId;
    bool extended = false;
    QString mnemonic;
    int dataLength = 8;                     // 0 to 8 as the bytes exist in the frame
    std::array<std::vector<ByteFeed>, 8> bytes;
};

struct DirectionMap {
    config::Direction direction = config::Direction::Receive;
    std::vector<MappedRegister> registers;  // in register index order (no numbers last), then row
    std::vector<FrameLayout> frames;        // in frame order
};

struct RegisterMap {
    DirectionMap receive;
    DirectionMap transmit;
    const DirectionMap& of(config::Direction d) const { return d == config::Direction::Receive ? receive : transmit; }
};

// The map of the configuration, each register with what `signalTable` knows of its signal.
RegisterMap buildRegisterMap(const config::Configuration& config, const config::SignalTable& signalTable = {});

enum class MapFormat { Text, Csv, Html, Markdown };

// The register map of both directions as a document of the format: the registers, then
// every frame's data bytes. Labels come from `messages`.
QString renderRegisterMap(const RegisterMap& map, MapFormat format, const MessageTable& messages);

// Pieces shared by the renderers, the report and the window.
QString identifierText(const QString& cobId);   // "0x181" when the text is a number, else as stored
QString formatLabel(bool extended);             // "2.0A (11 bits)" / "2.0B (29 bits)"
QString byteFeedText(const ByteFeed& feed);     // "100 H" / "100 L"
// The columns of a register that tell the PLC what it holds: signal name, unit, factor,
// offset, signed, bit field, data type of the register (pair) with its word order, the
// address as sent on the wire (the index, from 0) and in the 1-based notation of PLC
// programmers (3xxxx input registers for receive, 4xxxx holding registers for transmit).
QStringList signalHeader(const MessageTable& messages);
QStringList signalCells(const MappedRegister& r, config::Direction direction, const MessageTable& messages);
// "30001" / "40101" / "310000": a register index in the 1-based notation (six digits from
// index 9999 on); empty for an index out of 0 to 65535.
QString plcAddress(config::Direction direction, std::int64_t index);
// A colour of its own for each register, "#rrggbb", light enough to read dark text on.
QString registerColour(const QString& registerIndex);
// The start of an HTML document of the program's printed style (see htmlDocumentStart in
// register_map.cpp), up to and with <body>, titled `title`.
QString htmlDocumentStart(const QString& title);
// The opening tag of a ruled table of that style, over the full text width.
QString htmlTableStart(const QString& className, int cellPadding = 3);
// The HTML table of one direction's byte strips (eight cells per frame).
QString byteStripsHtml(const DirectionMap& map, const MessageTable& messages);
// The HTML table of one direction's registers.
QString registersHtml(const DirectionMap& map, const MessageTable& messages);

} // namespace px::check
