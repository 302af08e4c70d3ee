#include "core/check/check.h"

#include "core/base/int_text.h"
#include "core/base/text_rules.h"
#include "core/check/bus_load.h"
#include "core/image/image_layout.h"
#include "core/lang/message_ids.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>

namespace px::check {

using config::ConfigFile;
using config::Configuration;
using config::Direction;
using config::FrameRow;
using config::MappingEntry;
using config::ReceiveFrame;
using config::TransmitFrame;
namespace layout = image::layout;

bool effectiveExtended(const Configuration& config, const FrameRow& frame)
{
    return config::frameExtended(config, frame);
}

namespace {

class Collector {
public:
    explicit Collector(std::vector<Finding>& out) : m_out(out) {}

    void add(Severity severity, const char* code, ConfigFile file, int row, const QString& attribute, int messageId,
             QStringList arguments = {})
    {
        m_out.push_back(Finding{severity, codeText(code), file, row, attribute, messageId, std::move(arguments)});
    }
    void error(const char* code, ConfigFile file, int row, const QString& attribute, int messageId, QStringList args = {})
    {
        add(Severity::Error, code, file, row, attribute, messageId, std::move(args));
    }
    void warning(const char* code, ConfigFile file, int row, const QString& attribute, int messageId,
                 QStringList args = {})
    {
        add(Severity::Warning, code, file, row, attribute, messageId, std::move(args));
    }

    // The decimal text of `n`. A list of thousands of rows names the same rows, bytes and
    // frames again and again: the texts of the numbers of a register's range are made once.
    QString number(std::int64_t n)
    {
        if (n < 0 || n > 65535)
            return QString::number(n);
        const auto k = static_cast<std::size_t>(n);
        if (k >= m_numbers.size())
            m_numbers.resize(k + 1);
        QString& text = m_numbers[k];
        if (text.isNull())
            text = QString::number(n);
        return text;
    }

private:
    // The text of a code, made once per code.
    QString codeText(const char* code)
    {
        for (const auto& [known, text] : m_codes) {
            if (known == code)
                return text;
        }
        m_codes.emplace_back(code, QString::fromLatin1(code));
        return m_codes.back().second;
    }

    std::vector<Finding>& m_out;
    std::vector<std::pair<const char*, QString>> m_codes;
    std::vector<QString> m_numbers;
};

// A text as a message shows it: control characters and other invisible blanks spelled out,
// so "250<TAB>" reads as 250\t and not as 250.
QString visible(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c.unicode() < 32 || c.unicode() == 127 || (c.isSpace() && c != u' '))
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

using config::formatText;
using config::isYesFlag;

// A number that the editor's check reads after trimming every kind of blank, while the
// compiler reads the stored text strictly: the two disagree exactly when only the trimmed
// text is a number.
bool numberOnlyAfterTrimming(const QString& text)
{
    return !parseInt64(text) && parseInt64(text.trimmed());
}

const QString aCobId = QStringLiteral("CobID");
const QString aCobType = QStringLiteral("CobType");
const QString aDimension = QStringLiteral("Dimensin");
const QString aDefaultValues = QStringLiteral("DefaultValues");
const QString aTimeOutTime = QStringLiteral("TimeOut_Time");
const QString aTimeOut = QStringLiteral("TimeOut");
const QString aRtr = QStringLiteral("RTR");
const QString aTimeRtr = QStringLiteral("TimeRTR");
const QString aOnTimer = QStringLiteral("OnTimer");
const QString aTimer = QStringLiteral("Timer");
const QString aIndex = QStringLiteral("Index");
const QString aNrPdo = QStringLiteral("NrPdo");
const QString aPosComp = QStringLiteral("PosComp");

// --- ParGen.xml ---------------------------------------------------------------------------

std::optional<std::array<std::uint32_t, 4>> addressOf(const std::array<QString, 4>& bytes)
{
    std::array<std::uint32_t, 4> out{};
    for (int i = 0; i < 4; ++i) {
        const auto v = parseInt32(bytes[static_cast<std::size_t>(i)]);
        if (!v || *v < 0 || *v > 255)
            return std::nullopt;
        out[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(*v);
    }
    return out;
}

std::uint32_t packed(const std::array<std::uint32_t, 4>& a)
{
    return (a[0] << 24) | (a[1] << 16) | (a[2] << 8) | a[3];
}

QString dotted(std::uint32_t a)
{
    return QStringLiteral("%1.%2.%3.%4").arg(a >> 24).arg((a >> 16) & 255).arg((a >> 8) & 255).arg(a & 255);
}

void checkGeneral(const Configuration& config, Collector& out)
{
    const GeneralParameters& g = config.general;
    const ConfigFile file = ConfigFile::GeneralParameters;
    // The image of the device till April 2014 reads these as strict numbers: the compile
    // stops on any of them, whatever the device generation.
    if (!parseInt32(g.canTimeOut)) {
        if (config.deviceType() == kDipSwitchDevice)
            out.error(code::kNotANumber, file, 0, QStringLiteral("CANTimeOut"), msg::kHiddenTimeOut, {visible(g.canTimeOut)});
        else
            out.error(code::kNotANumber, file, 0, QStringLiteral("CANTimeOut"), msg::kNotANumber,
                      {QStringLiteral("CANTimeOut"), visible(g.canTimeOut)});
    }
    const auto strictBytes = [&](const std::array<QString, 4>& bytes, const char* prefix) {
        for (int i = 0; i < 4; ++i) {
            const QString& text = bytes[static_cast<std::size_t>(i)];
            if (!parseInt32(text)) {
                const QString name = QString::fromLatin1(prefix) + QString::number(i + 1);
                out.error(code::kNotANumber, file, 0, name, msg::kNotANumber, {name, visible(text)});
            }
        }
    };
    strictBytes(g.ip, "IPB");
    strictBytes(g.subnet, "SMB");
    if (!parseInt32(g.port))
        out.error(code::kNotANumber, file, 0, QStringLiteral("Port"), msg::kNotANumber, {QStringLiteral("Port"), visible(g.port)});

    const auto ip = addressOf(g.ip);
    const auto mask = addressOf(g.subnet);
    if (ip && mask) {
        const std::uint32_t address = packed(*ip);
        const std::uint32_t netmask = packed(*mask);
        const std::uint32_t hostBits = ~netmask;
        if (g.gatewayEnabled) {
            if (const auto gateway = addressOf(g.gateway); gateway && (packed(*gateway) & netmask) != (address & netmask)) {
                out.warning(code::kGatewayOutsideSubnet, file, 0, QStringLiteral("GATEWAY"), msg::kGatewayOutsideSubnet,
                            {dotted(packed(*gateway)), dotted(address & netmask) + u'/' + dotted(netmask)});
            }
        }
        // A subnet of one or two addresses has no network and broadcast address of its own.
        if (hostBits > 1) {
            if ((address & hostBits) == 0)
                out.warning(code::kReservedAddress, file, 0, QStringLiteral("ADD_IP"), msg::kNetworkAddress, {dotted(address)});
            else if ((address & hostBits) == hostBits)
                out.warning(code::kReservedAddress, file, 0, QStringLiteral("ADD_IP"), msg::kBroadcastAddress, {dotted(address)});
        }
    }

    const BusLoad load = estimateBusLoad(config);
    if (load.percent > kBusLoadWarningPercent) {
        out.warning(code::kBusLoad, file, 0, QStringLiteral("BaudRateCAN"), msg::kBusLoad,
                    {QString::number(load.percent, 'f', 1), QString::number(load.bitRate)});
    }
}

// --- Frame files --------------------------------------------------------------------------

// Which frames of a direction have a mapped byte, any mapping entry, one that sends on write.
struct FrameUse {
    std::vector<bool> mappedByte;
    std::vector<bool> anyEntry;
    std::vector<bool> sentOnWrite;
};

FrameUse frameUse(const Configuration& config, Direction d)
{
    const auto n = static_cast<std::size_t>(config.frameCount(d));
    FrameUse use{std::vector<bool>(n), std::vector<bool>(n), std::vector<bool>(n)};
    for (const MappingEntry& e : config.mappings(d)) {
        if (e.frameNumber < 1 || static_cast<std::size_t>(e.frameNumber) > n)
            continue;
        const auto f = static_cast<std::size_t>(e.frameNumber - 1);
        use.anyEntry[f] = true;
        if (e.highByte != 0 || e.lowByte != 0)
            use.mappedByte[f] = true;
        if (e.sendOnWrite)
            use.sentOnWrite[f] = true;
    }
    return use;
}

void checkFrameCommon(const Configuration& config, Direction d, int index, const FrameRow& f, Collector& out)
{
    const ConfigFile file = config::framesFile(d);
    const int row = index + 1;
    const bool dipSwitch = config.deviceType() == kDipSwitchDevice;
    const bool extended = effectiveExtended(config, f);

    if (const auto id = f.identifier(); !id) {
        out.error(code::kNotANumber, file, row, aCobId, msg::kNotANumber, {aCobId, visible(f.cobId)});
    } else {
        if (!config::identifierFits(*id, extended)) {
            out.error(code::kIdentifierRange, file, row, aCobId, msg::kIdentifierRange,
                      {f.cobId, formatText(extended), config::maxIdentifierText(extended)});
        }
    }

    if (dipSwitch) {
        // A missing Type reads as 11 bits in the editor and in the compiler alike.
        if (f.has(aCobType) && config::formatTextFault(f.cobType) != config::FormatTextFault::None)
            out.error(code::kTypeText, file, row, aCobType, msg::kTypeText, {visible(f.cobType), formatText(f.extended())});
    } else if (f.has(aCobType) && f.extended() != config::isExtendedCanType(config.general.canType)) {
        out.error(code::kFormatContradictsSettings, file, row, aCobType, msg::kFormatContradictsSettings,
                  {visible(f.cobType), formatText(config::isExtendedCanType(config.general.canType))});
    }

    const auto length = f.dataLength();
    if (!length)
        out.error(code::kNotANumber, file, row, aDimension, msg::kNotANumber, {aDimension, visible(f.dimension)});
    else if (!config::dataLengthFits(*length))
        out.error(code::kLengthRange, file, row, aDimension, msg::kLengthRange, {f.dimension});

    const QStringView defaults = trimBlanks(f.defaultValues);
    if (!defaults.isEmpty()) {
        const int count = config::defaultByteCount(defaults);
        // The editors' rule: the values the device gets are counted, and a piece that is
        // no byte, which the device passes over, is a fault of its own.
        if (length && config::dataLengthFits(*length)
            && config::checkByteList(defaults, *length) != config::ByteListCheck::Valid) {
            if (count != *length) {
                out.error(code::kDefaultCount, file, row, aDefaultValues, msg::kDefaultCount,
                          {QString::number(count), QString::number(*length)});
            } else {
                out.error(code::kDefaultByte, file, row, aDefaultValues, msg::kDefaultByte,
                          {visible(f.defaultValues), QString::number(count)});
            }
        }
        if (index >= layout::kDefaultValueFrames && count > 0) {
            out.error(code::kDefaultsBeyondRoom, file, row, aDefaultValues, msg::kDefaultsBeyondRoom,
                      {QString::number(row), QString::number(layout::kDefaultValueFrames)});
        }
    }
    if (index == layout::kMaxFrames) {
        out.error(code::kTooManyFrames, file, row, QString(), msg::kTooManyFrames,
                  {QString::number(config.frameCount(d)), QString::number(layout::kMaxFrames)});
    }
}

void checkReceiveFrames(const Configuration& config, const config::SignalTable& signalTable, Collector& out)
{
    const ConfigFile file = ConfigFile::ReceiveFrames;
    const FrameUse use = frameUse(config, Direction::Receive);
    const std::int32_t generalTimeOut = toInt32(config.general.canTimeOut, 0);
    const bool dipSwitch = config.deviceType() == kDipSwitchDevice;
    std::map<std::pair<bool, std::int64_t>, int> firstRow;
    for (int i = 0; i < config.frameCount(Direction::Receive); ++i) {
        const ReceiveFrame& f = config.receiveFrames[static_cast<std::size_t>(i)];
        const int row = i + 1;
        checkFrameCommon(config, Direction::Receive, i, f, out);

        if (const auto id = f.identifier()) {
            const auto [it, inserted] = firstRow.emplace(std::make_pair(effectiveExtended(config, f), *id), row);
            if (!inserted)
                out.error(code::kDuplicateIdentifier, file, row, aCobId, msg::kDuplicateIdentifier, {QString::number(it->second), f.cobId});
        }

        const std::uint32_t timeOut = f.timeOutMilliseconds(generalTimeOut);
        if (numberOnlyAfterTrimming(f.timeOutTime)) {
            out.error(code::kControlCharacter, file, row, aTimeOutTime, msg::kControlCharacter,
                      {aTimeOutTime, visible(f.timeOutTime), QString::number(timeOut),
                       QString::number(parseInt64(f.timeOutTime.trimmed()).value_or(0))});
        }

        // The time-out the dip-switch editor takes: a number of ms after trimming.
        else if (dipSwitch && f.has(aTimeOutTime) && !config::timeOutFits(f.timeOutTime)) {
            out.error(code::kTimeRange, file, row, aTimeOutTime, msg::kTimeRange,
                      {aTimeOutTime, visible(f.timeOutTime), QStringLiteral("0"), QString::number(config::kMaxMilliseconds)});
        }

        const bool rtrOn = config::isYesFlagTrimmed(f.rtr);
        const std::uint32_t rtrPeriod = f.rtrPeriodMilliseconds();
        if (rtrOn && rtrPeriod == 0) {
            out.warning(code::kRtrPeriodZero, file, row, aTimeRtr, msg::kRtrPeriodZero);
        } else if (dipSwitch && rtrOn && !config::rtrPeriodFits(f.timeRtr)) {
            out.error(code::kTimeRange, file, row, aTimeRtr, msg::kTimeRange,
                      {aTimeRtr, visible(f.timeRtr), QStringLiteral("1"), QString::number(config::kMaxMilliseconds)});
        }
        if (timeOut == 0 && (isYesFlag(f.timeOut) || (rtrOn && rtrPeriod != 0))) {
            const QString reason = isYesFlag(f.timeOut) ? QStringLiteral("TimeOut = Y") : QStringLiteral("RTR = Y");
            out.warning(code::kTimeOutZero, file, row, aTimeOutTime, msg::kTimeOutZero, {reason});
        }
        // A frame that comes less often than its time-out allows is reported lost most of
        // the time; on the jumper device the one time-out of the settings applies to all.
        if (const auto id = f.identifier();
            id && timeOut > 0 && isYesFlag(f.timeOut) && config::identifierFits(*id, true)) {
            const std::optional<int> cycle =
                signalTable.cycleTime(Direction::Receive, static_cast<std::uint32_t>(*id), effectiveExtended(config, f));
            if (cycle && *cycle > 0 && timeOut < static_cast<std::uint32_t>(*cycle)) {
                out.warning(code::kTimeOutBelowCycle, file, row, aTimeOutTime, msg::kTimeOutBelowCycle,
                            {QString::number(timeOut), QString::number(*cycle)});
            }
        }
        if (!use.mappedByte[static_cast<std::size_t>(i)])
            out.warning(code::kReceiveUnmapped, file, row, QString(), msg::kReceiveUnmapped);
    }
}

void checkTransmitFrames(const Configuration& config, Collector& out)
{
    const ConfigFile file = ConfigFile::TransmitFrames;
    const FrameUse use = frameUse(config, Direction::Transmit);
    const bool dipSwitch = config.deviceType() == kDipSwitchDevice;
    // The first receive row of each identifier in its format: a transmit frame with the
    // same identifier collides on the bus with the node that sends the received one.
    std::map<std::pair<bool, std::int64_t>, int> receiveRow;
    for (int i = 0; i < config.frameCount(Direction::Receive); ++i) {
        const ReceiveFrame& f = config.receiveFrames[static_cast<std::size_t>(i)];
        if (const auto id = f.identifier())
            receiveRow.emplace(std::make_pair(effectiveExtended(config, f), *id), i + 1);
    }
    for (int i = 0; i < config.frameCount(Direction::Transmit); ++i) {
        const TransmitFrame& f = config.transmitFrames[static_cast<std::size_t>(i)];
        const auto u = static_cast<std::size_t>(i);
        const int row = i + 1;
        checkFrameCommon(config, Direction::Transmit, i, f, out);

        if (const auto id = f.identifier()) {
            const auto it = receiveRow.find(std::make_pair(effectiveExtended(config, f), *id));
            if (it != receiveRow.end()) {
                out.error(code::kIdentifierBothDirections, file, row, aCobId, msg::kSameIdentifierBothDirections,
                          {QString::number(it->second), QString::number(row), f.cobId});
            }
        }

        if (f.sendsOnTimer() && numberOnlyAfterTrimming(f.timer)) {
            out.error(code::kControlCharacter, file, row, aTimer, msg::kControlCharacter,
                      {aTimer, visible(f.timer), QStringLiteral("0"), QString::number(parseInt64(f.timer.trimmed()).value_or(0))});
        } else if (dipSwitch && f.sendsOnTimer() && !config::timerFits(f.timer)) {
            out.error(code::kTimeRange, file, row, aTimer, msg::kTimeRange,
                      {aTimer, visible(f.timer), QStringLiteral("0"), QString::number(config::kMaxMilliseconds)});
        } else if (dipSwitch && f.sendsOnTimer() && f.timerMilliseconds() == 0) {
            out.warning(code::kTimerZero, file, row, aTimer, msg::kTimerZero);
        }
        if (dipSwitch && !f.sendsOnChange() && !f.sendsOnTimer() && !f.rtrEnabled() && !use.sentOnWrite[u])
            out.warning(code::kNeverSent, file, row, aOnTimer, msg::kNeverSent);
        if (!use.anyEntry[u] && f.defaultBytes().empty())
            out.warning(code::kTransmitEmpty, file, row, QString(), msg::kTransmitEmpty);
    }
}

// --- Mapping files ------------------------------------------------------------------------

void checkMappings(const Configuration& config, Direction d, Collector& out)
{
    const ConfigFile file = config::mappingsFile(d);
    const std::vector<MappingEntry>& entries = config.mappings(d);
    const int frames = config.frameCount(d);
    // Each frame's data length as the compiler reads it, read once for all its entries.
    std::vector<std::optional<std::int32_t>> lengths(static_cast<std::size_t>(frames));
    for (int f = 0; f < frames; ++f)
        lengths[static_cast<std::size_t>(f)] = config.frame(d, f).dataLength();
    // register -> the row of the first entry that maps it (0: none yet)
    std::vector<int> registerRow;
    // (frame index, data byte) -> the first entry that takes it (-1: none yet)
    std::vector<int> byteOwner(static_cast<std::size_t>(frames) * static_cast<std::size_t>(config::kMaxDataLength), -1);
    for (std::size_t j = 0; j < entries.size(); ++j) {
        const MappingEntry& e = entries[j];
        const int row = static_cast<int>(j) + 1;

        const auto reg = e.registerNumber();
        if (!reg || *reg < 0 || *reg > 65535) {
            out.error(code::kRegisterRange, file, row, aIndex, msg::kRegisterRange, {visible(e.registerIndex)});
        } else {
            const auto r = static_cast<std::size_t>(*reg);
            if (r >= registerRow.size())
                registerRow.resize(std::max(r + 1, registerRow.size() * 2), 0);
            if (registerRow[r] == 0)
                registerRow[r] = row;
            else
                out.error(code::kDuplicateRegister, file, row, aIndex, msg::kDuplicateRegister, {e.registerIndex, out.number(registerRow[r])});
        }

        if (static_cast<std::size_t>(j) == static_cast<std::size_t>(layout::kMaxMappings)) {
            out.error(code::kTooManyMappings, file, row, QString(), msg::kTooManyMappings,
                      {QString::number(entries.size()), QString::number(layout::kMaxMappings)});
        }

        if (e.highByte == 0 && e.lowByte == 0)
            out.warning(code::kNoPositions, file, row, aPosComp, msg::kNoPositions, {e.registerIndex});
        else if (e.highByte == e.lowByte)
            out.warning(code::kSameByte, file, row, aPosComp, msg::kSameByte, {e.registerIndex, out.number(e.highByte)});

        if (e.frameNumber < 1 || e.frameNumber > frames) {
            // Each device generation's image does its own with such an entry: say what the
            // configuration's device does.
            out.error(code::kFrameMissing, file, row, aNrPdo,
                      config.deviceType() == kDipSwitchDevice ? msg::kFrameMissingCurrent : msg::kFrameMissing,
                      {QString::number(e.frameNumber), config::fileName(config::framesFile(d)), QString::number(frames)});
            continue;
        }
        const auto& length = lengths[static_cast<std::size_t>(e.frameNumber - 1)];
        const bool lengthKnown = length && config::dataLengthFits(*length);
        for (const int position : {e.highByte, e.lowByte}) {
            if (position == 0)
                continue;
            if (position > config::kMaxDataLength) {
                out.error(code::kBytePosition, file, row, aPosComp, msg::kByteAboveEight, {out.number(position)});
                continue;
            }
            if (lengthKnown && position > *length) {
                out.error(code::kBytePosition, file, row, aPosComp, msg::kByteBeyondLength,
                          {out.number(position), out.number(*length), out.number(e.frameNumber)});
            }
        }
        // One data byte feeding two registers: the later entry is the one reported.
        const int positions[2] = {e.highByte, e.lowByte};
        for (int k = 0; k < 2; ++k) {
            const int position = positions[k];
            if (position < 1 || position > config::kMaxDataLength || (k == 1 && position == positions[0]))
                continue;
            int& owner = byteOwner[static_cast<std::size_t>(e.frameNumber - 1) * static_cast<std::size_t>(config::kMaxDataLength)
                                   + static_cast<std::size_t>(position - 1)];
            if (owner < 0) {
                owner = static_cast<int>(j);
            } else {
                out.warning(code::kByteShared, file, row, aPosComp, msg::kByteShared,
                            {out.number(position), out.number(e.frameNumber), entries[static_cast<std::size_t>(owner)].registerIndex});
            }
        }
    }
}

} // namespace

int mappingEditorRow(const Configuration& config, Direction d, int fileRow)
{
    const std::vector<MappingEntry>& entries = config.mappings(d);
    if (fileRow < 1 || static_cast<std::size_t>(fileRow) > entries.size())
        return 0;
    const int frames = config.frameCount(d);
    const auto namesFrame = [frames](int f) { return f >= 1 && f <= frames; };
    const int frame = entries[static_cast<std::size_t>(fileRow - 1)].frameNumber;
    int row = 1;
    for (std::size_t j = 0; j < entries.size(); ++j) {
        const int f = entries[j].frameNumber;
        const bool before = static_cast<int>(j) < fileRow - 1;
        if (namesFrame(frame)) {
            if (namesFrame(f) && (f < frame || (f == frame && before)))
                ++row;
        } else if (namesFrame(f) || before) {
            // The entries of frames first, then those of no frame in file order.
            ++row;
        }
    }
    return row;
}

std::vector<Finding> check(const Configuration& config, const config::SignalTable& signalTable)
{
    std::vector<Finding> findings;
    // Most findings are about frames and mapping entries: room for about two of each, so
    // that a long list is not moved from buffer to buffer as it grows.
    findings.reserve(16 + 2 * (config.receiveFrames.size() + config.transmitFrames.size() + config.receiveMappings.size()
                               + config.transmitMappings.size()));
    Collector out(findings);
    checkGeneral(config, out);
    checkReceiveFrames(config, signalTable, out);
    checkTransmitFrames(config, out);
    checkMappings(config, Direction::Receive, out);
    checkMappings(config, Direction::Transmit, out);
    // The files are checked in their order and each row by row, so the findings come
    // sorted; the sort stays for any that would not, and sorting moves thousands of them.
    const auto before = [](const Finding& a, const Finding& b) {
        if (a.file != b.file)
            return static_cast<int>(a.file) < static_cast<int>(b.file);
        return a.row < b.row;
    };
    if (!std::is_sorted(findings.begin(), findings.end(), before))
        std::stable_sort(findings.begin(), findings.end(), before);
    return findings;
}

} // namespace px::check
