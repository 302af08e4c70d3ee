#pragma once

#include "core/config/configuration_room.h"
#include "core/config/frame_rules.h"
#include "core/config/general_parameters.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace px::xml {
struct XmlItem;
struct XmlContent;
}

namespace px::config {

// The one typed shape of a configuration: the five files of a configuration folder read
// into plain values, each file by one reader and written by one writer. Frame rows keep
// every attribute as the text stored in the file, so a read followed by a write loses
// nothing; the accessors read those texts by the rules the compiler applies, so what a
// user of the model sees is what the device gets.

enum class Direction { Receive, Transmit };

// The files of a configuration folder.
enum class ConfigFile { GeneralParameters, ReceiveFrames, TransmitFrames, ReceiveMappings, TransmitMappings };
QString fileName(ConfigFile file);  // "ParGen.xml", "RCobDef.xml", ...
ConfigFile framesFile(Direction direction);
ConfigFile mappingsFile(Direction direction);

// What both directions' frame rows hold.
struct FrameRow {
    QString cobId;          // CobID, as typed (decimal or hexadecimal)
    QString cobType;        // CobType: kStandardFormatText or kExtendedFormatText
    QString dimension;      // Dimensin: the data length, 1 to 8
    QString rtr;            // RTR: "Y" / "N"
    QString defaultValues;  // DefaultValues: "1,2,3" or empty
    QString mnemonic;       // Mnemonic
    // Names of the attributes the file's row lacks (its text above is then empty). Rows
    // written by the editors lack none.
    QStringList absent;

    bool has(const QString& attribute) const { return !absent.contains(attribute); }

    // The identifier as the compiler reads it: nothing when CobID is no integer.
    std::optional<std::int64_t> identifier() const;
    // A 29-bit (CAN 2.0B) frame: the CobType text compared upper-cased, as the compiler does.
    bool extended() const;
    // The data length as the compiler reads it: nothing when Dimensin is no integer.
    std::optional<std::int32_t> dataLength() const;
    // The default values as the compiler puts them into the image: the pieces that are
    // integers from 0 to 255, at most 8.
    std::vector<std::uint8_t> defaultBytes() const;

    bool operator==(const FrameRow&) const = default;
};

// A row of RCobDef.xml.
struct ReceiveFrame : FrameRow {
    QString timeOutTime;   // TimeOut_Time: ms of validity of the received data
    QString timeOut;       // TimeOut: "Y" / "N", time-out supervision
    QString timeRtr;       // TimeRTR: ms between remote requests

    // The time-out the device applies, in ms (0: none): TimeOut_Time when it is an
    // integer, otherwise the general CAN time-out where TimeOut is "Y".
    std::uint32_t timeOutMilliseconds(std::int32_t generalCanTimeOut) const;
    // The remote-request period the device polls with, in ms; 0 when it does not poll.
    std::uint32_t rtrPeriodMilliseconds() const;

    bool operator==(const ReceiveFrame&) const = default;
};

// A row of TCobDef.xml.
struct TransmitFrame : FrameRow {
    QString onChange;  // OnChange: "Y" / "N", send when the data change
    QString onTimer;   // OnTimer: "Y" / "N", send periodically
    QString timer;     // Timer: the period in ms

    bool rtrEnabled() const;
    bool sendsOnChange() const;
    bool sendsOnTimer() const;
    // The period the device sends with when On Timer is set (0 otherwise).
    std::uint32_t timerMilliseconds() const;

    bool operator==(const TransmitFrame&) const = default;
};

// A row of RInfoCob.xml or TInfoCob.xml: a 16-bit Modbus register tied to a frame.
struct MappingEntry {
    QString registerIndex;        // Index, as kept
    std::int32_t frameNumber = 0; // NrPdo: the frame's position in the frame file, from 1
    std::int32_t highByte = 0;    // data byte of the high part, 1 to 8; 0 = none
    std::int32_t lowByte = 0;     // data byte of the low part; 0 = none
    bool sendOnWrite = false;     // transmit: send the frame at every Modbus write (Send_on_Write 1)
    // Send_on_Write when the file or an imported line held a number other than 0 and 1:
    // the device does not send, as for 0, and the number is written back as it was.
    // 0 otherwise.
    std::int32_t otherSendOnWrite = 0;

    // The register index as read by the check: nothing when it is no integer.
    std::optional<std::int32_t> registerNumber() const;
    // Send_on_Write as written: 1 when sending, else the other number kept, else 0.
    std::int32_t sendOnWriteNumber() const { return sendOnWrite ? 1 : otherSendOnWrite; }
    void setSendOnWriteNumber(std::int32_t number)
    {
        sendOnWrite = number == 1;
        otherSendOnWrite = number == 0 || number == 1 ? 0 : number;
    }

    bool operator==(const MappingEntry&) const = default;
};

// A whole configuration.
struct Configuration {
    QString name;                      // the folder's name
    GeneralParameters general;         // ParGen.xml (defaults when the file is missing)
    std::vector<ReceiveFrame> receiveFrames;
    std::vector<TransmitFrame> transmitFrames;
    std::vector<MappingEntry> receiveMappings;   // in file order
    std::vector<MappingEntry> transmitMappings;  // in file order
    // Which of the five files the folder held when it was read.
    bool present[5] = {false, false, false, false, false};

    DeviceType deviceType() const { return general.deviceType; }
    bool isPresent(ConfigFile file) const { return present[static_cast<int>(file)]; }
    std::vector<MappingEntry>& mappings(Direction d) { return d == Direction::Receive ? receiveMappings : transmitMappings; }
    const std::vector<MappingEntry>& mappings(Direction d) const
    {
        return d == Direction::Receive ? receiveMappings : transmitMappings;
    }
    int frameCount(Direction d) const
    {
        return static_cast<int>(d == Direction::Receive ? receiveFrames.size() : transmitFrames.size());
    }
    // The common part of frame `index` (from 0) of a direction.
    const FrameRow& frame(Direction d, int index) const;

    bool operator==(const Configuration&) const = default;
};

// The identifier format the device applies to a frame: the row's own Type on the device
// from May 2014, the CAN type of the general parameters on the device till April 2014.
bool frameExtended(const Configuration& config, const FrameRow& frame);

// Reads the configuration folder. A missing file gives an empty list (and the general
// parameters' defaults); a file that cannot be read or parsed, or a frame or mapping row
// that is no element, throws px::Error naming the file, the row and the cause. Values are
// kept as stored: a wrong value is for the check to report, not for the reader.
Configuration readConfiguration(const QString& folder);

// The same from the five files' bytes (nothing = the file is missing), for tests and
// archives. `name` is the configuration's name.
Configuration readConfigurationFiles(const QString& name, const std::optional<QByteArray> files[5]);
// The same from the five files as parsed, for a reader that shares its parse: `contentOf`
// gives each file's content (null = the file is missing), asked for file by file in the
// order of ConfigFile, each read before the next is asked for.
Configuration readConfigurationContents(const QString& name,
                                        const std::function<const xml::XmlContent*(ConfigFile)>& contentOf);

// The frame rows of one file's bytes; `fileLabel` names the file in errors.
std::vector<ReceiveFrame> readReceiveFrames(const QByteArray& bytes, const QString& fileLabel);
std::vector<TransmitFrame> readTransmitFrames(const QByteArray& bytes, const QString& fileLabel);
// The same, adding the rows to `frames` one by one: when a row that is no element stops
// the reading, the rows before it are there (for the editors, which show them).
void readReceiveFrames(const QByteArray& bytes, const QString& fileLabel, std::vector<ReceiveFrame>& frames);
void readTransmitFrames(const QByteArray& bytes, const QString& fileLabel, std::vector<TransmitFrame>& frames);
std::vector<MappingEntry> readMappings(const QByteArray& bytes, const QString& fileLabel, Direction direction);
// The mapping rows read one by one onto the end of `entries`: every element directly
// inside the root is a row whatever its name, as the compiler takes it (comments, text and
// deeper elements are none), numbered from 1 among the rows. A row lacking NrPdo, Index
// or PosComp throws px::Error naming it, and the rows before it stay appended, so an
// editor shows what could be read. With `frameCount`, a row naming no frame from 1 to
// frameCount is passed over before its other attributes are read, as the compiler does.
void appendMappings(std::vector<MappingEntry>& entries, const QByteArray& bytes, const QString& fileLabel,
                    Direction direction, std::optional<int> frameCount = std::nullopt);

// One row of a frame or mapping file taken as it stands, whatever node it is: a node that
// is no element has every attribute absent. The file readers above and the compiler, which
// reads a row of its own root, convert rows through these alone. A mapping row lacking an
// attribute gets the value a missing one stands for (frame -1, no bytes, no send on write).
ReceiveFrame receiveFrameOf(const xml::XmlItem& row);
TransmitFrame transmitFrameOf(const xml::XmlItem& row);
MappingEntry mappingEntryOf(const xml::XmlItem& row, Direction direction);

// The files as the editors write them: the frame files with the attribute order and the
// derived values of the editor of the configuration's device generation (the jumper
// device's editors take the identifier format and the time-out from the general
// parameters), the mapping files with their entries in the order given.
QByteArray generalParametersFileBytes(const Configuration& config);
QByteArray receiveFramesBytes(const Configuration& config);
QByteArray transmitFramesBytes(const Configuration& config);
// The same for frame rows held elsewhere (an editor's), by the rules of `general`'s device.
QByteArray receiveFramesBytes(std::span<const ReceiveFrame> frames, const GeneralParameters& general);
QByteArray transmitFramesBytes(std::span<const TransmitFrame> frames, const GeneralParameters& general);
QByteArray mappingsBytes(const Configuration& config, Direction direction);
QByteArray mappingsBytes(const std::vector<MappingEntry>& entries, Direction direction);
QByteArray fileBytes(const Configuration& config, ConfigFile file);

// Writes the named files of the configuration into `folder` together: every file is
// written whole through a temporary file, and when one cannot be written the files
// already replaced get their earlier content back, so the folder holds the old files or
// the new ones. Throws px::Error naming the file and the cause.
void writeConfiguration(const Configuration& config, const QString& folder, const std::vector<ConfigFile>& files);

// A new frame row with the values the editor of the configuration's generation starts a
// row with (identifier format and time-out of the jumper device from the general
// parameters; "N" flags and empty texts otherwise).
ReceiveFrame newReceiveFrame(const Configuration& config);
TransmitFrame newTransmitFrame(const Configuration& config);

// How many frame rows the editors of a generation hold (kJumperFrameRows or
// kDipSwitchFrameRows).
int editorFrameRows(DeviceType device);

} // namespace px::config
