#pragma once

#include "core/config/configuration.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace px {

class MessageTable;

// What differs between two configurations, as an engineer compares them: the general
// parameters by name (the element names of ParGen.xml), the frames of each direction by
// identifier, the mapping entries of each direction by register. A mapping entry names its
// frame by identifier, so frames that only moved in their list change no entry.

struct ValueChange {
    QString name;  // the parameter or the attribute: "CANTimeOut", "Dimensin", "frame"
    QString a;     // in the first configuration
    QString b;     // in the second
    bool operator==(const ValueChange&) const = default;
};

struct ItemChange {
    enum class Kind { Added, Removed, Changed };
    Kind kind = Kind::Changed;
    config::Direction direction = config::Direction::Receive;
    QString key;                      // the frame's identifier ("0x181") or the register ("10")
    std::vector<ValueChange> values;  // Changed: what changed; Added and Removed: every value
    bool operator==(const ItemChange&) const = default;
};

struct ConfigurationDiff {
    std::vector<ValueChange> parameters;
    std::vector<ItemChange> frames;    // receive first, then transmit; by identifier within each
    std::vector<ItemChange> mappings;  // receive first, then transmit; by register within each
    bool empty() const { return parameters.empty() && frames.empty() && mappings.empty(); }
};

ConfigurationDiff diffConfigurations(const config::Configuration& a, const config::Configuration& b);

// The frame's identifier as the comparison keys it: "0x181" (upper-case hexadecimal digits),
// the stored text when it is no integer; a second frame of the same identifier in one
// direction gets " #2", and so on.
QString frameKey(const config::FrameRow& frame);

// The words of a change, in the table's language: "added", "removed", "changed".
QString changeKindText(const MessageTable& messages, ItemChange::Kind kind);

// The differences as rows of a table, one per value, in the table's language: the item
// ("Receive CAN Frames 0x181", "Receive Register Map register 10", or the general
// parameters' heading), the change, the value's name and its two sides.
struct DiffRow {
    QString item;
    QString change;
    QString value;
    QString a;
    QString b;
};
std::vector<DiffRow> diffRows(const ConfigurationDiff& diff, const MessageTable& messages);

// The differences as lines of text, headed by the two names; "no differences" when there
// are none.
QString diffText(const ConfigurationDiff& diff, const QString& nameA, const QString& nameB,
                 const MessageTable& messages);

// The same as one JSON object: {"a", "b", "parameters": [{name, a, b}], "frames": [{change,
// direction, identifier, values: [{name, a, b}]}], "mappings": [{change, direction,
// register, values}]}.
QByteArray diffJson(const ConfigurationDiff& diff, const QString& nameA, const QString& nameB);

} // namespace px
