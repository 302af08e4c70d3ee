#pragma once

#include "core/services/prompter.h"

#include <functional>

namespace px {

// The application's general error report: runs one user action and, when it fails with
// an error, shows the error's own text in an error box. The program keeps running.
// Returns true when the action ran to its end.
bool guarded(Prompter& prompter, const std::function<void()>& action);

} // namespace px
