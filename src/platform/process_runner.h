#pragma once

#include "core/services/program_runner.h"

#include <chrono>

class QProcess;

namespace px {

// Starts the program with QProcess and waits for its finished signal in a local event
// loop, with a timer for the limit, so the windows stay painted (the caller disables them
// while it waits). After the limit the program is left running and the wait ends. The
// countdown is told the seconds left at the start and then every second. What the program
// prints is collected, its last 64 KiB kept. One wait at a time: a run() asked for while
// another waits is refused as NotStarted.
class ProcessRunner final : public ProgramRunner {
public:
    explicit ProcessRunner(std::chrono::milliseconds limit = std::chrono::milliseconds(150000));
    Result run(const Request& request, const Countdown& countdown) override;
    void cancel() override;
    std::chrono::milliseconds waitLimit() const override { return m_limit; }

    // How long a program asked to end may take before it is killed.
    std::chrono::milliseconds m_endGrace{3000};

private:
    std::chrono::milliseconds m_limit;
    QProcess* m_process = nullptr;  // the program waited for
    bool m_cancelled = false;
};

} // namespace px
