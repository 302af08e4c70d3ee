#pragma once

#include "core/lang/message_table.h"
#include "core/shell/app_settings.h"
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

    // Start-up: folders under `exeFolder` (created when missing), the settings file, the
    // message table for the chosen language, and the last configuration reopened when its
    // folder still exists in PROJECTS (its name is kept either way, to be tried again next
    // time).
    void start(const QString& exeFolder);

    // Save_Setting: the settings file rewritten whole from the current state. Throws
    // px::Error when it cannot be written.
    void saveSettings();

    // The two lines of the main window's configuration box for the current state.
    QString confBoxLine1() const;
    QString confBoxLine2() const;
};

// Whether `name` can be a configuration: one folder directly in PROJECTS ("." and "..",
// and names holding a path separator, lead elsewhere) whose name the settings file can
// store.
bool isConfigurationName(const QString& name);

// Whether a new configuration may take `name`: it is a configuration name, holds more than
// blanks, neither starts nor ends with a blank and does not end with a dot. Blanks at the
// ends make a configuration that looks exactly like another one in every list, and a
// trailing blank or dot is one that Windows drops silently from a folder name.
bool isNewConfigurationName(const QString& name);

// The name rules of a configuration about to appear in `projectsFolder` (New, and the
// duplicate, rename and import of a configuration): 0 when `name` may be used, else the
// message index of the refusal: 32 for an empty name, 31 when a folder of that name exists
// (also in another letter case), 30 when it is no new configuration name. `except` names
// a configuration that does not count as a clash (the one being renamed).
int checkNewConfigurationName(const QString& projectsFolder, const QString& name, const QString& except = {});

// Creating a configuration (the New dialog's OK). The name is used exactly as typed.
// Returns 0 and activates the new configuration, or the message index of the refusal:
// 32 for an empty name, 31 when the folder exists (also in another letter case), 30 when
// the folder cannot be made or the name is no new configuration name.
int createConfiguration(Workspace& ws, const QString& name);

// The configurations in the projects folder: the names of its subfolders, sorted by name
// without regard to letter case. An empty or unreadable folder gives an empty list.
QStringList listConfigurations(const QString& projectsFolder);

// The position of `name` in `names`: the exact name, else the first that matches when
// the letters a to z are compared without regard to case; -1 when it is not there.
int Search_Open_Conf(const QStringList& names, const QString& name);

} // namespace px
