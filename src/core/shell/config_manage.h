#pragma once

#include "core/shell/configuration_names.h"

#include <QString>

namespace px {

class MessageTable;
class Prompter;
class Session;
class Trash;

// Managing the configurations of PROJECTS beyond New and Open: rename, delete, and the
// exchange as one .zip file. Each works on whole folders and writes through a temporary
// name renamed at the end, so an interruption leaves the earlier state.

// The filter of the file dialogs of the exchange.
inline const QString kArchiveFilter = QStringLiteral("Configuration archive (*.zip)|*.zip");

// Renames the configuration `from` to `to`. Returns the refusal by the rules of New
// (checkNewConfigurationName), msg::kNewConfigNameRefused too when the file system refuses
// the name; none when done. The active configuration may be renamed: it stays active under its new name and
// the settings file is rewritten at once to name it (throws px::Error when that write
// fails; the folder is renamed then). A remembered name follows the same way while no
// configuration is active.
NameRefusal renameConfiguration(Session& session, const QString& from, const QString& to);

// Whether `name` is the active configuration (letter case aside, as the file system may
// ignore it).
bool isActiveConfiguration(const Session& session, const QString& name);

// Delete, with its confirmations through `prompter`: the active configuration is refused;
// otherwise a confirmation naming it, then the move to the trash; where the trash refuses,
// a second confirmation and the deletion for good; where there is no trash at all, one
// confirmation that says so and the deletion for good. The folder is first
// renamed out of the list, then removed, so a configuration never stays half deleted
// under its name. Returns true when the configuration is gone. Throws px::Error when it
// cannot be removed.
bool deleteConfiguration(Session& session, const QString& name, Prompter& prompter, Trash& trash);

// Export: asks where to save (proposing <name>.zip in `folder`) and writes the archive of
// the configuration, with its images when `withImages` is set. Returns the path written, or
// empty when the user cancelled. Throws px::Error when it cannot be written.
QString exportConfiguration(const Session& session, const QString& name, bool withImages, Prompter& prompter,
                            const QString& folder);

// Import: asks for the archive file (starting in `folder`), reads and checks it whole, then
// asks for the name under which it enters PROJECTS, proposing the name in its manifest; a
// name refused by the rules of New shows its message and is asked for again. Returns the
// name imported, or empty when the user cancelled. Throws px::Error for an archive that is
// refused (its text says why); nothing is written then.
QString importConfiguration(Session& session, Prompter& prompter, const QString& folder);

// The texts of these questions, refusals and results, from the message table.
namespace manage_text {
QString activeCannotBeDeleted(const MessageTable& m, const QString& name);
QString confirmDelete(const MessageTable& m, const QString& name);
QString confirmDeleteForGood(const MessageTable& m, const QString& name);
QString noTrashDeleteForGood(const MessageTable& m, const QString& name);
QString importName(const MessageTable& m, const QString& fileName);
QString duplicated(const MessageTable& m, const QString& from, const QString& to);
QString renamed(const MessageTable& m, const QString& from, const QString& to);
QString deleted(const MessageTable& m, const QString& name);
QString exported(const MessageTable& m, const QString& name, const QString& path);
QString imported(const MessageTable& m, const QString& name);
} // namespace manage_text

} // namespace px
