#pragma once

#include "core/sim/converter.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <cstddef>
#include <functional>

namespace px::sim {

// "receive frame 2", "transmit frame 1", or "not configured".
QString frameRefText(FrameRef ref);
// "on change", "on write", "on timer", "remote request", "RTR poll".
QString sendReasonText(SendReason reason);
// "never received", "fresh", "timed out".
QString receiveStateText(ReceiveState state);
// Where a register's bytes lie: "receive frame 1 bytes 1, 2", "transmit frame 3 byte 2".
QString registerUseText(const RegisterUse& use);
// "exception 2: register 99 has no transmit mapping" or "".
QString modbusAccessText(const ModbusAccess& access);

// Writes every event as one line of text, each starting with the wall-clock time:
//   12:00:01.234 RX 181 [8] 11 22 33 44 55 66 77 88 receive frame 1
//   12:00:01.240 TX 201 [2] 00 FF transmit frame 1 (on change)
//   12:00:01.240 register 20 = 4660 (0x1234)
// Modbus reads are written only for a unit identifier not seen before, so a master
// polling many times a second does not flood the log; every request refused with an
// exception is written. The lines are made as bytes, the local time of day looked up once
// per second, so a log keeps up with a saturated bus.
class EventTextLog final : public ConverterEvents {
public:
    // Takes each line's UTF-8 bytes, its line end included.
    using ByteSink = std::function<void(const char* data, std::size_t size)>;
    EventTextLog(const QDateTime& startTime, ByteSink write);
    // Takes each line as text, without a line end.
    EventTextLog(const QDateTime& startTime, std::function<void(const QString&)> write);

    void frameReceived(Millis time, const CanFrame& frame, FrameRef match) override;
    void frameSent(Millis time, const CanFrame& frame, FrameRef frameOf, SendReason reason) override;
    void registerChanged(Millis time, std::uint16_t reg, std::uint16_t value) override;
    void receiveStateChanged(Millis time, int receiveFrame, ReceiveState state) override;
    void modbusRequest(Millis time, const ModbusAccess& access) override;

private:
    class Line;
    void stamp(Line& line, Millis time);
    void emitLine(Line& line);

    qint64 m_startMsecs = 0;         // the wall-clock time of the converter's time 0
    qint64 m_stampSecond = -1;       // the second whose "HH:mm:ss." is in m_secondText
    std::array<char, 9> m_secondText{};
    ByteSink m_write;
    std::array<bool, 256> m_unitsSeen{};
};

} // namespace px::sim
