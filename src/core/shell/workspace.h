#pragma once

#include <QString>

namespace px {

// Where the program's folders are, which configuration is active and where its files lie.
// Paths use "/" and never end in a separator.
struct Workspace {
    QString Exe_Folder;
    QString Master_Folder;
    QString Projects_Folder;
    QString Language_Folder;
    QString Active_Conf;   // the last configuration opened or created; may be set while none is active
    QString Conf_Folder;   // empty: no configuration is active
    QString File_ParGen;
    QString File_RCobDef;
    QString File_RInfoCob;
    QString File_TCobDef;
    QString File_TInfoCob;
    QString File_Var;
    QString File_Var2;

    // Sets Exe_Folder and the three folders derived from it; creates each folder that is
    // missing (one level; a failure is not reported, later operations fail where they happen).
    void setExeFolder(const QString& folder);

    // Recomputes the seven file paths from Conf_Folder (plain concatenations, also when
    // no configuration is active).
    void Set_Files();

    bool hasActiveConfiguration() const { return !Conf_Folder.isEmpty(); }

    // Makes the named configuration active: Active_Conf, Conf_Folder, Set_Files. An empty
    // name leaves no configuration active.
    void activate(const QString& name);

    // The configuration's bin folder, into which the compiler writes its images.
    QString binFolder() const { return Conf_Folder + QStringLiteral("/bin"); }

    // The active configuration's name as its folder is named (empty when none is active).
    QString activeFolderName() const;

    QString settingsFile() const { return Exe_Folder + QStringLiteral("/Orvane.xml"); }
};

// DeviceType of the active configuration (Select_Type_318): the integer text of
// Device_Type in ParGen.xml, read anew at every call. A missing file, a missing element
// or a text that is not an integer give 0. A file that does not parse throws px::Error.
int Select_Type_318(const Workspace& ws);

} // namespace px
