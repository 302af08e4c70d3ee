#include "core/shell/config_manage.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/lang/message_ids.h"
#include "core/lang/message_table.h"
#include "core/services/configuration_archives.h"
#include "core/services/trash.h"
#include "core/shell/session.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

namespace px {

namespace {

// A free name beside `folder` for a step of its removal; hidden, and no configuration name
// anyone types.
QString freeSibling(const QString& folder, const QString& purpose)
{
    const QFileInfo fi(folder);
    for (;;) {
        const QString candidate = fi.absolutePath() + QStringLiteral("/.%1-%2-%3")
                                                          .arg(purpose, fi.fileName())
                                                          .arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0'));
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

} // namespace

namespace manage_text {

QString activeCannotBeDeleted(const MessageTable& m, const QString& name)
{
    return m[msg::kManageActiveCannotBeDeleted].arg(name);
}

QString confirmDelete(const MessageTable& m, const QString& name)
{
    return m[msg::kManageConfirmDelete].arg(name);
}

QString confirmDeleteForGood(const MessageTable& m, const QString& name)
{
    return m[msg::kManageConfirmDeleteForGood].arg(name);
}

QString noTrashDeleteForGood(const MessageTable& m, const QString& name)
{
    return m[msg::kManageNoTrashDeleteForGood].arg(name);
}

QString importName(const MessageTable& m, const QString& fileName)
{
    return m[msg::kManageImportName].arg(fileName);
}

QString duplicated(const MessageTable& m, const QString& from, const QString& to)
{
    return m[msg::kManageDuplicated].arg(to, from);
}

QString renamed(const MessageTable& m, const QString& from, const QString& to)
{
    return m[msg::kManageRenamed].arg(from, to);
}

QString deleted(const MessageTable& m, const QString& name)
{
    return m[msg::kManageDeleted].arg(name);
}

QString exported(const MessageTable& m, const QString& name, const QString& path)
{
    return m[msg::kManageExported].arg(name, displayPath(path));
}

QString imported(const MessageTable& m, const QString& name)
{
    return m[msg::kManageImported].arg(name);
}

} // namespace manage_text

bool isActiveConfiguration(const Session& session, const QString& name)
{
    return session.ws.hasActiveConfiguration()
        && session.ws.activeFolderName().compare(name, Qt::CaseInsensitive) == 0;
}

NameRefusal renameConfiguration(Session& session, const QString& from, const QString& to)
{
    Workspace& ws = session.ws;
    const QString source = ws.projectsFolder + u'/' + from;
    if (!isConfigurationName(from) || !QFileInfo(source).isDir())
        throw Error(msg::kConfigurationMissing, {from});
    if (const NameRefusal refusal = checkNewConfigurationName(ws.projectsFolder, to, from))
        return refusal;
    if (from == to)
        return std::nullopt;
    const bool active = isActiveConfiguration(session, from);
    const bool remembered = !ws.hasActiveConfiguration() && ws.configurationName.compare(from, Qt::CaseInsensitive) == 0;
    if (!QDir().rename(source, ws.projectsFolder + u'/' + to))
        return msg::kNewConfigNameRefused;
    if (active) {
        ws.activate(to);
        session.saveSettings();
    } else if (remembered) {
        ws.configurationName = to;
        session.saveSettings();
    }
    return std::nullopt;
}

namespace {

QString existingConfigurationFolder(const Session& session, const QString& name)
{
    const QString folder = session.ws.projectsFolder + u'/' + name;
    if (!isConfigurationName(name) || !QFileInfo(folder).isDir())
        throw Error(msg::kConfigurationMissing, {name});
    return folder;
}

} // namespace

DeleteQuestion deleteQuestion(const Session& session, const QString& name, const Trash& trash)
{
    existingConfigurationFolder(session, name);
    if (isActiveConfiguration(session, name))
        return DeleteQuestion::RefusedActive;
    return trash.exists() ? DeleteQuestion::ToTrash : DeleteQuestion::ForGoodWithoutTrash;
}

bool moveConfigurationToTrash(const Session& session, const QString& name, Trash& trash)
{
    return trash.moveToTrash(existingConfigurationFolder(session, name));
}

void deleteConfigurationForGood(const Session& session, const QString& name)
{
    const QString folder = existingConfigurationFolder(session, name);
    // Out of the list at once, then removed: a removal that stops half-way leaves no
    // half configuration under the name.
    const QString doomed = freeSibling(folder, QStringLiteral("deleted"));
    if (!QDir().rename(folder, doomed))
        throw Error(msg::kCannotDeleteConfiguration, {name});
    if (!QDir(doomed).removeRecursively())
        throw Error(msg::kConfigurationPartlyDeleted, {name, displayPath(doomed)});
}

QString proposedArchivePath(const QString& folder, const QString& name)
{
    return folder + u'/' + name + QStringLiteral(".zip");
}

void exportConfiguration(const Session& session, ConfigurationArchives& archives, const QString& name, bool withImages,
                         const QString& path)
{
    archives.write(existingConfigurationFolder(session, name), name, path, withImages);
}

} // namespace px
