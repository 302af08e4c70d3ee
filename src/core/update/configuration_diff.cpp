#include "core/update/configuration_diff.h"

#include "core/lang/message_table.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <map>

namespace px {

namespace {

using config::Direction;

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

QString address(const std::array<QString, 4>& bytes)
{
    return QStringList{bytes[0], bytes[1], bytes[2], bytes[3]}.join(u'.');
}

// The general parameters by the names ParGen.xml gives them, in its order.
std::vector<std::pair<QString, QString>> parameterValues(const GeneralParameters& g)
{
    return {{QStringLiteral("Device_Type"), QString::number(g.deviceType)},
            {QStringLiteral("BaudRateCAN"), QString::number(g.baudCode)},
            {QStringLiteral("CANType"), QString::number(g.canType)},
            {QStringLiteral("CANTimeOut"), g.canTimeOut},
            {QStringLiteral("ADD_IP"), address(g.ip)},
            {QStringLiteral("SUBNET"), address(g.subnet)},
            {QStringLiteral("EN_GATEWAY"), flag(g.gatewayEnabled)},
            {QStringLiteral("GATEWAY"), address(g.gateway)},
            {QStringLiteral("Port"), g.port},
            {QStringLiteral("FAST_BOOT"), flag(g.fastBoot)}};
}

using Values = std::vector<std::pair<QString, QString>>;

Values commonFrameValues(const config::FrameRow& f)
{
    return {{QStringLiteral("CobType"), f.cobType},
            {QStringLiteral("Dimensin"), f.dimension},
            {QStringLiteral("RTR"), f.rtr},
            {QStringLiteral("DefaultValues"), f.defaultValues},
            {QStringLiteral("Mnemonic"), f.mnemonic}};
}

Values frameValues(const config::ReceiveFrame& f)
{
    Values v = commonFrameValues(f);
    v.insert(v.end(), {{QStringLiteral("TimeOut_Time"), f.timeOutTime},
                       {QStringLiteral("TimeOut"), f.timeOut},
                       {QStringLiteral("TimeRTR"), f.timeRtr}});
    return v;
}

Values frameValues(const config::TransmitFrame& f)
{
    Values v = commonFrameValues(f);
    v.insert(v.end(), {{QStringLiteral("OnChange"), f.onChange},
                       {QStringLiteral("OnTimer"), f.onTimer},
                       {QStringLiteral("Timer"), f.timer}});
    return v;
}

// Sortable: identifiers by value, texts that are no identifier after them.
struct Keyed {
    QString key;
    std::pair<std::int64_t, QString> order;
    Values values;
};

template <typename Frame>
std::vector<Keyed> keyedFrames(const std::vector<Frame>& frames)
{
    std::vector<Keyed> out;
    std::map<QString, int> seen;
    for (const Frame& f : frames) {
        const QString base = frameKey(f);
        const int n = ++seen[base];
        const QString key = n == 1 ? base : base + QStringLiteral(" #") + QString::number(n);
        const std::optional<std::int64_t> id = f.identifier();
        out.push_back({key, {id ? *id : std::numeric_limits<std::int64_t>::max(), key}, frameValues(f)});
    }
    return out;
}

std::vector<Keyed> keyedMappings(const config::Configuration& c, Direction d)
{
    std::vector<Keyed> out;
    std::map<QString, int> seen;
    const int frames = c.frameCount(d);
    for (const config::MappingEntry& e : c.mappings(d)) {
        const std::optional<std::int32_t> reg = e.registerNumber();
        const QString base = reg ? QString::number(*reg) : e.registerIndex;
        const int n = ++seen[base];
        const QString key = n == 1 ? base : base + QStringLiteral(" #") + QString::number(n);
        const QString frame = e.frameNumber >= 1 && e.frameNumber <= frames ? frameKey(c.frame(d, e.frameNumber - 1))
                                                                            : QStringLiteral("-");
        Values v{{QStringLiteral("frame"), frame},
                 {QStringLiteral("high byte"), QString::number(e.highByte)},
                 {QStringLiteral("low byte"), QString::number(e.lowByte)}};
        if (d == Direction::Transmit)
            v.emplace_back(QStringLiteral("Send_on_Write"), QString::number(e.sendOnWriteNumber()));
        out.push_back({key, {reg ? *reg : std::numeric_limits<std::int64_t>::max(), key}, std::move(v)});
    }
    return out;
}

std::vector<ValueChange> allValues(const Values& values, bool inA)
{
    std::vector<ValueChange> out;
    for (const auto& [name, value] : values) {
        // An added or removed item shows the values it holds.
        if (value.isEmpty())
            continue;
        out.push_back(inA ? ValueChange{name, value, {}} : ValueChange{name, {}, value});
    }
    return out;
}

void compare(std::vector<Keyed> a, std::vector<Keyed> b, Direction d, std::vector<ItemChange>& out)
{
    const auto byOrder = [](const Keyed& x, const Keyed& y) { return x.order < y.order; };
    std::sort(a.begin(), a.end(), byOrder);
    std::sort(b.begin(), b.end(), byOrder);
    auto i = a.begin();
    auto j = b.begin();
    while (i != a.end() || j != b.end()) {
        if (j == b.end() || (i != a.end() && i->order < j->order)) {
            out.push_back({ItemChange::Kind::Removed, d, i->key, allValues(i->values, true)});
            ++i;
        } else if (i == a.end() || j->order < i->order) {
            out.push_back({ItemChange::Kind::Added, d, j->key, allValues(j->values, false)});
            ++j;
        } else {
            std::vector<ValueChange> changed;
            for (std::size_t k = 0; k < i->values.size() && k < j->values.size(); ++k) {
                if (i->values[k].second != j->values[k].second)
                    changed.push_back({i->values[k].first, i->values[k].second, j->values[k].second});
            }
            if (!changed.empty())
                out.push_back({ItemChange::Kind::Changed, d, i->key, std::move(changed)});
            ++i;
            ++j;
        }
    }
}

QString directionName(Direction d)
{
    return d == Direction::Receive ? QStringLiteral("receive") : QStringLiteral("transmit");
}

QString kindName(ItemChange::Kind kind)
{
    switch (kind) {
    case ItemChange::Kind::Added: return QStringLiteral("added");
    case ItemChange::Kind::Removed: return QStringLiteral("removed");
    case ItemChange::Kind::Changed: break;
    }
    return QStringLiteral("changed");
}

QJsonArray valuesJson(const std::vector<ValueChange>& values)
{
    QJsonArray out;
    for (const ValueChange& v : values)
        out.append(QJsonObject{{QStringLiteral("name"), v.name}, {QStringLiteral("a"), v.a}, {QStringLiteral("b"), v.b}});
    return out;
}

QJsonArray itemsJson(const std::vector<ItemChange>& items, const QString& keyName)
{
    QJsonArray out;
    for (const ItemChange& c : items) {
        out.append(QJsonObject{{QStringLiteral("change"), kindName(c.kind)},
                               {QStringLiteral("direction"), directionName(c.direction)},
                               {keyName, c.key},
                               {QStringLiteral("values"), valuesJson(c.values)}});
    }
    return out;
}

// "CANTimeOut 0 -> 100" for a change, "Dimensin 8" for a value of an added or removed item.
QString valueText(const ValueChange& v, ItemChange::Kind kind)
{
    if (kind == ItemChange::Kind::Added)
        return v.name + u' ' + v.b;
    if (kind == ItemChange::Kind::Removed)
        return v.name + u' ' + v.a;
    return QStringLiteral("%1 %2 -> %3").arg(v.name, v.a, v.b);
}

} // namespace

QString frameKey(const config::FrameRow& frame)
{
    if (const std::optional<std::int64_t> id = frame.identifier(); id && *id >= 0)
        return QStringLiteral("0x") + QString::number(*id, 16).toUpper();
    return frame.cobId;
}

ConfigurationDiff diffConfigurations(const config::Configuration& a, const config::Configuration& b)
{
    ConfigurationDiff diff;
    const auto pa = parameterValues(a.general);
    const auto pb = parameterValues(b.general);
    for (std::size_t i = 0; i < pa.size(); ++i) {
        if (pa[i].second != pb[i].second)
            diff.parameters.push_back({pa[i].first, pa[i].second, pb[i].second});
    }
    compare(keyedFrames(a.receiveFrames), keyedFrames(b.receiveFrames), Direction::Receive, diff.frames);
    compare(keyedFrames(a.transmitFrames), keyedFrames(b.transmitFrames), Direction::Transmit, diff.frames);
    for (const Direction d : {Direction::Receive, Direction::Transmit})
        compare(keyedMappings(a, d), keyedMappings(b, d), d, diff.mappings);
    return diff;
}

QString changeKindText(const MessageTable& messages, ItemChange::Kind kind)
{
    switch (kind) {
    case ItemChange::Kind::Added: return messages[msg::kDiffAdded];
    case ItemChange::Kind::Removed: return messages[msg::kDiffRemoved];
    case ItemChange::Kind::Changed: break;
    }
    return messages[msg::kDiffChanged];
}

QString diffText(const ConfigurationDiff& diff, const QString& nameA, const QString& nameB,
                 const MessageTable& messages)
{
    QStringList lines;
    lines << messages[msg::kDiffHeading].arg(nameA, nameB);
    if (diff.empty()) {
        lines << messages[msg::kDiffNone];
        return lines.join(u'\n') + u'\n';
    }
    if (!diff.parameters.empty()) {
        lines << messages[msg::kCommunication];
        for (const ValueChange& v : diff.parameters)
            lines << QStringLiteral("  ") + valueText(v, ItemChange::Kind::Changed);
    }
    const auto section = [&](const std::vector<ItemChange>& items, Direction d, int heading, bool registers) {
        bool any = false;
        for (const ItemChange& c : items) {
            if (c.direction != d)
                continue;
            if (!any)
                lines << messages[heading];
            any = true;
            QStringList values;
            for (const ValueChange& v : c.values)
                values << valueText(v, c.kind);
            const QString what = registers ? messages[msg::kDiffRegister].arg(c.key) : c.key;
            lines << QStringLiteral("  %1 %2: %3").arg(what, changeKindText(messages, c.kind), values.join(QStringLiteral(", ")));
        }
    };
    section(diff.frames, Direction::Receive, msg::kReceiveFrames, false);
    section(diff.frames, Direction::Transmit, msg::kTransmitFrames, false);
    section(diff.mappings, Direction::Receive, msg::kReceiveMap, true);
    section(diff.mappings, Direction::Transmit, msg::kTransmitMap, true);
    return lines.join(u'\n') + u'\n';
}

std::vector<DiffRow> diffRows(const ConfigurationDiff& diff, const MessageTable& messages)
{
    std::vector<DiffRow> rows;
    for (const ValueChange& v : diff.parameters)
        rows.push_back({messages[msg::kCommunication], messages[msg::kDiffChanged], v.name, v.a, v.b});
    const auto items = [&](const std::vector<ItemChange>& changes, bool registers) {
        for (const Direction d : {Direction::Receive, Direction::Transmit}) {
            const int heading = registers ? (d == Direction::Receive ? msg::kReceiveMap : msg::kTransmitMap)
                                          : (d == Direction::Receive ? msg::kReceiveFrames : msg::kTransmitFrames);
            for (const ItemChange& c : changes) {
                if (c.direction != d)
                    continue;
                const QString what = messages[heading] + u' '
                    + (registers ? messages[msg::kDiffRegister].arg(c.key) : c.key);
                for (const ValueChange& v : c.values)
                    rows.push_back({what, changeKindText(messages, c.kind), v.name, v.a, v.b});
            }
        }
    };
    items(diff.frames, false);
    items(diff.mappings, true);
    return rows;
}

QByteArray diffJson(const ConfigurationDiff& diff, const QString& nameA, const QString& nameB)
{
    const QJsonObject o{{QStringLiteral("a"), nameA},
                        {QStringLiteral("b"), nameB},
                        {QStringLiteral("parameters"), valuesJson(diff.parameters)},
                        {QStringLiteral("frames"), itemsJson(diff.frames, QStringLiteral("identifier"))},
                        {QStringLiteral("mappings"), itemsJson(diff.mappings, QStringLiteral("register"))}};
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

} // namespace px
