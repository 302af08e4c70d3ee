#pragma once

#include "core/image/image_decoder.h"
#include "core/sim/can_frame.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstdint>
#include <optional>
#include <queue>
#include <unordered_map>
#include <vector>

namespace px::sim {

// Time in milliseconds on the converter's own clock (virtual in tests).
using Millis = qint64;

enum class ReceiveState { NeverReceived, Fresh, TimedOut };

enum class SendReason {
    OnChange,        // a Modbus write changed the frame's data
    OnWrite,         // a register that sends on write was written
    OnTimer,         // the frame's period elapsed
    RemoteRequest,   // a remote request for a transmit frame with RTR
    RtrPoll,         // a remote request polling a receive frame
};

// Which frame of the configuration a frame on the bus belongs to.
struct FrameRef {
    enum class Direction { None, Receive, Transmit };
    Direction direction = Direction::None;
    int index = -1;   // from 0 in the configuration's list of that direction
};

struct ReceiveFrame {
    CanFrame frame;                // identifier, format and configured length
    std::uint32_t timeout = 0;     // ms, 0 = none
    std::uint32_t pollPeriod = 0;  // ms of the RTR poll, 0 = not polled
};

struct TransmitFrame {
    CanFrame frame;
    bool answersRemoteRequest = false;   // the RTR flag
    bool onChange = false;
    bool onTimer = false;
    std::uint32_t timerPeriod = 0;
};

// A register tied to a frame's bytes: byte numbers count from 1 over all frames of the
// direction at 8 per frame, 0 = none.
struct RegisterUse {
    std::uint16_t reg = 0;
    FrameRef::Direction direction = FrameRef::Direction::Receive;
    int frame = 0;                 // the mapping's frame, from 0
    std::uint16_t highByte = 0;
    std::uint16_t lowByte = 0;
    bool sendOnWrite = false;
};

struct ModbusAccess {
    std::uint8_t unit = 0;
    std::uint8_t function = 0;
    std::uint16_t start = 0;
    std::uint16_t count = 0;
    bool write = false;
    std::optional<std::uint16_t> refusedRegister;   // a write refused: the first register no transmit mapping uses
    std::uint8_t exception = 0;                     // the Modbus exception code answered, 0 when none
};

// What the converter does, as it happens. Every call carries the converter's time.
class ConverterEvents {
public:
    virtual ~ConverterEvents() = default;
    virtual void frameReceived(Millis time, const CanFrame& frame, FrameRef match) = 0;
    virtual void frameSent(Millis time, const CanFrame& frame, FrameRef frameOf, SendReason reason) = 0;
    virtual void registerChanged(Millis time, std::uint16_t reg, std::uint16_t value) = 0;
    virtual void receiveStateChanged(Millis time, int receiveFrame, ReceiveState state) = 0;
    virtual void modbusRequest(Millis time, const ModbusAccess& access) = 0;
};

// The configurator's model of the converter, over a compiled current image (bank2.bin):
// - receive: a data frame whose identifier and format match a receive frame sets its data
//   bytes (bytes past the received length keep their value); every register whose high or
//   low byte lies in that frame becomes (high byte << 8) | low byte, a part that is none
//   reading 0. Before a frame is first received its bytes are its default values. A frame
//   with a time-out that is not received within it is timed out (its values are kept). A
//   frame with RTR polling is asked for with a remote request at every period.
// - transmit: a frame's bytes start as its default values. A Modbus write to a register
//   of a transmit mapping sets that register's bytes in the frame. After a write request,
//   each frame it touched is sent once when its data changed and it sends on change, or
//   when a written register sends on write. A frame on timer is sent at every period; a
//   frame with RTR is sent in answer to a remote request for its identifier.
// - registers 0 to 65535 are read as they stand; a write to a register that no transmit
//   mapping uses refuses the whole request (Modbus exception 2) and changes nothing.
class Converter {
public:
    // From bank2.bin's bytes; throws px::Error when they are no bank2.bin.
    static Converter fromImage(const QByteArray& bank2, Millis start);
    Converter(const image::DecodedTables& tables, const image::ParameterRecord& record, Millis start);

    void setEvents(ConverterEvents* events) { m_events = events; }

    // Inputs. Each first brings the converter's time up to `now`.
    void advanceTo(Millis now);
    void receive(const CanFrame& frame, Millis now);
    // Registers start to start + count - 1 (at most to 65535) into `out`.
    void readRegisters(std::uint8_t unit, std::uint8_t function, std::uint16_t start, int count, std::uint16_t* out,
                       Millis now);
    // True when written; false when a register is used by no transmit mapping (nothing written).
    bool writeRegisters(std::uint8_t unit, std::uint8_t function, std::uint16_t start, const std::uint16_t* values,
                        int count, Millis now);

    // When advanceTo has something to do next: a poll, a timer or a time-out.
    std::optional<Millis> nextDue() const;

    // State.
    std::uint16_t registerValue(std::uint16_t reg) const { return m_registers[reg]; }
    ReceiveState receiveState(int frame) const { return m_rxState[static_cast<std::size_t>(frame)].state; }
    CanFrame receiveFrameData(int frame) const;
    CanFrame transmitFrameData(int frame) const;
    const std::vector<ReceiveFrame>& receiveFrames() const { return m_rxFrames; }
    const std::vector<TransmitFrame>& transmitFrames() const { return m_txFrames; }
    // Every register a mapping in use names, by register and then mapping order.
    const std::vector<RegisterUse>& registerUses() const { return m_uses; }
    bool isWritable(std::uint16_t reg) const { return m_txByRegister.count(reg) != 0; }
    std::uint32_t canBitRate() const { return m_canBitRate; }
    Millis now() const { return m_now; }

private:
    struct RxState {
        ReceiveState state = ReceiveState::NeverReceived;
        Millis lastReceived = 0;
    };
    struct Scheduled {
        Millis due;
        bool poll;   // true: RTR poll of a receive frame, false: timer of a transmit frame
        int frame;
        // Events due at the same time: receive polls first, then by frame.
        bool operator>(const Scheduled& o) const
        {
            if (due != o.due)
                return due > o.due;
            if (poll != o.poll)
                return !poll;
            return frame > o.frame;
        }
    };
    struct RxMapping {
        std::uint16_t reg;
        std::uint16_t highByte;
        std::uint16_t lowByte;
    };

    static std::uint32_t key(std::uint32_t id, bool extended) { return id | (extended ? 0x80000000u : 0u); }
    void send(Millis time, const CanFrame& frame, FrameRef ref, SendReason reason);
    void setRegister(Millis time, std::uint16_t reg, std::uint16_t value);
    std::uint16_t composed(const std::vector<std::uint8_t>& bytes, std::uint16_t high, std::uint16_t low) const;

    ConverterEvents* m_events = nullptr;
    Millis m_now = 0;
    std::uint32_t m_canBitRate = 0;
    std::vector<ReceiveFrame> m_rxFrames;
    std::vector<TransmitFrame> m_txFrames;
    std::vector<RegisterUse> m_uses;
    std::vector<std::uint8_t> m_rxBytes;      // by byte number - 1, room for every byte number
    std::vector<std::uint8_t> m_txBytes;
    std::vector<std::uint16_t> m_registers;   // 65536
    std::vector<RxState> m_rxState;
    std::vector<int> m_timedFrames;           // receive frames with a time-out
    std::unordered_map<std::uint32_t, int> m_rxByKey;
    std::unordered_map<std::uint32_t, int> m_remoteTxByKey;
    std::vector<std::vector<RxMapping>> m_rxMappingsOfFrame;
    std::unordered_map<std::uint16_t, std::vector<image::MappingEntry>> m_txByRegister;
    std::priority_queue<Scheduled, std::vector<Scheduled>, std::greater<>> m_schedule;
    // Kept between write requests so that a write allocates nothing.
    std::vector<const std::vector<image::MappingEntry>*> m_writeMappings;
    std::vector<std::uint8_t> m_frameMarks;   // by frame number: touched, sent on write, changed
    std::vector<int> m_touchedFrames;
};

} // namespace px::sim
