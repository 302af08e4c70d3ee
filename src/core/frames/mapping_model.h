#pragma once

#include "core/config/configuration.h"
#include "core/config/configuration_document.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace px {

struct Workspace;

// A frame of the frame list as the mapping editor offers it.
struct MappingFrame {
    QString cobId;       // CobID as stored
    QString formatText;  // the Type column: the stored CobType, on the jumper device the general CAN type
    std::int32_t dataLength = 8;  // Dimensin read as an integer; 8 when it is none

    bool operator==(const MappingFrame&) const = default;
};

// Why Create, Modify or an imported line refuses a register index.
enum class IndexRefusal {
    OutOfRange,   // no integer from 0 to 65535
    AlreadyUsed,  // another entry of the direction has the same register
};

// What differs between the receive and the transmit mapping: files, messages, the send
// flag and the CSV columns. Everything else is the same editor.
struct MappingProfile {
    config::Direction direction = config::Direction::Receive;
    QString csvName;    // export file in the configuration's folder
    QString csvHeader;
    int csvFieldCount = 4;  // CSV fields read per line
    // Message indexes of the editor's texts.
    int msgTitle = 0, msgDescription = 0;
    int msgFrameList = 0, msgFrameColumns = 0, msgRegisterList = 0, msgRegisterListSubtitle = 0;
    int msgInputGroup = 0, msgIndexLabel = 0, msgHighByte = 0, msgHighByteEnd = 0, msgLowByte = 0, msgLowByteEnd = 0;
    int msgSendLabel = 0, msgFalse = 0, msgTrue = 0;
    int msgCreate = 0, msgModify = 0, msgDelete = 0, msgCopy = 0, msgPaste = 0;
    int msgOk = 0, msgCancel = 0, msgExport = 0, msgImport = 0;
    int msgIndexRange = 0, msgIndexUsed = 0, msgNoByte = 0, msgBytePrefix = 0, msgImportQuestion = 0;

    bool transmit() const { return direction == config::Direction::Transmit; }
    // The message that tells the user why an index is refused.
    int message(IndexRefusal refusal) const;

    QString framePath(const Workspace& ws) const;
    QString mappingPath(const Workspace& ws) const;
    QString csvPath(const Workspace& ws) const;

    static const MappingProfile& receiveSide();
    static const MappingProfile& transmitSide();
};

// The filter of the file-open dialog of the CSV import.
inline const QString kMappingCsvFilter = QStringLiteral("CSV File (*.csv)|*.csv");

// The register list line of one entry: "100; Byte 1; None;".
QString registerLine(const config::MappingEntry& entry);

// The items of a byte list for a frame of `dataLength` data bytes: `none`, then
// `bytePrefix` followed by 1, 2, ... A position must fit a nibble of PosComp, so at most
// 15 bytes are offered whatever a hand-edited frame file says.
QStringList byteListItems(std::int32_t dataLength, const QString& none, const QString& bytePrefix);

// The refused lines a message names.
inline constexpr int kMaxCsvFaultsNamed = 20;

// Reads the lines of an exported mapping (the first line is the header and is skipped)
// into entries: every field reads as an integer with default 0, the frame number as
// written, the index kept in decimal.
std::vector<config::MappingEntry> parseMappingCsv(const QByteArray& bytes, const MappingProfile& profile);

// The register mapping of one direction and the editing operations on it. A frame is named
// by its row in the frame list (from 0); its entries by their position among the frame's
// entries (from 0).
class RegisterMapping {
public:
    explicit RegisterMapping(const MappingProfile& profile) : m_profile(&profile) {}

    const MappingProfile& profile() const { return *m_profile; }

    // The frames, frame number = row + 1.
    const std::vector<MappingFrame>& frames() const { return m_frames; }
    // Replaces the frames; the entries are taken anew against them (setEntries).
    void setFrames(std::vector<MappingFrame> frames);

    // Every entry of a frame, frame by frame in the frame list's order, those of a frame
    // in the order they were made.
    const std::vector<config::MappingEntry>& entries() const { return m_entries; }
    // The entries whose frame number names no frame of the list, in file order: kept as
    // they are until attached to a frame or deleted.
    const std::vector<config::MappingEntry>& orphans() const { return m_orphans; }
    // The entries and then the orphans: the mapping file as OK writes it.
    std::vector<config::MappingEntry> allEntries() const;
    // Takes entries as a mapping file lists them: those naming no frame become orphans, the
    // others are ordered frame by frame, each frame's in the order given. On the receive
    // side no entry sends on write.
    void setEntries(std::vector<config::MappingEntry> entries);
    // Attaches orphan `position` to the frame in row `frameRow`; false when either is
    // missing or the register is used by another entry (nothing changes then).
    std::optional<IndexRefusal> attachOrphan(int position, int frameRow);
    void removeOrphan(int position);
    // The orphan list lines: "900; frame 9 (not in the list)" by `lineText` (%1 register,
    // %2 frame number).
    QStringList orphanLines(const QString& lineText) const;
    // The entries of the frame in row `frameRow`; none for a row that names no frame.
    std::span<const config::MappingEntry> entriesOf(int frameRow) const;
    const config::MappingEntry* entry(int frameRow, int position) const;
    int entryCount() const { return static_cast<int>(m_entries.size()); }

    // Show: drops everything and takes ParGen.xml, the frame file and, when there is at
    // least one frame, the mapping file as the open configuration holds them. A file that
    // could not be read or parsed, or a row lacking a required attribute, throws px::Error;
    // what was read before stays.
    void load(const config::ConfigurationDocument& document);
    // The same from the configuration folder of `ws`.
    void load(const Workspace& ws);
    // True when the last load did not run to its end.
    bool loadFailed() const { return m_loadFailed; }

    // True when an entry other than the one at (frameRow, positionToSkip) has an index
    // that reads as `registerIndex`.
    bool registerInUse(std::int32_t registerIndex, int frameRow, int positionToSkip) const;
    // The check of Create (positionToSkip -1) and Modify: nothing when the index text is
    // taken.
    std::optional<IndexRefusal> checkIndex(const QString& indexText, int frameRow, int positionToSkip) const;

    // Create and Modify: the refusal when the index is refused (nothing changes then). The
    // frame number of `entry` is that of `frameRow`. Positions that name no frame or entry
    // change nothing.
    std::optional<IndexRefusal> create(int frameRow, const config::MappingEntry& entry);
    std::optional<IndexRefusal> modify(int frameRow, int position, const config::MappingEntry& entry);
    void remove(int frameRow, int position);
    // Copies the entry into the copy buffer; false when there is no such entry.
    bool copy(int frameRow, int position);
    // The one-entry copy buffer; kept across showings for the whole run.
    const config::MappingEntry& copiedEntry() const { return m_copied; }

    // The frame list lines: Cob-ID, a tab, the type.
    QStringList frameLines() const;
    QStringList registerLines(int frameRow) const;

    // The mapping file as written by OK.
    QByteArray toXml() const;
    // OK: writes the mapping file. When the last load failed, the file as it was is first
    // kept beside it as the same name with ".bak" added, unless it already holds what is
    // written. Throws px::Error on failure.
    void save(const Workspace& ws) const;

    // The CSV export: header and one line per entry, CR LF line ends, 8-bit text.
    QByteArray toCsv() const;
    void exportCsv(const Workspace& ws) const;
    // The same into the file `path`.
    void exportCsvFile(const QString& path) const;

    // Replaces every entry by those of the CSV text; blank lines are passed over. A line
    // naming no frame of the list, with a register index outside 0 to 65535 or used by an
    // earlier line, or a byte position outside 0 to 8 or beyond its frame's data length,
    // refuses the whole import, and so does an entry past the device's room (read no
    // further): px::Error names each such line (the first kMaxCsvFaultsNamed, then how
    // many more) and nothing changes. `name` opens the message.
    void importCsv(const QByteArray& bytes, const QString& name = QStringLiteral("The CSV file"));
    // Reads the whole file first, so a file that cannot be read changes nothing.
    void importCsvFile(const QString& path);

private:
    // The range of m_entries that holds the entries of frame number `frameNumber`.
    std::pair<std::size_t, std::size_t> rangeOf(std::int32_t frameNumber) const;
    // The entry as the direction keeps it: on the receive side nothing is sent on write.
    config::MappingEntry stored(int frameRow, const config::MappingEntry& entry) const;

    const MappingProfile* m_profile;
    std::vector<MappingFrame> m_frames;
    std::vector<config::MappingEntry> m_entries;
    std::vector<config::MappingEntry> m_orphans;
    config::MappingEntry m_copied;
    bool m_loadFailed = false;
};

} // namespace px
