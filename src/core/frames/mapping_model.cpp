#include "core/frames/mapping_model.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/base/product.h"
#include "core/base/xml.h"
#include "core/shell/workspace.h"

#include <QDomDocument>
#include <QDomElement>
#include <QFileInfo>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace px {

namespace {

const QString kRow = QStringLiteral("row");
const QString kType11 = QStringLiteral("2.0A (11 bits)");
const QString kType29 = QStringLiteral("2.0B (29 bits)");

MappingProfile makeReceive()
{
    MappingProfile p;
    p.transmit = false;
    p.mappingRoot = QStringLiteral("RInfoCob");
    p.csvName = QStringLiteral("RInfoCob.csv");
    p.csvHeader = QStringLiteral("Index MODBUS;Index CAN Frame;High Byte;Low Byte;");
    p.fieldCount = 4;
    p.msgTitle = 159;
    p.msgDescription = 160;
    p.msgFrameList = 161;
    p.msgFrameColumns = 162;
    p.msgRegList = 163;
    p.msgRegRelative = 164;
    p.msgInputGroup = 165;
    p.msgIndexLabel = 166;
    p.msgHigh1 = 167;
    p.msgHigh2 = 168;
    p.msgLow1 = 169;
    p.msgLow2 = 170;
    p.msgCreate = 171;
    p.msgModify = 172;
    p.msgDelete = 173;
    p.msgCopy = 174;
    p.msgPaste = 175;
    p.msgOK = 176;
    p.msgCancel = 177;
    p.msgIndexRange = 178;
    p.msgIndexUsed = 179;
    p.msgNone = 180;
    p.msgByte = 181;
    p.msgExport = 245;
    p.msgImport = 246;
    p.msgImportQuestion = 247;
    return p;
}

MappingProfile makeTransmit()
{
    MappingProfile p;
    p.transmit = true;
    p.mappingRoot = QStringLiteral("TInfoCob");
    p.csvName = QStringLiteral("TInfoCob.csv");
    p.csvHeader = QStringLiteral("Index MODBUS;Index CAN Frame;High Byte;Low Byte;Send CAN;");
    p.fieldCount = 5;
    p.msgTitle = 219;
    p.msgDescription = 220;
    p.msgFrameList = 221;
    p.msgFrameColumns = 222;
    p.msgRegList = 223;
    p.msgRegRelative = 224;
    p.msgInputGroup = 225;
    p.msgIndexLabel = 226;
    p.msgHigh1 = 227;
    p.msgHigh2 = 228;
    p.msgLow1 = 229;
    p.msgLow2 = 230;
    p.msgSendLabel = 231;
    p.msgFalse = 232;
    p.msgTrue = 233;
    p.msgCreate = 234;
    p.msgModify = 235;
    p.msgDelete = 236;
    p.msgCopy = 237;
    p.msgPaste = 238;
    p.msgOK = 239;
    p.msgCancel = 240;
    p.msgIndexRange = 241;
    p.msgIndexUsed = 242;
    p.msgNone = 243;
    p.msgByte = 244;
    p.msgExport = 248;
    p.msgImport = 249;
    p.msgImportQuestion = 250;
    return p;
}

// A required attribute of a row; its absence stops the loading.
QString required(const QDomNode& row, const QString& name, const QString& path, int rowNumber)
{
    const std::optional<QString> value = xml::attribute(row, name);
    if (!value)
        throw Error(QStringLiteral("The file %1, row %2: the attribute \"%3\" is missing.")
                        .arg(displayPath(path))
                        .arg(rowNumber)
                        .arg(name));
    return *value;
}

// The attributes of the rows of the mapping file, taken as every configuration file is
// read: the first top-level node is the root (a declaration or a comment before the root
// element leaves no rows), and every element directly inside it is a row whatever its
// name, as the compiler takes it; comments and deeper elements are not. Streamed,
// because a full mapping has thousands of rows; the whole document is checked before any
// row is handed on, so a file that does not parse gives no rows.
std::vector<QXmlStreamAttributes> mappingRows(const QString& path)
{
    const QByteArray bytes = readConfigurationFile(path);
    const QString name = displayPath(path);
    QXmlStreamReader reader(bytes);
    reader.setNamespaceProcessing(false);
    xml::StreamChecks checks(reader, name);
    std::vector<QXmlStreamAttributes> rows;
    int depth = 0;
    bool firstNodeSeen = false;
    bool inRoot = false;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        checks.check(token);
        switch (token) {
        case QXmlStreamReader::StartDocument:
            firstNodeSeen = !reader.documentVersion().isEmpty();
            break;
        case QXmlStreamReader::StartElement:
            if (depth == 0 && !firstNodeSeen) {
                firstNodeSeen = true;
                inRoot = true;
            } else if (depth == 1 && inRoot) {
                rows.push_back(reader.attributes());
            }
            ++depth;
            break;
        case QXmlStreamReader::EndElement:
            if (--depth == 0)
                inRoot = false;
            break;
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
            if (depth == 0)
                firstNodeSeen = true;
            break;
        default:
            break;
        }
    }
    checks.finish();
    return rows;
}

QString required(const QXmlStreamAttributes& row, const QString& name, const QString& path, int rowNumber)
{
    if (!row.hasAttribute(name))
        throw Error(QStringLiteral("The file %1, row %2: the attribute \"%3\" is missing.")
                        .arg(displayPath(path))
                        .arg(rowNumber)
                        .arg(name));
    return row.value(name).toString();
}

// Splits off the next field of a CSV line. Where no separator is left, a last-kind field
// takes the whole rest; any other field is empty and the line stays as it is.
QString takeField(QString& line, bool lastKind)
{
    const qsizetype sep = line.indexOf(u';');
    if (sep < 0) {
        if (!lastKind)
            return {};
        QString field = line.trimmed();
        line.clear();
        return field;
    }
    QString field = line.left(sep).trimmed();
    line = line.mid(sep + 1).trimmed();
    return field;
}

} // namespace

QString MappingProfile::framePath(const Workspace& ws) const
{
    return transmit ? ws.File_TCobDef : ws.File_RCobDef;
}

QString MappingProfile::mappingPath(const Workspace& ws) const
{
    return transmit ? ws.File_TInfoCob : ws.File_RInfoCob;
}

QString MappingProfile::csvPath(const Workspace& ws) const
{
    return ws.Conf_Folder + u'/' + csvName;
}

const MappingProfile& MappingProfile::receiveSide()
{
    static const MappingProfile p = makeReceive();
    return p;
}

const MappingProfile& MappingProfile::transmitSide()
{
    static const MappingProfile p = makeTransmit();
    return p;
}

std::int32_t packPosComp(std::int32_t hiPart, std::int32_t loPart)
{
    // Computed without overflow for any stored value; the imported positions are not
    // range-checked.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(hiPart) * 16u + static_cast<std::uint32_t>(loPart));
}

void unpackPosComp(std::int32_t posComp, std::int32_t& hiPart, std::int32_t& loPart)
{
    const auto p = static_cast<std::uint32_t>(posComp);
    hiPart = static_cast<std::int32_t>((p >> 4) & 15u);
    loPart = static_cast<std::int32_t>(p & 15u);
}

QString registerLine(const TMod_Reg& entry)
{
    auto part = [](std::int32_t pos) {
        return pos == 0 ? QStringLiteral(" None;") : QStringLiteral(" Byte %1;").arg(pos);
    };
    return entry.Ind_Mod + u';' + part(entry.HiPart) + part(entry.LoPart);
}

QStringList byteListItems(std::int32_t numByte, const QString& none, const QString& bytePrefix)
{
    QStringList items{none};
    const std::int32_t count = std::min<std::int32_t>(numByte, 15);
    for (std::int32_t k = 1; k <= count; ++k)
        items << bytePrefix + QString::number(k);
    return items;
}

namespace {

// Reads the lines after the header one by one into `take`, which returns false to stop.
template <typename Take>
void readCsvLines(const QByteArray& bytes, const MappingProfile& profile, Take take)
{
    const QString text = QString::fromLocal8Bit(bytes);
    const qsizetype n = text.size();
    qsizetype start = 0;
    int number = 0;   // the line's number in the file, the header being line 1
    while (start < n) {
        qsizetype end = start;
        while (end < n && text.at(end) != u'\r' && text.at(end) != u'\n')
            ++end;
        ++number;
        if (number > 1) {
            QString line = text.mid(start, end - start).trimmed();
            std::int32_t values[5] = {0, 0, 0, 0, 0};
            for (int f = 0; f < profile.fieldCount; ++f)
                values[f] = toInt32(takeField(line, f >= 3), 0);
            CsvMappingLine parsed;
            parsed.frameNumber = values[1];
            parsed.entry.Ind_Mod = QString::number(values[0]);
            parsed.entry.HiPart = values[2];
            parsed.entry.LoPart = values[3];
            parsed.entry.Write = values[4];
            if (!take(number, std::move(parsed)))
                return;
        }
        start = end + (end + 1 < n && text.at(end) == u'\r' && text.at(end + 1) == u'\n' ? 2 : 1);
    }
}

} // namespace

std::vector<CsvMappingLine> parseMappingCsv(const QByteArray& bytes, const MappingProfile& profile)
{
    std::vector<CsvMappingLine> result;
    readCsvLines(bytes, profile, [&result](int, CsvMappingLine&& line) {
        result.push_back(std::move(line));
        return true;
    });
    return result;
}

void RegisterMapping::load(const Workspace& ws)
{
    m_loadFailed = true;
    Lista_CAN_Frame.clear();

    std::int32_t deviceType = 0;
    std::int32_t canType = 0;
    if (configurationFileExists(ws.File_ParGen)) {
        const QDomDocument doc = xml::load(ws.File_ParGen);
        const QDomNode root = xml::firstTopLevelNode(doc);
        deviceType = toInt32(xml::childText(root, QStringLiteral("Device_Type")).value_or(QString()), 0);
        canType = toInt32(xml::childText(root, QStringLiteral("CANType")).value_or(QString()), 0);
    }

    const QString framePath = m_profile->framePath(ws);
    if (configurationFileExists(framePath)) {
        const QDomDocument doc = xml::load(framePath);
        const QDomNode root = xml::firstTopLevelNode(doc);
        const QString jumperType = canType != 0 ? kType29 : kType11;
        // A frame's number is its position among all child nodes of the root, as the frame
        // editors and the compiler count it; a node that is no frame row stops the loading.
        const QDomNodeList rows = root.childNodes();
        for (int i = 0; i < rows.size(); ++i) {
            const QDomNode row = rows.at(i);
            const int number = i + 1;
            TCAN_Frame frame;
            frame.Cob_ID = required(row, QStringLiteral("CobID"), framePath, number);
            frame.Num_Byte = toInt32(required(row, QStringLiteral("Dimensin"), framePath, number), 8);
            frame.CobType = deviceType != 0 ? required(row, QStringLiteral("CobType"), framePath, number) : jumperType;
            Lista_CAN_Frame.push_back(std::move(frame));
        }
    }

    const QString mappingPath = m_profile->mappingPath(ws);
    if (!Lista_CAN_Frame.empty() && configurationFileExists(mappingPath)) {
        const std::vector<QXmlStreamAttributes> rows = mappingRows(mappingPath);
        const auto frameCount = static_cast<std::int32_t>(Lista_CAN_Frame.size());
        const QString sendOnWrite = QStringLiteral("Send_on_Write");
        int number = 0;
        for (const QXmlStreamAttributes& row : rows) {
            ++number;
            const std::int32_t nrPdo = toInt32(required(row, QStringLiteral("NrPdo"), mappingPath, number), -1);
            if (nrPdo < 1 || nrPdo > frameCount)
                continue;
            TMod_Reg entry;
            entry.Ind_Mod = required(row, QStringLiteral("Index"), mappingPath, number);
            unpackPosComp(toInt32(required(row, QStringLiteral("PosComp"), mappingPath, number), 0),
                          entry.HiPart, entry.LoPart);
            if (m_profile->transmit && row.hasAttribute(sendOnWrite))
                entry.Write = toInt32(row.value(sendOnWrite), 0);
            Lista_CAN_Frame[static_cast<std::size_t>(nrPdo - 1)].Lista_Mod_Reg.push_back(std::move(entry));
        }
    }
    m_loadFailed = false;
}

bool RegisterMapping::Check_Mod_Reg_in_Use(std::int32_t index, int frameToSkip, int regToSkip) const
{
    for (std::size_t f = 0; f < Lista_CAN_Frame.size(); ++f) {
        const auto& regs = Lista_CAN_Frame[f].Lista_Mod_Reg;
        for (std::size_t r = 0; r < regs.size(); ++r) {
            if (static_cast<int>(f) == frameToSkip && static_cast<int>(r) == regToSkip)
                continue;
            if (toInt32(regs[r].Ind_Mod, -1) == index)
                return true;
        }
    }
    return false;
}

int RegisterMapping::checkIndex(const QString& indexText, int frameToSkip, int regToSkip) const
{
    const std::int32_t index = toInt32(indexText, -1);
    if (index < 0 || index > 65535)
        return m_profile->msgIndexRange;
    if (Check_Mod_Reg_in_Use(index, frameToSkip, regToSkip))
        return m_profile->msgIndexUsed;
    return 0;
}

int RegisterMapping::create(int frame, const TMod_Reg& entry)
{
    if (frame < 0 || frame >= static_cast<int>(Lista_CAN_Frame.size()))
        return 0;
    if (const int refusal = checkIndex(entry.Ind_Mod, -1, -1))
        return refusal;
    TMod_Reg stored = entry;
    if (!m_profile->transmit)
        stored.Write = 0;
    Lista_CAN_Frame[static_cast<std::size_t>(frame)].Lista_Mod_Reg.push_back(std::move(stored));
    return 0;
}

int RegisterMapping::modify(int frame, int reg, const TMod_Reg& entry)
{
    if (this->entry(frame, reg) == nullptr)
        return 0;
    if (const int refusal = checkIndex(entry.Ind_Mod, frame, reg))
        return refusal;
    TMod_Reg stored = entry;
    if (!m_profile->transmit)
        stored.Write = 0;
    Lista_CAN_Frame[static_cast<std::size_t>(frame)].Lista_Mod_Reg[static_cast<std::size_t>(reg)] = std::move(stored);
    return 0;
}

void RegisterMapping::remove(int frame, int reg)
{
    if (entry(frame, reg) == nullptr)
        return;
    auto& regs = Lista_CAN_Frame[static_cast<std::size_t>(frame)].Lista_Mod_Reg;
    regs.erase(regs.begin() + reg);
}

bool RegisterMapping::copy(int frame, int reg)
{
    const TMod_Reg* e = entry(frame, reg);
    if (e == nullptr)
        return false;
    ACopy_Ind_Mod = e->Ind_Mod;
    ACopy_HiPort = e->HiPart;
    ACopy_LoPort = e->LoPart;
    ACopy_Write = e->Write;
    return true;
}

const TMod_Reg* RegisterMapping::entry(int frame, int reg) const
{
    if (frame < 0 || frame >= static_cast<int>(Lista_CAN_Frame.size()))
        return nullptr;
    const auto& regs = Lista_CAN_Frame[static_cast<std::size_t>(frame)].Lista_Mod_Reg;
    if (reg < 0 || reg >= static_cast<int>(regs.size()))
        return nullptr;
    return &regs[static_cast<std::size_t>(reg)];
}

int RegisterMapping::entryCount() const
{
    int n = 0;
    for (const TCAN_Frame& f : Lista_CAN_Frame)
        n += static_cast<int>(f.Lista_Mod_Reg.size());
    return n;
}

QStringList RegisterMapping::frameLines() const
{
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(Lista_CAN_Frame.size()));
    for (const TCAN_Frame& f : Lista_CAN_Frame)
        lines << f.Cob_ID + u'\t' + f.CobType;
    return lines;
}

QStringList RegisterMapping::registerLines(int frame) const
{
    QStringList lines;
    if (frame < 0 || frame >= static_cast<int>(Lista_CAN_Frame.size()))
        return lines;
    for (const TMod_Reg& r : Lista_CAN_Frame[static_cast<std::size_t>(frame)].Lista_Mod_Reg)
        lines << registerLine(r);
    return lines;
}

QByteArray RegisterMapping::toXml() const
{
    // Written by hand: the attribute order of each row is part of the file format, and
    // the DOM keeps no attribute order.
    QByteArray bytes;
    QXmlStreamWriter w(&bytes);
    w.writeStartElement(m_profile->mappingRoot);
    for (std::size_t f = 0; f < Lista_CAN_Frame.size(); ++f) {
        const QString nrPdo = QString::number(f + 1);
        for (const TMod_Reg& r : Lista_CAN_Frame[f].Lista_Mod_Reg) {
            w.writeEmptyElement(kRow);
            w.writeAttribute(QStringLiteral("Index"), r.Ind_Mod);
            w.writeAttribute(QStringLiteral("NrPdo"), nrPdo);
            w.writeAttribute(QStringLiteral("PosComp"), QString::number(packPosComp(r.HiPart, r.LoPart)));
            if (m_profile->transmit)
                w.writeAttribute(QStringLiteral("Send_on_Write"), QString::number(r.Write));
        }
    }
    w.writeEndElement();
    w.writeComment(product::kVersionComment);
    return bytes;
}

void RegisterMapping::save(const Workspace& ws) const
{
    const QString path = m_profile->mappingPath(ws);
    const QByteArray bytes = toXml();
    if (m_loadFailed && QFileInfo::exists(path)) {
        // A file that already holds what is written loses nothing; keeping it would replace
        // the backup of an earlier OK with the same reduced file.
        const QByteArray old = readWholeFile(path);
        if (old != bytes)
            writeFileAtomically(path + QStringLiteral(".bak"), old);
    }
    writeFileAtomically(path, bytes);
}

QByteArray RegisterMapping::toCsv() const
{
    QString text = m_profile->csvHeader + QStringLiteral("\r\n");
    for (std::size_t f = 0; f < Lista_CAN_Frame.size(); ++f) {
        const QString nrPdo = QString::number(f + 1);
        for (const TMod_Reg& r : Lista_CAN_Frame[f].Lista_Mod_Reg) {
            text += r.Ind_Mod + u';' + nrPdo + u';' + QString::number(r.HiPart) + u';' + QString::number(r.LoPart) + u';';
            if (m_profile->transmit)
                text += QString::number(r.Write) + u';';
            text += QStringLiteral("\r\n");
        }
    }
    return text.toLocal8Bit();
}

void RegisterMapping::exportCsv(const Workspace& ws) const
{
    writeFileAtomically(m_profile->csvPath(ws), toCsv());
}

void RegisterMapping::importCsv(const QByteArray& bytes, const QString& name)
{
    // Every line is checked as Create checks an entry, and the positions against the
    // frame; the entries are taken only when no line is refused, so a refused import
    // leaves the editor as it was.
    const auto frameCount = static_cast<std::int32_t>(Lista_CAN_Frame.size());
    std::vector<std::vector<TMod_Reg>> imported(Lista_CAN_Frame.size());
    std::vector<bool> used(65536, false);
    QStringList faults;
    int faultCount = 0;
    int entries = 0;
    bool full = false;
    const auto refuse = [&](int number, const QString& cause) {
        if (++faultCount <= kMaxCsvFaultsNamed)
            faults << QStringLiteral("line %1: %2").arg(number).arg(cause);
    };
    readCsvLines(bytes, *m_profile, [&](int number, CsvMappingLine&& line) {
        if (line.frameNumber < 1 || line.frameNumber > frameCount)
            return true;
        if (++entries > kMaxMappingEntries) {
            // The device has no room for it: stop reading here.
            refuse(number, QStringLiteral("more than %1 entries; the device has room for %1").arg(kMaxMappingEntries));
            full = true;
            return false;
        }
        const TCAN_Frame& frame = Lista_CAN_Frame[static_cast<std::size_t>(line.frameNumber - 1)];
        const std::int32_t dataBytes = std::min<std::int32_t>(frame.Num_Byte, 8);
        const std::int32_t index = toInt32(line.entry.Ind_Mod, -1);
        bool lineFault = false;
        if (index < 0 || index > 65535) {
            refuse(number, QStringLiteral("the register index %1 is outside 0 to 65535").arg(line.entry.Ind_Mod));
            lineFault = true;
        } else if (used[static_cast<std::size_t>(index)]) {
            refuse(number, QStringLiteral("the register index %1 is already used").arg(index));
            lineFault = true;
        }
        for (const std::int32_t position : {line.entry.HiPart, line.entry.LoPart}) {
            if (position < 0 || position > dataBytes) {
                refuse(number, QStringLiteral("the byte position %1 is outside 0 to %2 (frame %3 has %4 data bytes)")
                                   .arg(position)
                                   .arg(dataBytes)
                                   .arg(line.frameNumber)
                                   .arg(frame.Num_Byte));
                lineFault = true;
                break;
            }
        }
        if (!lineFault) {
            used[static_cast<std::size_t>(index)] = true;
            if (!m_profile->transmit)
                line.entry.Write = 0;
            imported[static_cast<std::size_t>(line.frameNumber - 1)].push_back(std::move(line.entry));
        }
        return true;
    });
    if (faultCount > 0) {
        QString text = QStringLiteral("%1 was not imported; the mapping is as it was:\n").arg(name) + faults.join(u'\n');
        if (faultCount > kMaxCsvFaultsNamed)
            text += QStringLiteral("\n... and %1 more").arg(faultCount - kMaxCsvFaultsNamed);
        if (full)
            text += QStringLiteral("\nThe file was read no further.");
        throw Error(text);
    }
    for (std::size_t f = 0; f < imported.size(); ++f)
        Lista_CAN_Frame[f].Lista_Mod_Reg = std::move(imported[f]);
}

void RegisterMapping::importCsvFile(const QString& path)
{
    // No mapping file of the device's size comes near the limit of a configuration file.
    importCsv(readConfigurationFile(path), QStringLiteral("The file %1").arg(displayPath(path)));
}

} // namespace px
