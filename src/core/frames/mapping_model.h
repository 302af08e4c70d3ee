#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace px {

struct Workspace;

// One register mapping entry: a 16-bit Modbus register tied to a frame, with the frame
// data byte that holds its high part and the one that holds its low part (0 = none,
// n = data byte n).
struct TMod_Reg {
    QString Ind_Mod;          // the register index, kept as typed or as stored
    std::int32_t HiPart = 0;
    std::int32_t LoPart = 0;
    std::int32_t Write = 0;   // transmit side: send the frame when Modbus writes the register

    bool operator==(const TMod_Reg&) const = default;
};

// A frame of the frame list as the mapping sees it, owning the entries mapped onto it.
struct TCAN_Frame {
    QString Cob_ID;
    QString CobType;
    std::int32_t Num_Byte = 8;
    std::vector<TMod_Reg> Lista_Mod_Reg;
};

// What differs between the receive and the transmit mapping: files, messages, the send
// flag and the CSV columns. Everything else is the same editor.
struct MappingProfile {
    bool transmit = false;            // entries carry the send-on-write flag
    QString mappingRoot;              // root element of the mapping file
    QString csvName;                  // export file in the configuration's folder
    QString csvHeader;
    int fieldCount = 4;               // CSV fields read per line
    // Message indexes.
    int msgTitle = 0, msgDescription = 0;
    int msgFrameList = 0, msgFrameColumns = 0, msgRegList = 0, msgRegRelative = 0;
    int msgInputGroup = 0, msgIndexLabel = 0, msgHigh1 = 0, msgHigh2 = 0, msgLow1 = 0, msgLow2 = 0;
    int msgSendLabel = 0, msgFalse = 0, msgTrue = 0;
    int msgCreate = 0, msgModify = 0, msgDelete = 0, msgCopy = 0, msgPaste = 0;
    int msgOK = 0, msgCancel = 0, msgExport = 0, msgImport = 0;
    int msgIndexRange = 0, msgIndexUsed = 0, msgNone = 0, msgByte = 0, msgImportQuestion = 0;

    QString framePath(const Workspace& ws) const;
    QString mappingPath(const Workspace& ws) const;
    QString csvPath(const Workspace& ws) const;

    static const MappingProfile& receiveSide();
    static const MappingProfile& transmitSide();
};

// The filter of the file-open dialog of the CSV import.
inline const QString kMappingCsvFilter = QStringLiteral("CSV File (*.csv)|*.csv");

// A byte position pair packed as the mapping file keeps it: high part in the high
// nibble, low part in the low nibble.
std::int32_t packPosComp(std::int32_t hiPart, std::int32_t loPart);
void unpackPosComp(std::int32_t posComp, std::int32_t& hiPart, std::int32_t& loPart);

// The register list line of one entry: "100; Byte 1; None;".
QString registerLine(const TMod_Reg& entry);

// The items of a byte list for a frame of `numByte` data bytes: `none`, then `bytePrefix`
// followed by 1, 2, ... A position must fit a nibble of PosComp, so at most 15 bytes are
// offered whatever a hand-edited frame file says.
QStringList byteListItems(std::int32_t numByte, const QString& none, const QString& bytePrefix);

// The entries the device holds per direction, and the refused lines a message names.
inline constexpr int kMaxMappingEntries = 3584;
inline constexpr int kMaxCsvFaultsNamed = 20;

// One CSV line read: the frame number as written and the entry it gives.
struct CsvMappingLine {
    std::int32_t frameNumber = 0;
    TMod_Reg entry;
};

// Reads the lines of an exported mapping (the first line is the header and is skipped).
// Every field reads as an integer with default 0, and the index is kept in decimal.
std::vector<CsvMappingLine> parseMappingCsv(const QByteArray& bytes, const MappingProfile& profile);

// The register mapping of one direction and the editing operations on it.
class RegisterMapping {
public:
    explicit RegisterMapping(const MappingProfile& profile) : m_profile(&profile) {}

    const MappingProfile& profile() const { return *m_profile; }

    // The frames, frame number = position + 1, each with its entries.
    std::vector<TCAN_Frame> Lista_CAN_Frame;

    // The one-entry copy buffer; kept across showings for the whole run.
    QString ACopy_Ind_Mod;
    std::int32_t ACopy_HiPort = 0;
    std::int32_t ACopy_LoPort = 0;
    std::int32_t ACopy_Write = 0;

    // Show: drops everything and reads ParGen.xml, the frame file and, when there is at
    // least one frame, the mapping file. A file that cannot be read or parsed, or a row
    // lacking a required attribute, throws px::Error; what was read before stays.
    void load(const Workspace& ws);
    // True when the last load did not run to its end.
    bool loadFailed() const { return m_loadFailed; }

    // True when an entry other than the one at (frameToSkip, regToSkip) has an index
    // that reads as `index`.
    bool Check_Mod_Reg_in_Use(std::int32_t index, int frameToSkip, int regToSkip) const;
    // The checks of Create (regToSkip -1) and Modify: 0, or the index of the message
    // that refuses the index text.
    int checkIndex(const QString& indexText, int frameToSkip, int regToSkip) const;

    // Create and Modify: 0 when done, else the message index of the refusal (nothing
    // changes then). Positions that name no frame or entry change nothing.
    int create(int frame, const TMod_Reg& entry);
    int modify(int frame, int reg, const TMod_Reg& entry);
    void remove(int frame, int reg);
    // Copies the entry into the copy buffer; false when there is no such entry.
    bool copy(int frame, int reg);

    // The frame list lines: Cob-ID, a tab, the type.
    QStringList frameLines() const;
    QStringList registerLines(int frame) const;
    const TMod_Reg* entry(int frame, int reg) const;
    int entryCount() const;

    // The mapping file as written by OK.
    QByteArray toXml() const;
    // OK: writes the mapping file. When the last load failed, the file as it was is first
    // kept beside it as the same name with ".bak" added, unless it already holds what is
    // written. Throws px::Error on failure.
    void save(const Workspace& ws) const;

    // The CSV export: header and one line per entry, CR LF line ends, 8-bit text.
    QByteArray toCsv() const;
    void exportCsv(const Workspace& ws) const;

    // Replaces every entry by those of the CSV text; lines naming no frame are skipped.
    // A line with a register index outside 0 to 65535 or used by an earlier line, or a
    // byte position outside 0 to 8 or beyond its frame's data length, refuses the whole
    // import, and so does an entry past the device's room (read no further): px::Error
    // names each such line (the first kMaxCsvFaultsNamed, then how many more) and
    // nothing changes. `name` opens the message.
    void importCsv(const QByteArray& bytes, const QString& name = QStringLiteral("The CSV file"));
    // Reads the whole file first, so a file that cannot be read changes nothing.
    void importCsvFile(const QString& path);

private:
    const MappingProfile* m_profile;
    bool m_loadFailed = false;
};

} // namespace px
