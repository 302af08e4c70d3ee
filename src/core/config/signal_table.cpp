#include "core/config/signal_table.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/xml.h"
#include "core/lang/message_ids.h"

#include <QDir>
#include <QFile>
#include <QXmlStreamWriter>

#include <algorithm>
#include <bit>
#include <cmath>

namespace px::config {
namespace {

QString directionText(Direction d)
{
    return d == Direction::Receive ? QStringLiteral("Receive") : QStringLiteral("Transmit");
}

QString wordText(WordPart w)
{
    switch (w) {
    case WordPart::HighWord: return QStringLiteral("High");
    case WordPart::LowWord: return QStringLiteral("Low");
    case WordPart::Whole: break;
    }
    return QString();
}

QString flag(bool b)
{
    return b ? QStringLiteral("Y") : QStringLiteral("N");
}

// Numbers written so that reading them back gives the same double.
QString number(double v)
{
    return QString::number(v, 'g', 17);
}

bool registerLess(const RegisterSignal& a, const RegisterSignal& b)
{
    if (a.direction != b.direction)
        return a.direction == Direction::Receive;
    return a.registerIndex < b.registerIndex;
}

} // namespace

double RegisterSignal::physical(std::uint32_t raw) const
{
    const int length = std::clamp(bitLength, 1, 32);
    const int shift = std::clamp(bitOffset, 0, 31);
    std::uint64_t value = (static_cast<std::uint64_t>(raw) >> shift) & ((std::uint64_t{1} << length) - 1);
    double v = 0;
    if (isFloat && length == 32) {
        v = static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(value)));
    } else if (isSigned && (value >> (length - 1)) != 0) {
        v = static_cast<double>(static_cast<std::int64_t>(value) - (std::int64_t{1} << length));
    } else {
        v = static_cast<double>(value);
    }
    return v * factor + offset;
}

QString physicalValueText(const SignalTable& table, Direction direction, int registerIndex,
                          const std::function<std::optional<std::uint16_t>(int)>& valueOf)
{
    const RegisterSignal* signal = table.find(direction, registerIndex);
    if (!signal)
        return {};
    std::uint32_t raw = 0;
    if (signal->word == WordPart::Whole) {
        const std::optional<std::uint16_t> value = valueOf(registerIndex);
        if (!value)
            return {};
        raw = *value;
    } else {
        // The high word lies in the lower register of the pair.
        const int high = signal->word == WordPart::HighWord ? registerIndex : registerIndex - 1;
        const std::optional<std::uint16_t> highValue = valueOf(high);
        const std::optional<std::uint16_t> lowValue = valueOf(high + 1);
        if (!highValue || !lowValue)
            return {};
        raw = (std::uint32_t{*highValue} << 16) | *lowValue;
    }
    QString text = QString::number(signal->physical(raw), 'g', 10);
    if (!signal->unit.isEmpty())
        text += u' ' + signal->unit;
    if (!signal->values.empty() && !signal->isFloat) {
        // The value table names the signal's raw value, before scaling.
        const int length = std::clamp(signal->bitLength, 1, 32);
        const int shift = std::clamp(signal->bitOffset, 0, 31);
        std::int64_t bits = static_cast<std::int64_t>((std::uint64_t{raw} >> shift) & ((std::uint64_t{1} << length) - 1));
        if (signal->isSigned && (bits >> (length - 1)) != 0)
            bits -= std::int64_t{1} << length;
        if (const auto it = signal->values.find(bits); it != signal->values.end())
            text += QStringLiteral(" (") + it->second + u')';
    }
    return text;
}

const RegisterSignal* SignalTable::find(Direction direction, int registerIndex) const
{
    RegisterSignal key;
    key.direction = direction;
    key.registerIndex = registerIndex;
    const auto it = std::lower_bound(m_registers.begin(), m_registers.end(), key, registerLess);
    if (it == m_registers.end() || it->direction != direction || it->registerIndex != registerIndex)
        return nullptr;
    return &*it;
}

std::optional<int> SignalTable::cycleTime(Direction direction, std::uint32_t identifier, bool extended) const
{
    for (const FrameTiming& t : m_timings) {
        if (t.direction == direction && t.identifier == identifier && t.extended == extended)
            return t.cycleTimeMs;
    }
    return std::nullopt;
}

void SignalTable::set(RegisterSignal signal)
{
    const auto it = std::lower_bound(m_registers.begin(), m_registers.end(), signal, registerLess);
    if (it != m_registers.end() && it->direction == signal.direction && it->registerIndex == signal.registerIndex)
        *it = std::move(signal);
    else
        m_registers.insert(it, std::move(signal));
}

void SignalTable::remove(Direction direction, int registerIndex)
{
    std::erase_if(m_registers, [&](const RegisterSignal& s) { return s.direction == direction && s.registerIndex == registerIndex; });
}

void SignalTable::setCycleTime(FrameTiming timing)
{
    for (FrameTiming& t : m_timings) {
        if (t.direction == timing.direction && t.identifier == timing.identifier && t.extended == timing.extended) {
            t.cycleTimeMs = timing.cycleTimeMs;
            return;
        }
    }
    m_timings.push_back(timing);
}

QByteArray signalTableBytes(const SignalTable& table)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("SIGNALS"));
    for (const FrameTiming& t : table.timings()) {
        w.writeEmptyElement(QStringLiteral("Frame"));
        w.writeAttribute(QStringLiteral("Direction"), directionText(t.direction));
        w.writeAttribute(QStringLiteral("CobID"), QStringLiteral("0x") + QString::number(t.identifier, 16).toUpper());
        w.writeAttribute(QStringLiteral("Extended"), flag(t.extended));
        w.writeAttribute(QStringLiteral("CycleTime"), QString::number(t.cycleTimeMs));
    }
    for (const RegisterSignal& s : table.registers()) {
        w.writeStartElement(QStringLiteral("Register"));
        w.writeAttribute(QStringLiteral("Direction"), directionText(s.direction));
        w.writeAttribute(QStringLiteral("Index"), QString::number(s.registerIndex));
        w.writeAttribute(QStringLiteral("Name"), s.name);
        w.writeAttribute(QStringLiteral("Unit"), s.unit);
        w.writeAttribute(QStringLiteral("Factor"), number(s.factor));
        w.writeAttribute(QStringLiteral("Offset"), number(s.offset));
        w.writeAttribute(QStringLiteral("Signed"), flag(s.isSigned));
        w.writeAttribute(QStringLiteral("Float"), flag(s.isFloat));
        w.writeAttribute(QStringLiteral("Word"), wordText(s.word));
        w.writeAttribute(QStringLiteral("BitOffset"), QString::number(s.bitOffset));
        w.writeAttribute(QStringLiteral("BitLength"), QString::number(s.bitLength));
        w.writeAttribute(QStringLiteral("StartBit"), QString::number(s.startBit));
        w.writeAttribute(QStringLiteral("Length"), QString::number(s.length));
        w.writeAttribute(QStringLiteral("ByteOrder"), s.motorola ? QStringLiteral("Motorola") : QStringLiteral("Intel"));
        w.writeAttribute(QStringLiteral("Minimum"), number(s.minimum));
        w.writeAttribute(QStringLiteral("Maximum"), number(s.maximum));
        w.writeAttribute(QStringLiteral("Comment"), s.comment);
        for (const auto& [raw, text] : s.values) {
            w.writeEmptyElement(QStringLiteral("Value"));
            w.writeAttribute(QStringLiteral("Raw"), QString::number(raw));
            w.writeAttribute(QStringLiteral("Text"), text);
        }
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}

SignalTable readSignalTable(const QByteArray& bytes, const QString& fileLabel)
{
    SignalTable table;
    std::optional<RegisterSignal> current;
    qint64 line = 0;
    const auto refuse = [&](const Message& cause) {
        throw Error(msg::kFileLineFault, {fileLabel, line, cause});
    };
    const auto text = [](const QXmlStreamAttributes& a, const char* name) {
        return a.value(QLatin1StringView(name)).toString();
    };
    const auto integer = [&](const QXmlStreamAttributes& a, const char* name, bool required) {
        const QString t = text(a, name);
        bool ok = false;
        const int v = t.toInt(&ok, 0);
        if (!ok && (required || !t.isEmpty()))
            refuse(Message(msg::kValueNoWholeNumber, {QLatin1StringView(name), t}));
        return ok ? v : 0;
    };
    const auto real = [&](const QXmlStreamAttributes& a, const char* name, double fallback) {
        const QString t = text(a, name);
        bool ok = false;
        const double v = t.toDouble(&ok);
        if (t.isEmpty())
            return fallback;
        if (!ok || !std::isfinite(v))
            refuse(Message(msg::kValueNoNumber, {QLatin1StringView(name), t}));
        return v;
    };
    const auto direction = [&](const QXmlStreamAttributes& a) {
        const QString d = text(a, "Direction");
        if (d == u"Receive")
            return Direction::Receive;
        if (d == u"Transmit")
            return Direction::Transmit;
        refuse(Message(msg::kSignalDirectionUnknown, {d}));
        return Direction::Receive;
    };
    xml::readCheckedTokens(bytes, fileLabel, [&](QXmlStreamReader& r, QXmlStreamReader::TokenType token, int depth) {
        line = r.lineNumber();
        if (token == QXmlStreamReader::EndElement && depth == 1 && current) {
            table.set(std::move(*current));
            current.reset();
            return;
        }
        if (token != QXmlStreamReader::StartElement)
            return;
        const QXmlStreamAttributes a = r.attributes();
        if (depth == 1 && r.name() == u"Frame") {
            FrameTiming t;
            t.direction = direction(a);
            t.identifier = static_cast<std::uint32_t>(integer(a, "CobID", true));
            t.extended = text(a, "Extended") == u"Y";
            t.cycleTimeMs = integer(a, "CycleTime", true);
            table.setCycleTime(t);
        } else if (depth == 1 && r.name() == u"Register") {
            RegisterSignal s;
            s.direction = direction(a);
            s.registerIndex = integer(a, "Index", true);
            s.name = text(a, "Name");
            s.unit = text(a, "Unit");
            s.factor = real(a, "Factor", 1.0);
            s.offset = real(a, "Offset", 0.0);
            s.isSigned = text(a, "Signed") == u"Y";
            s.isFloat = text(a, "Float") == u"Y";
            const QString word = text(a, "Word");
            s.word = word == u"High" ? WordPart::HighWord : word == u"Low" ? WordPart::LowWord : WordPart::Whole;
            s.bitOffset = std::clamp(integer(a, "BitOffset", false), 0, 31);
            s.bitLength = a.hasAttribute(QStringLiteral("BitLength")) ? std::clamp(integer(a, "BitLength", false), 1, 32)
                                                                      : (s.word == WordPart::Whole ? 16 : 32);
            s.startBit = integer(a, "StartBit", false);
            s.length = integer(a, "Length", false);
            s.motorola = text(a, "ByteOrder") == u"Motorola";
            s.minimum = real(a, "Minimum", 0.0);
            s.maximum = real(a, "Maximum", 0.0);
            s.comment = text(a, "Comment");
            current = std::move(s);
        } else if (depth == 2 && current && r.name() == u"Value") {
            bool ok = false;
            const qlonglong raw = text(a, "Raw").toLongLong(&ok);
            if (!ok)
                refuse(Message(msg::kValueNoWholeNumber, {QLatin1StringView("Raw"), text(a, "Raw")}));
            current->values[raw] = text(a, "Text");
        }
    });
    return table;
}

SignalTable loadSignalTable(const QString& configurationFolder)
{
    const QString path = configurationFolder + u'/' + kSignalFileName;
    if (!configurationFileExists(path))
        return {};
    return readSignalTable(readConfigurationFile(path), kSignalFileName);
}

SignalTable loadSignalTableIfReadable(const QString& configurationFolder)
{
    try {
        return loadSignalTable(configurationFolder);
    } catch (const Error&) {
        return {};
    }
}

void saveSignalTable(const SignalTable& table, const QString& configurationFolder)
{
    const QString path = configurationFolder + u'/' + kSignalFileName;
    if (table.empty()) {
        if (QFile::exists(path) && !QFile::remove(path))
            throw Error(msg::kCannotRemoveFile, {displayPath(path)});
        return;
    }
    writeFileAtomically(path, signalTableBytes(table));
}

} // namespace px::config
