#pragma once

#include "core/services/program_runner.h"
#include "core/services/prompter.h"

#include <QString>

#include <chrono>

namespace px {

class MessageTable;

// What the configurator shows while it waits for an updater: the program's file name and
// the seconds the wait may still last.
QString updaterRunningText(const MessageTable& messages, const QString& program, int secondsLeft);

// The question before an updater is ended on request.
QString updaterCancelQuestion(const MessageTable& messages, const QString& program);

// How the wait for an updater ended, to tell the user: an information for an updater that
// ended with exit status 0; a warning for one that ended with another status, crashed or
// was ended on request (the device may hold its earlier configuration); an error when the
// wait ran out or the updater could not be started. The details are what it printed.
struct UpdaterEndMessage {
    Prompter::Icon icon = Prompter::Icon::Information;
    QString text;
    QString details;
};
UpdaterEndMessage updaterEndMessage(const MessageTable& messages, const QString& program,
                                    const ProgramRunner::Result& result, std::chrono::milliseconds limit);

} // namespace px
