#pragma once

#include "core/platform/program_runner.h"

#include <chrono>

namespace px {

// Starts the program with QProcess and waits for it with the event loop running, so the
// windows stay painted (the caller disables them while it waits). The program is polled
// every 10 ms; after the limit it is left running and the wait ends. The countdown is told
// the seconds left at the start and then every second.
class ProcessRunner final : public ProgramRunner {
public:
    explicit ProcessRunner(std::chrono::milliseconds limit = std::chrono::milliseconds(150000));
    Outcome run(const QString& program, const QString& parameters, bool hidden, const Countdown& countdown) override;
    std::chrono::milliseconds waitLimit() const override { return m_limit; }

private:
    std::chrono::milliseconds m_limit;
};

} // namespace px
