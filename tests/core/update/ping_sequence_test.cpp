#include "core/update/ping_sequence.h"

#include "core/base/error.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace px {
namespace {

// A clock that moves only when told to.
class ManualClock final : public PingClock {
public:
    std::int64_t nowMs() override { return now; }
    void pause(std::chrono::milliseconds d) override { now += d.count(); }
    std::int64_t now = 5000;
};

// Answers from a script; a timed-out attempt takes the full answer time.
class ScriptedPinger final : public Pinger {
public:
    explicit ScriptedPinger(ManualClock& clock) : m_clock(clock) {}
    Reply echo(const QString& address, const QByteArray& payload, std::uint16_t sequence,
               std::chrono::milliseconds timeout) override
    {
        EXPECT_EQ(address, QStringLiteral("127.0.0.1"));
        EXPECT_EQ(payload, QByteArray("abcdefghijklmnopqrstuvwa"));
        EXPECT_EQ(sequence, 0);
        EXPECT_EQ(timeout.count(), 400);
        ++attempts;
        const char step = script.empty() ? 'T' : script.front();
        if (!script.empty())
            script.pop_front();
        if (step == 'E')
            throw Error(QStringLiteral("no ICMP socket"));
        if (step == 'A') {
            m_clock.now += 1;
            return Reply::Answered;
        }
        m_clock.now += timeout.count();
        return Reply::TimedOut;
    }
    std::deque<char> script; // A answered, T timed out (also after the end), E error
    int attempts = 0;

private:
    ManualClock& m_clock;
};

TEST(PingSequence, TwoAnswersWithinTenSecondsFindTheDevice)
{
    const struct {
        const char* script;
        PingOutcome outcome;
        int attempts;
    } cases[] = {
        {"AA", PingOutcome::Found, 2},
        {"TTAA", PingOutcome::Found, 4},
        {"ATA", PingOutcome::Found, 3},
        // Answered once and then never again: pinging goes on until 10 s have passed.
        {"A", PingOutcome::NotFound, 26},
        {"", PingOutcome::NotFound, 25},
        // Two answers are counted even when they are 9 s apart.
        {"ATTTTTTTTTTTTTTTTTTTTTA", PingOutcome::Found, 23},
        // The answer came too late: the time limit ended the pinging before it.
        {"TTTTTTTTTTTTTTTTTTTTTTTTTA", PingOutcome::NotFound, 25},
        {"E", PingOutcome::Error, 1},
        {"AE", PingOutcome::Error, 2},
    };
    for (const auto& c : cases) {
        ManualClock clock;
        ScriptedPinger pinger(clock);
        for (const char* s = c.script; *s; ++s)
            pinger.script.push_back(*s);
        EXPECT_EQ(runPingSequence(pinger, QStringLiteral("127.0.0.1"), clock), c.outcome) << c.script;
        EXPECT_EQ(pinger.attempts, c.attempts) << c.script;
    }
}

TEST(PingSequence, AStopRequestEndsThePingingAfterTheAttemptUnderWay)
{
    for (const char* script : {"", "A", "TA"}) {
        ManualClock clock;
        ScriptedPinger pinger(clock);
        for (const char* s = script; *s; ++s)
            pinger.script.push_back(*s);
        // The request comes while the third attempt waits for its answer.
        const auto stop = [&] { return pinger.attempts >= 3; };
        EXPECT_EQ(runPingSequence(pinger, QStringLiteral("127.0.0.1"), clock, stop), PingOutcome::Stopped) << script;
        EXPECT_EQ(pinger.attempts, 3) << script;
    }
}

TEST(PingSequence, EveryAttemptIsFollowedByAPauseForTheUserInterface)
{
    ManualClock clock;
    ScriptedPinger pinger(clock);
    pinger.script = {'A', 'A'};
    runPingSequence(pinger, QStringLiteral("127.0.0.1"), clock);
    EXPECT_EQ(clock.now, 5000 + 2 * (1 + 10));
}

} // namespace
} // namespace px
