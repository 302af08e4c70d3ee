#pragma once

#include "core/services/prompter.h"

#include <functional>

namespace px {

class MessageTable;

// The application's general error report: runs one user action and, when it fails with
// an error, shows the error's own text in the language of `messages` (the window's table)
// in an error box. The program keeps running. Returns true when the action ran to its end.
bool guarded(Prompter& prompter, const MessageTable& messages, const std::function<void()>& action);

} // namespace px
