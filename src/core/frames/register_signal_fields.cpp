#include "core/frames/register_signal_fields.h"

#include "core/lang/message_ids.h"

#include <QLocale>

#include <cmath>
#include <set>

namespace px {
namespace {

// The number a factor or offset field holds; `empty` when the field is blank, nothing when
// it holds no finite number.
std::optional<double> fieldNumber(const QString& text, double empty)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return empty;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

// A name or unit as kept: without the blanks around it, and without control characters
// (pasted tabs or line breaks), which the signal file could not hold.
QString fieldText(const QString& text)
{
    QString t = text;
    for (QChar& c : t) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    return t.trimmed();
}

QString numberText(double v)
{
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

} // namespace

SignalFields signalFields(const config::RegisterSignal* signal)
{
    SignalFields fields;
    if (!signal)
        return fields;
    fields.name = signal->name;
    fields.unit = signal->unit;
    fields.factor = numberText(signal->factor);
    fields.offset = numberText(signal->offset);
    fields.isSigned = signal->isSigned;
    return fields;
}

std::optional<SignalFieldFault> checkSignalFields(const SignalFields& fields)
{
    const std::optional<double> factor = fieldNumber(fields.factor, 1.0);
    if (!factor || *factor == 0.0)
        return SignalFieldFault{SignalField::Factor, msg::kSignalFactorRefused};
    if (!fieldNumber(fields.offset, 0.0))
        return SignalFieldFault{SignalField::Offset, msg::kSignalOffsetRefused};
    return std::nullopt;
}

void takeSignalFields(config::SignalTable& table, config::Direction direction, std::optional<std::int32_t> previous,
                      std::optional<std::int32_t> current, const SignalFields& fields)
{
    config::RegisterSignal signal;
    if (previous) {
        if (const config::RegisterSignal* known = table.find(direction, *previous))
            signal = *known;
        table.remove(direction, *previous);
    }
    if (!current)
        return;
    config::RegisterSignal unknown;
    unknown.direction = direction;
    unknown.registerIndex = *current;
    if (!previous)
        signal = unknown;
    signal.direction = direction;
    signal.registerIndex = *current;
    signal.name = fieldText(fields.name);
    signal.unit = fieldText(fields.unit);
    signal.factor = fieldNumber(fields.factor, 1.0).value_or(signal.factor);
    signal.offset = fieldNumber(fields.offset, 0.0).value_or(signal.offset);
    signal.isSigned = fields.isSigned;
    if (signal == unknown)
        table.remove(direction, *current);
    else
        table.set(std::move(signal));
}

std::vector<config::RegisterSignal> signalsOf(const config::SignalTable& table, config::Direction direction)
{
    std::vector<config::RegisterSignal> out;
    for (const config::RegisterSignal& s : table.registers()) {
        if (s.direction == direction)
            out.push_back(s);
    }
    return out;
}

bool carrySignalEdits(config::SignalTable& target, config::Direction direction, const config::SignalTable& before,
                      const config::SignalTable& after)
{
    std::set<int> registers;
    for (const config::SignalTable* table : {&before, &after}) {
        for (const config::RegisterSignal& s : signalsOf(*table, direction))
            registers.insert(s.registerIndex);
    }
    bool changed = false;
    for (const int index : registers) {
        const config::RegisterSignal* was = before.find(direction, index);
        const config::RegisterSignal* now = after.find(direction, index);
        if (was && now && *was == *now)
            continue;
        const config::RegisterSignal* there = target.find(direction, index);
        if (now) {
            if (there && *there == *now)
                continue;
            target.set(*now);
        } else {
            if (!there)
                continue;
            target.remove(direction, index);
        }
        changed = true;
    }
    return changed;
}

std::vector<config::ConfigFile> takeMappingEdit(config::ConfigurationDocument& document, config::Direction direction,
                                                std::vector<config::MappingEntry> entries,
                                                const config::SignalTable& shownSignals,
                                                const config::SignalTable& editedSignals)
{
    // The signal file is read only when a signal was edited: a mapping edit alone never
    // depends on it. It is read as it is now, so what others wrote into it since the editor
    // read it (the other direction, an import) stays.
    if (signalsOf(shownSignals, direction) != signalsOf(editedSignals, direction)) {
        config::SignalTable onDisk = config::loadSignalTable(document.folder());
        if (carrySignalEdits(onDisk, direction, shownSignals, editedSignals))
            document.writeAlongside(config::kSignalFileName, config::signalTableBytes(onDisk));
    }
    return document.setMappings(direction, std::move(entries));
}

} // namespace px
