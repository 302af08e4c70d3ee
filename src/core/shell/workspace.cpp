#include "core/shell/workspace.h"

#include "core/base/atomic_file.h"
#include "core/config/general_parameters.h"

#include <QDir>
#include <QFileInfo>

namespace px {

void Workspace::setExeFolder(const QString& folder)
{
    Exe_Folder = QDir::fromNativeSeparators(folder);
    while (Exe_Folder.size() > 1 && Exe_Folder.endsWith(u'/'))
        Exe_Folder.chop(1);
    Master_Folder = Exe_Folder + QStringLiteral("/MASTER");
    Projects_Folder = Exe_Folder + QStringLiteral("/PROJECTS");
    Language_Folder = Exe_Folder + QStringLiteral("/LANGUAGE");
    for (const QString& f : {Master_Folder, Projects_Folder, Language_Folder}) {
        if (!QFileInfo(f).isDir())
            QDir().mkdir(f);
    }
}

void Workspace::Set_Files()
{
    File_ParGen = Conf_Folder + QStringLiteral("/ParGen.xml");
    File_RCobDef = Conf_Folder + QStringLiteral("/RCobDef.xml");
    File_RInfoCob = Conf_Folder + QStringLiteral("/RInfoCob.xml");
    File_TCobDef = Conf_Folder + QStringLiteral("/TCobDef.xml");
    File_TInfoCob = Conf_Folder + QStringLiteral("/TInfoCob.xml");
    File_Var = Conf_Folder + QStringLiteral("/var.xml");
    File_Var2 = Conf_Folder + QStringLiteral("/var2.xml");
}

void Workspace::activate(const QString& name)
{
    Active_Conf = name;
    Conf_Folder = name.isEmpty() ? QString() : Projects_Folder + u'/' + name;
    Set_Files();
}

QString Workspace::activeFolderName() const
{
    if (Conf_Folder.isEmpty())
        return {};
    const QString prefix = Projects_Folder + u'/';
    return Conf_Folder.startsWith(prefix) ? Conf_Folder.mid(prefix.size()) : Conf_Folder;
}

int Select_Type_318(const Workspace& ws)
{
    return readGeneralParametersFile(ws.File_ParGen).deviceType;
}

} // namespace px
