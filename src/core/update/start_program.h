#pragma once

#include <QString>

#include <functional>

namespace px {

// How an update dialog starts an external updater and waits for it: program path,
// parameter text, and whether the program's window is hidden. The main window's
// startProgram serves it in the product.
using StartProgramFn = std::function<void(const QString& program, const QString& parameters, bool hidden)>;

} // namespace px
