#pragma once

#include "core/config/configuration.h"
#include "core/config/configuration_document.h"
#include "core/tables/row_clipboard.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <span>
#include <vector>

namespace px {

class MessageTable;

// The four CAN frame list editors: receive and transmit, for the jumper device (till
// April 2014) and for the dip-switch device (from May 2014). Each keeps a fixed number of
// frame rows whose values are stored exactly as typed.
enum class FrameListKind { ReceiveJumper, ReceiveDip, TransmitJumper, TransmitDip };

bool isReceiveList(FrameListKind kind);
bool isDipSwitchList(FrameListKind kind);
// The editor of a device generation and direction.
FrameListKind frameListKind(DeviceType device, config::Direction direction);

inline const QString kCobType11 = config::kStandardFormatText;
inline const QString kCobType29 = config::kExtendedFormatText;

// What a column of a frame editor shows, and the attribute of the frame file it edits.
enum class FrameColumn {
    CobId,          // CobID
    Type,           // CobType: the identifier format, a drop-down list
    Dimension,      // Dimensin: the data length
    Supervised,     // TimeOut: time-out supervision on or off (jumper receive editor)
    TimeOut,        // TimeOut_Time: ms of validity of the received data (dip-switch receive editor)
    Rtr,            // RTR
    RtrTime,        // TimeRTR: ms between remote requests
    OnChange,       // OnChange
    OnTimer,        // OnTimer
    Timer,          // Timer: the sending period in ms
    DefaultValues,  // DefaultValues
    Mnemonic,       // Mnemonic
};

// A column that shows a check box: checked for the text "Y" only; toggling stores "Y" or "N".
bool isCheckBoxColumn(FrameColumn column);

// The columns of an editor, left to right.
const std::vector<FrameColumn>& frameColumns(FrameListKind kind);
// The message of a column's title in an editor.
int columnTitleMessage(FrameListKind kind, FrameColumn column);
// How many rows an editor holds: 250 for the jumper device, 300 for the dip-switch device.
int frameListRows(FrameListKind kind);

// The rows of one frame editor: the typed frame rows of its direction, as many as the
// editor has rows. The frame list proper is the rows before the first row whose Cob-ID is
// empty after trimming; OK refuses a list with frames below such a row. Only the values
// the editor shows are kept in a row, with the key of the open configuration's frame the
// row shows (0 for a row that shows none yet), which moves with the row. Rows are
// numbered from 0 here; the user sees them from 1.
class FrameList {
public:
    // The editor's rows, all empty.
    explicit FrameList(FrameListKind kind);
    // No rows at all, as a placeholder before a list is loaded.
    FrameList() = default;

    FrameListKind kind() const { return m_kind; }
    int rowCount() const;
    const std::vector<FrameColumn>& columns() const { return frameColumns(m_kind); }
    int columnCount() const { return static_cast<int>(columns().size()); }
    // The position of a column in this editor, -1 when it has none.
    int columnIndex(FrameColumn column) const;

    // A cell outside the table reads as empty and ignores writes.
    const QString& text(int row, FrameColumn column) const;
    void setText(int row, FrameColumn column, const QString& text);

    // The number of frames: the rows before the first empty Cob-ID.
    int length() const;

    // The frames of the list, rows [0, length()), as the file keeps them.
    std::vector<config::ReceiveFrame> receiveFrames() const;
    std::vector<config::TransmitFrame> transmitFrames() const;
    // The same rows without a copy, valid until the list changes.
    std::span<const config::ReceiveFrame> receiveRows() const;
    std::span<const config::TransmitFrame> transmitRows() const;

    // Empties every row.
    void clear();
    // Moves the rows below `row` up by one; the last row becomes empty.
    void removeRow(int row);
    // Moves `row` and the rows below it down by one (the last row's content is lost) and
    // empties `row`.
    void insertEmptyRow(int row);
    // Swaps `row` with the row `by` places below (above for a negative `by`); false when
    // that row is outside the table.
    bool moveRow(int row, int by);

    // The frame key of a row (0: none).
    config::FrameKey key(int row) const;
    void setKey(int row, config::FrameKey key);
    // The keys of the frames of the list, rows [0, length()).
    std::vector<config::FrameKey> frameKeys() const;
    // The rows that hold a frame below the first row without a Cob-ID: the first of them
    // is the empty row's fault. Nothing when none.
    std::optional<int> emptyRowAboveFrames() const;

    // The texts of a row's cells, left to right: what Copy Row puts on the clipboard.
    QStringList rowTexts(int row) const;
    // Writes the texts into the row's cells, left to right.
    void setRowTexts(int row, const QStringList& texts);

    bool operator==(const FrameList&) const = default;

private:
    bool contains(int row) const { return row >= 0 && row < rowCount(); }

    FrameListKind m_kind = FrameListKind::ReceiveJumper;
    std::vector<config::ReceiveFrame> m_receive;   // the rows of a receive editor
    std::vector<config::TransmitFrame> m_transmit; // the rows of a transmit editor
    std::vector<config::FrameKey> m_keys;          // the frame key of each row
};

// What the jumper editors take from the general parameters at each showing.
struct CanSettings {
    int canType = 0;     // 0: 11-bit identifiers, anything else 29-bit
    int canTimeOut = 0;  // ms, written into every receive row by the jumper editor
};

// The CAN settings the jumper editors take from the general parameters as the document
// holds them (CAN type 0 when ParGen.xml is missing). A ParGen.xml that could not be read
// throws its fault (px::Error).
CanSettings canSettingsOf(const config::ConfigurationDocument& document, const CanSettings& before);

// Fills the list from the document's frame file of its direction, as loadFrameListBytes
// reads it, and gives each row the key of its frame in the document.
void loadFrameListFromDocument(const config::ConfigurationDocument& document, FrameList& list);

// The general parameters the frame files' writer takes for an editor's list: the device
// generation of the editor and, for the jumper device, the common CAN settings.
GeneralParameters frameListWriter(const FrameList& list, const CanSettings& settings);

// Reads the CAN type and time-out from the general parameters file (each an integer, 0
// when missing or not a number). A missing file sets the CAN type to 0 and keeps the
// time-out as it was. A file that does not parse throws px::Error and changes nothing.
void readCanSettings(const QString& parGenPath, CanSettings& settings);

// Fills the list from the frame file, row i from the i-th frame, as far as the list
// reaches; attributes that an editor does not require take its default. A missing file
// leaves the list as it is. A file that does not parse, or a row lacking a required
// attribute, throws px::Error naming the file, the row and the attribute; the rows read
// before it stay in the list. A file with more frames than the list has rows, or whose
// frames stand behind a declaration or a comment, also throws once the list is filled:
// OK would not keep the frames left out.
void loadFrameList(const QString& path, FrameList& list);
// The same from the file's bytes; `name` is the file as messages name it.
void loadFrameListBytes(const QByteArray& bytes, const QString& name, FrameList& list);

// The first fault of a frame list: its row (from 0), the column at fault and the message
// that describes it. The message is shown after the editor's "Error row " and the row
// number. An empty row with frames below it is the fault of its Cob-ID.
struct FrameFault {
    int row = 0;
    FrameColumn column = FrameColumn::CobId;
    int message = 0;
    bool operator==(const FrameFault&) const = default;
};
// The check of OK: every frame of the list against the editor's rules; `canType` is the
// general CAN type the jumper editors judge the Cob-IDs by.
std::optional<FrameFault> validateFrameList(const FrameList& list, int canType);

// "Error row " + the row number from 1 + the fault's text, in the current language.
QString faultText(const MessageTable& messages, FrameListKind kind, const FrameFault& fault);

// The frame file as the editor writes it, through the frame files' one writer: root COBID
// with one row element per frame, the attributes in the editor's order, then the version
// comment. Throws px::Error when a value holds a character the file cannot store.
QByteArray frameListBytes(const FrameList& list, const CanSettings& settings);

// Writes the frame file whole, replacing the old one; throws px::Error on failure.
void saveFrameList(const FrameList& list, const CanSettings& settings, const QString& path);

// What a paste onto a row does, decided before anything is shown or changed.
enum class PasteDecision {
    NotCopied,      // no copy in this showing: refused
    WrongColumns,   // the clipboard holds another number of cells: refused
    AskOverwrite,   // the row holds text outside its check-box columns: ask first
    Write,          // the row is free: write at once
};
PasteDecision decidePaste(const FrameList& list, int row, bool copied, const RowClipboard& clipboard);

// The default values' rule of the editors' check (config::checkByteList).
using config::ByteListCheck;
using config::checkByteList;

// The path of the copy kept of a frame file that could not be read whole.
QString backupPath(const QString& path);

// The sentence added, on a line of its own, to a load failure of an editor when the frame
// file exists: OK will keep it as backupPath(path) before replacing it. Nothing when there
// is no file.
std::optional<Message> backupNotice(const QString& path);

// Copies the file, when it exists, to backupPath(path), replacing an older copy. Returns
// true when a copy was made; throws px::Error when it cannot be made.
bool keepBackup(const QString& path);

} // namespace px
