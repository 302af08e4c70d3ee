#pragma once

#include "core/sim/converter.h"

#include <QDateTime>
#include <QString>

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
// polling many times a second does not flood the log.
class EventTextLog final : public ConverterEvents {
public:
    EventTextLog(QDateTime startTime, std::function<void(const QString&)> write)
        : m_startTime(std::move(startTime)), m_write(std::move(write))
    {
    }

    void frameReceived(Millis time, const CanFrame& frame, FrameRef match) override;
    void frameSent(Millis time, const CanFrame& frame, FrameRef frameOf, SendReason reason) override;
    void registerChanged(Millis time, std::uint16_t reg, std::uint16_t value) override;
    void receiveStateChanged(Millis time, int receiveFrame, ReceiveState state) override;
    void modbusRequest(Millis time, const ModbusAccess& access) override;

private:
    QString stamp(Millis time) const;

    QDateTime m_startTime;
    std::function<void(const QString&)> m_write;
    std::array<bool, 256> m_unitsSeen{};
};

} // namespace px::sim
