#include "core/shell/session.h"

#include "core/base/atomic_file.h"

#include <QDir>
#include <QFileInfo>

namespace px {

void Session::start(const QString& exeFolder)
{
    ws.setExeFolder(exeFolder);
    ws.Active_Conf.clear();
    settings = loadSettings(ws.settingsFile());
    ws.Active_Conf = settings.Active_Conf;
    messages.loadLanguage(ws.Language_Folder, settings.Language);
    const QString last = ws.Projects_Folder + u'/' + ws.Active_Conf;
    ws.Conf_Folder = isConfigurationName(ws.Active_Conf) && QFileInfo(last).isDir() ? last : QString();
    ws.Set_Files();
    clipboard = {};
}

void Session::saveSettings()
{
    settings.Active_Conf = ws.Active_Conf;
    px::saveSettings(ws.settingsFile(), settings);
}

QString Session::confBoxLine1() const
{
    return messages.text(ws.hasActiveConfiguration() ? 11 : 9);
}

QString Session::confBoxLine2() const
{
    return ws.hasActiveConfiguration() ? ws.activeFolderName() : messages.text(10);
}

bool isConfigurationName(const QString& name)
{
    return !name.isEmpty() && name != QStringLiteral(".") && name != QStringLiteral("..") && !name.contains(u'/')
        && !name.contains(u'\\') && storableInXml(name);
}

bool isNewConfigurationName(const QString& name)
{
    return isConfigurationName(name) && !name.front().isSpace() && !name.back().isSpace() && !name.endsWith(u'.');
}

int checkNewConfigurationName(const QString& projectsFolder, const QString& name, const QString& except)
{
    if (name.isEmpty())
        return 32;
    const QString folder = projectsFolder + u'/' + name;
    // Letter case does not tell two configurations apart, whatever the file system does.
    QStringList others = listConfigurations(projectsFolder);
    if (!except.isEmpty())
        others.removeAll(except);
    if ((QFileInfo(folder).isDir() && name.compare(except, Qt::CaseInsensitive) != 0)
        || Search_Open_Conf(others, name) >= 0)
        return 31;
    // A name that would lead out of PROJECTS or into another configuration, that the
    // settings file could not keep, or that would look like another configuration, is
    // refused like any name the file system refuses.
    if (!isNewConfigurationName(name))
        return 30;
    return 0;
}

int createConfiguration(Workspace& ws, const QString& name)
{
    if (const int refusal = checkNewConfigurationName(ws.Projects_Folder, name); refusal != 0)
        return refusal;
    const QString folder = ws.Projects_Folder + u'/' + name;
    if (!QDir().mkdir(folder))
        return 30;
    QDir().mkpath(folder + QStringLiteral("/bin"));
    ws.activate(name);
    return 0;
}

QStringList listConfigurations(const QString& projectsFolder)
{
    return QDir(projectsFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                                          QDir::Name | QDir::IgnoreCase);
}

int Search_Open_Conf(const QStringList& names, const QString& name)
{
    auto upper = [](const QString& s) {
        QString u = s;
        for (QChar& c : u) {
            if (c >= u'a' && c <= u'z')
                c = QChar(c.unicode() - 32);
        }
        return u;
    };
    // Folders made outside the program may differ in letter case only: the exact name wins.
    if (const qsizetype exact = names.indexOf(name); exact >= 0)
        return static_cast<int>(exact);
    const QString wanted = upper(name);
    for (int i = 0; i < names.size(); ++i) {
        if (upper(names[i]) == wanted)
            return i;
    }
    return -1;
}

} // namespace px
