#pragma once

#include "core/config/configuration_document.h"
#include "core/lang/message_table.h"
#include "core/shell/app_settings.h"
#include "core/shell/configuration_names.h"
#include "core/shell/workspace.h"
#include "core/tables/row_clipboard.h"

#include <QString>

#include <functional>
#include <vector>

namespace px {


// The application-wide state that every window reads, owned for the whole run.
class Session {
public:
    Workspace ws;
    AppSettings settings;
    MessageTable messages;
    RowClipboard clipboard;
    // The open configuration: every window reads and edits it; no window reads or writes
    // a configuration file by itself.
    config::ConfigurationDocument document;
    // This instance's claim on the active configuration, and whether another instance
    // holds it (the configuration is then read-only here).
    config::ConfigurationLock lock;
    bool readOnly = false;

    // Start-up: folders under `homeFolder` (created when missing), the settings file, the
    // message table for the chosen language, and the last configuration reopened when its
    // folder still exists in PROJECTS (its name is kept either way, to be tried again next
    // time).
    void start(const QString& homeFolder);

    // The settings file rewritten whole from the current state. Throws
    // px::Error when it cannot be written.
    void saveSettings();

    // The document of the active configuration: opened when another configuration became
    // active, otherwise the files another program changed meanwhile read anew. Closed when
    // no configuration is active. Throws px::Error when the folder is no folder.
    config::ConfigurationDocument& activeDocument();

    // The active configuration as the document holds it, for the windows that only read
    // it (check, export, compile). Throws px::Error when a file could not be read whole,
    // naming it and the cause.
    const config::Configuration& activeConfiguration();

    // The device type of the active configuration as the document holds it (the jumper
    // device's when ParGen.xml is missing). Throws px::Error when ParGen.xml could not be read.
    DeviceType activeDeviceType();

    // Claims the active configuration for this instance (releasing the one before): false
    // when another running instance holds it, which makes it read-only here.
    bool claimActiveConfiguration();

    // The two lines of the main window's configuration box for the current state.
    QString confBoxLine1() const;
    QString confBoxLine2() const;
};

// How an editor's save ended.
enum class SaveOutcome {
    Saved,     // the edit is in the document and its files are written
    Back,      // nothing written: the editor stays open as it is
    Reloaded,  // the document took the files another program wrote: the editor shows them anew
};

// What must be decided before an editor's save writes anything.
struct SaveQuestion {
    enum class Kind {
        None,                // nothing: the save may write
        ReadOnly,            // another instance holds the configuration: the save is refused
        FilesChangedOnDisk,  // another program changed files since they were read
    };
    Kind kind = Kind::None;
    QStringList changedFiles;  // FilesChangedOnDisk: the files, as shown to the user
};

// What the user decided about files another program changed.
enum class SaveDecision {
    Write,   // write the edit over them
    Reload,  // take the files as they are now, dropping the edit
    Back,    // write nothing, keep editing
};

// The question an editor's save must have answered first, against the document as the
// editor read it (opened when the active configuration is not the document's). Throws
// px::Error when the configuration cannot be opened.
SaveQuestion saveQuestion(Session& session);

// Carries out `decision`. Write: `edit` changes a copy of the document and returns the files
// it touched, which are written together (all or none); the copy becomes the document.
// Throws px::Error when the edit or the write fails; then nothing changes.
SaveOutcome finishSave(Session& session, SaveDecision decision,
                       const std::function<std::vector<config::ConfigFile>(config::ConfigurationDocument&)>& edit);

// Creating a configuration (the New dialog's OK). The name is used exactly as typed.
// Activates the new configuration, or returns the refusal of checkNewConfigurationName;
// msg::kNewConfigNameRefused also when the folder cannot be made.
NameRefusal createConfiguration(Workspace& ws, const QString& name);

} // namespace px
