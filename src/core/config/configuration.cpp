#include "core/config/configuration.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/base/product.h"
#include "core/base/text_rules.h"
#include "core/base/xml.h"
#include "core/base/xml_content.h"
#include "core/lang/message_ids.h"

#include <QDir>
#include <QFileInfo>
#include <QXmlStreamWriter>

#include <array>
#include <utility>

namespace px::config {

namespace {

const QString kNo = flagText(false);

// The attribute names of the rows.
const QString aCobId = QStringLiteral("CobID");
const QString aCobType = QStringLiteral("CobType");
const QString aDimension = QStringLiteral("Dimensin");
const QString aRtr = QStringLiteral("RTR");
const QString aDefaultValues = QStringLiteral("DefaultValues");
const QString aMnemonic = QStringLiteral("Mnemonic");
const QString aTimeOutTime = QStringLiteral("TimeOut_Time");
const QString aTimeOut = QStringLiteral("TimeOut");
const QString aTimeRtr = QStringLiteral("TimeRTR");
const QString aOnChange = QStringLiteral("OnChange");
const QString aOnTimer = QStringLiteral("OnTimer");
const QString aTimer = QStringLiteral("Timer");
const QString aIndex = QStringLiteral("Index");
const QString aNrPdo = QStringLiteral("NrPdo");
const QString aPosComp = QStringLiteral("PosComp");
const QString aSendOnWrite = QStringLiteral("Send_on_Write");

// The child nodes of a configuration file's first top-level node, each a row in the
// position the compiler and the editors count it at.
const std::vector<xml::XmlItem>& rowNodesOf(const xml::XmlContent& content)
{
    static const std::vector<xml::XmlItem> none;
    return content.top.empty() ? none : content.top.front().children;
}

// A node that is no element cannot be a row.
void requireRowElement(const xml::XmlItem& row, std::size_t index, const QString& fileLabel)
{
    if (!row.element) {
        throw Error(msg::kRowIsNoElement, {fileLabel, index + 1});
    }
}

// Reads the texts of frame rows. A value equal to the one in the same column of the row
// read before shares that row's text (a list repeats most of its values row after row).
class FrameRowReader {
public:
    // The columns of a frame row, in the order their absence is listed.
    template <std::size_t N>
    void read(const xml::XmlItem& row, const std::array<QStringView, N>& names, const std::array<QString*, N>& fields,
              QStringList& absent)
    {
        static_assert(N <= kColumns);
        const std::array<std::optional<QStringView>, N> values = xml::attributesOf(row, names);
        for (std::size_t k = 0; k < N; ++k) {
            if (!values[k]) {
                absent << names[k].toString();
                continue;
            }
            const QStringView value = *values[k];
            QString& last = m_last[k];
            if (!value.isEmpty() && last == value) {
                *fields[k] = last;
            } else {
                *fields[k] = value.toString();
                last = *fields[k];
            }
        }
    }

    ReceiveFrame receiveFrame(const xml::XmlItem& row)
    {
        ReceiveFrame f;
        read(row, std::array<QStringView, 9>{aCobId, aCobType, aDimension, aRtr, aDefaultValues, aMnemonic, aTimeOutTime, aTimeOut, aTimeRtr},
             std::array<QString*, 9>{&f.cobId, &f.cobType, &f.dimension, &f.rtr, &f.defaultValues, &f.mnemonic, &f.timeOutTime, &f.timeOut, &f.timeRtr},
             f.absent);
        return f;
    }

    TransmitFrame transmitFrame(const xml::XmlItem& row)
    {
        TransmitFrame f;
        read(row, std::array<QStringView, 9>{aCobId, aCobType, aDimension, aRtr, aDefaultValues, aMnemonic, aOnChange, aOnTimer, aTimer},
             std::array<QString*, 9>{&f.cobId, &f.cobType, &f.dimension, &f.rtr, &f.defaultValues, &f.mnemonic, &f.onChange, &f.onTimer, &f.timer},
             f.absent);
        return f;
    }

private:
    static constexpr std::size_t kColumns = 9;
    QString m_last[kColumns];
};

using Attributes = std::vector<std::pair<QString, QString>>;

// A value that no XML file can hold stops the writing: the file keeps what it held.
Error unstorableValue(const QString& fileLabel, std::size_t row, const QString& attribute)
{
    return Error(msg::kUnstorableValue, {fileLabel, row, attribute});
}

// The frame files name the row and the attribute as the frame editors have always said it.
Error unstorableFrameValue(std::size_t row, const QString& attribute)
{
    return Error(msg::kUnstorableFrameValue, {row, attribute});
}

// A frame file from its rows' attributes.
QByteArray rowsDocument(const QString& root, const std::vector<Attributes>& rows)
{
    // The attribute order of each row is part of the file format. The bytes are reserved
    // for a typical row, so that a full list does not grow its buffer hundreds of times.
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(rows.size()) * 200 + 64);
    QXmlStreamWriter out(&bytes);
    out.setAutoFormatting(false);
    out.writeStartElement(root);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        out.writeEmptyElement(QStringLiteral("row"));
        for (const auto& [name, value] : rows[r]) {
            if (!storableInXml(value))
                throw unstorableFrameValue(r + 1, name);
            out.writeAttribute(name, value);
        }
    }
    out.writeEndElement();
    out.writeComment(product::kVersionComment);
    return bytes;
}

QString commonFormatText(const GeneralParameters& general)
{
    return formatText(isExtendedCanType(general.canType));
}

QString commonFormatText(const Configuration& config)
{
    return commonFormatText(config.general);
}

} // namespace

QString fileName(ConfigFile file)
{
    switch (file) {
    case ConfigFile::GeneralParameters: return QStringLiteral("ParGen.xml");
    case ConfigFile::ReceiveFrames: return QStringLiteral("RCobDef.xml");
    case ConfigFile::TransmitFrames: return QStringLiteral("TCobDef.xml");
    case ConfigFile::ReceiveMappings: return QStringLiteral("RInfoCob.xml");
    case ConfigFile::TransmitMappings: return QStringLiteral("TInfoCob.xml");
    }
    return {};
}

ConfigFile framesFile(Direction direction)
{
    return direction == Direction::Receive ? ConfigFile::ReceiveFrames : ConfigFile::TransmitFrames;
}

ConfigFile mappingsFile(Direction direction)
{
    return direction == Direction::Receive ? ConfigFile::ReceiveMappings : ConfigFile::TransmitMappings;
}

std::optional<std::int64_t> FrameRow::identifier() const
{
    return readIdentifier(cobId);
}

bool FrameRow::extended() const
{
    return isExtendedFormat(cobType);
}

std::optional<std::int32_t> FrameRow::dataLength() const
{
    return readDataLength(dimension);
}

std::vector<std::uint8_t> FrameRow::defaultBytes() const
{
    return config::defaultBytes(defaultValues);
}

std::uint32_t ReceiveFrame::timeOutMilliseconds(std::int32_t generalCanTimeOut) const
{
    if (const auto t = parseInt64(timeOutTime))
        return static_cast<std::uint32_t>(*t);
    return isYesFlag(timeOut) ? static_cast<std::uint32_t>(generalCanTimeOut) : 0;
}

std::uint32_t ReceiveFrame::rtrPeriodMilliseconds() const
{
    if (!isYesFlagTrimmed(rtr))
        return 0;
    return static_cast<std::uint32_t>(toInt32(trimBlanks(timeRtr), -1));
}

bool TransmitFrame::rtrEnabled() const
{
    return isYesFlag(rtr);
}

bool TransmitFrame::sendsOnChange() const
{
    return isYesFlag(onChange);
}

bool TransmitFrame::sendsOnTimer() const
{
    return isYesFlag(onTimer);
}

std::uint32_t TransmitFrame::timerMilliseconds() const
{
    return sendsOnTimer() ? static_cast<std::uint32_t>(parseInt64(timer).value_or(0)) : 0;
}

std::optional<std::int32_t> MappingEntry::registerNumber() const
{
    return parseInt32(registerIndex);
}

const FrameRow& Configuration::frame(Direction d, int index) const
{
    if (d == Direction::Receive)
        return receiveFrames.at(static_cast<std::size_t>(index));
    return transmitFrames.at(static_cast<std::size_t>(index));
}

bool frameExtended(const Configuration& config, const FrameRow& frame)
{
    if (config.deviceType() == kDipSwitchDevice)
        return frame.extended();
    return isExtendedCanType(config.general.canType);
}

ReceiveFrame receiveFrameOf(const xml::XmlItem& row)
{
    return FrameRowReader().receiveFrame(row);
}

TransmitFrame transmitFrameOf(const xml::XmlItem& row)
{
    return FrameRowReader().transmitFrame(row);
}

namespace {

// A mapping row from the values of its attributes Index, NrPdo, PosComp and Send_on_Write,
// NrPdo read already as `frameNumber`.
MappingEntry mappingEntryFrom(const std::array<std::optional<QStringView>, 4>& values, std::int32_t frameNumber,
                              Direction direction)
{
    const auto value = [&values](std::size_t k) { return values[k].value_or(QStringView()); };
    MappingEntry e;
    e.registerIndex = value(0).toString();
    e.frameNumber = frameNumber;
    const auto positions = static_cast<std::uint32_t>(toInt32(value(2), 0));
    e.highByte = static_cast<std::int32_t>((positions >> 4) & 15u);
    e.lowByte = static_cast<std::int32_t>(positions & 15u);
    if (direction == Direction::Transmit)
        e.setSendOnWriteNumber(toInt32(value(3), 0));
    return e;
}

const std::array<QStringView, 4> kMappingAttributes{aIndex, aNrPdo, aPosComp, aSendOnWrite};

} // namespace

MappingEntry mappingEntryOf(const xml::XmlItem& row, Direction direction)
{
    const std::array<std::optional<QStringView>, 4> values = xml::attributesOf(row, kMappingAttributes);
    return mappingEntryFrom(values, toInt32(values[1].value_or(QStringView()), -1), direction);
}

namespace {

// Appends the rows of a frame file, each read by `frameOf`; a row that is no element
// throws naming it.
template <typename Frame>
void appendFrameRows(const xml::XmlContent& content, const QString& fileLabel, std::vector<Frame>& frames,
                     Frame (FrameRowReader::*frameOf)(const xml::XmlItem&))
{
    const std::vector<xml::XmlItem>& rows = rowNodesOf(content);
    frames.reserve(frames.size() + rows.size());
    FrameRowReader reader;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        requireRowElement(rows[i], i, fileLabel);
        frames.push_back((reader.*frameOf)(rows[i]));
    }
}

} // namespace

void readReceiveFrames(const QByteArray& bytes, const QString& fileLabel, std::vector<ReceiveFrame>& frames)
{
    appendFrameRows(xml::readXmlContent(bytes, fileLabel), fileLabel, frames, &FrameRowReader::receiveFrame);
}

void readTransmitFrames(const QByteArray& bytes, const QString& fileLabel, std::vector<TransmitFrame>& frames)
{
    appendFrameRows(xml::readXmlContent(bytes, fileLabel), fileLabel, frames, &FrameRowReader::transmitFrame);
}

std::vector<ReceiveFrame> readReceiveFrames(const QByteArray& bytes, const QString& fileLabel)
{
    std::vector<ReceiveFrame> frames;
    readReceiveFrames(bytes, fileLabel, frames);
    return frames;
}

std::vector<TransmitFrame> readTransmitFrames(const QByteArray& bytes, const QString& fileLabel)
{
    std::vector<TransmitFrame> frames;
    readTransmitFrames(bytes, fileLabel, frames);
    return frames;
}

std::vector<MappingEntry> readMappings(const QByteArray& bytes, const QString& fileLabel, Direction direction)
{
    std::vector<MappingEntry> entries;
    appendMappings(entries, bytes, fileLabel, direction);
    return entries;
}

namespace {

void appendMappingRows(std::vector<MappingEntry>& entries, const xml::XmlContent& content, const QString& fileLabel,
                       Direction direction, std::optional<int> frameCount)
{
    if (content.top.empty())
        return;
    const std::vector<xml::XmlItem>& nodes = content.top.front().children;
    entries.reserve(entries.size() + nodes.size());
    int rowNumber = 0;
    for (const xml::XmlItem& row : nodes) {
        if (!row.element)
            continue;
        ++rowNumber;
        const std::array<std::optional<QStringView>, 4> values = xml::attributesOf(row, kMappingAttributes);
        const auto required = [&](std::size_t k) {
            const QStringView name = kMappingAttributes[k];
            if (!values[k]) {
                throw Error(msg::kAttributeMissing, {fileLabel, rowNumber, name});
            }
            return *values[k];
        };
        // The editors need these three; the compiler reads a row without them.
        const std::int32_t frameNumber = toInt32(required(1), -1);
        if (frameCount && (frameNumber < 1 || frameNumber > *frameCount))
            continue;
        required(0);
        required(2);
        entries.push_back(mappingEntryFrom(values, frameNumber, direction));
    }
}

// Reads one parsed file into its part of `c`.
void readFileInto(Configuration& c, ConfigFile file, const xml::XmlContent& content)
{
    const QString label = fileName(file);
    switch (file) {
    case ConfigFile::GeneralParameters:
        c.general = readGeneralParameters(content);
        break;
    case ConfigFile::ReceiveFrames:
        appendFrameRows(content, label, c.receiveFrames, &FrameRowReader::receiveFrame);
        break;
    case ConfigFile::TransmitFrames:
        appendFrameRows(content, label, c.transmitFrames, &FrameRowReader::transmitFrame);
        break;
    case ConfigFile::ReceiveMappings:
        appendMappingRows(c.receiveMappings, content, label, Direction::Receive, std::nullopt);
        break;
    case ConfigFile::TransmitMappings:
        appendMappingRows(c.transmitMappings, content, label, Direction::Transmit, std::nullopt);
        break;
    }
}

} // namespace

void appendMappings(std::vector<MappingEntry>& entries, const QByteArray& bytes, const QString& fileLabel,
                    Direction direction, std::optional<int> frameCount)
{
    appendMappingRows(entries, xml::readXmlContent(bytes, fileLabel), fileLabel, direction, frameCount);
}

Configuration readConfigurationFiles(const QString& name, const std::optional<QByteArray> files[5])
{
    Configuration c;
    c.name = name;
    for (int i = 0; i < 5; ++i)
        c.present[i] = files[i].has_value();
    // File by file, each parsed and then read, so the first fault in that order is the one named.
    for (int i = 0; i < 5; ++i) {
        const auto file = static_cast<ConfigFile>(i);
        if (files[i])
            readFileInto(c, file, xml::readXmlContent(*files[i], fileName(file)));
    }
    return c;
}

Configuration readConfigurationContents(const QString& name,
                                        const std::function<const xml::XmlContent*(ConfigFile)>& contentOf)
{
    Configuration c;
    c.name = name;
    for (int i = 0; i < 5; ++i) {
        const auto file = static_cast<ConfigFile>(i);
        const xml::XmlContent* content = contentOf(file);
        c.present[i] = content != nullptr;
        if (content)
            readFileInto(c, file, *content);
    }
    return c;
}

Configuration readConfiguration(const QString& folder)
{
    const QFileInfo info(folder);
    if (!info.isDir())
        throw Error(msg::kNotConfigurationFolder, {displayPath(folder)});
    std::optional<QByteArray> files[5];
    for (int i = 0; i < 5; ++i) {
        const QString path = folder + u'/' + fileName(static_cast<ConfigFile>(i));
        // Only a file that does not exist at all counts as missing; anything else that
        // stands there and cannot be read as a file is an error, and so is a file larger
        // than any configuration.
        if (!configurationFileExists(path))
            continue;
        files[i] = readConfigurationFile(path);
    }
    try {
        return readConfigurationFiles(info.fileName(), files);
    } catch (const Error& e) {
        // Name the file with its folder, so the user finds it.
        throw Error(msg::kInFolder, {displayPath(QDir(folder).absolutePath()), e});
    }
}

QByteArray generalParametersFileBytes(const Configuration& config)
{
    return generalParametersBytes(config.general);
}

QByteArray receiveFramesBytes(const Configuration& config)
{
    return receiveFramesBytes(config.receiveFrames, config.general);
}

QByteArray receiveFramesBytes(std::span<const ReceiveFrame> frames, const GeneralParameters& general)
{
    const bool jumper = general.deviceType != kDipSwitchDevice;
    std::vector<Attributes> rows;
    rows.reserve(frames.size());
    for (const ReceiveFrame& f : frames) {
        if (jumper) {
            rows.push_back({{aCobId, f.cobId},
                            {aDimension, f.dimension},
                            {aCobType, commonFormatText(general)},
                            {aTimeOut, f.timeOut},
                            {aTimeOutTime, QString::number(general.canTimeOutMilliseconds())},
                            {aMnemonic, f.mnemonic}});
        } else {
            // The number cells are written as the editor's check reads them, trimmed, so
            // "500 " reaches the device as 500 ms. Time-out supervision follows that
            // time-out: on for more than 0 ms (a text that is no number counts as 0).
            const auto number = [](const QString& text) {
                const QStringView trimmed = trimBlanks(text);
                return trimmed.size() == text.size() ? text : trimmed.toString();
            };
            const QString timeOut = number(f.timeOutTime);
            const bool supervised = toInt32(timeOut, 0) > 0;
            rows.push_back({{aCobId, number(f.cobId)},
                            {aCobType, f.cobType},
                            {aDimension, number(f.dimension)},
                            {aTimeOutTime, timeOut},
                            {aTimeOut, flagText(supervised)},
                            {aRtr, f.rtr},
                            {aTimeRtr, number(f.timeRtr)},
                            {aDefaultValues, f.defaultValues},
                            {aMnemonic, f.mnemonic}});
        }
    }
    return rowsDocument(QStringLiteral("COBID"), rows);
}

QByteArray transmitFramesBytes(const Configuration& config)
{
    return transmitFramesBytes(config.transmitFrames, config.general);
}

QByteArray transmitFramesBytes(std::span<const TransmitFrame> frames, const GeneralParameters& general)
{
    const bool jumper = general.deviceType != kDipSwitchDevice;
    std::vector<Attributes> rows;
    rows.reserve(frames.size());
    for (const TransmitFrame& f : frames) {
        if (jumper) {
            // The jumper device sends only on a Modbus write: no RTR, no sending options.
            rows.push_back({{aCobId, f.cobId},
                            {aCobType, commonFormatText(general)},
                            {aDimension, f.dimension},
                            {aRtr, kNo},
                            {aOnChange, kNo},
                            {aOnTimer, kNo},
                            {aTimer, QStringLiteral("0")},
                            {aMnemonic, f.mnemonic}});
        } else {
            rows.push_back({{aCobId, f.cobId},
                            {aCobType, f.cobType},
                            {aDimension, f.dimension},
                            {aRtr, f.rtr},
                            {aOnChange, f.onChange},
                            {aOnTimer, f.onTimer},
                            {aTimer, f.timer},
                            {aDefaultValues, f.defaultValues},
                            {aMnemonic, f.mnemonic}});
        }
    }
    return rowsDocument(QStringLiteral("COBID"), rows);
}

QByteArray mappingsBytes(const Configuration& config, Direction direction)
{
    return mappingsBytes(config.mappings(direction), direction);
}

QByteArray mappingsBytes(const std::vector<MappingEntry>& entries, Direction direction)
{
    // Written row by row without a list of attribute texts first: a full mapping has
    // thousands of rows, and only the index is text, the other values are numbers.
    const bool transmit = direction == Direction::Transmit;
    const QString label = fileName(mappingsFile(direction));
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(entries.size()) * 64 + 64);
    QXmlStreamWriter out(&bytes);
    out.setAutoFormatting(false);
    out.writeStartElement(transmit ? QStringLiteral("TInfoCob") : QStringLiteral("RInfoCob"));
    // Entries of one frame stand together: the frame number's text is made once for them.
    std::int32_t frame = -1;
    QString frameText;
    for (std::size_t r = 0; r < entries.size(); ++r) {
        const MappingEntry& e = entries[r];
        if (!storableInXml(e.registerIndex))
            throw unstorableValue(label, r + 1, aIndex);
        if (e.frameNumber != frame || frameText.isEmpty()) {
            frame = e.frameNumber;
            frameText = QString::number(frame);
        }
        const auto positions = static_cast<std::uint32_t>(e.highByte) * 16u + static_cast<std::uint32_t>(e.lowByte);
        out.writeEmptyElement(QStringLiteral("row"));
        out.writeAttribute(aIndex, e.registerIndex);
        out.writeAttribute(aNrPdo, frameText);
        out.writeAttribute(aPosComp, QString::number(static_cast<std::int32_t>(positions)));
        if (transmit)
            out.writeAttribute(aSendOnWrite, QString::number(e.sendOnWriteNumber()));
    }
    out.writeEndElement();
    out.writeComment(product::kVersionComment);
    return bytes;
}

QByteArray fileBytes(const Configuration& config, ConfigFile file)
{
    switch (file) {
    case ConfigFile::GeneralParameters: return generalParametersFileBytes(config);
    case ConfigFile::ReceiveFrames: return receiveFramesBytes(config);
    case ConfigFile::TransmitFrames: return transmitFramesBytes(config);
    case ConfigFile::ReceiveMappings: return mappingsBytes(config, Direction::Receive);
    case ConfigFile::TransmitMappings: return mappingsBytes(config, Direction::Transmit);
    }
    return {};
}

void writeConfiguration(const Configuration& config, const QString& folder, const std::vector<ConfigFile>& files)
{
    // Every file is composed before any is written, so a value that cannot be stored
    // stops the whole write.
    std::vector<std::pair<QString, QByteArray>> contents;
    for (ConfigFile f : files)
        contents.emplace_back(folder + u'/' + fileName(f), fileBytes(config, f));
    writeFilesTogether(contents);
}

ReceiveFrame newReceiveFrame(const Configuration& config)
{
    ReceiveFrame f;
    f.cobType = commonFormatText(config);
    f.rtr = kNo;
    if (config.deviceType() == kDipSwitchDevice) {
        f.timeOutTime = QStringLiteral("0");
        f.timeOut = kNo;
    } else {
        f.timeOutTime = QString::number(config.general.canTimeOutMilliseconds());
        f.timeOut = kNo;
    }
    return f;
}

TransmitFrame newTransmitFrame(const Configuration& config)
{
    TransmitFrame f;
    f.cobType = commonFormatText(config);
    f.rtr = kNo;
    f.onChange = kNo;
    f.onTimer = kNo;
    f.timer = QStringLiteral("0");
    return f;
}

int editorFrameRows(DeviceType device)
{
    return device == kDipSwitchDevice ? kDipSwitchFrameRows : kJumperFrameRows;
}

} // namespace px::config
