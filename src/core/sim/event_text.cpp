#include "core/sim/event_text.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace px::sim {
namespace {

QString byteText(std::uint16_t byteNumber)
{
    return QString::number((byteNumber - 1) % 8 + 1);
}

} // namespace

QString frameRefText(FrameRef ref)
{
    switch (ref.direction) {
    case FrameRef::Direction::Receive:
        return QStringLiteral("receive frame %1").arg(ref.index + 1);
    case FrameRef::Direction::Transmit:
        return QStringLiteral("transmit frame %1").arg(ref.index + 1);
    case FrameRef::Direction::None:
        break;
    }
    return QStringLiteral("not configured");
}

QString sendReasonText(SendReason reason)
{
    switch (reason) {
    case SendReason::OnChange:
        return QStringLiteral("on change");
    case SendReason::OnWrite:
        return QStringLiteral("on write");
    case SendReason::OnTimer:
        return QStringLiteral("on timer");
    case SendReason::RemoteRequest:
        return QStringLiteral("remote request");
    case SendReason::RtrPoll:
        return QStringLiteral("RTR poll");
    }
    return {};
}

QString receiveStateText(ReceiveState state)
{
    switch (state) {
    case ReceiveState::NeverReceived:
        return QStringLiteral("never received");
    case ReceiveState::Fresh:
        return QStringLiteral("fresh");
    case ReceiveState::TimedOut:
        return QStringLiteral("timed out");
    }
    return {};
}

QString registerUseText(const RegisterUse& use)
{
    const QString direction = use.direction == FrameRef::Direction::Transmit ? QStringLiteral("transmit")
                                                                             : QStringLiteral("receive");
    // The frame named is the one holding the bytes; a byte number past the mapping's own
    // frame (a position above 8) lies in a later frame.
    const std::uint16_t first = use.highByte ? use.highByte : use.lowByte;
    const int frame = first ? (first - 1) / 8 : use.frame;
    QString bytes;
    if (use.highByte && use.lowByte)
        bytes = QStringLiteral("bytes %1, %2").arg(byteText(use.highByte), byteText(use.lowByte));
    else if (use.highByte)
        bytes = QStringLiteral("byte %1 (high), low none").arg(byteText(use.highByte));
    else if (use.lowByte)
        bytes = QStringLiteral("high none, byte %1 (low)").arg(byteText(use.lowByte));
    else
        bytes = QStringLiteral("no bytes");
    return QStringLiteral("%1 frame %2 %3%4")
        .arg(direction)
        .arg(frame + 1)
        .arg(bytes, use.sendOnWrite ? QStringLiteral(", send on write") : QString());
}

QString modbusAccessText(const ModbusAccess& access)
{
    switch (access.exception) {
    case 0:
        return {};
    case 1:
        return QStringLiteral("exception 1: function %1 is not served").arg(access.function);
    case 2:
        if (access.refusedRegister)
            return QStringLiteral("exception 2: register %1 has no transmit mapping").arg(*access.refusedRegister);
        return QStringLiteral("exception 2: registers past 65535");
    case 3:
        return QStringLiteral("exception 3: a quantity or length the function does not take");
    default:
        return QStringLiteral("exception %1").arg(access.exception);
    }
}

// One line being made, in bytes; long enough for any event's line.
class EventTextLog::Line {
public:
    void text(std::string_view s)
    {
        const std::size_t n = std::min(s.size(), m_bytes.size() - m_size);
        std::memcpy(m_bytes.data() + m_size, s.data(), n);
        m_size += n;
    }
    void character(char c)
    {
        if (m_size < m_bytes.size())
            m_bytes[m_size++] = c;
    }
    void number(std::uint32_t value)
    {
        char digits[10];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value);
        while (n)
            character(digits[--n]);
    }
    // At least `width` digits, with leading zeros.
    void hex(std::uint32_t value, int width, const char* digitsOf)
    {
        char digits[8];
        int n = 0;
        do {
            digits[n++] = digitsOf[value & 0xF];
            value >>= 4;
        } while (value && n < 8);
        while (n < width)
            digits[n++] = '0';
        while (n)
            character(digits[--n]);
    }
    void frame(const CanFrame& frame)
    {
        hex(frame.id, frame.extended ? 8 : 3, kUpper);
        text(" [");
        number(frame.length);
        text("] ");
        if (frame.remote) {
            text("remote");
            return;
        }
        for (int i = 0; i < frame.length && i < 8; ++i) {
            if (i)
                character(' ');
            hex(frame.data[static_cast<std::size_t>(i)], 2, kUpper);
        }
    }
    void frameRef(FrameRef ref)
    {
        switch (ref.direction) {
        case FrameRef::Direction::Receive:
            text("receive frame ");
            number(static_cast<std::uint32_t>(ref.index + 1));
            return;
        case FrameRef::Direction::Transmit:
            text("transmit frame ");
            number(static_cast<std::uint32_t>(ref.index + 1));
            return;
        case FrameRef::Direction::None:
            break;
        }
        text("not configured");
    }
    const char* data() const { return m_bytes.data(); }
    std::size_t size() const { return m_size; }

    static constexpr const char* kUpper = "0123456789ABCDEF";
    static constexpr const char* kLower = "0123456789abcdef";

private:
    std::array<char, 320> m_bytes;
    std::size_t m_size = 0;
};

EventTextLog::EventTextLog(const QDateTime& startTime, ByteSink write)
    : m_startMsecs(startTime.toMSecsSinceEpoch()), m_write(std::move(write))
{
}

EventTextLog::EventTextLog(const QDateTime& startTime, std::function<void(const QString&)> write)
    : EventTextLog(startTime, [write = std::move(write)](const char* data, std::size_t size) {
          write(QString::fromUtf8(data, static_cast<qsizetype>(size) - 1));
      })
{
}

void EventTextLog::stamp(Line& line, Millis time)
{
    const qint64 msecs = m_startMsecs + time;
    const qint64 second = msecs >= 0 ? msecs / 1000 : (msecs - 999) / 1000;
    // The local time of day changes its offset only with the zone's rules: looked up anew
    // for every second, read from the cache within it.
    if (second != m_stampSecond) {
        m_stampSecond = second;
        const QByteArray text = QDateTime::fromMSecsSinceEpoch(second * 1000).toString(QStringLiteral("HH:mm:ss.")).toLatin1();
        std::memcpy(m_secondText.data(), text.constData(), std::min<std::size_t>(m_secondText.size(), static_cast<std::size_t>(text.size())));
    }
    line.text(std::string_view(m_secondText.data(), m_secondText.size()));
    const auto millis = static_cast<std::uint32_t>(msecs - second * 1000);
    line.character(static_cast<char>('0' + millis / 100));
    line.character(static_cast<char>('0' + millis / 10 % 10));
    line.character(static_cast<char>('0' + millis % 10));
    line.character(' ');
}

void EventTextLog::emitLine(Line& line)
{
    line.character('\n');
    m_write(line.data(), line.size());
}

void EventTextLog::frameReceived(Millis time, const CanFrame& frame, FrameRef match)
{
    Line line;
    stamp(line, time);
    line.text("RX ");
    line.frame(frame);
    line.character(' ');
    line.frameRef(match);
    emitLine(line);
}

void EventTextLog::frameSent(Millis time, const CanFrame& frame, FrameRef frameOf, SendReason reason)
{
    Line line;
    stamp(line, time);
    line.text("TX ");
    line.frame(frame);
    line.character(' ');
    line.frameRef(frameOf);
    line.text(" (");
    line.text(sendReasonText(reason).toStdString());
    line.character(')');
    emitLine(line);
}

void EventTextLog::registerChanged(Millis time, std::uint16_t reg, std::uint16_t value)
{
    Line line;
    stamp(line, time);
    line.text("register ");
    line.number(reg);
    line.text(" = ");
    line.number(value);
    line.text(" (0x");
    line.hex(value, 4, Line::kLower);
    line.character(')');
    emitLine(line);
}

void EventTextLog::receiveStateChanged(Millis time, int receiveFrame, ReceiveState state)
{
    Line line;
    stamp(line, time);
    line.text("receive frame ");
    line.number(static_cast<std::uint32_t>(receiveFrame + 1));
    line.character(' ');
    line.text(receiveStateText(state).toStdString());
    emitLine(line);
}

void EventTextLog::modbusRequest(Millis time, const ModbusAccess& access)
{
    const bool firstOfUnit = !m_unitsSeen[access.unit];
    m_unitsSeen[access.unit] = true;
    if (!access.write && !firstOfUnit && !access.exception)
        return;
    QString text = QStringLiteral("Modbus unit %1, function %2: ").arg(access.unit).arg(access.function);
    if (access.count) {
        text += access.write ? QStringLiteral("write ") : QStringLiteral("read ");
        text += access.count == 1 ? QStringLiteral("register %1").arg(access.start)
                                  : QStringLiteral("registers %1 to %2").arg(access.start).arg(access.start + access.count - 1);
        if (access.exception)
            text += QStringLiteral(", ");
    }
    if (access.exception)
        text += QStringLiteral("refused with ") + modbusAccessText(access);
    Line line;
    stamp(line, time);
    line.text(text.toStdString());
    emitLine(line);
}

} // namespace px::sim
