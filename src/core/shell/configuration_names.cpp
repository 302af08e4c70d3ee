#include "core/shell/configuration_names.h"

#include "core/base/text_rules.h"
#include "core/base/xml.h"
#include "core/lang/message_ids.h"

#include <QDir>
#include <QFileInfo>

namespace px {

bool isConfigurationName(const QString& name)
{
    return !name.isEmpty() && name != QStringLiteral(".") && name != QStringLiteral("..") && !name.contains(u'/')
        && !name.contains(u'\\') && storableInXml(name);
}

namespace {

// A line break, a tab or another control character: a folder name no list shows as typed.
bool holdsControlCharacter(const QString& name)
{
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

} // namespace

bool isNewConfigurationName(const QString& name)
{
    return isConfigurationName(name) && !name.front().isSpace() && !name.back().isSpace() && !name.endsWith(u'.')
        && !holdsControlCharacter(name);
}

NameRefusal checkNewConfigurationName(const QString& projectsFolder, const QString& name, const QString& except)
{
    if (name.isEmpty())
        return msg::kNewConfigNameEmpty;
    // "." and ".." stand for folders that exist: refused for what they are.
    if (name == QStringLiteral(".") || name == QStringLiteral(".."))
        return msg::kNewConfigNameReserved;
    if (holdsControlCharacter(name))
        return msg::kNewConfigNameControl;
    const QString folder = projectsFolder + u'/' + name;
    if (QFileInfo::exists(folder) && !QFileInfo(folder).isDir())
        return msg::kNewConfigNameFileExists;
    // Letter case does not tell two configurations apart, whatever the file system does.
    QStringList others = listConfigurations(projectsFolder);
    if (!except.isEmpty())
        others.removeAll(except);
    if ((QFileInfo(folder).isDir() && name.compare(except, Qt::CaseInsensitive) != 0)
        || findConfiguration(others, name) >= 0)
        return msg::kNewConfigNameExists;
    // A name that would lead out of PROJECTS or into another configuration, that the
    // settings file could not keep, or that would look like another configuration, is
    // refused like any name the file system refuses.
    if (!isNewConfigurationName(name))
        return msg::kNewConfigNameRefused;
    return std::nullopt;
}

NameRefusal refusalOfTakenTarget(const QString& target)
{
    const QFileInfo info(target);
    if (info.exists() && !info.isDir())
        return msg::kNewConfigNameFileExists;
    return info.exists() ? msg::kNewConfigNameExists : msg::kNewConfigNameRefused;
}

void takeFolderMode(const QString& folder, const QString& made)
{
    QFile::setPermissions(folder, QFileInfo(made).permissions());
}

QStringList listConfigurations(const QString& projectsFolder)
{
    return QDir(projectsFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                                          QDir::Name | QDir::IgnoreCase);
}

int findConfiguration(const QStringList& names, const QString& name)
{
    // Folders made outside the program may differ in letter case only: the exact name wins.
    if (const qsizetype exact = names.indexOf(name); exact >= 0)
        return static_cast<int>(exact);
    const QString wanted = toUpperAscii(name);
    for (int i = 0; i < names.size(); ++i) {
        if (toUpperAscii(names[i]) == wanted)
            return i;
    }
    return -1;
}

} // namespace px
