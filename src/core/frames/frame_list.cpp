#include "core/frames/frame_list.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/base/text_rules.h"
#include "core/base/product.h"
#include "core/base/xml.h"
#include "core/lang/message_table.h"
#include "core/tables/row_operations.h"

#include <QFileInfo>
#include <QXmlStreamWriter>

namespace px {
namespace {

constexpr std::int64_t kMaxCobId11 = 0x7FF;
constexpr std::int64_t kMaxCobId29 = 0x1FFFFFFF;
constexpr std::int32_t kMaxMilliseconds = 100000000;

const QString kRoot = QStringLiteral("COBID");
const QString kRow = QStringLiteral("row");
const QString kYes = QStringLiteral("Y");
const QString kNo = QStringLiteral("N");

// One attribute read into one column; a required attribute has no default.
struct AttributeRead {
    QString name;
    int col;
    std::optional<QString> fallback;
};

std::vector<AttributeRead> attributesRead(FrameListKind kind)
{
    const QString cobId = QStringLiteral("CobID");
    const QString dim = QStringLiteral("Dimensin");
    const QString mnemonic = QStringLiteral("Mnemonic");
    switch (kind) {
    case FrameListKind::ReceiveJumper:
        return {{cobId, rx_jumper::CobID, {}},
                {dim, rx_jumper::Dimension, {}},
                {QStringLiteral("TimeOut"), rx_jumper::TimeOut, {}},
                {mnemonic, rx_jumper::Mnemonic, {}}};
    case FrameListKind::ReceiveDip:
        return {{cobId, rx_dip::CobID, {}},
                {QStringLiteral("CobType"), rx_dip::Type, kCobType11},
                {dim, rx_dip::Dimension, {}},
                {QStringLiteral("TimeOut_Time"), rx_dip::TimeOut, QStringLiteral("0")},
                {QStringLiteral("RTR"), rx_dip::RTR, kNo},
                {QStringLiteral("TimeRTR"), rx_dip::TimeRTR, QString()},
                {QStringLiteral("DefaultValues"), rx_dip::DefaultValues, QString()},
                {mnemonic, rx_dip::Mnemonic, {}}};
    case FrameListKind::TransmitJumper:
        return {{cobId, tx_jumper::CobID, {}},
                {dim, tx_jumper::Dimension, {}},
                {mnemonic, tx_jumper::Mnemonic, {}}};
    case FrameListKind::TransmitDip:
        return {{cobId, tx_dip::CobID, {}},
                {QStringLiteral("CobType"), tx_dip::Type, kCobType11},
                {dim, tx_dip::Dimension, {}},
                {QStringLiteral("RTR"), tx_dip::RTR, kNo},
                {QStringLiteral("OnChange"), tx_dip::OnChange, kNo},
                {QStringLiteral("OnTimer"), tx_dip::OnTimer, kNo},
                {QStringLiteral("Timer"), tx_dip::Timer, QStringLiteral("0")},
                {QStringLiteral("DefaultValues"), tx_dip::DefaultValues, QString()},
                {mnemonic, tx_dip::Mnemonic, {}}};
    }
    return {};
}

bool inRange(std::int64_t value, std::int64_t low, std::int64_t high)
{
    return value >= low && value <= high;
}

// The Cob-ID against the identifier format: 11 bits up to 0x7FF, 29 bits up to 0x1FFFFFFF.
bool cobIdFits(const QString& text, bool bits29)
{
    return inRange(toInt64(text, -1), 0, bits29 ? kMaxCobId29 : kMaxCobId11);
}

bool dimensionFits(const QString& text)
{
    return inRange(toInt32(text, -1), 1, 8);
}

std::optional<RowFault> checkJumper(const TextGrid& grid, int canType, int prefix, int dimCol)
{
    const int n = frameListLength(grid);
    for (int r = 1; r <= n; ++r) {
        const bool bits29 = canType != 0;
        if (!cobIdFits(grid.cell(r, 1), bits29))
            return RowFault{r, prefix, prefix + (bits29 ? 2 : 1)};
        if (!dimensionFits(grid.cell(r, dimCol)))
            return RowFault{r, prefix, prefix + 3};
    }
    return std::nullopt;
}

// The identifier format, the Cob-ID and the Dimension of a dip-switch row; the messages
// follow the prefix in this order: type, 29-bit Cob-ID, 11-bit Cob-ID, Dimension.
std::optional<int> checkDipCommon(const TextGrid& grid, int r, int prefix, int typeCol, int dimCol)
{
    // The format is read as the compiler reads it: upper-cased, so "2.0b (29 bits)" is the
    // 29-bit format there and here.
    const QString& type = grid.cell(r, typeCol);
    if (trimBlanks(type).isEmpty())
        return prefix + 1;
    const bool bits29 = equalsUpperAscii(type, QLatin1StringView("2.0B (29 BITS)"));
    if (!cobIdFits(grid.cell(r, 1), bits29))
        return prefix + (bits29 ? 2 : 3);
    if (!dimensionFits(grid.cell(r, dimCol)))
        return prefix + 4;
    return std::nullopt;
}

std::optional<int> checkDefaultValues(const TextGrid& grid, int r, int col, int dimCol, int badByte, int badCount)
{
    switch (Check_Byte_List(trimBlanks(grid.cell(r, col)).toString(), toInt32(grid.cell(r, dimCol), -1))) {
    case 1:
        return badByte;
    case 2:
        return badCount;
    default:
        return std::nullopt;
    }
}

std::optional<RowFault> checkReceiveDip(const TextGrid& grid)
{
    constexpr int prefix = 152;
    const int n = frameListLength(grid);
    for (int r = 1; r <= n; ++r) {
        std::optional<int> fault = checkDipCommon(grid, r, prefix, rx_dip::Type, rx_dip::Dimension);
        if (!fault && !inRange(toInt32(trimBlanks(grid.cell(r, rx_dip::TimeOut)), -1), 0, kMaxMilliseconds))
            fault = 157;
        if (!fault && equalsUpperAscii(trimBlanks(grid.cell(r, rx_dip::RTR)), QLatin1StringView("Y"))
            && !inRange(toInt32(grid.cell(r, rx_dip::TimeRTR), -1), 1, kMaxMilliseconds))
            fault = 481;
        if (!fault)
            fault = checkDefaultValues(grid, r, rx_dip::DefaultValues, rx_dip::Dimension, 485, 486);
        if (fault)
            return RowFault{r, prefix, *fault};
    }
    return std::nullopt;
}

std::optional<RowFault> checkTransmitDip(const TextGrid& grid)
{
    constexpr int prefix = 212;
    const int n = frameListLength(grid);
    for (int r = 1; r <= n; ++r) {
        std::optional<int> fault = checkDipCommon(grid, r, prefix, tx_dip::Type, tx_dip::Dimension);
        // The On Timer flag is compared upper-cased but not trimmed.
        if (!fault && equalsUpperAscii(grid.cell(r, tx_dip::OnTimer), QLatin1StringView("Y"))
            && !inRange(toInt32(grid.cell(r, tx_dip::Timer), -1), 0, kMaxMilliseconds))
            fault = 217;
        if (!fault)
            fault = checkDefaultValues(grid, r, tx_dip::DefaultValues, tx_dip::Dimension, 490, 491);
        if (fault)
            return RowFault{r, prefix, *fault};
    }
    return std::nullopt;
}


using Attributes = std::vector<std::pair<QString, QString>>;

Attributes rowAttributes(FrameListKind kind, const TextGrid& g, int r, const FrameParGen& parGen)
{
    const QString common = parGen.CAN_Type == 0 ? kCobType11 : kCobType29;
    switch (kind) {
    case FrameListKind::ReceiveJumper:
        return {{QStringLiteral("CobID"), g.cell(r, rx_jumper::CobID)},
                {QStringLiteral("Dimensin"), g.cell(r, rx_jumper::Dimension)},
                {QStringLiteral("CobType"), common},
                {QStringLiteral("TimeOut"), g.cell(r, rx_jumper::TimeOut)},
                {QStringLiteral("TimeOut_Time"), QString::number(parGen.CAN_TimeOut)},
                {QStringLiteral("Mnemonic"), g.cell(r, rx_jumper::Mnemonic)}};
    case FrameListKind::ReceiveDip: {
        // The number cells are written as the check read them, trimmed, so "500 " reaches
        // the device as 500 ms. Time-out supervision follows that time-out: on for more
        // than 0 ms (a text that is not a number counts as 0).
        const auto number = [&g, r](int col) { return trimBlanks(g.cell(r, col)).toString(); };
        const QString timeOut = number(rx_dip::TimeOut);
        const bool supervised = toInt32(timeOut, 0) > 0;
        return {{QStringLiteral("CobID"), number(rx_dip::CobID)},
                {QStringLiteral("CobType"), g.cell(r, rx_dip::Type)},
                {QStringLiteral("Dimensin"), number(rx_dip::Dimension)},
                {QStringLiteral("TimeOut_Time"), timeOut},
                {QStringLiteral("TimeOut"), supervised ? kYes : kNo},
                {QStringLiteral("RTR"), g.cell(r, rx_dip::RTR)},
                {QStringLiteral("TimeRTR"), number(rx_dip::TimeRTR)},
                {QStringLiteral("DefaultValues"), g.cell(r, rx_dip::DefaultValues)},
                {QStringLiteral("Mnemonic"), g.cell(r, rx_dip::Mnemonic)}};
    }
    case FrameListKind::TransmitJumper:
        // The jumper device sends only on a Modbus write: no RTR, no sending options.
        return {{QStringLiteral("CobID"), g.cell(r, tx_jumper::CobID)},
                {QStringLiteral("CobType"), common},
                {QStringLiteral("Dimensin"), g.cell(r, tx_jumper::Dimension)},
                {QStringLiteral("RTR"), kNo},
                {QStringLiteral("OnChange"), kNo},
                {QStringLiteral("OnTimer"), kNo},
                {QStringLiteral("Timer"), QStringLiteral("0")},
                {QStringLiteral("Mnemonic"), g.cell(r, tx_jumper::Mnemonic)}};
    case FrameListKind::TransmitDip:
        return {{QStringLiteral("CobID"), g.cell(r, tx_dip::CobID)},
                {QStringLiteral("CobType"), g.cell(r, tx_dip::Type)},
                {QStringLiteral("Dimensin"), g.cell(r, tx_dip::Dimension)},
                {QStringLiteral("RTR"), g.cell(r, tx_dip::RTR)},
                {QStringLiteral("OnChange"), g.cell(r, tx_dip::OnChange)},
                {QStringLiteral("OnTimer"), g.cell(r, tx_dip::OnTimer)},
                {QStringLiteral("Timer"), g.cell(r, tx_dip::Timer)},
                {QStringLiteral("DefaultValues"), g.cell(r, tx_dip::DefaultValues)},
                {QStringLiteral("Mnemonic"), g.cell(r, tx_dip::Mnemonic)}};
    }
    return {};
}

} // namespace

const FrameListLayout& frameListLayout(FrameListKind kind)
{
    static const FrameListLayout receiveJumper{250, {130, 131, 132, 133, 134}, {rx_jumper::TimeOut}, 0};
    static const FrameListLayout receiveDip{300, {146, 147, 148, 149, 150, 479, 480, 484, 151}, {rx_dip::RTR},
                                            rx_dip::Type};
    static const FrameListLayout transmitJumper{250, {188, 189, 190, 191}, {}, 0};
    static const FrameListLayout transmitDip{300,
                                             {203, 204, 205, 206, 207, 208, 209, 210, 489, 211},
                                             {tx_dip::RTR, tx_dip::OnChange, tx_dip::OnTimer},
                                             tx_dip::Type};
    switch (kind) {
    case FrameListKind::ReceiveJumper:
        return receiveJumper;
    case FrameListKind::ReceiveDip:
        return receiveDip;
    case FrameListKind::TransmitJumper:
        return transmitJumper;
    case FrameListKind::TransmitDip:
        break;
    }
    return transmitDip;
}

TextGrid makeFrameGrid(FrameListKind kind, const MessageTable& messages)
{
    const FrameListLayout& layout = frameListLayout(kind);
    TextGrid grid(layout.dataRows, static_cast<int>(layout.titleMessages.size()) - 1);
    std::vector<QString> titles;
    for (int index : layout.titleMessages)
        titles.push_back(messages[index]);
    grid.setTitles(titles);
    for (int col : layout.checkBoxColumns)
        grid.setCheckBoxColumn(col);
    return grid;
}

void readFrameParGen(const QString& parGenPath, FrameParGen& state)
{
    if (!configurationFileExists(parGenPath)) {
        state.CAN_Type = 0;
        return;
    }
    const QDomDocument doc = xml::load(parGenPath);
    const QDomNode root = xml::firstTopLevelNode(doc);
    const auto read = [&root](const QString& name) {
        return toInt32(xml::childText(root, name).value_or(QString()), 0);
    };
    state.CAN_Type = read(QStringLiteral("CANType"));
    state.CAN_TimeOut = read(QStringLiteral("CANTimeOut"));
}

int frameListLength(const TextGrid& grid)
{
    int n = 0;
    while (n + 1 < grid.rowCount() && !grid.cell(n + 1, 1).trimmed().isEmpty())
        ++n;
    return n;
}

void loadFrameList(FrameListKind kind, const QString& path, TextGrid& grid)
{
    if (!configurationFileExists(path))
        return;
    loadFrameListBytes(kind, readConfigurationFile(path), displayPath(path), grid);
}

void loadFrameListBytes(FrameListKind kind, const QByteArray& bytes, const QString& name, TextGrid& grid)
{
    const QDomDocument doc = xml::parse(bytes, name);
    const QDomNode root = xml::firstTopLevelNode(doc);
    // The frames are read from the first node of the file, as the compiler reads them. A
    // declaration or a comment standing before the root element hides them: say so rather
    // than show an empty list that OK would write over them.
    if (!root.isElement() && doc.documentElement().hasChildNodes()) {
        throw Error(QStringLiteral("The file %1 cannot be read whole: a declaration or a comment stands before its "
                                   "root element, so none of its frames was read.")
                        .arg(name));
    }
    const QDomNodeList rows = root.childNodes();
    const std::vector<AttributeRead> reads = attributesRead(kind);
    for (int i = 0; i < rows.size() && i + 1 < grid.rowCount(); ++i) {
        const QDomNode node = rows.at(i);
        std::vector<QString> values;
        for (const AttributeRead& a : reads) {
            std::optional<QString> value = xml::attribute(node, a.name);
            if (!value && !a.fallback) {
                throw Error(QStringLiteral("The file %1 cannot be read whole: row %2 lacks the attribute %3.")
                                .arg(name)
                                .arg(i + 1)
                                .arg(a.name));
            }
            values.push_back(value ? *value : *a.fallback);
        }
        for (std::size_t k = 0; k < reads.size(); ++k)
            grid.setCell(i + 1, reads[k].col, values[k]);
    }
    // The table has a fixed number of rows; frames beyond it are not shown and OK does not
    // write them.
    const int tableRows = grid.rowCount() - 1;
    if (rows.size() > tableRows) {
        throw Error(QStringLiteral("The file %1 cannot be read whole: it holds %2 frames and this table %3; the frames "
                                   "after row %3 are not shown and OK does not keep them.")
                        .arg(name)
                        .arg(rows.size())
                        .arg(tableRows));
    }
}

std::optional<RowFault> Controllo_dati(FrameListKind kind, const TextGrid& grid, int canType)
{
    switch (kind) {
    case FrameListKind::ReceiveJumper:
        return checkJumper(grid, canType, 135, rx_jumper::Dimension);
    case FrameListKind::ReceiveDip:
        return checkReceiveDip(grid);
    case FrameListKind::TransmitJumper:
        return checkJumper(grid, canType, 192, tx_jumper::Dimension);
    case FrameListKind::TransmitDip:
        return checkTransmitDip(grid);
    }
    return std::nullopt;
}

QString faultText(const MessageTable& messages, const RowFault& fault)
{
    return messages[fault.prefix] + QString::number(fault.row) + messages[fault.fault];
}

QByteArray frameListBytes(FrameListKind kind, const TextGrid& grid, const FrameParGen& parGen)
{
    // Written with a stream writer, not a DOM: the attribute order of each row is part of
    // the file format and a DOM does not keep it.
    QByteArray bytes;
    QXmlStreamWriter out(&bytes);
    out.setAutoFormatting(false);
    out.writeStartElement(kRoot);
    const int n = frameListLength(grid);
    for (int r = 1; r <= n; ++r) {
        out.writeEmptyElement(kRow);
        for (const auto& [name, value] : rowAttributes(kind, grid, r, parGen)) {
            if (!storableInXml(value)) {
                throw Error(QStringLiteral("Row %1 holds a character that cannot be stored in the frame file (%2): "
                                           "nothing was written.")
                                .arg(r)
                                .arg(name));
            }
            out.writeAttribute(name, value);
        }
    }
    out.writeEndElement();
    out.writeComment(product::kVersionComment);
    if (out.hasError())
        throw Error(QStringLiteral("The frame list could not be composed."));
    return bytes;
}

void saveFrameList(FrameListKind kind, const TextGrid& grid, const FrameParGen& parGen, const QString& path)
{
    writeFileAtomically(path, frameListBytes(kind, grid, parGen));
}

QString backupPath(const QString& path)
{
    return path + QStringLiteral(".bak");
}

QString backupNotice(const QString& path)
{
    if (!QFileInfo::exists(path))
        return {};
    return QStringLiteral("\nOK keeps the present file as %1 before writing the table.").arg(displayPath(backupPath(path)));
}

bool keepBackup(const QString& path)
{
    if (!QFileInfo::exists(path))
        return false;
    writeFileAtomically(backupPath(path), readWholeFile(path));
    return true;
}

} // namespace px
