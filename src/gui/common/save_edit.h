#pragma once

#include "core/shell/session.h"

namespace px {

class Prompter;

// The save of an editor's OK. Read-only: refused with its message. Files another program
// changed since they were read: asks whether to overwrite them (Yes), reload them dropping
// the edit (No) or go back (Cancel). Then the edit is written as finishSave does. A failure
// (px::Error) is shown and nothing changes.
SaveOutcome saveEdit(Session& session, Prompter& prompter,
                     const std::function<std::vector<config::ConfigFile>(config::ConfigurationDocument&)>& edit);

} // namespace px
