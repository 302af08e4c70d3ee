#include "core/check/register_map.h"

#include "core/base/int_text.h"
#include "core/check/check.h"
#include "core/lang/message_ids.h"
#include "core/lang/message_table.h"

#include <algorithm>
#include <cmath>

namespace px::check {

using config::Configuration;
using config::Direction;

namespace {

DirectionMap buildDirection(const Configuration& config, Direction d, const config::SignalTable& signalTable)
{
    DirectionMap map;
    map.direction = d;
    const int frames = config.frameCount(d);
    map.frames.reserve(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        const config::FrameRow& f = config.frame(d, i);
        FrameLayout layout;
        layout.frameNumber = i + 1;
        layout.cobId = f.cobId;
        layout.extended = effectiveExtended(config, f);
        layout.mnemonic = f.mnemonic;
        layout.dataLength = config::dataBytesOf(f.dimension);
        map.frames.push_back(std::move(layout));
    }
    const std::vector<config::MappingEntry>& entries = config.mappings(d);
    map.registers.reserve(entries.size());
    for (std::size_t j = 0; j < entries.size(); ++j) {
        const config::MappingEntry& e = entries[j];
        MappedRegister r;
        r.row = static_cast<int>(j) + 1;
        r.registerIndex = e.registerIndex;
        r.number = e.registerNumber();
        r.frameNumber = e.frameNumber;
        r.frameExists = e.frameNumber >= 1 && e.frameNumber <= frames;
        r.highByte = e.highByte;
        r.lowByte = e.lowByte;
        r.sendOnWrite = d == Direction::Transmit && e.sendOnWrite;
        if (r.number) {
            if (const config::RegisterSignal* s = signalTable.find(d, *r.number))
                r.signal = *s;
        }
        if (r.frameExists) {
            FrameLayout& layout = map.frames[static_cast<std::size_t>(e.frameNumber - 1)];
            r.cobId = layout.cobId;
            r.extended = layout.extended;
            r.mnemonic = layout.mnemonic;
            const std::pair<int, RegisterPart> parts[] = {{e.highByte, RegisterPart::High}, {e.lowByte, RegisterPart::Low}};
            for (const auto& [position, part] : parts) {
                if (position >= 1 && position <= 8)
                    layout.bytes[static_cast<std::size_t>(position - 1)].push_back(ByteFeed{e.registerIndex, r.number, part});
            }
        }
        map.registers.push_back(std::move(r));
    }
    std::stable_sort(map.registers.begin(), map.registers.end(), [](const MappedRegister& a, const MappedRegister& b) {
        if (a.number.has_value() != b.number.has_value())
            return a.number.has_value();
        if (a.number && *a.number != *b.number)
            return *a.number < *b.number;
        return a.row < b.row;
    });
    return map;
}

QString directionLabel(Direction d, const MessageTable& m)
{
    return m[d == Direction::Receive ? msg::kReceive : msg::kTransmit];
}

QString positionText(int position, const MessageTable& m)
{
    return position == 0 ? m[msg::kNone] : QString::number(position);
}

// The text of one data byte cell: its feeds, "unmapped", or "not in the frame".
QString byteCellText(const FrameLayout& f, int k, const MessageTable& m)
{
    const auto& feeds = f.bytes[static_cast<std::size_t>(k)];
    if (feeds.empty())
        return k < f.dataLength ? m[msg::kUnmapped] : m[msg::kNotInFrame];
    QStringList parts;
    for (const ByteFeed& feed : feeds)
        parts << byteFeedText(feed);
    return parts.join(QStringLiteral(" + "));
}

// The mnemonic's column among the register cells: free text, which may wrap.
constexpr qsizetype kMnemonicColumn = 4;

QStringList registerHeader(Direction d, const MessageTable& m)
{
    QStringList h{m[msg::kRegister], m[msg::kFrame], m[msg::kCobId], m[msg::kType], m[msg::kMnemonic],
                  m[msg::kHighByte], m[msg::kLowByte]};
    if (d == Direction::Transmit)
        h << m[msg::kSendOnWrite];
    return h;
}

// The register's own columns, without what tells the PLC about its signal.
QStringList registerCells(const MappedRegister& r, Direction d, const MessageTable& m)
{
    QStringList c{r.registerIndex, QString::number(r.frameNumber), r.frameExists ? identifierText(r.cobId) : QString(),
                  r.frameExists ? formatLabel(r.extended) : QString(), r.mnemonic, positionText(r.highByte, m),
                  positionText(r.lowByte, m)};
    if (d == Direction::Transmit)
        c << m[r.sendOnWrite ? msg::kYes : msg::kNo];
    return c;
}

// Every column of a register as the documents show it.
QStringList allHeader(Direction d, const MessageTable& m)
{
    return registerHeader(d, m) + signalHeader(m);
}

QStringList allCells(const MappedRegister& r, Direction d, const MessageTable& m)
{
    return registerCells(r, d, m) + signalCells(r, d, m);
}

// A number as a person writes it: no exponent for everyday values, no trailing zeros.
QString numberText(double v)
{
    return QString::number(v, 'g', 12);
}

QStringList byteHeader(const MessageTable& m)
{
    QStringList h{m[msg::kFrame], m[msg::kCobId], m[msg::kType], m[msg::kMnemonic]};
    for (int k = 1; k <= 8; ++k)
        h << QString::number(k);
    return h;
}

QStringList byteCells(const FrameLayout& f, const MessageTable& m)
{
    QStringList c{QString::number(f.frameNumber), identifierText(f.cobId), formatLabel(f.extended), f.mnemonic};
    for (int k = 0; k < 8; ++k)
        c << byteCellText(f, k, m);
    return c;
}

// --- Plain text ----------------------------------------------------------------------------

QString textTable(const QStringList& header, const std::vector<QStringList>& rows)
{
    std::vector<qsizetype> width(static_cast<std::size_t>(header.size()));
    for (qsizetype c = 0; c < header.size(); ++c)
        width[static_cast<std::size_t>(c)] = header[c].size();
    for (const QStringList& r : rows)
        for (qsizetype c = 0; c < r.size(); ++c)
            width[static_cast<std::size_t>(c)] = std::max(width[static_cast<std::size_t>(c)], r[c].size());
    const auto line = [&](const QStringList& cells) {
        QString out;
        for (qsizetype c = 0; c < cells.size(); ++c) {
            if (c + 1 < cells.size())
                out += cells[c].leftJustified(width[static_cast<std::size_t>(c)] + 2);
            else
                out += cells[c];
        }
        while (out.endsWith(u' '))
            out.chop(1);
        return out + u'\n';
    };
    QString out = line(header);
    for (const QStringList& r : rows)
        out += line(r);
    return out;
}

QString renderText(const RegisterMap& map, const MessageTable& m)
{
    QString out;
    for (const Direction d : {Direction::Receive, Direction::Transmit}) {
        const DirectionMap& dm = map.of(d);
        out += QStringLiteral("== %1: %2 ==\n").arg(directionLabel(d, m), m[msg::kRegisterMapTitle]);
        std::vector<QStringList> rows;
        for (const MappedRegister& r : dm.registers)
            rows.push_back(allCells(r, d, m));
        out += textTable(allHeader(d, m), rows);
        out += QStringLiteral("\n-- %1: %2 --\n").arg(directionLabel(d, m), m[msg::kDataBytes]);
        for (const FrameLayout& f : dm.frames) {
            out += QStringLiteral("%1 %2  %3  %4  %5\n")
                       .arg(m[msg::kFrame])
                       .arg(f.frameNumber)
                       .arg(identifierText(f.cobId), formatLabel(f.extended), f.mnemonic);
            QStringList cells;
            for (int k = 0; k < 8; ++k)
                cells << QStringLiteral("%1: %2").arg(k + 1).arg(byteCellText(f, k, m));
            out += QStringLiteral("  | ") + cells.join(QStringLiteral(" | ")) + QStringLiteral(" |\n");
        }
        out += u'\n';
    }
    return out;
}

// --- CSV -----------------------------------------------------------------------------------

QString csvField(const QString& s)
{
    if (!s.contains(u';') && !s.contains(u'"') && !s.contains(u'\n') && !s.contains(u'\r'))
        return s;
    QString q = s;
    q.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

QString csvLine(const QStringList& cells)
{
    QStringList out;
    for (const QString& c : cells)
        out << csvField(c);
    return out.join(u';') + QStringLiteral("\r\n");
}

QString renderCsv(const RegisterMap& map, const MessageTable& m)
{
    QString out = csvLine(QStringList{m[msg::kReceive] + u'/' + m[msg::kTransmit]} + allHeader(Direction::Transmit, m));
    for (const Direction d : {Direction::Receive, Direction::Transmit}) {
        for (const MappedRegister& r : map.of(d).registers) {
            QStringList cells = registerCells(r, d, m);
            // Positions as numbers, 0 for none, as the mapping files' own CSV keeps them.
            cells[5] = QString::number(r.highByte);
            cells[6] = QString::number(r.lowByte);
            if (d == Direction::Receive)
                cells << QString();
            out += csvLine(QStringList{directionLabel(d, m)} + cells + signalCells(r, d, m));
        }
    }
    out += QStringLiteral("\r\n");
    out += csvLine(QStringList{m[msg::kReceive] + u'/' + m[msg::kTransmit]} + byteHeader(m));
    for (const Direction d : {Direction::Receive, Direction::Transmit}) {
        for (const FrameLayout& f : map.of(d).frames)
            out += csvLine(QStringList{directionLabel(d, m)} + byteCells(f, m));
    }
    return out;
}

// --- Markdown ------------------------------------------------------------------------------

QString mdCell(QString s)
{
    s.replace(QStringLiteral("|"), QStringLiteral("\\|"));
    s.replace(u'\n', u' ');
    return s;
}

QString mdTable(const QStringList& header, const std::vector<QStringList>& rows)
{
    const auto line = [](const QStringList& cells) {
        QStringList c;
        for (const QString& s : cells)
            c << mdCell(s);
        return QStringLiteral("| ") + c.join(QStringLiteral(" | ")) + QStringLiteral(" |\n");
    };
    QString out = line(header);
    out += QStringLiteral("|") + QStringLiteral("---|").repeated(header.size()) + u'\n';
    for (const QStringList& r : rows)
        out += line(r);
    return out;
}

QString renderMarkdown(const RegisterMap& map, const MessageTable& m)
{
    QString out = QStringLiteral("# %1\n\n").arg(m[msg::kRegisterMapTitle]);
    for (const Direction d : {Direction::Receive, Direction::Transmit}) {
        const DirectionMap& dm = map.of(d);
        out += QStringLiteral("## %1\n\n").arg(directionLabel(d, m));
        std::vector<QStringList> rows;
        for (const MappedRegister& r : dm.registers)
            rows.push_back(allCells(r, d, m));
        out += mdTable(allHeader(d, m), rows);
        out += QStringLiteral("\n### %1\n\n").arg(m[msg::kDataBytes]);
        rows.clear();
        for (const FrameLayout& f : dm.frames)
            rows.push_back(byteCells(f, m));
        out += mdTable(byteHeader(m), rows) + u'\n';
    }
    return out;
}

} // namespace

RegisterMap buildRegisterMap(const Configuration& config, const config::SignalTable& signalTable)
{
    return RegisterMap{buildDirection(config, Direction::Receive, signalTable),
                       buildDirection(config, Direction::Transmit, signalTable)};
}

QStringList signalHeader(const MessageTable& m)
{
    return {m[msg::kSignalName], m[msg::kUnit],     m[msg::kFactor],      m[msg::kOffset],    m[msg::kSigned],
            m[msg::kBitField],   m[msg::kDataType], m[msg::kWireAddress], m[msg::kPlcAddress]};
}

QStringList signalCells(const MappedRegister& r, Direction d, const MessageTable& m)
{
    const bool known = r.signal.has_value();
    const config::RegisterSignal s = r.signal.value_or(config::RegisterSignal{});
    const bool high = r.highByte >= 1 && r.highByte <= 8;
    const bool low = r.lowByte >= 1 && r.lowByte <= 8;
    QString type;
    if (known && s.word == config::WordPart::HighWord)
        type = m[s.isFloat ? msg::kDataTypeFloatHigh : msg::kDataType32High];
    else if (known && s.word == config::WordPart::LowWord)
        type = m[s.isFloat ? msg::kDataTypeFloatLow : msg::kDataType32Low];
    else if (high && low)
        type = m[msg::kDataType16];
    else if (high || low)
        type = m[msg::kDataType8];
    QString bits;
    if (known && s.isBitField())
        bits = QString(m[msg::kBitRange]).arg(s.bitOffset).arg(s.bitOffset + s.bitLength - 1);
    return {known ? s.name : QString(),
            known ? s.unit : QString(),
            known ? numberText(s.factor) : QString(),
            known ? numberText(s.offset) : QString(),
            known ? m[s.isSigned ? msg::kYes : msg::kNo] : QString(),
            bits,
            type,
            r.number ? QString::number(*r.number) : QString(),
            r.number ? plcAddress(d, *r.number) : QString()};
}

QString plcAddress(Direction d, std::int64_t index)
{
    if (index < 0 || index > config::kMaxRegisterIndex)
        return {};
    const QChar table = d == Direction::Receive ? u'3' : u'4';
    return table + QString::number(index + 1).rightJustified(index + 1 <= 9999 ? 4 : 5, u'0');
}

QString identifierText(const QString& cobId)
{
    const auto id = parseInt64(cobId);
    if (!id || *id < 0)
        return cobId;
    return QStringLiteral("0x%1").arg(QString::number(*id, 16).toUpper());
}

QString formatLabel(bool extended)
{
    return config::formatText(extended);
}

QString byteFeedText(const ByteFeed& feed)
{
    return feed.registerIndex + (feed.part == RegisterPart::High ? QStringLiteral(" H") : QStringLiteral(" L"));
}

QString registerColour(const QString& registerIndex)
{
    // The hue steps by the golden angle, so neighbouring registers differ clearly.
    const auto number = parseInt32(registerIndex);
    const std::uint32_t key = number ? static_cast<std::uint32_t>(*number) : static_cast<std::uint32_t>(qHash(registerIndex));
    const double hue = std::fmod(key * 137.508, 360.0);
    const double s = 0.45;
    const double v = 0.97;
    const double c = v * s;
    const double x = c * (1 - std::fabs(std::fmod(hue / 60.0, 2.0) - 1));
    const double mm = v - c;
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(hue / 60.0)) {
    case 0: r = c, g = x; break;
    case 1: r = x, g = c; break;
    case 2: g = c, b = x; break;
    case 3: g = x, b = c; break;
    case 4: r = x, b = c; break;
    default: r = c, b = x; break;
    }
    const auto channel = [&](double value) { return static_cast<int>(std::lround((value + mm) * 255)); };
    return QStringLiteral("#%1%2%3")
        .arg(channel(r), 2, 16, QLatin1Char('0'))
        .arg(channel(g), 2, 16, QLatin1Char('0'))
        .arg(channel(b), 2, 16, QLatin1Char('0'));
}

QString htmlDocumentStart(const QString& title)
{
    // A printed engineering document: tables over the full text width, their header rows
    // repeated on each page, a value such as "0x18FF0120" or "2.0B (29 bits)" never broken
    // across lines (only free texts wrap), and no heading left alone at the foot of a page.
    // The same rules hold in a browser and in the configurator's own PDF and print.
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1</title>\n"
                          "<style>\n"
                          "body { font-family: sans-serif; font-size: 10pt; }\n"
                          "table { border-collapse: collapse; margin-bottom: 8px; font-size: 9pt; }\n"
                          "table.ruled { width: 100%; }\n"
                          "table.bytes td, table.bytes th { font-size: 7.5pt; }\n"
                          "th { background-color: #e0e6ee; text-align: left; }\n"
                          "td { white-space: nowrap; vertical-align: top; }\n"
                          "td.text { white-space: normal; }\n"
                          "thead { display: table-header-group; }\n"
                          "tr { page-break-inside: avoid; break-inside: avoid; }\n"
                          "h1 { font-size: 18pt; } h2 { font-size: 14pt; } h3 { font-size: 11pt; }\n"
                          "h1, h2, h3 { page-break-after: avoid; break-after: avoid; }\n"
                          "</style></head><body>\n")
        .arg(title.toHtmlEscaped());
}

QString htmlTableStart(const QString& className, int cellPadding)
{
    return QStringLiteral("<table class=\"%1 ruled\" width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"%2\">\n")
        .arg(className)
        .arg(cellPadding);
}

QString registersHtml(const DirectionMap& map, const MessageTable& m)
{
    QString out = htmlTableStart(QStringLiteral("registers")) + QStringLiteral("<thead><tr>");
    for (const QString& h : registerHeader(map.direction, m))
        out += QStringLiteral("<th>%1</th>").arg(h.toHtmlEscaped());
    out += QStringLiteral("</tr></thead>\n");
    for (const MappedRegister& r : map.registers) {
        const QStringList cells = registerCells(r, map.direction, m);
        out += QStringLiteral("<tr>");
        for (qsizetype c = 0; c < cells.size(); ++c) {
            if (c == 0) {
                out += QStringLiteral("<td style=\"background-color:%1\">%2</td>")
                           .arg(registerColour(r.registerIndex), cells[c].toHtmlEscaped());
            } else if (c == kMnemonicColumn) {
                out += QStringLiteral("<td class=\"text\">%1</td>").arg(cells[c].toHtmlEscaped());
            } else {
                out += QStringLiteral("<td>%1</td>").arg(cells[c].toHtmlEscaped());
            }
        }
        out += QStringLiteral("</tr>\n");
    }
    out += QStringLiteral("</table>\n");
    // What each register means to the PLC, in a table of its own so that both fit the
    // width of a printed page, in the same order, led by the address on the wire (the
    // register's number) in the register's colour.
    QStringList header = signalHeader(m);
    header.move(7, 0);
    out += htmlTableStart(QStringLiteral("signals")) + QStringLiteral("<thead><tr>");
    for (const QString& h : header)
        out += QStringLiteral("<th>%1</th>").arg(h.toHtmlEscaped());
    out += QStringLiteral("</tr></thead>\n");
    for (const MappedRegister& r : map.registers) {
        QStringList cells = signalCells(r, map.direction, m);
        cells.move(7, 0);
        out += QStringLiteral("<tr><td style=\"background-color:%1\">%2</td>")
                   .arg(registerColour(r.registerIndex), cells[0].toHtmlEscaped());
        for (qsizetype c = 1; c < cells.size(); ++c) {
            // The signal's name and the data type may wrap at their blanks; numbers never.
            const bool text = c == 1 || c == 7;
            out += QStringLiteral("<td%1>%2</td>").arg(text ? QStringLiteral(" class=\"text\"") : QString(), cells[c].toHtmlEscaped());
        }
        out += QStringLiteral("</tr>\n");
    }
    return out + QStringLiteral("</table>\n");
}

QString byteStripsHtml(const DirectionMap& map, const MessageTable& m)
{
    // Eight byte columns beside the frame's own must fit the printed page without a word
    // broken: a byte cell holds only the register parts it feeds ("100 H"), and a byte
    // without a register is told by its colour, named in the legend under the table.
    const QString unmappedColour = QStringLiteral("#ffffff");
    const QString notInFrameColour = QStringLiteral("#dddddd");
    // The byte columns are of one width, so that each byte stands under the same byte of
    // every frame.
    QString out = htmlTableStart(QStringLiteral("bytes"), 2) + QStringLiteral("<thead><tr>");
    const QStringList header = byteHeader(m);
    for (qsizetype c = 0; c < header.size(); ++c) {
        out += (c + 8 < header.size() ? QStringLiteral("<th>%1</th>") : QStringLiteral("<th width=\"7.5%\">%1</th>"))
                   .arg(header[c].toHtmlEscaped());
    }
    out += QStringLiteral("</tr></thead>\n");
    for (const FrameLayout& f : map.frames) {
        out += QStringLiteral("<tr><td>%1</td><td>%2</td><td class=\"text\">%3</td><td class=\"text\">%4</td>")
                   .arg(f.frameNumber)
                   // In this narrow column the format may take two lines, "2.0A" over "(11 bits)".
                   .arg(identifierText(f.cobId).toHtmlEscaped(), QString(formatLabel(f.extended)).replace(QStringLiteral(" bits"), QStringLiteral("\u00A0bits")),
                        f.mnemonic.toHtmlEscaped());
        for (int k = 0; k < 8; ++k) {
            const auto& feeds = f.bytes[static_cast<std::size_t>(k)];
            if (feeds.empty()) {
                out += QStringLiteral("<td style=\"background-color:%1\" title=\"%2\"></td>")
                           .arg(k < f.dataLength ? unmappedColour : notInFrameColour, byteCellText(f, k, m).toHtmlEscaped());
                continue;
            }
            if (feeds.size() == 1) {
                out += QStringLiteral("<td style=\"background-color:%1\">%2</td>")
                           .arg(registerColour(feeds.front().registerIndex), byteFeedText(feeds.front()).toHtmlEscaped());
                continue;
            }
            // Several registers on one byte: the line may break between them, never
            // inside "100 H".
            QStringList parts;
            for (const ByteFeed& feed : feeds)
                parts << byteFeedText(feed).toHtmlEscaped().replace(u' ', QChar(0x00A0));
            out += QStringLiteral("<td class=\"text\" style=\"background-color:%1\">%2</td>")
                       .arg(registerColour(feeds.front().registerIndex), parts.join(QStringLiteral(" + ")));
        }
        out += QStringLiteral("</tr>\n");
    }
    out += QStringLiteral("</table>\n");
    out += QStringLiteral("<table class=\"legend\" cellspacing=\"0\" cellpadding=\"3\"><tr>"
                          "<td style=\"background-color:%1; border: 1px solid #999999\" width=\"24\"></td><td>%2</td>"
                          "<td width=\"12\"></td>"
                          "<td style=\"background-color:%3; border: 1px solid #999999\" width=\"24\"></td><td>%4</td>"
                          "</tr></table>\n")
               .arg(unmappedColour, m[msg::kUnmapped].toHtmlEscaped(), notInFrameColour, m[msg::kNotInFrame].toHtmlEscaped());
    return out;
}

QString renderRegisterMap(const RegisterMap& map, MapFormat format, const MessageTable& m)
{
    switch (format) {
    case MapFormat::Text: return renderText(map, m);
    case MapFormat::Csv: return renderCsv(map, m);
    case MapFormat::Markdown: return renderMarkdown(map, m);
    case MapFormat::Html: break;
    }
    QString out = htmlDocumentStart(m[msg::kRegisterMapTitle]);
    out += QStringLiteral("<h1>%1</h1>\n").arg(m[msg::kRegisterMapTitle].toHtmlEscaped());
    for (const Direction d : {Direction::Receive, Direction::Transmit}) {
        out += QStringLiteral("<h2>%1</h2>\n").arg(directionLabel(d, m).toHtmlEscaped());
        out += registersHtml(map.of(d), m);
        out += QStringLiteral("<h3>%1</h3>\n").arg(m[msg::kDataBytes].toHtmlEscaped());
        out += byteStripsHtml(map.of(d), m);
    }
    return out + QStringLiteral("</body></html>\n");
}

} // namespace px::check
