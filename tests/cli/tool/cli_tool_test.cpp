#include "core/image/compiler.h"

#include "support/temp_home.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace px {
namespace {

struct ToolRun {
    int status = -1;
    QString out;
    QString err;
};

ToolRun run(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(PX40318_EXE), args);
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

} // namespace
} // namespace px
