#include "core/sim/event_text.h"

namespace px::sim {
namespace {

QString frameText(const CanFrame& frame)
{
    return QStringLiteral("%1 [%2] %3").arg(identifierText(frame)).arg(frame.length).arg(dataText(frame));
}

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
    if (!access.refusedRegister)
        return {};
    return QStringLiteral("exception 2: register %1 has no transmit mapping").arg(*access.refusedRegister);
}

QString EventTextLog::stamp(Millis time) const
{
    return m_startTime.addMSecs(time).toString(QStringLiteral("HH:mm:ss.zzz"));
}

void EventTextLog::frameReceived(Millis time, const CanFrame& frame, FrameRef match)
{
    m_write(QStringLiteral("%1 RX %2 %3").arg(stamp(time), frameText(frame), frameRefText(match)));
}

void EventTextLog::frameSent(Millis time, const CanFrame& frame, FrameRef frameOf, SendReason reason)
{
    m_write(QStringLiteral("%1 TX %2 %3 (%4)").arg(stamp(time), frameText(frame), frameRefText(frameOf), sendReasonText(reason)));
}

void EventTextLog::registerChanged(Millis time, std::uint16_t reg, std::uint16_t value)
{
    m_write(QStringLiteral("%1 register %2 = %3 (0x%4)")
                .arg(stamp(time))
                .arg(reg)
                .arg(value)
                .arg(value, 4, 16, QLatin1Char('0')));
}

void EventTextLog::receiveStateChanged(Millis time, int receiveFrame, ReceiveState state)
{
    m_write(QStringLiteral("%1 receive frame %2 %3").arg(stamp(time)).arg(receiveFrame + 1).arg(receiveStateText(state)));
}

void EventTextLog::modbusRequest(Millis time, const ModbusAccess& access)
{
    const bool firstOfUnit = !m_unitsSeen[access.unit];
    m_unitsSeen[access.unit] = true;
    if (!access.write && !firstOfUnit)
        return;
    const QString range = access.count == 1 ? QStringLiteral("register %1").arg(access.start)
                                            : QStringLiteral("registers %1 to %2").arg(access.start).arg(access.start + access.count - 1);
    QString line = QStringLiteral("%1 Modbus unit %2, function %3: %4 %5")
                       .arg(stamp(time))
                       .arg(access.unit)
                       .arg(access.function)
                       .arg(access.write ? QStringLiteral("write") : QStringLiteral("read"), range);
    if (access.refusedRegister)
        line += QStringLiteral(", refused with ") + modbusAccessText(access);
    m_write(line);
}

} // namespace px::sim
