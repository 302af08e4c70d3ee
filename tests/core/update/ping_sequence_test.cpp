#include "core/update/ping_sequence.h"

#include "core/base/error.h"
#include "support/fake_ping.h"

#include <gtest/gtest.h>


namespace px {
namespace {

using test::ManualClock;
using test::ScriptedPinger;

// Every request of a sequence goes to the address asked for, with the product's payload,
// sequence number 0 and an answer time of 400 ms.
void expectLoopbackRequests(const ScriptedPinger& pinger, const char* script)
{
    for (const ScriptedPinger::Request& r : pinger.requests) {
        EXPECT_EQ(r.address, QStringLiteral("127.0.0.1")) << script;
        EXPECT_EQ(r.payload, QByteArray("abcdefghijklmnopqrstuvwa")) << script;
        EXPECT_EQ(r.sequence, 0) << script;
        EXPECT_EQ(r.timeout.count(), 400) << script;
    }
}

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
        ManualClock clock(5000);
        ScriptedPinger pinger(clock);
        pinger.answer(c.script);
        EXPECT_EQ(runPingSequence(pinger, QStringLiteral("127.0.0.1"), clock), c.outcome) << c.script;
        EXPECT_EQ(pinger.attempts(), c.attempts) << c.script;
        expectLoopbackRequests(pinger, c.script);
    }
}

TEST(PingSequence, AStopRequestEndsThePingingAfterTheAttemptUnderWay)
{
    for (const char* script : {"", "A", "TA"}) {
        ManualClock clock(5000);
        ScriptedPinger pinger(clock);
        pinger.answer(script);
        // The request comes while the third attempt waits for its answer.
        const auto stop = [&] { return pinger.attempts() >= 3; };
        EXPECT_EQ(runPingSequence(pinger, QStringLiteral("127.0.0.1"), clock, stop), PingOutcome::Stopped) << script;
        EXPECT_EQ(pinger.attempts(), 3) << script;
    }
}

TEST(PingSequence, EveryAttemptIsFollowedByAPauseForTheUserInterface)
{
    ManualClock clock(5000);
    ScriptedPinger pinger(clock);
    pinger.answer("AA");
    runPingSequence(pinger, QStringLiteral("127.0.0.1"), clock);
    EXPECT_EQ(clock.now, 5000 + 2 * (1 + 10));
}

} // namespace
} // namespace px
