#pragma once

#include "core/services/pinger.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>

namespace px {

// The time source of the device ping: milliseconds since any fixed start, and the short
// pause after every echo attempt during which the user interface runs.
class PingClock {
public:
    virtual ~PingClock() = default;
    virtual std::int64_t nowMs() = 0;
    virtual void pause(std::chrono::milliseconds duration) = 0;
};

// What the device ping found.
enum class PingOutcome {
    Found,     // the last attempt was answered
    NotFound,  // the last attempt timed out
    Error,     // the address could not be used or no ICMP socket could be opened
    Stopped,   // the caller asked to stop (the dialog is being closed)
};

// The fixed values of the device ping.
namespace ping {
inline const QByteArray kPayload = QByteArrayLiteral("abcdefghijklmnopqrstuvwa");
constexpr std::uint16_t kSequence = 0;
constexpr std::chrono::milliseconds kAnswerTimeout{400};
constexpr std::chrono::milliseconds kStep{10};
constexpr std::int64_t kLimitMs = 10000;
constexpr int kAnswersWanted = 2;
} // namespace ping

// Pings `address` until two attempts have been answered or 10 s have passed since the
// start, with a 10 ms pause after every attempt. The answers need not be consecutive; the
// outcome is that of the last attempt, so a device that stops answering is not found.
// `stopRequested`, asked after every attempt and its pause, ends the pinging early.
PingOutcome runPingSequence(Pinger& pinger, const QString& address, PingClock& clock,
                            const std::function<bool()>& stopRequested = {});

} // namespace px
