#pragma once

#include "core/config/configuration.h"
#include "core/sim/converter.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace px::sim {

// One configured frame as the monitor watches it on the bus: what the configuration says
// of it and what was measured.
struct WatchedFrame {
    FrameRef ref;                  // direction and index in the configuration's list
    CanFrame configured;           // identifier, format and configured data length
    QString mnemonic;
    std::uint32_t timeout = 0;     // receive frames: the device's time-out in ms, 0 = none
    std::uint32_t period = 0;      // transmit frames on timer: the period; receive frames polled: the RTR period
    bool expected = false;         // the bus must carry it: a receive frame, or a transmit frame on timer

    qint64 seen = 0;               // data frames
    qint64 remoteSeen = 0;         // remote requests with its identifier
    Millis firstSeen = -1;
    Millis lastSeen = -1;
    Millis shortestGap = 0;        // between data frames, once two were seen
    Millis longestGap = 0;
    qint64 wrongLength = 0;        // data frames whose length was not the configured one
    qint64 timeOutsClosed = 0;     // gaps longer than the time-out that ended with a frame
    CanFrame lastData;             // the last data frame seen

    // The mean gap between data frames; nothing before two were seen.
    std::optional<double> meanPeriod() const;
    // Gaps longer than the time-out, the one still open at `now` included: how often the
    // device's time-out would have fired.
    qint64 timeOuts(Millis now) const;
    // The time-out would have fired and the frame has not come back since.
    bool timedOutAt(Millis now) const;
};

// An identifier on the bus that the configuration does not know.
struct UnknownIdentifier {
    std::uint32_t id = 0;
    bool extended = false;
    qint64 count = 0;
    Millis firstSeen = 0;
    Millis lastSeen = 0;
};

// A block of registers the device is read in: at most kMostRegistersPerRead.
struct PollBlock {
    std::uint16_t start = 0;
    std::uint16_t count = 0;
    bool operator==(const PollBlock&) const = default;
};
inline constexpr int kMostRegistersPerRead = 125;

// One mapped register: the value the configuration's model expects and the device's value.
struct WatchedRegister {
    std::uint16_t reg = 0;
    std::vector<FrameRef> frames;  // the frames holding its bytes
    QString source;                // where its bytes lie, "receive frame 1 bytes 1, 8"
    // False for a transmit register whose frame is sent only on request: what the master
    // wrote cannot be seen on the bus, so there is nothing to compare with.
    bool compared = true;
    // Every frame holding its bytes was seen since the monitor started: before, the device
    // may hold what an earlier frame brought, which the model cannot know.
    bool framesSeen = false;
    std::uint16_t expected = 0;
    std::optional<std::uint16_t> device;   // the last value read
    Millis polledAt = -1;
    std::optional<Millis> disagreeingSince;   // the first poll of the present disagreement
    bool marked = false;           // disagreeing longer than one poll period plus the frame's period
    int mismatches = 0;            // how often it was marked
    std::optional<Millis> lastMismatchBegan;
};

// One poll answer as recorded for the export: a register's value beside the expected one.
struct PollRecord {
    Millis time = 0;
    std::uint16_t reg = 0;
    std::uint16_t device = 0;
    std::uint16_t expected = 0;
    bool compared = true;
};

// One frame as recorded for the export.
struct SeenFrame {
    Millis time = 0;
    CanFrame frame;
};

struct MonitorSummary {
    Millis duration = 0;
    qint64 framesSeen = 0;          // data and remote frames
    int configuredFrames = 0;
    int configuredFramesSeen = 0;
    int expectedFrames = 0;
    int expectedFramesSeen = 0;
    QStringList neverSeen;          // expected frames never seen: "receive frame 2 (18FF0011)"
    int unknownIdentifiers = 0;
    qint64 unknownFrames = 0;
    qint64 remoteFrames = 0;
    qint64 errorFrames = 0;
    qint64 timeOuts = 0;
    qint64 wrongLength = 0;
    double busLoadPercent = 0;      // measured, worst-case bits as the check counts them
    double estimatedBusLoadPercent = 0;
    bool devicePolled = false;
    int registersPolled = 0;
    qint64 pollsAnswered = 0;
    qint64 pollsFailed = 0;
    QString lastPollFailure;
    int mismatches = 0;             // registers marked, each time counted
    int mismatchesOpen = 0;         // registers marked at the end
    // Nothing expected was missing and no mismatch remains.
    bool passed() const { return expectedFramesSeen == expectedFrames && mismatchesOpen == 0; }
};

// The commissioning monitor: compares what a real bus carries and what a real device holds
// with a configuration, in time given by the caller (milliseconds from the monitor's start).
// Every frame seen drives the configurator's model of the converter; each register polled
// from the device is compared with the value that model expects. A disagreement that lasts
// longer than one poll period plus the period of the frame behind the register is a
// mismatch: marked, counted, and kept with the time it began.
class Monitor {
public:
    // Throws px::Error when `bank2` is no bank2.bin. `config` gives the mnemonics and the
    // bus-load estimate; `pollPeriod` is 0 when no device is polled.
    Monitor(const QByteArray& bank2, const config::Configuration& config, Millis pollPeriod, Millis start = 0);

    // A data or remote frame seen on the bus.
    void frameSeen(const CanFrame& frame, Millis now);
    void errorFrameSeen(Millis now);
    // The registers to read from the device, in ascending order, in blocks of at most 125.
    const std::vector<PollBlock>& pollBlocks() const { return m_blocks; }
    // The values of a block as the device answered them.
    void pollAnswered(PollBlock block, const std::uint16_t* values, int count, Millis now);
    void pollFailed(PollBlock block, const QString& cause, Millis now);

    const std::vector<WatchedFrame>& frames() const { return m_frames; }
    const std::vector<WatchedRegister>& registers() const { return m_registers; }
    // By identifier, in ascending order of identifier then format.
    std::vector<UnknownIdentifier> unknownIdentifiers() const;
    MonitorSummary summary(Millis now) const;
    // The frame a register's tolerance comes from, the longest of its frames' periods.
    Millis toleranceOf(const WatchedRegister& reg) const;
    Millis pollPeriod() const { return m_pollPeriod; }
    Millis start() const { return m_start; }
    std::uint32_t bitRate() const { return m_bitRate; }

    // What was seen, for the export; past the capacity the oldest half gives way.
    const std::vector<SeenFrame>& recordedFrames() const { return m_recordedFrames; }
    const std::vector<PollRecord>& recordedPolls() const { return m_recordedPolls; }
    qint64 droppedFrames() const { return m_droppedFrames; }
    qint64 droppedPolls() const { return m_droppedPolls; }
    void setRecordCapacity(std::size_t frames, std::size_t polls);

    // A frame's label: "receive frame 1 (18FF0010) “Drive 1 feedback”".
    QString frameLabel(FrameRef ref) const;

private:
    static std::uint32_t key(std::uint32_t id, bool extended) { return id | (extended ? 0x80000000u : 0u); }
    void takeTransmitFrame(int frame, const CanFrame& data);
    void record(const SeenFrame& frame);
    std::uint16_t composedTransmit(const RegisterUse& use) const;

    Converter m_model;
    Millis m_start = 0;
    Millis m_pollPeriod = 0;
    std::uint32_t m_bitRate = 0;
    double m_estimatedPercent = 0;
    std::vector<WatchedFrame> m_frames;        // receive frames first, then transmit frames
    std::size_t m_transmitOffset = 0;
    std::unordered_map<std::uint32_t, int> m_frameByKey;
    std::unordered_map<std::uint32_t, UnknownIdentifier> m_unknown;
    std::vector<WatchedRegister> m_registers;  // in register order
    std::vector<int> m_slotOfRegister;         // 65536, -1 = not mapped
    std::vector<std::vector<int>> m_registersOfFrame;   // by m_frames index
    std::vector<std::vector<RegisterUse>> m_transmitUsesOfSlot;   // by slot in m_registers
    std::vector<std::uint8_t> m_txBytes;       // the transmit frames' bytes as last seen, by byte number - 1
    std::vector<PollBlock> m_blocks;
    double m_bits = 0;
    qint64 m_framesSeen = 0;
    qint64 m_remoteFrames = 0;
    qint64 m_errorFrames = 0;
    qint64 m_pollsAnswered = 0;
    qint64 m_pollsFailed = 0;
    QString m_lastPollFailure;
    std::vector<SeenFrame> m_recordedFrames;
    std::vector<PollRecord> m_recordedPolls;
    std::size_t m_frameCapacity = 1000000;
    std::size_t m_pollCapacity = 1000000;
    qint64 m_droppedFrames = 0;
    qint64 m_droppedPolls = 0;
};

} // namespace px::sim
