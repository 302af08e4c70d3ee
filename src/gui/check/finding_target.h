#pragma once

#include "core/check/finding.h"
#include "core/config/configuration.h"
#include "gui/common/dialogs.h"

#include <vector>

class QListWidget;

namespace px {

class MessageTable;

// The editor where a finding is corrected, and the row it is shown at there (0: none).
struct EditorTarget {
    Window window = Window::CommunicationSettings;
    int row = 0;
};

// `deviceQuery` is the main window's device-type query: 1 opens the frame editors of the
// device from May 2014, any other value those of the device till April 2014.
EditorTarget editorTargetFor(const check::Finding& finding, const config::Configuration& config, int deviceQuery);

// Fills a list with one line per finding, an error or warning icon before each.
void fillFindingsList(QListWidget* list, const std::vector<check::Finding>& findings, const MessageTable& messages);

} // namespace px
