#pragma once

#include "core/base/xml.h"

#include <QByteArray>
#include <QString>

namespace px {

// The user's settings, kept in Orvane.xml in the home folder.
struct AppSettings {
    QString lastConfiguration;  // mirrors the Workspace's; stored as lastproj/projectname
    QString lastDeviceAddress = QStringLiteral("192.168.2.205");
    QString language = QStringLiteral("English");
    bool internetEnabled = false;
    bool updateCheckEnabled = false;
    bool jumpFieldsInTables = false;
    bool doubleClickAutoSize = false;

    // The periodic version check runs only while both are set.
    bool versionCheckEnabled() const { return internetEnabled && updateCheckEnabled; }
};


// Reads the settings file's bytes. Every value is read on its own: a missing group, a
// missing value element or a document that does not parse give that value's default.
AppSettings parseSettings(const QByteArray& bytes);

// Reads the settings file; a missing or unreadable file gives the defaults.
AppSettings loadSettings(const QString& path);

// The settings file as written: Conf_Settings with its four groups, no declaration, no comment.
// A text value that the file cannot store throws px::Error naming the value: written as it
// stands it would leave a file that no longer parses, and every setting would be lost.
QByteArray serializeSettings(const AppSettings& settings);

// Save_Setting: writes the whole file anew, atomically; throws px::Error on failure.
void saveSettings(const QString& path, const AppSettings& settings);

} // namespace px
