#pragma once

#include <QString>

namespace px {

// Where the program's folders are, which configuration is active and where its files lie.
// Paths use "/" and never end in a separator.
struct Workspace {
    QString homeFolder;
    QString masterFolder;     // the updater programs and the firmware images
    QString projectsFolder;   // one folder per configuration
    QString languageFolder;   // the language files and their flags
    QString configurationName;    // the last configuration opened or created; may be set while none is active
    QString configurationFolder;  // empty: no configuration is active
    QString generalParametersFile;  // ParGen.xml
    QString receiveFramesFile;      // RCobDef.xml
    QString receiveMappingsFile;    // RInfoCob.xml
    QString transmitFramesFile;     // TCobDef.xml
    QString transmitMappingsFile;   // TInfoCob.xml

    // Sets homeFolder and the three folders derived from it; creates each folder that is
    // missing (one level; a failure is not reported, later operations fail where they happen).
    void setHomeFolder(const QString& folder);

    // Recomputes the five file paths from configurationFolder (plain concatenations, also
    // when no configuration is active).
    void updateFilePaths();

    bool hasActiveConfiguration() const { return !configurationFolder.isEmpty(); }

    // Makes the named configuration active: its name, folder and file paths. An empty name
    // leaves no configuration active.
    void activate(const QString& name);

    // The configuration's bin folder, into which the compiler writes its images.
    QString binFolder() const { return configurationFolder + QStringLiteral("/bin"); }

    // The active configuration's name as its folder is named (empty when none is active).
    QString activeFolderName() const;

    QString settingsFile() const { return homeFolder + QStringLiteral("/Orvane.xml"); }
};

// The device type of the active configuration: the integer text of Device_Type in
// ParGen.xml, read anew at every call. A missing file, a missing element
// or a text that is not an integer give 0. A file that does not parse throws px::Error.
int activeDeviceType(const Workspace& ws);

} // namespace px
