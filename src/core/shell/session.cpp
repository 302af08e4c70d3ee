#include "core/shell/session.h"

#include "core/base/atomic_file.h"
#include "core/lang/message_ids.h"

#include <QDir>
#include <QFileInfo>

namespace px {

void Session::start(const QString& homeFolder)
{
    ws.setHomeFolder(homeFolder);
    ws.configurationName.clear();
    settings = loadSettings(ws.settingsFile());
    ws.configurationName = settings.lastConfiguration;
    messages.loadLanguage(ws.languageFolder, settings.language);
    const QString last = ws.projectsFolder + u'/' + ws.configurationName;
    ws.configurationFolder = isConfigurationName(ws.configurationName) && QFileInfo(last).isDir() ? last : QString();
    ws.updateFilePaths();
    clipboard = {};
}

void Session::saveSettings()
{
    settings.lastConfiguration = ws.configurationName;
    px::saveSettings(ws.settingsFile(), settings);
}

QString Session::confBoxLine1() const
{
    return messages.text(ws.hasActiveConfiguration() ? msg::kMainOpenConfigurationLabel : msg::kMainNoConfigurationOpen);
}

QString Session::confBoxLine2() const
{
    return ws.hasActiveConfiguration() ? ws.activeFolderName() : messages.text(msg::kMainOpenOrCreateHint);
}

NameRefusal createConfiguration(Workspace& ws, const QString& name)
{
    if (const NameRefusal refusal = checkNewConfigurationName(ws.projectsFolder, name))
        return refusal;
    const QString folder = ws.projectsFolder + u'/' + name;
    if (!QDir().mkdir(folder))
        return msg::kNewConfigNameRefused;
    QDir().mkpath(folder + QStringLiteral("/bin"));
    ws.activate(name);
    return std::nullopt;
}

} // namespace px
