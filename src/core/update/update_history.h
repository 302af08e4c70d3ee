#pragma once

#include "core/services/program_runner.h"

#include <QDateTime>
#include <QString>

#include <vector>

namespace px {

class MessageTable;

// The record of every device update, so that the engineer can say months later what was
// written into which device. Each update that ran (whatever its result) leaves a folder
// PROJECTS/<configuration>/history/<date-time>/ holding the five configuration files as
// they were, the four images of bin/ as they were handed to the updater, and update.json:
// the route, the device address or port, the operations, the date, the updater and its
// result. An entry folder is itself a configuration folder, so every command that reads a
// configuration reads an entry too.

inline const QString kHistoryFolderName = QStringLiteral("history");
inline const QString kUpdateRecordName = QStringLiteral("update.json");

struct UpdateRecord {
    QDateTime date;             // when the updater ended, UTC
    QString route;              // "serial" or "ethernet"
    QString device;             // the port's device path, or the device's IP address
    bool writeFirmware = false;
    bool readFirmwareBack = false;
    bool writeConfiguration = false;
    bool readConfigurationBack = false;
    QString updater;            // the updater's file name
    QString result;             // updateResultText of how it ended
    int exitStatus = 0;         // the updater's exit status where it ended by itself
    QString output;             // what it printed

    bool operator==(const UpdateRecord&) const = default;
};

// "ended", "failed", "crashed", "cancelled", "wait ran out" or "not started".
QString updateResultText(const ProgramRunner::Result& result);

// The record of an update that just ended: the updater `program` (a path) with its result,
// dated now.
UpdateRecord makeUpdateRecord(const QString& route, const QString& device, bool writeFirmware, bool readFirmwareBack,
                              bool writeConfiguration, bool readConfigurationBack, const QString& program,
                              const ProgramRunner::Result& result);

// The operations as words: "write firmware, read firmware back, write configuration,
// read configuration back", "none" when no option was set.
QString operationsText(const UpdateRecord& record);

// Writes the entry of an update of the configuration in `configurationFolder`: its files
// and images as they are now, and the record. The entry is assembled under a hidden name
// and renamed at the end; a second update in the same second gets "-2", "-3", ...
// Returns the entry's folder. Throws px::Error naming what cannot be read or written.
QString recordUpdate(const QString& configurationFolder, const UpdateRecord& record);

struct HistoryEntry {
    QString name;     // the entry folder's name, "2026-03-14T09-26-53Z"
    QString folder;   // its full path
    UpdateRecord record;
};

// The entries of the configuration's history, oldest first. A folder without a readable
// record is listed with an empty record whose result says so.
std::vector<HistoryEntry> readUpdateHistory(const QString& configurationFolder);

// One line of the history as the Manage Configurations window lists it, in the table's
// language: the date and time (UTC), the route, the device and the result.
QString historyEntryText(const MessageTable& messages, const HistoryEntry& entry);

// The record of one entry folder. Throws px::Error when it is missing or damaged.
UpdateRecord readUpdateRecord(const QString& entryFolder);

// The record as JSON (one object) and read back from it.
QByteArray updateRecordJson(const UpdateRecord& record);

} // namespace px
