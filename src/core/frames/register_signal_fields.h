#pragma once

#include "core/config/configuration.h"
#include "core/config/configuration_document.h"
#include "core/config/signal_table.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace px {

// What the mapping editor lets the user give a register's signal by hand, as typed: its
// name, unit, scaling (physical value = register value * factor + offset) and sign.
struct SignalFields {
    QString name;
    QString unit;
    QString factor = QStringLiteral("1");
    QString offset = QStringLiteral("0");
    bool isSigned = false;

    bool operator==(const SignalFields&) const = default;
};

// The field a fault names.
enum class SignalField { Factor, Offset };
struct SignalFieldFault {
    SignalField field = SignalField::Factor;
    int message = 0; // the message that tells why
};

// The fields of a register's signal; the defaults (no name, no unit, factor 1, offset 0,
// unsigned) when none is known. Numbers are shown in the shortest text that reads back as
// the same number, so taking unchanged fields changes nothing.
SignalFields signalFields(const config::RegisterSignal* signal);

// The first field that cannot be taken: a factor that is no finite number other than 0, an
// offset that is no finite number. An empty factor or offset stands for 1 or 0.
std::optional<SignalFieldFault> checkSignalFields(const SignalFields& fields);

// Create (`previous` nothing) and Modify of the mapping entry that now has register
// `current`: the register's signal takes the checked `fields`. On Modify the signal moves
// with a changed index and keeps what else is known of it (bit field, CAN database data);
// on Create whatever the register held before is replaced. A signal left with nothing but
// the defaults is removed, so a register nobody gave signal data keeps none. A register
// that is no number (a hand-edited file) has no signal data.
void takeSignalFields(config::SignalTable& table, config::Direction direction, std::optional<std::int32_t> previous,
                      std::optional<std::int32_t> current, const SignalFields& fields);

// The signals of one direction, in register order.
std::vector<config::RegisterSignal> signalsOf(const config::SignalTable& table, config::Direction direction);

// Carries the signals of `direction` that differ between `before` and `after` into
// `target` (set or removed there); the rest of `target` stays as it is. True when `target`
// changed.
bool carrySignalEdits(config::SignalTable& target, config::Direction direction, const config::SignalTable& before,
                      const config::SignalTable& after);

// The save of a mapping editor's OK, inside the document's save: the direction's `entries`
// become the mapping, and the signals the editor changed since it read `shownSignals` go
// into the signal file as it is on disk now, which the document writes together with the
// mapping file (all or none). The signal file is read only when a signal changed; one
// that cannot be read then throws px::Error and nothing is written. Returns the touched
// files.
std::vector<config::ConfigFile> takeMappingEdit(config::ConfigurationDocument& document, config::Direction direction,
                                                std::vector<config::MappingEntry> entries,
                                                const config::SignalTable& shownSignals,
                                                const config::SignalTable& editedSignals);

} // namespace px
