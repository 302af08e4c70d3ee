#include "core/base/atomic_file.h"
#include "core/config/configuration.h"
#include "core/shell/config_archive.h"
#include "support/temp_home.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace px {
namespace {

struct ToolRun {
    int status = -1;
    QString out;
    QString err;
};

ToolRun run(const QStringList& args, const QString& workingFolder = {})
{
    QProcess p;
    if (!workingFolder.isEmpty())
        p.setWorkingDirectory(workingFolder);
    p.start(QStringLiteral(PX40318_EXE), args);
    EXPECT_TRUE(p.waitForFinished(60000)) << args.join(u' ').toStdString();
    ToolRun r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// Every file below `folder` with its bytes, by relative path.
std::map<QString, QByteArray> filesBelow(const QString& folder)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        files[QDir(folder).relativeFilePath(it.filePath())] = readWholeFile(it.filePath());
    }
    return files;
}

class ManageTool : public ::testing::Test {
protected:
    QString example(const QString& name, const QString& as)
    {
        return test::copyExample(name, dir.filePath(as));
    }
    QTemporaryDir dir;
};

TEST_F(ManageTool, PackThenUnpackGivesTheSameConfiguration)
{
    const QString source = example(QStringLiteral("Conveyor_DipSwitch"), QStringLiteral("Belt"));
    writeFileAtomically(source + QStringLiteral("/bin/bank.bin"), "image");
    QDir().mkpath(dir.filePath(QStringLiteral("PROJECTS")));

    // Without --out the archive is named after the folder, in the current folder.
    ToolRun r = run({QStringLiteral("pack"), source, QStringLiteral("--with-images")}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("Belt.zip"))).isFile());

    r = run({QStringLiteral("unpack"), dir.filePath(QStringLiteral("Belt.zip")), dir.filePath(QStringLiteral("PROJECTS"))});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(filesBelow(dir.filePath(QStringLiteral("PROJECTS/Belt"))), filesBelow(source));

    r = run({QStringLiteral("pack"), source, QStringLiteral("--out"), dir.filePath(QStringLiteral("plain.zip"))});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    r = run({QStringLiteral("unpack"), dir.filePath(QStringLiteral("plain.zip")), dir.filePath(QStringLiteral("PROJECTS")),
             QStringLiteral("--name"), QStringLiteral("Belt 2")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    auto expected = filesBelow(source);
    expected.erase(QStringLiteral("bin/bank.bin"));
    EXPECT_EQ(filesBelow(dir.filePath(QStringLiteral("PROJECTS/Belt 2"))), expected);
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("PROJECTS/Belt 2/bin"))).isDir());
}

TEST_F(ManageTool, RefusalsWriteNothing)
{
    const QString source = example(QStringLiteral("PumpStation_Jumper"), QStringLiteral("Pump"));
    const QString projects = dir.filePath(QStringLiteral("PROJECTS"));
    QDir().mkpath(projects + QStringLiteral("/pump/bin"));
    const QString zip = dir.filePath(QStringLiteral("Pump.zip"));
    ASSERT_EQ(run({QStringLiteral("pack"), source, QStringLiteral("--out"), zip}).status, 0);
    writeFileAtomically(dir.filePath(QStringLiteral("junk.zip")), "no zip at all");

    const struct {
        QStringList args;
        const char* says;
    } cases[] = {
        {{QStringLiteral("unpack"), zip, projects}, "'Pump': Error! Name project is not valid because directory already exists"},
        {{QStringLiteral("unpack"), zip, projects, QStringLiteral("--name"), QString()}, "'': Error! Name Project is not valid"},
        {{QStringLiteral("unpack"), zip, projects, QStringLiteral("--name"), QStringLiteral("../Out")}, "'../Out': Error! Name project is not valid"},
        {{QStringLiteral("unpack"), dir.filePath(QStringLiteral("junk.zip")), projects}, "junk.zip is not a configuration archive of PX40318: it is no zip file"},
        {{QStringLiteral("unpack"), zip, dir.filePath(QStringLiteral("missing"))}, "is not a folder"},
        {{QStringLiteral("pack"), dir.filePath(QStringLiteral("missing"))}, "is not a configuration folder"},
    };
    const auto before = filesBelow(dir.path());
    for (const auto& c : cases) {
        const ToolRun r = run(c.args, dir.path());
        EXPECT_EQ(r.status, 1) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1StringView(c.says))) << r.err.toStdString();
    }
    EXPECT_EQ(filesBelow(dir.path()), before);
    EXPECT_EQ(QDir(projects).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{QStringLiteral("pump")});
}

TEST_F(ManageTool, CopyAddsTheOffsetsOrRefusesWithNothingWritten)
{
    const QString source = example(QStringLiteral("Conveyor_DipSwitch"), QStringLiteral("Belt"));
    const QString target = dir.filePath(QStringLiteral("Belt 2"));
    // One identifier offset for both directions, registers apart.
    ToolRun r = run({QStringLiteral("copy"), source, target, QStringLiteral("--id-offset"), QStringLiteral("0x10"),
                     QStringLiteral("--register-offset"), QStringLiteral("100"), QStringLiteral("--tx-register-offset"),
                     QStringLiteral("$0")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const config::Configuration copy = config::readConfiguration(target);
    EXPECT_EQ(copy.receiveFrames.at(2).cobId, QStringLiteral("0x291"));
    EXPECT_EQ(copy.transmitFrames.at(1).cobId, QStringLiteral("0x311"));
    EXPECT_EQ(copy.receiveMappings.at(4).registerIndex, QStringLiteral("110"));
    EXPECT_EQ(copy.transmitMappings.at(0).registerIndex, QStringLiteral("1000"));

    const auto before = filesBelow(dir.path());
    r = run({QStringLiteral("copy"), source, dir.filePath(QStringLiteral("Belt 3")), QStringLiteral("--tx-id-offset"),
             QStringLiteral("0x500")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Transmit frame 2 (Cob-ID 0x301, Alarm lamp): with the offset 0x500"))) << r.err.toStdString();
    r = run({QStringLiteral("copy"), source, dir.filePath(QStringLiteral("BELT 2"))});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("because directory already exists"))) << r.err.toStdString();
    EXPECT_EQ(filesBelow(dir.path()), before);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("Belt 3"))));
}

TEST_F(ManageTool, WrongArgumentsGiveTheUsage)
{
    const QStringList cases[] = {
        {QStringLiteral("pack")},
        {QStringLiteral("pack"), QStringLiteral("a"), QStringLiteral("b")},
        {QStringLiteral("pack"), QStringLiteral("a"), QStringLiteral("--out")},
        {QStringLiteral("pack"), QStringLiteral("a"), QStringLiteral("--images")},
        {QStringLiteral("copy"), QStringLiteral("a")},
        {QStringLiteral("copy"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("--id-offset"), QStringLiteral("ten")},
        {QStringLiteral("copy"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("--register-offset"), QStringLiteral("70000")},
        {QStringLiteral("unpack"), QStringLiteral("a.zip")},
        {QStringLiteral("unpack"), QStringLiteral("a.zip"), QStringLiteral("b"), QStringLiteral("c")},
        {QStringLiteral("unpack"), QStringLiteral("a.zip"), QStringLiteral("b"), QStringLiteral("--name")},
        {QStringLiteral("unpack"), QStringLiteral("a.zip"), QStringLiteral("b"), QStringLiteral("--name"), QStringLiteral("x"),
         QStringLiteral("--name"), QStringLiteral("y")},
    };
    for (const QStringList& args : cases) {
        const ToolRun r = run(args, dir.path());
        EXPECT_EQ(r.status, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("Usage: px40318"))) << r.err.toStdString();
    }
}

// One rule for every file the tool reads: a named pipe is refused at once, naming it,
// where it would be waited on for ever.
TEST_F(ManageTool, ANamedPipeIsRefusedByEveryReader)
{
    const QString pipe = dir.filePath(QStringLiteral("pipe.zip"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString plant = example(QStringLiteral("PumpStation_Jumper"), QStringLiteral("Plant"));
    const QStringList commands[] = {
        {QStringLiteral("dump"), pipe},
        {QStringLiteral("import"), plant, pipe, QStringLiteral("--receive"), QStringLiteral("all")},
        {QStringLiteral("unpack"), pipe, dir.path()},
    };
    for (const QStringList& args : commands) {
        const ToolRun r = run(args);
        EXPECT_EQ(r.status, 1) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("pipe.zip: it is not a regular file but a pipe, a device or a socket")))
            << r.err.toStdString();
    }
}

// A duplicated or unpacked configuration folder gets the mode every other folder gets
// (the umask's), not the one of a private temporary folder.
TEST_F(ManageTool, CopiedAndUnpackedFoldersGetTheUsualMode)
{
    const QString plant = example(QStringLiteral("PumpStation_Jumper"), QStringLiteral("Plant"));
    ASSERT_TRUE(QDir().mkdir(dir.filePath(QStringLiteral("made"))));
    const QFileDevice::Permissions usual = QFileInfo(dir.filePath(QStringLiteral("made"))).permissions();
    ASSERT_EQ(run({QStringLiteral("copy"), plant, dir.filePath(QStringLiteral("Copy"))}).status, 0);
    EXPECT_EQ(QFileInfo(dir.filePath(QStringLiteral("Copy"))).permissions(), usual);
    const QString zip = dir.filePath(QStringLiteral("Plant.zip"));
    ASSERT_EQ(run({QStringLiteral("pack"), plant, QStringLiteral("--out"), zip}).status, 0);
    ASSERT_EQ(run({QStringLiteral("unpack"), zip, dir.path(), QStringLiteral("--name"), QStringLiteral("Unpacked")}).status, 0);
    EXPECT_EQ(QFileInfo(dir.filePath(QStringLiteral("Unpacked"))).permissions(), usual);
}

// A refused name says why: a file in the way, "." or "..", a line break in a manifest's name.
TEST_F(ManageTool, RefusedNamesNameTheRealCause)
{
    const QString plant = example(QStringLiteral("PumpStation_Jumper"), QStringLiteral("Plant"));
    QFile taken(dir.filePath(QStringLiteral("taken")));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.close();
    const ToolRun onFile = run({QStringLiteral("copy"), plant, taken.fileName()});
    EXPECT_EQ(onFile.status, 1);
    EXPECT_EQ(onFile.err, QStringLiteral("px40318: 'taken': Error! Name project is not valid because a file of that name exists\n"));

    const QString projects = dir.filePath(QStringLiteral("PROJECTS"));
    ASSERT_TRUE(QDir().mkdir(projects));
    const struct {
        QString manifestName;
        QString cause;
    } cases[] = {
        {QStringLiteral(".."), QStringLiteral("because \".\" and \"..\" name folders, not configurations")},
        {QStringLiteral("."), QStringLiteral("because \".\" and \"..\" name folders, not configurations")},
        {QStringLiteral("Line\n1"), QStringLiteral("because it holds a line break or another control character")},
        {QStringLiteral("Line\t1"), QStringLiteral("because it holds a line break or another control character")},
    };
    for (const auto& c : cases) {
        const QString zip = dir.filePath(QStringLiteral("named.zip"));
        writeConfigurationArchive(plant, c.manifestName, zip, false);
        const ToolRun r = run({QStringLiteral("unpack"), zip, projects});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.contains(c.cause)) << r.err.toStdString();
        EXPECT_TRUE(QDir(projects).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    }
}

} // namespace
} // namespace px
