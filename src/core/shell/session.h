#pragma once

#include "core/lang/message_table.h"
#include "core/shell/app_settings.h"
#include "core/shell/configuration_names.h"
#include "core/shell/workspace.h"
#include "core/tables/row_clipboard.h"

#include <QString>

namespace px {

// The application-wide state that every window reads, owned for the whole run.
class Session {
public:
    Workspace ws;
    AppSettings settings;
    MessageTable messages;
    RowClipboard clipboard;

    // Start-up: folders under `homeFolder` (created when missing), the settings file, the
    // message table for the chosen language, and the last configuration reopened when its
    // folder still exists in PROJECTS (its name is kept either way, to be tried again next
    // time).
    void start(const QString& homeFolder);

    // The settings file rewritten whole from the current state. Throws
    // px::Error when it cannot be written.
    void saveSettings();

    // The two lines of the main window's configuration box for the current state.
    QString confBoxLine1() const;
    QString confBoxLine2() const;
};

// Creating a configuration (the New dialog's OK). The name is used exactly as typed.
// Activates the new configuration, or returns the refusal of checkNewConfigurationName;
// msg::kNewConfigNameRefused also when the folder cannot be made.
NameRefusal createConfiguration(Workspace& ws, const QString& name);

} // namespace px
