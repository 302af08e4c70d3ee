#pragma once

#include "core/base/error.h"
#include "core/lang/message_ids.h"
#include "core/services/pinger.h"
#include "core/update/ping_sequence.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace px::test {

// A clock that moves only when told to.
class ManualClock final : public PingClock {
public:
    explicit ManualClock(std::int64_t start = 0) : now(start) {}
    std::int64_t nowMs() override { return now; }
    void pause(std::chrono::milliseconds d) override { now += d.count(); }
    std::int64_t now;
};

// Answers from a script: 'A' answered, 'T' timed out, 'E' an error; after the script every
// attempt times out. An answer takes 1 ms on the clock, a time-out the whole answer time.
// Every request is recorded.
class ScriptedPinger final : public Pinger {
public:
    struct Request {
        QString address;
        QByteArray payload;
        std::uint16_t sequence;
        std::chrono::milliseconds timeout;
    };

    explicit ScriptedPinger(ManualClock& clock) : m_clock(clock) {}

    Reply echo(const QString& address, const QByteArray& payload, std::uint16_t sequence,
               std::chrono::milliseconds timeout) override
    {
        requests.push_back({address, payload, sequence, timeout});
        if (duringEcho)
            duringEcho();
        const char step = script.empty() ? 'T' : script.front();
        if (!script.empty())
            script.pop_front();
        if (step == 'E')
            throw Error(msg::kNoIcmpSocket, {QStringLiteral("refused"), QStringLiteral("refused")});
        m_clock.now += step == 'A' ? 1 : timeout.count();
        return step == 'A' ? Reply::Answered : Reply::TimedOut;
    }

    void answer(const char* steps)
    {
        for (const char* s = steps; *s; ++s)
            script.push_back(*s);
    }
    int attempts() const { return static_cast<int>(requests.size()); }

    std::deque<char> script;
    std::vector<Request> requests;
    std::function<void()> duringEcho;

private:
    ManualClock& m_clock;
};

} // namespace px::test
