#pragma once

#include "core/platform/program_runner.h"

#include <QString>

#include <chrono>

namespace px {

class MessageTable;

// What the configurator shows while it waits for an updater: the program's file name and
// the seconds the wait may still last.
QString updaterRunningText(const MessageTable& messages, const QString& program, int secondsLeft);

// How the wait for an updater ended, to tell the user.
QString updaterOutcomeText(const MessageTable& messages, const QString& program, ProgramRunner::Outcome outcome,
                           std::chrono::milliseconds limit);

} // namespace px
