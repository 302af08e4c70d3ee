#include "core/shell/home_folder.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace px {

namespace {

// Options that Qt's application object takes from the same command line.
const char* const kQtValueOptions[] = {"platform", "platformpluginpath", "platformtheme", "plugin",
                                       "qmljsdebugger", "qwindowgeometry", "qwindowicon", "qwindowtitle",
                                       "session", "display", "geometry", "style", "stylesheet"};
const char* const kQtSwitches[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

} // namespace

ConfiguratorOptions parseConfiguratorOptions(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption home(QStringLiteral("home"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({home, help, version});
    for (const char* name : kQtValueOptions)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("value")));
    for (const char* name : kQtSwitches)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));

    ConfiguratorOptions options;
    if (!parser.parse(QStringList{QStringLiteral("px40318-configurator")} + arguments)) {
        options.error = parser.errorText();
        return options;
    }
    if (!parser.positionalArguments().isEmpty()) {
        options.error = QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst());
        return options;
    }
    if (parser.values(home).size() > 1) {
        options.error = QStringLiteral("--home given twice");
        return options;
    }
    options.homeFolder = parser.value(home);
    if (parser.isSet(home) && options.homeFolder.isEmpty()) {
        options.error = QStringLiteral("--home needs a folder");
        return options;
    }
    options.help = parser.isSet(help);
    options.version = parser.isSet(version);
    return options;
}

QString configuratorHelp()
{
    return QStringLiteral(
        "Usage: px40318-configurator [--home DIR] [--help] [--version]\n"
        "\n"
        "Starts the PX40318 configurator for the CAN / Modbus TCP Slave - Converter.\n"
        "\n"
        "  --home DIR   keep the settings, configurations, languages and firmware images in DIR\n"
        "               (default: $PX40318_HOME, else the folder of the executable for a\n"
        "               portable copy, else - an installed program - the user's data folder,\n"
        "               ~/.local/share/px40318-configurator; the manual page tells which)\n"
        "  -h, --help   show this text and exit\n"
        "  --version    show the software code and version and exit\n");
}

bool isInstalledProgram(const QString& executableFolder)
{
    const QFileInfo folder(executableFolder);
    if (!folder.isDir() || !folder.isWritable())
        return true;
    return QFileInfo(executableFolder + QStringLiteral("/../share/px40318")).isDir();
}

HomeFolder chooseHomeFolder(const QString& commandLineFolder, const QString& environmentValue,
                            const QString& executableFolder, const QString& userDataFolder)
{
    if (!commandLineFolder.isEmpty())
        return {QDir(commandLineFolder).absolutePath(), HomeSource::CommandLine};
    if (!environmentValue.isEmpty())
        return {QDir(environmentValue).absolutePath(), HomeSource::Environment};
    if (!isInstalledProgram(executableFolder))
        return {executableFolder, HomeSource::ExecutableFolder};
    return {userDataFolder, HomeSource::UserDataFolder};
}

} // namespace px
