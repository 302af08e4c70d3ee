#pragma once

#include "core/shell/configuration_names.h"

#include <QString>

namespace px {

class ConfigurationArchives;
class MessageTable;
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

// Delete happens in steps, each after a question the window asks (the core decides what
// is asked, the window asks it): deleteQuestion says which question comes first; with a
// trash the configuration is moved there (moveConfigurationToTrash), and where the trash
// refuses it, or there is no trash at all, it is deleted for good after a further
// confirmation (deleteConfigurationForGood).
enum class DeleteQuestion {
    RefusedActive,          // the active configuration: refused, nothing is asked (activeCannotBeDeleted)
    ToTrash,                // confirmDelete, then the move to the trash
    ForGoodWithoutTrash,    // noTrashDeleteForGood: there is no trash on this computer
};
// Throws px::Error when the configuration does not exist.
DeleteQuestion deleteQuestion(const Session& session, const QString& name, const Trash& trash);
// True when the trash took the folder; false when it refused (ask confirmDeleteForGood).
bool moveConfigurationToTrash(const Session& session, const QString& name, Trash& trash);
// The folder is first renamed out of the list, then removed, so a configuration never
// stays half deleted under its name. Throws px::Error when it cannot be removed.
void deleteConfigurationForGood(const Session& session, const QString& name);

// Export: writes the archive of the configuration to `path` (the window asks for it,
// proposing proposedArchivePath), with its images when `withImages` is set. Throws
// px::Error when it cannot be written.
QString proposedArchivePath(const QString& folder, const QString& name);
void exportConfiguration(const Session& session, ConfigurationArchives& archives, const QString& name, bool withImages,
                         const QString& path);

// Import: the window asks for the archive file, reads it with the archives' load, then
// asks for the name (proposing the manifest's) and enters it with their unpack until a
// name is taken or the user cancels.

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
