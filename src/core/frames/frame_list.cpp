#include "core/frames/frame_list.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/base/text_rules.h"
#include "core/base/xml_content.h"
#include "core/config/general_parameters.h"
#include "core/lang/message_ids.h"
#include "core/lang/message_table.h"

#include <QFileInfo>

#include <array>

namespace px {
namespace {

using config::ReceiveFrame;
using config::TransmitFrame;

const QString kNo = config::flagText(false);

// The value of a column in a frame row of each direction; nothing where the direction
// has no such value.
QString ReceiveFrame::*receiveField(FrameColumn column)
{
    switch (column) {
    case FrameColumn::CobId: return &ReceiveFrame::cobId;
    case FrameColumn::Type: return &ReceiveFrame::cobType;
    case FrameColumn::Dimension: return &ReceiveFrame::dimension;
    case FrameColumn::Supervised: return &ReceiveFrame::timeOut;
    case FrameColumn::TimeOut: return &ReceiveFrame::timeOutTime;
    case FrameColumn::Rtr: return &ReceiveFrame::rtr;
    case FrameColumn::RtrTime: return &ReceiveFrame::timeRtr;
    case FrameColumn::DefaultValues: return &ReceiveFrame::defaultValues;
    case FrameColumn::Mnemonic: return &ReceiveFrame::mnemonic;
    case FrameColumn::OnChange:
    case FrameColumn::OnTimer:
    case FrameColumn::Timer: break;
    }
    return nullptr;
}

QString TransmitFrame::*transmitField(FrameColumn column)
{
    switch (column) {
    case FrameColumn::CobId: return &TransmitFrame::cobId;
    case FrameColumn::Type: return &TransmitFrame::cobType;
    case FrameColumn::Dimension: return &TransmitFrame::dimension;
    case FrameColumn::Rtr: return &TransmitFrame::rtr;
    case FrameColumn::OnChange: return &TransmitFrame::onChange;
    case FrameColumn::OnTimer: return &TransmitFrame::onTimer;
    case FrameColumn::Timer: return &TransmitFrame::timer;
    case FrameColumn::DefaultValues: return &TransmitFrame::defaultValues;
    case FrameColumn::Mnemonic: return &TransmitFrame::mnemonic;
    case FrameColumn::Supervised:
    case FrameColumn::TimeOut:
    case FrameColumn::RtrTime: break;
    }
    return nullptr;
}

QString fieldText(const ReceiveFrame& f, FrameColumn column)
{
    const auto field = receiveField(column);
    return field ? f.*field : QString();
}

QString fieldText(const TransmitFrame& f, FrameColumn column)
{
    const auto field = transmitField(column);
    return field ? f.*field : QString();
}

// The attribute of the frame file a column edits.
QString attributeName(FrameColumn column)
{
    switch (column) {
    case FrameColumn::CobId: return QStringLiteral("CobID");
    case FrameColumn::Type: return QStringLiteral("CobType");
    case FrameColumn::Dimension: return QStringLiteral("Dimensin");
    case FrameColumn::Supervised: return QStringLiteral("TimeOut");
    case FrameColumn::TimeOut: return QStringLiteral("TimeOut_Time");
    case FrameColumn::Rtr: return QStringLiteral("RTR");
    case FrameColumn::RtrTime: return QStringLiteral("TimeRTR");
    case FrameColumn::OnChange: return QStringLiteral("OnChange");
    case FrameColumn::OnTimer: return QStringLiteral("OnTimer");
    case FrameColumn::Timer: return QStringLiteral("Timer");
    case FrameColumn::DefaultValues: return QStringLiteral("DefaultValues");
    case FrameColumn::Mnemonic: return QStringLiteral("Mnemonic");
    }
    return {};
}

// The value a dip-switch editor gives an attribute its file's row lacks; the jumper
// editors and the Cob-ID, Dimension and Mnemonic of every editor have none: the
// attribute is required.
std::optional<QString> defaultOf(FrameListKind kind, FrameColumn column)
{
    if (!isDipSwitchList(kind))
        return std::nullopt;
    switch (column) {
    case FrameColumn::Type: return kCobType11;
    case FrameColumn::TimeOut:
    case FrameColumn::Timer: return QStringLiteral("0");
    case FrameColumn::Rtr:
    case FrameColumn::OnChange:
    case FrameColumn::OnTimer: return kNo;
    case FrameColumn::RtrTime:
    case FrameColumn::DefaultValues: return QString();
    default: return std::nullopt;
    }
}

// The messages of an editor's check; kNoCheck where the editor has no such check.
constexpr int kNoCheck = -1;
struct CheckMessages {
    int rowPrefix;     // "Error row "
    int typeMissing;
    int cobId11;
    int cobId29;
    int dimension;
    int timeOut;
    int rtrTime;
    int timer;
    int badByte;
    int byteCount;
};

const CheckMessages& checkMessages(FrameListKind kind)
{
    static const CheckMessages receiveJumper{
        msg::kReceiveJumperErrorRow,
        kNoCheck,
        msg::kReceiveJumperCobId11Range,
        msg::kReceiveJumperCobId29Range,
        msg::kReceiveJumperDimensionRange,
        kNoCheck,
        kNoCheck,
        kNoCheck,
        kNoCheck,
        kNoCheck
    };
    static const CheckMessages receiveDip{
        msg::kReceiveDipErrorRow,
        msg::kReceiveDipTypeInvalid,
        msg::kReceiveDipCobId11Range,
        msg::kReceiveDipCobId29Range,
        msg::kReceiveDipDimensionRange,
        msg::kReceiveDipTimeOutRange,
        msg::kReceiveDipTimeRtrRange,
        kNoCheck,
        msg::kReceiveDipDefaultValueInvalid,
        msg::kReceiveDipDefaultCountMismatch
    };
    static const CheckMessages transmitJumper{
        msg::kTransmitJumperErrorRow,
        kNoCheck,
        msg::kTransmitJumperCobId11Range,
        msg::kTransmitJumperCobId29Range,
        msg::kTransmitJumperDimensionRange,
        kNoCheck,
        kNoCheck,
        kNoCheck,
        kNoCheck,
        kNoCheck
    };
    static const CheckMessages transmitDip{
        msg::kTransmitDipErrorRow,
        msg::kTransmitDipTypeInvalid,
        msg::kTransmitDipCobId11Range,
        msg::kTransmitDipCobId29Range,
        msg::kTransmitDipDimensionRange,
        kNoCheck,
        kNoCheck,
        msg::kTransmitDipTimerRange,
        msg::kTransmitDipDefaultValueInvalid,
        msg::kTransmitDipDefaultCountMismatch
    };
    switch (kind) {
    case FrameListKind::ReceiveJumper: return receiveJumper;
    case FrameListKind::ReceiveDip: return receiveDip;
    case FrameListKind::TransmitJumper: return transmitJumper;
    case FrameListKind::TransmitDip: break;
    }
    return transmitDip;
}

// The fault of one row of a list, checked in the order of the editor's rules.
std::optional<FrameFault> checkRow(const FrameList& list, int row, int canType)
{
    const FrameListKind kind = list.kind();
    const CheckMessages& m = checkMessages(kind);
    const auto text = [&list, row](FrameColumn column) -> const QString& { return list.text(row, column); };
    const auto fault = [row](FrameColumn column, int message) { return FrameFault{row, column, message}; };

    if (!isDipSwitchList(kind)) {
        // The jumper device: one identifier format for every frame, from the general parameters.
        const bool bits29 = config::isExtendedCanType(canType);
        if (!config::identifierTextFits(text(FrameColumn::CobId), bits29))
            return fault(FrameColumn::CobId, bits29 ? m.cobId29 : m.cobId11);
        if (!config::dataLengthTextFits(text(FrameColumn::Dimension)))
            return fault(FrameColumn::Dimension, m.dimension);
        return std::nullopt;
    }

    // The Type is one of the two items of its list; the format is then read as the
    // images read it.
    const QString& type = text(FrameColumn::Type);
    if (config::formatTextFault(type) != config::FormatTextFault::None)
        return fault(FrameColumn::Type, m.typeMissing);
    const bool bits29 = config::isExtendedFormat(type);
    if (!config::identifierTextFits(text(FrameColumn::CobId), bits29))
        return fault(FrameColumn::CobId, bits29 ? m.cobId29 : m.cobId11);
    if (!config::dataLengthTextFits(text(FrameColumn::Dimension)))
        return fault(FrameColumn::Dimension, m.dimension);

    if (isReceiveList(kind)) {
        if (!config::timeOutFits(text(FrameColumn::TimeOut)))
            return fault(FrameColumn::TimeOut, m.timeOut);
        if (config::isYesFlagTrimmed(text(FrameColumn::Rtr)) && !config::rtrPeriodFits(text(FrameColumn::RtrTime)))
            return fault(FrameColumn::RtrTime, m.rtrTime);
    } else {
        if (config::isYesFlag(text(FrameColumn::OnTimer)) && !config::timerFits(text(FrameColumn::Timer)))
            return fault(FrameColumn::Timer, m.timer);
    }
    switch (config::checkByteList(trimBlanks(text(FrameColumn::DefaultValues)),
                                  config::readDataLength(text(FrameColumn::Dimension)).value_or(-1))) {
    case ByteListCheck::BadByte: return fault(FrameColumn::DefaultValues, m.badByte);
    case ByteListCheck::WrongCount: return fault(FrameColumn::DefaultValues, m.byteCount);
    case ByteListCheck::Valid: break;
    }
    return std::nullopt;
}

// Copies the frames read from a file into the list's rows, as far as the list reaches.
// A row lacking an attribute the editor requires throws, with the rows before it in place.
template <typename Frame>
void fillRows(const std::vector<Frame>& frames, const QString& name, FrameList& list)
{
    const FrameListKind kind = list.kind();
    const int count = std::min(static_cast<int>(frames.size()), list.rowCount());
    for (int i = 0; i < count; ++i) {
        const Frame& frame = frames[static_cast<std::size_t>(i)];
        std::vector<QString> values;
        for (FrameColumn column : list.columns()) {
            const QString attribute = attributeName(column);
            if (frame.has(attribute)) {
                values.push_back(fieldText(frame, column));
                continue;
            }
            const std::optional<QString> fallback = defaultOf(kind, column);
            if (!fallback) {
                throw Error(msg::kFrameRowLacksAttribute, {name, i + 1, attribute});
            }
            values.push_back(*fallback);
        }
        for (int c = 0; c < list.columnCount(); ++c)
            list.setText(i, list.columns()[static_cast<std::size_t>(c)], values[static_cast<std::size_t>(c)]);
    }
}

// Reads the frames of the file with the frame files' reader into the list. When the
// reader stops at a row, the rows before it are put into the list first.
template <typename Frame, typename Reader>
int readInto(Reader read, const QByteArray& bytes, const QString& name, FrameList& list)
{
    std::vector<Frame> frames;
    try {
        read(bytes, name, frames);
    } catch (const Error&) {
        fillRows(frames, name, list);
        throw;
    }
    fillRows(frames, name, list);
    return static_cast<int>(frames.size());
}

// True when the first node of the file, which every reader takes for the root, is no
// element while the root element behind it holds rows.
bool framesBehindFirstNode(const QByteArray& bytes, const QString& name)
{
    const xml::XmlContent content = xml::readXmlContent(bytes, name);
    if (content.top.empty() || content.top.front().element)
        return false;
    for (const xml::XmlItem& item : content.top) {
        if (item.element)
            return !item.children.empty();
    }
    return false;
}

} // namespace

GeneralParameters frameListWriter(const FrameList& list, const CanSettings& settings)
{
    GeneralParameters general;
    general.deviceType = isDipSwitchList(list.kind()) ? kDipSwitchDevice : kJumperDevice;
    general.canType = settings.canType;
    general.canTimeOut = QString::number(settings.canTimeOut);
    return general;
}

bool isReceiveList(FrameListKind kind)
{
    return kind == FrameListKind::ReceiveJumper || kind == FrameListKind::ReceiveDip;
}

bool isDipSwitchList(FrameListKind kind)
{
    return kind == FrameListKind::ReceiveDip || kind == FrameListKind::TransmitDip;
}

FrameListKind frameListKind(DeviceType device, config::Direction direction)
{
    const bool dip = device == kDipSwitchDevice;
    if (direction == config::Direction::Receive)
        return dip ? FrameListKind::ReceiveDip : FrameListKind::ReceiveJumper;
    return dip ? FrameListKind::TransmitDip : FrameListKind::TransmitJumper;
}

bool isCheckBoxColumn(FrameColumn column)
{
    return column == FrameColumn::Supervised || column == FrameColumn::Rtr || column == FrameColumn::OnChange
        || column == FrameColumn::OnTimer;
}

const std::vector<FrameColumn>& frameColumns(FrameListKind kind)
{
    using C = FrameColumn;
    static const std::vector<C> receiveJumper{C::CobId, C::Dimension, C::Supervised, C::Mnemonic};
    static const std::vector<C> receiveDip{C::CobId, C::Type, C::Dimension, C::TimeOut,
                                           C::Rtr, C::RtrTime, C::DefaultValues, C::Mnemonic};
    static const std::vector<C> transmitJumper{C::CobId, C::Dimension, C::Mnemonic};
    static const std::vector<C> transmitDip{C::CobId, C::Type, C::Dimension, C::Rtr, C::OnChange,
                                            C::OnTimer, C::Timer, C::DefaultValues, C::Mnemonic};
    switch (kind) {
    case FrameListKind::ReceiveJumper: return receiveJumper;
    case FrameListKind::ReceiveDip: return receiveDip;
    case FrameListKind::TransmitJumper: return transmitJumper;
    case FrameListKind::TransmitDip: break;
    }
    return transmitDip;
}

int columnTitleMessage(FrameListKind kind, FrameColumn column)
{
    // The title messages of each editor's columns, in the order of frameColumns(kind).
    static const std::array<std::vector<int>, 4> titles{{
        {
            msg::kReceiveJumperColumnCobId,
            msg::kReceiveJumperColumnDimension,
            msg::kReceiveJumperColumnTimeOut,
            msg::kReceiveJumperColumnMnemonic
        },
        {
            msg::kReceiveDipColumnCobId,
            msg::kReceiveDipColumnType,
            msg::kReceiveDipColumnDimension,
            msg::kReceiveDipColumnTimeOut,
            msg::kReceiveDipColumnRtr,
            msg::kReceiveDipColumnTimeRtr,
            msg::kReceiveDipColumnDefaultValues,
            msg::kReceiveDipColumnMnemonic
        },
        {msg::kTransmitJumperColumnCobId, msg::kTransmitJumperColumnDimension, msg::kTransmitJumperColumnMnemonic},
        {
            msg::kTransmitDipColumnCobId,
            msg::kTransmitDipColumnType,
            msg::kTransmitDipColumnDimension,
            msg::kTransmitDipColumnRtr,
            msg::kTransmitDipColumnOnChange,
            msg::kTransmitDipColumnOnTimer,
            msg::kTransmitDipColumnTimer,
            msg::kTransmitDipColumnDefaultValues,
            msg::kTransmitDipColumnMnemonic
        },
    }};
    const std::vector<FrameColumn>& columns = frameColumns(kind);
    const std::vector<int>& messages = titles[static_cast<std::size_t>(kind)];
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i] == column)
            return messages[i];
    }
    return 0;
}

int frameListRows(FrameListKind kind)
{
    return config::editorFrameRows(isDipSwitchList(kind) ? kDipSwitchDevice : kJumperDevice);
}

FrameList::FrameList(FrameListKind kind) : m_kind(kind)
{
    const auto rows = static_cast<std::size_t>(frameListRows(kind));
    if (isReceiveList(kind))
        m_receive.resize(rows);
    else
        m_transmit.resize(rows);
    m_keys.resize(rows, 0);
}

int FrameList::rowCount() const
{
    return static_cast<int>(isReceiveList(m_kind) ? m_receive.size() : m_transmit.size());
}

int FrameList::columnIndex(FrameColumn column) const
{
    const std::vector<FrameColumn>& all = columns();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i] == column)
            return static_cast<int>(i);
    }
    return -1;
}

const QString& FrameList::text(int row, FrameColumn column) const
{
    static const QString empty;
    if (!contains(row))
        return empty;
    const auto r = static_cast<std::size_t>(row);
    if (isReceiveList(m_kind)) {
        const auto field = receiveField(column);
        return field ? m_receive[r].*field : empty;
    }
    const auto field = transmitField(column);
    return field ? m_transmit[r].*field : empty;
}

void FrameList::setText(int row, FrameColumn column, const QString& text)
{
    if (!contains(row) || columnIndex(column) < 0)
        return;
    const auto r = static_cast<std::size_t>(row);
    if (isReceiveList(m_kind))
        m_receive[r].*receiveField(column) = text;
    else
        m_transmit[r].*transmitField(column) = text;
}

int FrameList::length() const
{
    int n = 0;
    while (n < rowCount() && !text(n, FrameColumn::CobId).trimmed().isEmpty())
        ++n;
    return n;
}

std::vector<config::ReceiveFrame> FrameList::receiveFrames() const
{
    const auto rows = receiveRows();
    return {rows.begin(), rows.end()};
}

std::vector<config::TransmitFrame> FrameList::transmitFrames() const
{
    const auto rows = transmitRows();
    return {rows.begin(), rows.end()};
}

std::span<const config::ReceiveFrame> FrameList::receiveRows() const
{
    if (!isReceiveList(m_kind))
        return {};
    return {m_receive.data(), static_cast<std::size_t>(length())};
}

std::span<const config::TransmitFrame> FrameList::transmitRows() const
{
    if (isReceiveList(m_kind))
        return {};
    return {m_transmit.data(), static_cast<std::size_t>(length())};
}

void FrameList::clear()
{
    *this = FrameList(m_kind);
}

void FrameList::removeRow(int row)
{
    if (!contains(row))
        return;
    m_keys.erase(m_keys.begin() + row);
    m_keys.push_back(0);
    if (isReceiveList(m_kind)) {
        m_receive.erase(m_receive.begin() + row);
        m_receive.emplace_back();
    } else {
        m_transmit.erase(m_transmit.begin() + row);
        m_transmit.emplace_back();
    }
}

void FrameList::insertEmptyRow(int row)
{
    if (!contains(row))
        return;
    m_keys.pop_back();
    m_keys.insert(m_keys.begin() + row, 0);
    if (isReceiveList(m_kind)) {
        m_receive.pop_back();
        m_receive.emplace(m_receive.begin() + row);
    } else {
        m_transmit.pop_back();
        m_transmit.emplace(m_transmit.begin() + row);
    }
}

bool FrameList::moveRow(int row, int by)
{
    const int other = row + by;
    if (!contains(row) || !contains(other) || by == 0)
        return false;
    const auto a = static_cast<std::size_t>(row);
    const auto b = static_cast<std::size_t>(other);
    if (isReceiveList(m_kind))
        std::swap(m_receive[a], m_receive[b]);
    else
        std::swap(m_transmit[a], m_transmit[b]);
    std::swap(m_keys[a], m_keys[b]);
    return true;
}

config::FrameKey FrameList::key(int row) const
{
    return contains(row) ? m_keys[static_cast<std::size_t>(row)] : 0;
}

void FrameList::setKey(int row, config::FrameKey key)
{
    if (contains(row))
        m_keys[static_cast<std::size_t>(row)] = key;
}

std::vector<config::FrameKey> FrameList::frameKeys() const
{
    return {m_keys.begin(), m_keys.begin() + length()};
}

std::optional<int> FrameList::emptyRowAboveFrames() const
{
    const int n = length();
    for (int row = n + 1; row < rowCount(); ++row) {
        if (!text(row, FrameColumn::CobId).trimmed().isEmpty())
            return n;
    }
    return std::nullopt;
}

QStringList FrameList::rowTexts(int row) const
{
    QStringList texts;
    for (FrameColumn column : columns())
        texts << text(row, column);
    return texts;
}

void FrameList::setRowTexts(int row, const QStringList& texts)
{
    const std::vector<FrameColumn>& all = columns();
    for (std::size_t i = 0; i < all.size() && i < static_cast<std::size_t>(texts.size()); ++i)
        setText(row, all[i], texts[static_cast<qsizetype>(i)]);
}

void readCanSettings(const QString& parGenPath, CanSettings& settings)
{
    if (!configurationFileExists(parGenPath)) {
        settings.canType = 0;
        return;
    }
    const GeneralParameters general = readGeneralParametersFile(parGenPath);
    settings.canType = general.canType;
    settings.canTimeOut = general.canTimeOutMilliseconds();
}

CanSettings canSettingsOf(const config::ConfigurationDocument& document, const CanSettings& before)
{
    CanSettings settings = before;
    const config::ConfigFile file = config::ConfigFile::GeneralParameters;
    if (document.readFault(file))
        throw *document.readFault(file);
    if (!document.bytes(file)) {
        settings.canType = 0;
        return settings;
    }
    const GeneralParameters& general = document.configuration().general;
    settings.canType = general.canType;
    settings.canTimeOut = general.canTimeOutMilliseconds();
    return settings;
}

void loadFrameListFromDocument(const config::ConfigurationDocument& document, FrameList& list)
{
    const config::Direction direction = isReceiveList(list.kind()) ? config::Direction::Receive : config::Direction::Transmit;
    const config::ConfigFile file = config::framesFile(direction);
    const auto giveKeys = [&document, &list, direction] {
        const std::vector<config::FrameKey>& keys = document.frameKeys(direction);
        const int n = std::min(static_cast<int>(keys.size()), list.rowCount());
        for (int i = 0; i < n; ++i)
            list.setKey(i, keys[static_cast<std::size_t>(i)]);
    };
    const std::optional<QByteArray>& bytes = document.bytes(file);
    if (!bytes) {
        // Something stands there that is no readable file: say so; nothing: no frames.
        if (document.readFault(file))
            throw *document.readFault(file);
        return;

    }
    try {
        loadFrameListBytes(*bytes, displayPath(document.path(file)), list);
    } catch (const Error&) {
        giveKeys();
        throw;
    }
    giveKeys();
}

void loadFrameList(const QString& path, FrameList& list)
{
    if (!configurationFileExists(path))
        return;
    loadFrameListBytes(readConfigurationFile(path), displayPath(path), list);
}

void loadFrameListBytes(const QByteArray& bytes, const QString& name, FrameList& list)
{
    const auto readReceive = [](const QByteArray& b, const QString& n, std::vector<ReceiveFrame>& into) {
        config::readReceiveFrames(b, n, into);
    };
    const auto readTransmit = [](const QByteArray& b, const QString& n, std::vector<TransmitFrame>& into) {
        config::readTransmitFrames(b, n, into);
    };
    const int frames = isReceiveList(list.kind()) ? readInto<ReceiveFrame>(readReceive, bytes, name, list)
                                                  : readInto<TransmitFrame>(readTransmit, bytes, name, list);
    // The frames are read from the first node of the file, as the compiler reads them. A
    // declaration or a comment standing before the root element hides them: say so rather
    // than show an empty list that OK would write over them.
    if (frames == 0 && framesBehindFirstNode(bytes, name)) {
        throw Error(msg::kFramesBehindFirstNode, {name});
    }
    // The list has a fixed number of rows; frames beyond it are not shown and OK does not
    // write them.
    const int tableRows = list.rowCount();
    if (frames > tableRows) {
        throw Error(msg::kFramesBeyondTable, {name, frames, tableRows});
    }
}

std::optional<FrameFault> validateFrameList(const FrameList& list, int canType)
{
    // An empty row would end the list there and drop the frames below it.
    if (const std::optional<int> empty = list.emptyRowAboveFrames())
        return FrameFault{*empty, FrameColumn::CobId, msg::kEmptyRowAboveFrames};
    const int n = list.length();
    for (int row = 0; row < n; ++row) {
        if (std::optional<FrameFault> fault = checkRow(list, row, canType))
            return fault;
    }
    return std::nullopt;
}

QString faultText(const MessageTable& messages, FrameListKind kind, const FrameFault& fault)
{
    return messages[checkMessages(kind).rowPrefix] + QString::number(fault.row + 1) + messages[fault.message];
}

QByteArray frameListBytes(const FrameList& list, const CanSettings& settings)
{
    // The rows are written where they stand: an OK of a full editor copies none of them.
    const GeneralParameters general = frameListWriter(list, settings);
    return isReceiveList(list.kind()) ? config::receiveFramesBytes(list.receiveRows(), general)
                                      : config::transmitFramesBytes(list.transmitRows(), general);
}

void saveFrameList(const FrameList& list, const CanSettings& settings, const QString& path)
{
    writeFileAtomically(path, frameListBytes(list, settings));
}

PasteDecision decidePaste(const FrameList& list, int row, bool copied, const RowClipboard& clipboard)
{
    if (!copied)
        return PasteDecision::NotCopied;
    if (clipboard.texts.size() != list.columnCount())
        return PasteDecision::WrongColumns;
    for (FrameColumn column : list.columns()) {
        if (!isCheckBoxColumn(column) && !list.text(row, column).trimmed().isEmpty())
            return PasteDecision::AskOverwrite;
    }
    return PasteDecision::Write;
}

QString backupPath(const QString& path)
{
    return path + QStringLiteral(".bak");
}

std::optional<Message> backupNotice(const QString& path)
{
    if (!QFileInfo::exists(path))
        return std::nullopt;
    return Message(msg::kBackupNotice, {displayPath(backupPath(path))});
}


bool keepBackup(const QString& path)
{
    if (!QFileInfo::exists(path))
        return false;
    writeFileAtomically(backupPath(path), readWholeFile(path));
    return true;
}

} // namespace px
