#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace px {

// Whether `name` can be a configuration: one folder directly in PROJECTS ("." and "..",
// and names holding a path separator, lead elsewhere) whose name the settings file can
// store.
bool isConfigurationName(const QString& name);

// Whether a new configuration may take `name`: it is a configuration name, holds more than
// blanks and no control character, neither starts nor ends with a blank and does not end
// with a dot. Blanks at the
// ends make a configuration that looks exactly like another one in every list, and a
// trailing blank or dot is one that Windows drops silently from a folder name.
bool isNewConfigurationName(const QString& name);

// Why a configuration name was refused: the index of the message that says so. None when
// the name was accepted.
using NameRefusal = std::optional<int>;

// The name rules of a configuration about to appear in `projectsFolder` (New, and the
// duplicate, rename and import of a configuration): none when `name` may be used, else
// msg::kNewConfigNameEmpty for an empty name, msg::kNewConfigNameReserved for "." and "..",
// msg::kNewConfigNameControl for a name holding a control character (a line break),
// msg::kNewConfigNameFileExists when a file (no folder) of that name exists,
// msg::kNewConfigNameExists when a folder of that name exists (also in another letter
// case), msg::kNewConfigNameRefused when it is no new configuration name otherwise. `except` names a configuration that does not count as a
// clash (the one being renamed).
NameRefusal checkNewConfigurationName(const QString& projectsFolder, const QString& name, const QString& except = {});

// The refusal of a new configuration whose folder could not take its place because
// something appeared there: a file or a folder of that name.
NameRefusal refusalOfTakenTarget(const QString& target);

// A folder assembled in a temporary folder (made for its owner alone) gets the mode that
// every other folder of the program gets, the one `made` got from the umask.
void takeFolderMode(const QString& folder, const QString& made);

// The configurations in the projects folder: the names of its subfolders, sorted by name
// without regard to letter case. An empty or unreadable folder gives an empty list.
QStringList listConfigurations(const QString& projectsFolder);

// The position of `name` in `names`: the exact name, else the first that matches when
// the letters a to z are compared without regard to case; -1 when it is not there.
int findConfiguration(const QStringList& names, const QString& name);

} // namespace px
