#include "core/image/compiler.h"

#include "support/temp_home.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace px {
namespace {

struct ToolRun {
    int status = -1;
    QString out;
    QString err;
};

ToolRun run(const QStringList& args, const QString& program = QStringLiteral(PX40318_EXE))
{
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(30000)) << args.join(u' ').toStdString();
    ToolRun r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

const char* const kImages[] = {"bank.bin", "bank2.bin", "bank_ESP32_1.bin", "bank_ESP32_2.bin"};

class Tool : public ::testing::Test {
protected:
    // A copy of the example folder `name` in a fresh temporary folder.
    QString copyExample(const QString& name)
    {
        const QString to = dir.filePath(name);
        QDir().mkpath(to);
        QDirIterator it(QStringLiteral(PX_EXAMPLES_DIR "/") + name, {QStringLiteral("*.xml")}, QDir::Files);
        while (it.hasNext()) {
            it.next();
            EXPECT_TRUE(QFile::copy(it.filePath(), to + u'/' + it.fileName()));
        }
        return to;
    }
    static QByteArray read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void write(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QTemporaryDir dir;
};

TEST_F(Tool, CompilesEveryExampleAsTheCompilerDoes)
{
    for (const QString& name : QDir(QStringLiteral(PX_EXAMPLES_DIR)).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString conf = copyExample(name);
        const ToolRun r = run({QStringLiteral("compile"), conf});
        ASSERT_EQ(r.status, 0) << name.toStdString() << ": " << r.err.toStdString();
        image::CompileInput input = image::CompileInput::fromFolder(conf);
        const image::ConfigurationImage expected = image::CompileConfiguration(input);
        const QByteArray* bytes[] = {&expected.bank, &expected.bank2, &expected.esp32_1, &expected.esp32_2};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(read(conf + QStringLiteral("/bin/") + QLatin1StringView(kImages[i])), *bytes[i]) << kImages[i];
            EXPECT_TRUE(r.out.contains(QStringLiteral("%1 (%2 bytes)").arg(QLatin1StringView(kImages[i])).arg(bytes[i]->size())))
                << r.out.toStdString();
        }
    }
}

TEST_F(Tool, OutFolderIsCreatedAndTheConfigurationFolderLeftAlone)
{
    const QString conf = copyExample(QStringLiteral("Conveyor_DipSwitch"));
    const QString out = dir.filePath(QStringLiteral("images/today"));
    const ToolRun r = run({QStringLiteral("compile"), conf, QStringLiteral("--out"), out});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(read(out + QStringLiteral("/bank2.bin")).size(), 73728);
    EXPECT_FALSE(QDir(conf + QStringLiteral("/bin")).exists());
}

TEST_F(Tool, CompileErrorGoesToStandardErrorAndTouchesNoImage)
{
    const QString conf = copyExample(QStringLiteral("PumpStation_Jumper"));
    QDir().mkpath(conf + QStringLiteral("/bin"));
    for (const char* name : kImages)
        write(conf + QStringLiteral("/bin/") + QLatin1StringView(name), "old");
    write(conf + QStringLiteral("/RCobDef.xml"), R"(<COBID><row CobID="1" Dimensin="8"/><row Dimensin="8"/></COBID>)");
    const ToolRun r = run({QStringLiteral("compile"), conf});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("RCobDef.xml, row 2, attribute CobID"))) << r.err.toStdString();
    for (const char* name : kImages)
        EXPECT_EQ(read(conf + QStringLiteral("/bin/") + QLatin1StringView(name)), "old") << name;

    // An output folder that cannot be made (its parent is a file) is an error as well.
    write(dir.filePath(QStringLiteral("plain")), "x");
    const ToolRun w = run({QStringLiteral("compile"), copyExample(QStringLiteral("Conveyor_DipSwitch")), QStringLiteral("--out"),
                       dir.filePath(QStringLiteral("plain/bin"))});
    EXPECT_EQ(w.status, 1);
    EXPECT_TRUE(w.err.contains(QStringLiteral("plain"))) << w.err.toStdString();
}

TEST_F(Tool, DumpDecodesAnImageAndRefusesOtherFiles)
{
    const QString conf = copyExample(QStringLiteral("PumpStation_Jumper"));
    ASSERT_EQ(run({QStringLiteral("compile"), conf}).status, 0);
    const ToolRun r = run({QStringLiteral("dump"), conf + QStringLiteral("/bin/bank.bin")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("bank.bin: legacy image (device till April 2014), 4454 bytes, 11-bit identifiers\n")))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("  frame 1: identifier 0x181, length 8, time-out 1\n"))) << r.out.toStdString();

    const ToolRun bad = run({QStringLiteral("dump"), conf + QStringLiteral("/ParGen.xml")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("not a configuration image"))) << bad.err.toStdString();
    const ToolRun missing = run({QStringLiteral("dump"), conf + QStringLiteral("/none.bin")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("none.bin"))) << missing.err.toStdString();

    // A file longer than any image, and a device that never ends, are refused after the
    // bytes that the longest image could hold.
    write(dir.filePath(QStringLiteral("big.bin")), QByteArray(3'000'000, '\0'));
    QStringList endless{dir.filePath(QStringLiteral("big.bin"))};
    if (QFileInfo::exists(QStringLiteral("/dev/zero")))
        endless << QStringLiteral("/dev/zero");
    for (const QString& path : endless) {
        const ToolRun r = run({QStringLiteral("dump"), path});
        EXPECT_EQ(r.status, 1) << path.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("not a configuration image (more than 100001 bytes)"))) << r.err.toStdString();
    }
}

TEST_F(Tool, WrongArgumentsGiveTheUsageLine)
{
    const QStringList cases[] = {
        {},
        {QStringLiteral("frobnicate")},
        {QStringLiteral("compile")},
        {QStringLiteral("compile"), QStringLiteral("a"), QStringLiteral("b")},
        {QStringLiteral("compile"), QStringLiteral("a"), QStringLiteral("--out")},
        {QStringLiteral("compile"), QStringLiteral("--fast"), QStringLiteral("a")},
        {QStringLiteral("dump")},
        {QStringLiteral("dump"), QStringLiteral("a"), QStringLiteral("b")},
    };
    for (const QStringList& args : cases) {
        const ToolRun r = run(args);
        EXPECT_EQ(r.status, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("Usage: px40318"))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    const ToolRun help = run({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    for (const char* word : {"compile DIR [--out OUTDIR]", "dump FILE", "--version", "Exit status"})
        EXPECT_TRUE(help.out.contains(QLatin1StringView(word))) << word;
}

TEST_F(Tool, EachCommandHasItsOwnHelpAndUsage)
{
    // help NAME and NAME --help (or -h) print the same help of that command alone.
    for (const char* name : {"compile", "dump", "help"}) {
        const QString command = QLatin1StringView(name);
        const ToolRun help = run({QStringLiteral("help"), command});
        ASSERT_EQ(help.status, 0) << name;
        EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: px40318 ") + command)) << help.out.toStdString();
        EXPECT_TRUE(help.out.contains(QStringLiteral("Exit status"))) << name;
        for (const char* flag : {"--help", "-h"}) {
            const ToolRun own = run({command, QLatin1StringView(flag)});
            EXPECT_EQ(own.status, 0) << name << flag;
            EXPECT_EQ(own.out, help.out) << name << flag;
        }
    }
    const ToolRun compileHelp = run({QStringLiteral("compile"), QStringLiteral("--help")});
    for (const char* word : {"--out OUTDIR", "--quiet", "DIR/bin"})
        EXPECT_TRUE(compileHelp.out.contains(QLatin1StringView(word))) << word;

    // A wrong argument shows the usage of the command it was given to, or the tool's.
    const struct {
        QStringList args;
        const char* usage;
        const char* cause;
    } cases[] = {
        {{QStringLiteral("compile"), QStringLiteral("--fast"), QStringLiteral("a")}, "Usage: px40318 compile DIR [--out OUTDIR] [--quiet]", "fast"},
        {{QStringLiteral("compile"), QStringLiteral("-out")}, "Usage: px40318 compile ", "--out"},
        {{QStringLiteral("compile"), QStringLiteral("a"), QStringLiteral("--out=x"), QStringLiteral("--out"), QStringLiteral("y")},
         "Usage: px40318 compile ", "--out given twice"},
        {{QStringLiteral("dump"), QStringLiteral("--quiet"), QStringLiteral("a")}, "Usage: px40318 dump FILE", "quiet"},
        {{QStringLiteral("help"), QStringLiteral("a"), QStringLiteral("b")}, "Usage: px40318 help [COMMAND]", "'b'"},
        {{QStringLiteral("help"), QStringLiteral("frobnicate")}, "Usage: px40318 <command>", "frobnicate"},
        {{QStringLiteral("--frobnicate")}, "Usage: px40318 <command>", "--frobnicate"},
    };
    for (const auto& c : cases) {
        const ToolRun r = run(c.args);
        EXPECT_EQ(r.status, 2) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1StringView(c.usage))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1StringView(c.cause))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }

    const ToolRun version = run({QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, QStringLiteral("PX40318 2.505\n"));
}

TEST_F(Tool, QuietCompileWritesTheImagesAndPrintsNothing)
{
    const QString conf = copyExample(QStringLiteral("PumpStation_Jumper"));
    // Options may stand before the folder, and a folder named like an option follows --.
    QDir().mkpath(dir.filePath(QStringLiteral("--odd")));
    const ToolRun r = run({QStringLiteral("compile"), QStringLiteral("--quiet"), QStringLiteral("--out"),
                           dir.filePath(QStringLiteral("--odd")), QStringLiteral("--"), conf});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    EXPECT_EQ(read(dir.filePath(QStringLiteral("--odd/bank.bin"))).size(), 4454);
}

// The manual page and the bash completion are made from the command table: the page is
// clean roff naming every command, and the completion offers the commands, each
// command's options and the kind of argument it takes.
TEST_F(Tool, ManualPageAndCompletionFollowTheCommandTable)
{
    const QString groff = QStandardPaths::findExecutable(QStringLiteral("groff"));
    const QString bash = QStandardPaths::findExecutable(QStringLiteral("bash"));
    if (groff.isEmpty() || bash.isEmpty())
        GTEST_SKIP() << "groff or bash is not installed";

    const ToolRun man = run({QStringLiteral("help"), QStringLiteral("--man")});
    ASSERT_EQ(man.status, 0);
    for (const char* line : {".SS compile\n", ".SS dump\n", ".SS help\n", "\\-\\-out", ".SH EXIT STATUS"})
        EXPECT_TRUE(man.out.contains(QLatin1StringView(line))) << line;
    write(dir.filePath(QStringLiteral("px40318.1")), man.out.toUtf8());
    const ToolRun rendered = run({QStringLiteral("-man"), QStringLiteral("-ww"), QStringLiteral("-Tutf8"),
                                  dir.filePath(QStringLiteral("px40318.1"))}, groff);
    EXPECT_EQ(rendered.status, 0);
    EXPECT_TRUE(rendered.err.isEmpty()) << rendered.err.toStdString();
    EXPECT_FALSE(man.out.contains(QStringLiteral("bash-completion"))) << "a hidden option is in the page";

    const ToolRun completion = run({QStringLiteral("help"), QStringLiteral("--bash-completion")});
    ASSERT_EQ(completion.status, 0);
    write(dir.filePath(QStringLiteral("completion.bash")), completion.out.toUtf8());
    QDir().mkpath(dir.filePath(QStringLiteral("conf_a")));
    write(dir.filePath(QStringLiteral("conf_b.bin")), "x");
    // Each case: the words typed so far (the last one being completed) and what is offered.
    const struct {
        const char* words;
        const char* offered;
    } cases[] = {
        {"px40318 ''", "compile dbc dump help import simulate --help --version"},
        {"px40318 c", "compile"},
        {"px40318 compile --", "--out --quiet --help"},
        {"px40318 compile --out conf_", "conf_a"},
        {"px40318 compile conf_", "conf_a"},
        {"px40318 compile --out x conf_a ''", ""},
        {"px40318 dump conf_", "conf_a conf_b.bin"},
        {"px40318 help d", "dbc dump"},
    };
    for (const auto& c : cases) {
        const QString script = QStringLiteral("cd '%1' && source completion.bash && COMP_WORDS=(%2) && "
                                              "COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) && _px40318 && echo \"${COMPREPLY[*]}\"")
                                   .arg(dir.path(), QLatin1StringView(c.words));
        const ToolRun r = run({QStringLiteral("-c"), script}, bash);
        EXPECT_EQ(r.status, 0) << c.words << r.err.toStdString();
        QStringList offered = r.out.trimmed().split(u' ', Qt::SkipEmptyParts);
        offered.sort();
        QStringList expected = QString::fromLatin1(c.offered).split(u' ', Qt::SkipEmptyParts);
        expected.sort();
        EXPECT_EQ(offered, expected) << c.words;
    }
}

} // namespace
} // namespace px
