#pragma once

#include "core/tables/text_grid.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace px {

class MessageTable;

// The four CAN frame list editors: receive and transmit, for the jumper device (till
// April 2014) and for the dip-switch device (from May 2014). Each keeps its list in a
// table of text cells whose values are stored exactly as typed.
enum class FrameListKind { ReceiveJumper, ReceiveDip, TransmitJumper, TransmitDip };

inline const QString kCobType11 = QStringLiteral("2.0A (11 bits)");
inline const QString kCobType29 = QStringLiteral("2.0B (29 bits)");

// Columns of each editor's table (column 0 holds the row numbers).
namespace rx_jumper { enum Col { CobID = 1, Dimension, TimeOut, Mnemonic, Count }; }
namespace rx_dip { enum Col { CobID = 1, Type, Dimension, TimeOut, RTR, TimeRTR, DefaultValues, Mnemonic, Count }; }
namespace tx_jumper { enum Col { CobID = 1, Dimension, Mnemonic, Count }; }
namespace tx_dip { enum Col { CobID = 1, Type, Dimension, RTR, OnChange, OnTimer, Timer, DefaultValues, Mnemonic, Count }; }

struct FrameListLayout {
    int dataRows = 0;                 // 250 for the jumper device, 300 for the dip-switch device
    std::vector<int> titleMessages;   // message index of each column title, column 0 first
    std::vector<int> checkBoxColumns;
    int typeColumn = 0;               // the drop-down identifier-format column; 0 = none
};
const FrameListLayout& frameListLayout(FrameListKind kind);

// An empty, numbered table of the editor with its titles and check-box columns.
TextGrid makeFrameGrid(FrameListKind kind, const MessageTable& messages);

// What the jumper editors take from the communication settings at each showing.
struct FrameParGen {
    int CAN_Type = 0;     // 0: 11-bit identifiers, anything else 29-bit
    int CAN_TimeOut = 0;  // ms, written into every receive row by the jumper editor
};

// Reads CANType and CANTimeOut (each an integer, 0 when missing or not a number). A
// missing file sets CAN_Type to 0 and keeps CAN_TimeOut as it was. A file that does not
// parse throws px::Error and changes nothing.
void readFrameParGen(const QString& parGenPath, FrameParGen& state);

// The number of rows of the frame list: the rows before the first row whose Cob-ID is
// empty after trimming blanks (rows below it are neither checked nor saved).
int frameListLength(const TextGrid& grid);

// Fills the table from the frame file, row i+1 from the i-th child of the root, as far as
// the table reaches; attributes that an editor does not require take its default. A
// missing file leaves the table as it is. A file that does not parse, or a row lacking a
// required attribute, throws px::Error naming the file, the row and the attribute; the
// rows read before it stay in the table. A file with more frames than the table has rows,
// or whose frames stand behind a declaration or a comment, also throws once the table is
// filled: OK would not keep the frames left out.
void loadFrameList(FrameListKind kind, const QString& path, TextGrid& grid);
// The same from the file's bytes; `name` is the file as messages name it.
void loadFrameListBytes(FrameListKind kind, const QByteArray& bytes, const QString& name, TextGrid& grid);

// The first fault of the frame list: the row, the message of the "Error row " prefix and
// the message of the fault.
struct RowFault {
    int row = 0;
    int prefix = 0;
    int fault = 0;
    bool operator==(const RowFault&) const = default;
};
std::optional<RowFault> Controllo_dati(FrameListKind kind, const TextGrid& grid, int canType);

// "Error row " + the row number + the fault's text, in the current language.
QString faultText(const MessageTable& messages, const RowFault& fault);

// The frame file as the editor writes it: root COBID with one row element per frame,
// the attributes in the editor's order, then the version comment.
QByteArray frameListBytes(FrameListKind kind, const TextGrid& grid, const FrameParGen& parGen);

// Writes the frame file whole, replacing the old one; throws px::Error on failure.
void saveFrameList(FrameListKind kind, const TextGrid& grid, const FrameParGen& parGen, const QString& path);

// The path of the copy kept of a frame file that could not be read whole.
QString backupPath(const QString& path);

// The sentence added to a load failure of an editor when the frame file exists: OK will
// keep it as backupPath(path) before replacing it. Empty when there is no file.
QString backupNotice(const QString& path);

// Copies the file, when it exists, to backupPath(path), replacing an older copy. Returns
// true when a copy was made; throws px::Error when it cannot be made.
bool keepBackup(const QString& path);

} // namespace px
