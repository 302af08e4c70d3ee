#pragma once

#include "core/config/configuration.h"
#include "core/exchange/capture_reader.h"
#include "core/exchange/dbc_writer.h"
#include "core/exchange/import_plan.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace px::exchange {

// The configuration's frames of both directions and their register mappings as the DBC
// export sees them, each register with what `signalTable` knows of its signal, each
// receive frame with its supervision and known cycle time, each transmit entry with its
// send-on-write flag. Frames whose identifier is no integer or beyond its format, and
// mapping entries that name no frame or whose index is no integer, are left out with a
// note; a data length that is no integer counts as 8, as the mapping editors read it.
ExportNetwork exportNetwork(const config::Configuration& config, QStringList& notes,
                            const config::SignalTable& signalTable = {});

// The configuration as a DBC file (see writeDbc), with the notes of exportNetwork first.
// Imported into an empty configuration of the same generation it gives the same frames
// (identifier, format, length, mnemonic, supervision, timer), mappings and signal data.
DbcText configurationDbc(const config::Configuration& config, const config::SignalTable& signalTable = {});

// What the configuration holds in the direction imported into. The registers are numbered
// from `firstRegister`, or, without one, from one past the highest register used in that
// direction (0 when there is none).
ImportTarget importTarget(const config::Configuration& config, Direction direction,
                          std::optional<int> firstRegister = std::nullopt);

// Appends the plan's frames after the last frame of the direction's list, as the editor of
// the configuration's device generation writes a row, and its entries to the mapping of
// the same direction.
void applyImport(config::Configuration& config, Direction direction, const ImportPlan& plan);

// The two files an import into `direction` writes together.
std::vector<config::ConfigFile> importedFiles(Direction direction);

// What the plan's entries know of their signals, and the cycle times of the chosen
// messages it adds or maps onto, put into the configuration's signal table.
void applyImportSignals(config::SignalTable& table, Direction direction, const ImportPlan& plan,
                        const std::vector<ImportMessage>& chosen);

// Writes the frame and mapping files of the directions imported into and the signal file
// into `folder` together: all of them are replaced, or none.
void writeImport(const config::Configuration& config, const config::SignalTable& signalTable, const QString& folder,
                 const std::vector<Direction>& directions);

// The frames a file offers: a CAN database when its name ends in .dbc (any case), a
// candump capture otherwise. Nothing when the reading of a capture was cancelled.
struct ImportSource {
    QString fileName;
    bool capture = false;
    std::vector<ImportMessage> messages;
    QStringList warnings;    // "<file>: line L, column C: cause (skipped)", lines of no frame's block
};
std::optional<ImportSource> readImportSource(const QString& path, const CaptureProgress& progress = {});

// The messages a command line names: "all", or identifiers separated by commas in the
// integer syntax (385, 0x181), each matched whatever its format; in file order. An
// identifier that is no number or that the file lacks is an error (px::Error).
std::vector<ImportMessage> selectMessages(const std::vector<ImportMessage>& messages, const QString& identifiers,
                                          const QString& fileName);

// What an import added and what it did not, one line each, as the command line prints it;
// time in proportion to frames plus entries.
QStringList importReport(const ImportPlan& plan, const std::vector<ImportMessage>& chosen, const ImportTarget& target);

} // namespace px::exchange
