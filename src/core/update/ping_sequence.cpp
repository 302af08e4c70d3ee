#include "core/update/ping_sequence.h"

#include "core/base/error.h"

namespace px {

PingOutcome runPingSequence(Pinger& pinger, const QString& address, PingClock& clock,
                            const std::function<bool()>& stopRequested)
{
    const std::int64_t start = clock.nowMs();
    bool answered = false;
    int count = 0;
    try {
        do {
            answered = pinger.echo(address, ping::kPayload, ping::kSequence, ping::kAnswerTimeout)
                       == Pinger::Reply::Answered;
            clock.pause(ping::kStep);
            if (answered)
                ++count;
            if (stopRequested && stopRequested())
                return PingOutcome::Stopped;
        } while (count < ping::kAnswersWanted && clock.nowMs() - start <= ping::kLimitMs);
    } catch (const Error&) {
        return PingOutcome::Error;
    }
    return answered ? PingOutcome::Found : PingOutcome::NotFound;
}

} // namespace px
