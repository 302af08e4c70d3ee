#include "core/shell/workspace.h"

#include "core/base/atomic_file.h"
#include "core/config/general_parameters.h"

#include <QDir>
#include <QFileInfo>

namespace px {

void Workspace::setHomeFolder(const QString& folder)
{
    homeFolder = QDir::fromNativeSeparators(folder);
    while (homeFolder.size() > 1 && homeFolder.endsWith(u'/'))
        homeFolder.chop(1);
    masterFolder = homeFolder + QStringLiteral("/MASTER");
    projectsFolder = homeFolder + QStringLiteral("/PROJECTS");
    languageFolder = homeFolder + QStringLiteral("/LANGUAGE");
    for (const QString& f : {masterFolder, projectsFolder, languageFolder}) {
        if (!QFileInfo(f).isDir())
            QDir().mkdir(f);
    }
}

void Workspace::updateFilePaths()
{
    generalParametersFile = configurationFolder + QStringLiteral("/ParGen.xml");
    receiveFramesFile = configurationFolder + QStringLiteral("/RCobDef.xml");
    receiveMappingsFile = configurationFolder + QStringLiteral("/RInfoCob.xml");
    transmitFramesFile = configurationFolder + QStringLiteral("/TCobDef.xml");
    transmitMappingsFile = configurationFolder + QStringLiteral("/TInfoCob.xml");
}

void Workspace::activate(const QString& name)
{
    configurationName = name;
    configurationFolder = name.isEmpty() ? QString() : projectsFolder + u'/' + name;
    updateFilePaths();
}

QString Workspace::activeFolderName() const
{
    if (configurationFolder.isEmpty())
        return {};
    const QString prefix = projectsFolder + u'/';
    return configurationFolder.startsWith(prefix) ? configurationFolder.mid(prefix.size()) : configurationFolder;
}

int activeDeviceType(const Workspace& ws)
{
    return readGeneralParametersFile(ws.generalParametersFile).deviceType;
}

} // namespace px
