#pragma once

#include <QString>
#include <QStringList>

namespace px {

// The configurator's own command line: --home DIR (or --home=DIR), --help, --version, and
// the options Qt's application object reads itself (-platform NAME, -style NAME, ...),
// which are accepted and left to it. Read before any application object exists, so that
// --help and --version need no display.
struct ConfiguratorOptions {
    QString homeFolder;  // --home, or empty
    bool help = false;
    bool version = false;
    QString error;       // a wrong argument, to show with the usage (exit status 2)
};

ConfiguratorOptions parseConfiguratorOptions(const QStringList& arguments);
// The text of --help, which the usage on a wrong argument repeats.
QString configuratorHelp();

// Where the home folder came from.
enum class HomeSource { CommandLine, Environment, ExecutableFolder, UserDataFolder };

struct HomeFolder {
    QString path;
    HomeSource source = HomeSource::ExecutableFolder;
};

// The home folder of a run, the one rule for it: `--home DIR`, else the environment
// variable PX40318_HOME, else the executable's folder for a portable copy, else (an
// installed program) the user's data folder. The caller creates the folder.
HomeFolder chooseHomeFolder(const QString& commandLineFolder, const QString& environmentValue,
                            const QString& executableFolder, const QString& userDataFolder);

// Whether the program in `executableFolder` is installed rather than a portable copy: its
// folder cannot be written, or it is the bin folder of an installed tree (beside
// share/px40318, which an administrator may well be able to write).
bool isInstalledProgram(const QString& executableFolder);

} // namespace px
