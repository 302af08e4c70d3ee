#pragma once

#include "core/services/browser.h"
#include "core/services/program_runner.h"
#include "core/services/trash.h"

#include <chrono>

namespace px::test {

// Services for windows that are only shown, never used: nothing is opened, started or
// moved to a trash.
struct NoBrowser final : Browser {
    void open(const QString&) override {}
};
struct NoRunner final : ProgramRunner {
    Result run(const Request&, const Countdown&) override { return {Outcome::NotStarted, 0, false, {}}; }
    void cancel() override {}
    std::chrono::milliseconds waitLimit() const override { return std::chrono::seconds(150); }
};
struct NoTrash final : Trash {
    bool moveToTrash(const QString&) override { return false; }
};

} // namespace px::test
