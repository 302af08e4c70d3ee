#pragma once

#include "core/services/program_runner.h"

#include <QString>

#include <functional>

namespace px {

// How an update dialog starts an external updater and waits for it: program path,
// parameter text, and whether the program's window is hidden; gives how the updater
// ended. The main window's startProgram serves it in the product (with the home folder as
// working folder, the wait panel and the end message).
using StartProgramFn =
    std::function<ProgramRunner::Result(const QString& program, const QString& parameters, bool hidden)>;

} // namespace px
