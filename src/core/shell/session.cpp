#include "core/shell/session.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
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
    document.close();
    lock.release();
    readOnly = false;
}

void Session::saveSettings()
{
    settings.lastConfiguration = ws.configurationName;
    px::saveSettings(ws.settingsFile(), settings);
}

config::ConfigurationDocument& Session::activeDocument()
{
    if (!ws.hasActiveConfiguration())
        document.close();
    else if (document.folder() != ws.configurationFolder)
        document.open(ws.configurationFolder);
    else
        document.refresh();
    return document;
}

const config::Configuration& Session::activeConfiguration()
{
    const config::ConfigurationDocument& doc = activeDocument();
    if (!doc.isOpen())
        throw Error(msg::kNoConfigurationOpen);
    for (int i = 0; i < 5; ++i) {
        if (const std::optional<Error>& fault = doc.readFault(static_cast<config::ConfigFile>(i)))
            throw *fault;
    }
    return doc.configuration();
}

DeviceType Session::activeDeviceType()
{
    const config::ConfigurationDocument& doc = activeDocument();
    if (const std::optional<Error>& fault = doc.readFault(config::ConfigFile::GeneralParameters))
        throw *fault;
    return doc.configuration().general.deviceType;
}

bool Session::claimActiveConfiguration()
{
    readOnly = false;
    lock.release();
    if (!ws.hasActiveConfiguration())
        return true;
    if (lock.acquire(ws.configurationFolder))
        return true;
    readOnly = true;
    return false;
}

namespace {

// The document as the editor read it: refreshed here, it would hide what another program
// changed meanwhile.
config::ConfigurationDocument& documentOfTheEdit(Session& session)
{
    config::ConfigurationDocument& document = session.document;
    if (!document.isOpen() || document.folder() != session.ws.configurationFolder)
        document.open(session.ws.configurationFolder);
    return document;
}

} // namespace

SaveQuestion saveQuestion(Session& session)
{
    if (session.readOnly)
        return {SaveQuestion::Kind::ReadOnly, {}};
    config::ConfigurationDocument& document = documentOfTheEdit(session);
    SaveQuestion question;
    for (const config::ConfigFile file : document.changedOnDisk())
        question.changedFiles << displayPath(document.path(file));
    if (!question.changedFiles.isEmpty())
        question.kind = SaveQuestion::Kind::FilesChangedOnDisk;
    return question;
}

SaveOutcome finishSave(Session& session, SaveDecision decision,
                       const std::function<std::vector<config::ConfigFile>(config::ConfigurationDocument&)>& edit)
{
    if (session.readOnly)
        return SaveOutcome::Back;
    config::ConfigurationDocument& document = documentOfTheEdit(session);
    switch (decision) {
    case SaveDecision::Back:
        return SaveOutcome::Back;
    case SaveDecision::Reload:
        document.refresh();
        return SaveOutcome::Reloaded;
    case SaveDecision::Write:
        break;
    }
    config::ConfigurationDocument changedCopy = document;
    changedCopy.save(edit(changedCopy));
    // Files another program wrote that this edit did not touch are taken as they are.
    changedCopy.refresh();
    document = std::move(changedCopy);
    return SaveOutcome::Saved;
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
