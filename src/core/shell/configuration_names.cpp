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

bool isNewConfigurationName(const QString& name)
{
    return isConfigurationName(name) && !name.front().isSpace() && !name.back().isSpace() && !name.endsWith(u'.');
}

NameRefusal checkNewConfigurationName(const QString& projectsFolder, const QString& name, const QString& except)
{
    if (name.isEmpty())
        return msg::kNewConfigNameEmpty;
    const QString folder = projectsFolder + u'/' + name;
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
