#include "core/shell/session.h"
#include "core/lang/message_ids.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/shell/home_folder.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace px {
namespace {

TEST(Session, FirstStartInAnEmptyFolder)
{
    QTemporaryDir dir;
    Session s;
    s.start(dir.path());
    for (const char* folder : {"MASTER", "PROJECTS", "LANGUAGE"})
        EXPECT_TRUE(QFileInfo(dir.filePath(QString::fromLatin1(folder))).isDir()) << folder;
    EXPECT_FALSE(s.ws.hasActiveConfiguration());
    EXPECT_EQ(s.settings.language, QStringLiteral("English"));
    EXPECT_FALSE(s.settings.versionCheckEnabled());
    EXPECT_EQ(s.confBoxLine1(), QStringLiteral("None Configuration Opened "));
    EXPECT_EQ(s.confBoxLine2(), QStringLiteral("Use Step1 to open or create new configuration"));
    EXPECT_EQ(s.ws.generalParametersFile, QStringLiteral("/ParGen.xml"));
    s.saveSettings();
    EXPECT_EQ(readWholeFile(dir.filePath(QStringLiteral("Orvane.xml"))), serializeSettings(AppSettings{}));
}

TEST(Session, ReopensTheLastConfigurationOnlyWhenItsFolderExists)
{
    test::TempHome home;
    home.write(QStringLiteral("Orvane.xml"),
               "<Conf_Settings><lastproj><projectname>Plant1</projectname></lastproj></Conf_Settings>");
    Session gone;
    gone.start(home.path());
    EXPECT_FALSE(gone.ws.hasActiveConfiguration());
    EXPECT_EQ(gone.ws.configurationName, QStringLiteral("Plant1"));
    gone.saveSettings(); // the name is kept to be tried again next time
    EXPECT_TRUE(home.read(QStringLiteral("Orvane.xml")).contains("<projectname>Plant1</projectname>"));

    QDir().mkpath(home.file(QStringLiteral("PROJECTS/Plant1/bin")));
    Session back;
    back.start(home.path());
    ASSERT_TRUE(back.ws.hasActiveConfiguration());
    EXPECT_EQ(back.ws.receiveFramesFile, home.path() + QStringLiteral("/PROJECTS/Plant1/RCobDef.xml"));
    EXPECT_EQ(back.confBoxLine1(), QStringLiteral("Opened Configuration of the Converter : "));
    EXPECT_EQ(back.confBoxLine2(), QStringLiteral("Plant1"));
}

TEST(Session, LastConfigurationOutsideThePlainFoldersOfProjectsIsNotReopened)
{
    // A hand-edited settings file may name a path instead of a configuration.
    test::TempHome home;
    QDir().mkpath(home.file(QStringLiteral("PROJECTS/Plant1/bin")));
    for (const char* name : {".", "..", "../MASTER", "Plant1/bin", "./Plant1"}) {
        home.write(QStringLiteral("Orvane.xml"), QByteArray("<Conf_Settings><lastproj><projectname>") + name
                                                     + "</projectname></lastproj></Conf_Settings>");
        Session s;
        s.start(home.path());
        EXPECT_FALSE(s.ws.hasActiveConfiguration()) << name;
        EXPECT_EQ(s.ws.configurationName, QString::fromLatin1(name));
    }
}

TEST(Session, SettingsThatCannotBeWrittenAreReported)
{
    test::TempHome home;
    // A folder standing where the settings file should be refuses the write.
    QDir().mkpath(home.file(QStringLiteral("Orvane.xml/inner")));
    EXPECT_THROW(home.session.saveSettings(), Error);
}

TEST(DeviceTypeQuery, ReadsDeviceTypeAnewAtEveryCall)
{
    test::TempHome home;
    home.activate(QStringLiteral("P"));
    EXPECT_EQ(activeDeviceType(home.session.ws), 0); // no ParGen.xml
    const struct {
        const char* file;
        int type;
    } cases[] = {
        {"<GeneralParameter><Device_Type>1</Device_Type></GeneralParameter>", 1},
        {"<GeneralParameter><Device_Type>2</Device_Type></GeneralParameter>", 2},
        {"<GeneralParameter><Device_Type>abc</Device_Type></GeneralParameter>", 0},
        {"<GeneralParameter><Port>502</Port></GeneralParameter>", 0},
        {"<X><Device_Type>$1</Device_Type></X><!--SW_VERSION = 2.505-->", 1},
    };
    for (const auto& c : cases) {
        home.write(QStringLiteral("PROJECTS/P/ParGen.xml"), c.file);
        EXPECT_EQ(activeDeviceType(home.session.ws), c.type) << c.file;
    }
    home.write(QStringLiteral("PROJECTS/P/ParGen.xml"), "<GeneralParameter><Device_Type>1</Device_Type>");
    try {
        activeDeviceType(home.session.ws);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("ParGen.xml"))) << e.text().toStdString();
    }
}

TEST(Configurations, CreateRefusesInOrderAndMakesTheBinFolder)
{
    test::TempHome home;
    Workspace& ws = home.session.ws;
    QDir().mkpath(home.file(QStringLiteral("PROJECTS/Existing")));
    home.write(QStringLiteral("PROJECTS/AFile"), "x");
    constexpr int kEmpty = msg::kNewConfigNameEmpty;
    constexpr int kExists = msg::kNewConfigNameExists;
    constexpr int kRefused = msg::kNewConfigNameRefused;
    constexpr int kFile = msg::kNewConfigNameFileExists;
    constexpr int kReserved = msg::kNewConfigNameReserved;
    constexpr int kControl = msg::kNewConfigNameControl;
    const struct {
        const char* name;
        int result;
    } refusals[] = {
        // Names are told apart without regard to letter case, on every file system, so
        // that the Open dialog finds the configuration meant and PROJECTS stays usable
        // where case is ignored.
        {"", kEmpty}, {"Existing", kExists}, {"EXISTING", kExists}, {"existinG", kExists}, {"AFile", kFile}, {"../Outside", kRefused}, {"a/b", kRefused}, {"a\\b", kRefused}, {".", kReserved}, {"..", kReserved},
        // A control character, which no list shows as typed (the settings file could not
        // keep some of them either), is refused saying so.
        {"Plant\x01", kControl}, {"Line\x1f", kControl},
        // Names that look like another configuration or lose their end on Windows.
        {" ", kRefused}, {"   ", kRefused}, {"\t", kControl}, {" Lead", kRefused}, {"Trail ", kRefused}, {"Tab\t", kControl}, {"Dot.", kRefused}, {"Existing ", kRefused},
    };
    for (const auto& r : refusals) {
        EXPECT_EQ(createConfiguration(ws, QString::fromLatin1(r.name)), r.result) << r.name;
        EXPECT_FALSE(ws.hasActiveConfiguration());
    }
    EXPECT_FALSE(QFileInfo::exists(home.file(QStringLiteral("Outside"))));
    EXPECT_EQ(QDir(ws.projectsFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{QStringLiteral("Existing")});

    EXPECT_EQ(createConfiguration(ws, QStringLiteral("Plant A")), std::nullopt);
    EXPECT_TRUE(QFileInfo(home.file(QStringLiteral("PROJECTS/Plant A/bin"))).isDir());
    EXPECT_EQ(ws.configurationName, QStringLiteral("Plant A"));
    EXPECT_EQ(ws.generalParametersFile, home.path() + QStringLiteral("/PROJECTS/Plant A/ParGen.xml"));
    EXPECT_EQ(createConfiguration(ws, QStringLiteral("v1.2 plant")), std::nullopt) << "a dot or blank inside is kept";
}

TEST(Configurations, ListingAndCaseInsensitiveSearch)
{
    test::TempHome home;
    for (const char* name : {"beta", "Alpha", "gamma"})
        QDir().mkpath(home.file(QStringLiteral("PROJECTS/") + QString::fromLatin1(name)));
    home.write(QStringLiteral("PROJECTS/notes.txt"), "x");
    const QStringList names = listConfigurations(home.session.ws.projectsFolder);
    EXPECT_EQ(names, (QStringList{QStringLiteral("Alpha"), QStringLiteral("beta"), QStringLiteral("gamma")}));
    EXPECT_EQ(findConfiguration(names, QStringLiteral("BETA")), 1);
    EXPECT_EQ(findConfiguration(names, QStringLiteral("alpha")), 0);
    EXPECT_EQ(findConfiguration(names, QStringLiteral("delta")), -1);
    EXPECT_EQ(findConfiguration(names, QString()), -1);
    // Folders made outside the program may differ in case only: the exact name wins.
    const QStringList twins{QStringLiteral("plant1"), QStringLiteral("Plant1"), QStringLiteral("PLANT1")};
    EXPECT_EQ(findConfiguration(twins, QStringLiteral("Plant1")), 1);
    EXPECT_EQ(findConfiguration(twins, QStringLiteral("pLANT1")), 0);
    EXPECT_TRUE(listConfigurations(home.file(QStringLiteral("missing"))).isEmpty());
}

TEST(HomeFolder, ConfiguratorOptions)
{
    const struct {
        QStringList args;
        const char* home;
        bool help;
        bool version;
        const char* error; // part of the error text; empty: accepted
    } cases[] = {
        {{}, "", false, false, ""},
        {{QStringLiteral("--home"), QStringLiteral("/h")}, "/h", false, false, ""},
        {{QStringLiteral("--home=/h"), QStringLiteral("--help")}, "/h", true, false, ""},
        {{QStringLiteral("-h")}, "", true, false, ""},
        {{QStringLiteral("--version")}, "", false, true, ""},
        // Qt's own options are left to the application object.
        {{QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("-reverse")}, "", false, false, ""},
        {{QStringLiteral("--home")}, "", false, false, "--home"},
        {{QStringLiteral("--home=")}, "", false, false, "--home needs a folder"},
        {{QStringLiteral("--home"), QStringLiteral("/a"), QStringLiteral("--home"), QStringLiteral("/b")}, "", false, false, "twice"},
        {{QStringLiteral("--frobnicate")}, "", false, false, "frobnicate"},
        {{QStringLiteral("stray")}, "", false, false, "stray"},
    };
    for (const auto& c : cases) {
        const ConfiguratorOptions o = parseConfiguratorOptions(c.args);
        const QString what = c.args.join(u' ');
        EXPECT_TRUE(o.error.contains(QString::fromLatin1(c.error))) << what.toStdString() << ": " << o.error.toStdString();
        EXPECT_EQ(o.error.isEmpty(), *c.error == 0) << what.toStdString();
        if (o.error.isEmpty()) {
            EXPECT_EQ(o.homeFolder, QString::fromLatin1(c.home)) << what.toStdString();
            EXPECT_EQ(o.help, c.help) << what.toStdString();
            EXPECT_EQ(o.version, c.version) << what.toStdString();
        }
    }
    EXPECT_TRUE(configuratorHelp().contains(QStringLiteral("--home DIR")));
}

// --home before PX40318_HOME before the executable's folder of a portable copy; an
// installed program (its folder not writable, or the bin folder of an installed tree)
// keeps its home in the user's data folder.
TEST(HomeFolder, PortableCopyOrInstalledProgram)
{
    QTemporaryDir root;
    const QString portable = root.filePath(QStringLiteral("portable"));
    const QString installedBin = root.filePath(QStringLiteral("usr/bin"));
    QDir().mkpath(portable);
    QDir().mkpath(installedBin);
    QDir().mkpath(root.filePath(QStringLiteral("usr/share/px40318/examples")));
    // A folder that cannot be written: its parent is a plain file, so it cannot even exist.
    QFile plain(root.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString unwritable = root.filePath(QStringLiteral("plain/bin"));
    const QString userData = root.filePath(QStringLiteral("data/px40318-configurator"));

    const struct {
        QString commandLine;
        QString environment;
        QString executableFolder;
        QString expected;
        HomeSource source;
    } cases[] = {
        {{}, {}, portable, portable, HomeSource::ExecutableFolder},
        {{}, {}, installedBin, userData, HomeSource::UserDataFolder},
        {{}, {}, unwritable, userData, HomeSource::UserDataFolder},
        {{}, root.filePath(QStringLiteral("env")), installedBin, root.filePath(QStringLiteral("env")), HomeSource::Environment},
        {root.filePath(QStringLiteral("given")), root.filePath(QStringLiteral("env")), portable, root.filePath(QStringLiteral("given")),
         HomeSource::CommandLine},
    };
    for (const auto& c : cases) {
        const HomeFolder home = chooseHomeFolder(c.commandLine, c.environment, c.executableFolder, userData);
        EXPECT_EQ(home.path, c.expected) << c.executableFolder.toStdString();
        EXPECT_EQ(home.source, c.source) << c.executableFolder.toStdString();
    }
    EXPECT_FALSE(isInstalledProgram(portable));
    EXPECT_TRUE(isInstalledProgram(installedBin));
    EXPECT_TRUE(isInstalledProgram(unwritable));

    // A relative --home is taken from the current folder, as the old start did.
    EXPECT_EQ(chooseHomeFolder(QStringLiteral("rel"), {}, portable, userData).path, QDir::current().absoluteFilePath(QStringLiteral("rel")));

    // The session creates the user's data folder's MASTER, PROJECTS and LANGUAGE on start.
    Session session;
    QDir().mkpath(userData);
    session.start(chooseHomeFolder({}, {}, installedBin, userData).path);
    for (const char* folder : {"MASTER", "PROJECTS", "LANGUAGE"})
        EXPECT_TRUE(QFileInfo(userData + u'/' + QLatin1StringView(folder)).isDir()) << folder;
    EXPECT_EQ(session.ws.homeFolder, userData);
}

} // namespace
} // namespace px
