#include "core/image/compiler.h"

#include "support/temp_home.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "../tool_run.h"

#include <gtest/gtest.h>

#include <functional>

namespace px {
namespace {

using test::ToolRun;

ToolRun run(const QStringList& args, const QString& program = QStringLiteral(PX40318_EXE))
{
    return test::runTool(args, program);
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
    static QByteArray read(const QString& path) { return test::readFile(path); }
    static void write(const QString& path, const QByteArray& bytes) { test::writeFile(path, bytes); }

    QTemporaryDir dir;
};

TEST_F(Tool, CompilesEveryExampleAsTheCompilerDoes)
{
    for (const QString& name : QDir(QStringLiteral(PX_EXAMPLES_DIR)).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString conf = copyExample(name);
        const ToolRun r = run({QStringLiteral("compile"), conf});
        ASSERT_EQ(r.status, 0) << name.toStdString() << ": " << r.err.toStdString();
        image::CompileInput input = image::CompileInput::fromFolder(conf);
        const image::ConfigurationImage expected = image::compileConfiguration(input);
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

// Runs `script` with sh inside `unshare OPTIONS` (positional parameters $1...: `args`);
// false when this system gives no user namespace.
bool runUnshared(const QStringList& options, const QString& script, const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("unshare"), options + QStringList{QStringLiteral("sh"), QStringLiteral("-c"), script,
                                                             QStringLiteral("sh")} + args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool userNamespaces()
{
    static const bool available = runUnshared({QStringLiteral("-Urm")}, QStringLiteral("true"), {});
    return available;
}

TEST_F(Tool, ConfigurationFilesThatAreNoFilesStopTheCompile)
{
    // Only a file that does not exist counts as missing; anything else in its place stops
    // the compile with its name and cause, and no image is written. A pipe is never opened.
    const QString out = dir.filePath(QStringLiteral("out"));
    const struct {
        const char* file;
        const char* cause;
        std::function<void(const QString&)> make;
    } cases[] = {
        {"RCobDef.xml", "it is a folder", [](const QString& p) { QDir().mkpath(p); }},
        {"TInfoCob.xml", "which does not exist", [this](const QString& p) {
             QFile::link(dir.filePath(QStringLiteral("nowhere.xml")), p);
         }},
        {"ParGen.xml", "not a regular file", [](const QString& p) {
             ASSERT_EQ(QProcess::execute(QStringLiteral("mkfifo"), {p}), 0);
         }},
        {"RInfoCob.xml", "holds 4194305 bytes, more than the 4194304 bytes", [](const QString& p) {
             write(p, "<RInfoCob>" + QByteArray(4194305 - 22, ' ') + "</RInfoCob>\n");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const QString conf = copyExample(QStringLiteral("Conveyor_DipSwitch"));
        const QString path = conf + u'/' + QLatin1StringView(c.file);
        QFile::remove(path);
        c.make(path);
        const ToolRun r = run({QStringLiteral("compile"), conf, QStringLiteral("--out"), out});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.contains(QLatin1StringView(c.file)) && r.err.contains(QLatin1StringView(c.cause)))
            << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(out));
        QDir(conf).removeRecursively();
    }
}

TEST_F(Tool, UnreadableFilesAndFoldersStopTheCompile)
{
    // Without the rights of root, in a user namespace: a file without read permission and
    // a configuration folder that cannot be listed.
    if (!userNamespaces())
        GTEST_SKIP() << "no user namespaces here";
    const QString conf = copyExample(QStringLiteral("Conveyor_DipSwitch"));
    const QString out = dir.filePath(QStringLiteral("out"));
    const QString err = dir.filePath(QStringLiteral("err"));
    const QString script = QStringLiteral("\"$1\" compile \"$2\" --out \"$3\" 2> \"$4\"; echo $? >> \"$4\"");
    const QStringList args{QStringLiteral(PX40318_EXE), conf, out, err};

    QFile::setPermissions(conf + QStringLiteral("/TCobDef.xml"), {});
    ASSERT_TRUE(runUnshared({QStringLiteral("-U")}, script, args));
    EXPECT_EQ(read(err), "px40318: Cannot read the file " + (conf + QStringLiteral("/TCobDef.xml: Permission denied\n1\n")).toUtf8());
    EXPECT_FALSE(QFileInfo::exists(out));

    QFile::setPermissions(conf + QStringLiteral("/TCobDef.xml"), QFile::ReadOwner | QFile::WriteOwner);
    QFile::setPermissions(conf, {});
    ASSERT_TRUE(runUnshared({QStringLiteral("-U")}, script, args));
    QFile::setPermissions(conf, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(read(err), "px40318: Cannot read the configuration folder " + conf.toUtf8() + ": permission denied\n1\n");
    EXPECT_FALSE(QFileInfo::exists(out));
}

TEST_F(Tool, RefusedWritesNameTheCauseAndKeepTheEarlierImages)
{
    // Each write fault exits 1 with the system's cause, and the images of the compile
    // before stay whole. Mounts are made in a private user and mount namespace.
    if (!userNamespaces())
        GTEST_SKIP() << "no user namespaces here";
    const QString first = copyExample(QStringLiteral("Conveyor_DipSwitch"));
    const QString second = copyExample(QStringLiteral("PumpStation_Jumper"));
    const QString area = dir.filePath(QStringLiteral("area"));
    const QString before = dir.filePath(QStringLiteral("before"));
    const QString after = dir.filePath(QStringLiteral("after"));
    const QString err = dir.filePath(QStringLiteral("err"));
    const struct {
        const char* fault;
        QStringList unshare;
        QString prepare;   // makes $A/bin hold the first compile's images and provokes the fault
        const char* cause;
    } cases[] = {
        // Room for the earlier images and the first three new ones: the fourth does not fit.
        {"full disk", {QStringLiteral("-Urm")},
         QStringLiteral("mount -t tmpfs -o size=260k tmpfs \"$A\" && \"$T\" compile \"$1\" --out \"$A/bin\" > /dev/null"),
         "bank_ESP32_2.bin: No space left on device"},
        {"read-only folder", {QStringLiteral("-Urm")},
         QStringLiteral("\"$T\" compile \"$1\" --out \"$A/bin\" > /dev/null && mount --bind \"$A\" \"$A\" && "
                        "mount -o remount,bind,ro \"$A\""),
         "bank.bin: Read-only file system"},
        {"folder without write permission", {QStringLiteral("-U")},
         QStringLiteral("\"$T\" compile \"$1\" --out \"$A/bin\" > /dev/null && chmod 555 \"$A/bin\""),
         "bank.bin: Permission denied"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        for (const QString& d : {area, before, after}) {
            QDir(d).removeRecursively();
            QDir().mkpath(d);
        }
        const QString script = QStringLiteral("T=\"$3\"; A=\"$4\"; set -e; ") + c.prepare
            + QStringLiteral("; cp \"$A\"/bin/* \"$5\"; set +e; \"$T\" compile \"$2\" --out \"$A/bin\" 2> \"$7\"; "
                             "echo $? >> \"$7\"; cp \"$A\"/bin/* \"$6\"; ls -A \"$A/bin\" >> \"$7\"; chmod 755 \"$A/bin\" 2> /dev/null; true");
        ASSERT_TRUE(runUnshared(c.unshare, script, {first, second, QStringLiteral(PX40318_EXE), area, before, after, err}));
        const QString text = QString::fromUtf8(read(err));
        EXPECT_TRUE(text.contains(QLatin1StringView(c.cause))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("\n1\nbank.bin\nbank2.bin\nbank_ESP32_1.bin\nbank_ESP32_2.bin\n")))
            << text.toStdString();   // exit status 1, and no temporary file left
        for (const char* name : kImages) {
            const QByteArray old = read(before + u'/' + QLatin1StringView(name));
            EXPECT_FALSE(old.isEmpty()) << name;
            EXPECT_EQ(read(after + u'/' + QLatin1StringView(name)), old) << name;
        }
    }

    // A failed compile into a new output folder leaves no folder behind.
    QDir(area).removeRecursively();
    QDir().mkpath(area);
    const QString script = QStringLiteral("mount -t tmpfs -o size=64k tmpfs \"$3\" && \"$2\" compile \"$1\" --out \"$3/new/bin\" "
                                          "2> \"$4\"; echo $? >> \"$4\"; ls -A \"$3\" >> \"$4\"");
    ASSERT_TRUE(runUnshared({QStringLiteral("-Urm")}, script, {first, QStringLiteral(PX40318_EXE), area, err}));
    const QString text = QString::fromUtf8(read(err));
    EXPECT_TRUE(text.endsWith(QStringLiteral("No space left on device\n1\n"))) << text.toStdString();
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

    // A file longer than any image is refused after the bytes that the longest image could
    // hold; a device that never ends is not read at all, as no file the program reads may be
    // a device.
    write(dir.filePath(QStringLiteral("big.bin")), QByteArray(3'000'000, '\0'));
    const ToolRun big = run({QStringLiteral("dump"), dir.filePath(QStringLiteral("big.bin"))});
    EXPECT_EQ(big.status, 1);
    EXPECT_TRUE(big.err.contains(QStringLiteral("not a configuration image (more than 100001 bytes)"))) << big.err.toStdString();
    if (QFileInfo::exists(QStringLiteral("/dev/zero"))) {
        const ToolRun r = run({QStringLiteral("dump"), QStringLiteral("/dev/zero")});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("it is not a regular file but a pipe, a device or a socket"))) << r.err.toStdString();
    }
}

// The findings lines of a check's standard output, without the summary line.
QStringList findingLines(const QString& out)
{
    QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
    if (!lines.isEmpty())
        lines.removeLast();
    return lines;
}

TEST_F(Tool, CheckListsEachFindingOfTheFaultyExampleOnce)
{
    const QString faulty = QStringLiteral(PX_EXAMPLES_DIR "/Faulty_Mapping");
    const ToolRun r = run({QStringLiteral("check"), faulty});
    EXPECT_EQ(r.status, 1) << r.err.toStdString();
    const QStringList lines = findingLines(r.out);
    // Every line has the form file:row: severity code: message.
    const QRegularExpression form(QStringLiteral("^(ParGen|RCobDef|TCobDef|RInfoCob|TInfoCob)\\.xml:\\d+: (error|warning) [a-z-]+: .+$"));
    QStringList codes;
    for (const QString& line : lines) {
        EXPECT_TRUE(form.match(line).hasMatch()) << line.toStdString();
        codes << line.section(u' ', 2, 2).chopped(1);
    }
    const QStringList expected{
        // errors
        QStringLiteral("duplicate-identifier"), QStringLiteral("identifier-range"), QStringLiteral("frame-missing"),
        QStringLiteral("byte-position"), QStringLiteral("duplicate-register"), QStringLiteral("register-range"),
        QStringLiteral("length-range"), QStringLiteral("default-count"), QStringLiteral("type-text"), QStringLiteral("control-character"),
        // warnings
        QStringLiteral("no-positions"), QStringLiteral("same-byte"), QStringLiteral("byte-shared"),
        QStringLiteral("receive-unmapped"), QStringLiteral("transmit-empty"), QStringLiteral("never-sent"),
        QStringLiteral("timer-zero"), QStringLiteral("rtr-period-zero"), QStringLiteral("timeout-zero"),
        QStringLiteral("gateway-outside-subnet"), QStringLiteral("reserved-address"), QStringLiteral("bus-load")};
    for (const QString& code : expected)
        EXPECT_EQ(codes.count(code), 1) << code.toStdString() << "\n" << r.out.toStdString();
    EXPECT_EQ(codes.size(), expected.size()) << r.out.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("RCobDef.xml:2: error duplicate-identifier: Another receive frame (row 1) has "
                                              "the same Cob-ID 385 in the same format: the device keeps only one of them")))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("10 errors, 12 warnings\n"))) << r.out.toStdString();

    const ToolRun j = run({QStringLiteral("check"), faulty, QStringLiteral("--json")});
    EXPECT_EQ(j.status, 1);
    const QJsonArray array = QJsonDocument::fromJson(j.out.toUtf8()).array();
    ASSERT_EQ(array.size(), lines.size()) << j.out.toStdString();
    const QJsonObject first = array.at(0).toObject();
    EXPECT_EQ(first.value(QStringLiteral("file")).toString(), QStringLiteral("ParGen.xml"));
    EXPECT_EQ(first.value(QStringLiteral("row")).toInt(), 0);
    EXPECT_EQ(first.value(QStringLiteral("severity")).toString(), QStringLiteral("warning"));
    EXPECT_EQ(first.value(QStringLiteral("code")).toString(), QStringLiteral("gateway-outside-subnet"));
    EXPECT_EQ(first.value(QStringLiteral("attribute")).toString(), QStringLiteral("GATEWAY"));
    EXPECT_EQ(first.value(QStringLiteral("message")).toString(),
              QStringLiteral("The gateway 10.0.0.1 lies outside the converter's subnet 192.168.0.0/255.255.255.0"));
    EXPECT_TRUE(j.err.contains(QStringLiteral("10 errors, 12 warnings")));
}

TEST_F(Tool, WarningsOnlyPassTheCheckAndTheStrictCompile)
{
    const QString conf = copyExample(QStringLiteral("Conveyor_DipSwitch"));
    const ToolRun clean = run({QStringLiteral("check"), conf});
    EXPECT_EQ(clean.status, 0);
    EXPECT_EQ(clean.out, QStringLiteral("0 errors, 0 warnings\n"));
    // Without its receive mapping every receive frame is unmapped: warnings, no error.
    write(conf + QStringLiteral("/RInfoCob.xml"), "<RInfoCob/>");
    const ToolRun r = run({QStringLiteral("check"), conf});
    EXPECT_EQ(r.status, 0) << r.out.toStdString();
    const QStringList lines = findingLines(r.out);
    ASSERT_FALSE(lines.isEmpty());
    for (const QString& line : lines)
        EXPECT_TRUE(line.contains(QStringLiteral(": warning receive-unmapped: "))) << line.toStdString();
    const ToolRun j = run({QStringLiteral("check"), conf, QStringLiteral("--json")});
    EXPECT_EQ(j.status, 0);
    EXPECT_EQ(QJsonDocument::fromJson(j.out.toUtf8()).array().size(), lines.size());

    const ToolRun compile = run({QStringLiteral("compile"), conf, QStringLiteral("--strict")});
    EXPECT_EQ(compile.status, 0) << compile.err.toStdString();
    EXPECT_TRUE(compile.err.contains(QStringLiteral("RCobDef.xml:1: warning receive-unmapped"))) << compile.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(conf + QStringLiteral("/bin/bank2.bin")));
}

// The check before a compile gives what `check` gives, the cycle times of the signal file
// included; a signal file that cannot be read stops no compile.
TEST_F(Tool, CompileChecksWithTheSignalFileAsCheckDoes)
{
    const QString conf = copyExample(QStringLiteral("Conveyor_DipSwitch"));
    const QString finding = QStringLiteral("RCobDef.xml:1: warning timeout-below-cycle");
    write(conf + QStringLiteral("/Signals.xml"),
          "<SIGNALS><Frame Direction=\"Receive\" CobID=\"0x18FF0010\" Extended=\"Y\" CycleTime=\"2500\"/></SIGNALS>");
    const ToolRun checked = run({QStringLiteral("check"), conf});
    EXPECT_TRUE(checked.out.contains(finding)) << checked.out.toStdString();
    const ToolRun compiled = run({QStringLiteral("compile"), conf});
    EXPECT_EQ(compiled.status, 0) << compiled.err.toStdString();
    EXPECT_TRUE(compiled.err.contains(finding)) << compiled.err.toStdString();

    write(conf + QStringLiteral("/Signals.xml"), "<SIGNALS><Frame");
    const ToolRun unreadable = run({QStringLiteral("compile"), conf, QStringLiteral("--strict")});
    EXPECT_EQ(unreadable.status, 0) << unreadable.err.toStdString();
    EXPECT_FALSE(unreadable.err.contains(finding));
}

TEST_F(Tool, CompileRefusesErrorsOnlyWhenStrict)
{
    const QString conf = copyExample(QStringLiteral("Conveyor_DipSwitch"));
    // Register 0 mapped twice: an error the compiler itself lets pass.
    const QByteArray mapping = read(conf + QStringLiteral("/RInfoCob.xml"));
    QByteArray doubled = mapping;
    const qsizetype firstRow = doubled.indexOf("<row ");
    ASSERT_GE(firstRow, 0);
    const qsizetype end = doubled.indexOf("/>", firstRow) + 2;
    doubled.insert(firstRow, doubled.mid(firstRow, end - firstRow));
    write(conf + QStringLiteral("/RInfoCob.xml"), doubled);

    const ToolRun strict = run({QStringLiteral("compile"), conf, QStringLiteral("--strict")});
    EXPECT_EQ(strict.status, 1);
    EXPECT_TRUE(strict.err.contains(QStringLiteral("RInfoCob.xml:2: error duplicate-register"))) << strict.err.toStdString();
    EXPECT_TRUE(strict.err.contains(QStringLiteral("not compiled (--strict)"))) << strict.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(conf + QStringLiteral("/bin/bank2.bin")));

    const ToolRun plain = run({QStringLiteral("compile"), conf});
    EXPECT_EQ(plain.status, 0) << plain.err.toStdString();
    EXPECT_TRUE(plain.err.contains(QStringLiteral("RInfoCob.xml:2: error duplicate-register"))) << plain.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(conf + QStringLiteral("/bin/bank2.bin")));
}

TEST_F(Tool, MapShowsRegistersAndByteStripsInEveryFormat)
{
    const QString pump = QStringLiteral(PX_EXAMPLES_DIR "/PumpStation_Jumper");
    const ToolRun text = run({QStringLiteral("map"), pump});
    EXPECT_EQ(text.status, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.contains(QStringLiteral("== Receive: Register Map =="))) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains(QStringLiteral("  | 1: 100 H | 2: 100 L | 3: 101 H | 4: 101 L |"))) << text.out.toStdString();

    const ToolRun csv = run({QStringLiteral("map"), pump, QStringLiteral("--format"), QStringLiteral("csv")});
    EXPECT_EQ(csv.status, 0);
    const QStringList lines = csv.out.split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.value(1), QStringLiteral("Receive;100;1;0x181;2.0A (11 bits);Pump 1 status;1;2;;;;;;;;16-bit;100;30101"))
        << csv.out.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("Receive;3;0x183;2.0A (11 bits);Tank level;110 L;unmapped;unmapped;unmapped;"
                                              "not in the frame;not in the frame;not in the frame;not in the frame")))
        << csv.out.toStdString();

    const QString out = dir.filePath(QStringLiteral("map.md"));
    const ToolRun md = run({QStringLiteral("map"), pump, QStringLiteral("--format"), QStringLiteral("md"), QStringLiteral("--out"), out});
    EXPECT_EQ(md.status, 0);
    EXPECT_TRUE(md.out.isEmpty());
    EXPECT_TRUE(read(out).contains("| 100 | 1 | 0x181 | 2.0A (11 bits) | Pump 1 status | 1 | 2 |")) << read(out).toStdString();

    const ToolRun html = run({QStringLiteral("map"), pump, QStringLiteral("--format"), QStringLiteral("html")});
    EXPECT_TRUE(html.out.startsWith(QStringLiteral("<!DOCTYPE html>")));
    EXPECT_TRUE(html.out.contains(QStringLiteral(">100 H</td>")));

    EXPECT_EQ(run({QStringLiteral("map"), pump, QStringLiteral("--format"), QStringLiteral("xml")}).status, 2);
}

TEST_F(Tool, ReportHandsOverSettingsMapsFindingsAndImages)
{
    const QString faulty = QStringLiteral(PX_EXAMPLES_DIR "/Faulty_Mapping");
    const QString out = dir.filePath(QStringLiteral("report.html"));
    const ToolRun r = run({QStringLiteral("report"), faulty, QStringLiteral("--out"), out});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QString html = QString::fromUtf8(read(out));
    for (const QString& part : {QStringLiteral("<td>Faulty_Mapping</td>"), QStringLiteral("Device from May 2014 (with Dip-Switch)"),
                                QStringLiteral("<td>20000 bit/s</td>"), QStringLiteral(">101 L</td>"),
                                QStringLiteral("<td>duplicate-identifier</td>"), QStringLiteral("10 errors, 12 warnings"),
                                QStringLiteral("Estimated bus load: 135.0 % of 20000 bit/s"),
                                // The compiler takes these faults without a word: the images are there.
                                QStringLiteral("<td>bank2.bin</td><td>73728 bytes</td>")}) {
        EXPECT_TRUE(html.contains(part)) << part.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(faulty + QStringLiteral("/bin")));

    const ToolRun conveyor = run({QStringLiteral("report"), QStringLiteral(PX_EXAMPLES_DIR "/Conveyor_DipSwitch")});
    EXPECT_EQ(conveyor.status, 0);
    EXPECT_TRUE(conveyor.out.contains(QStringLiteral("<td>bank_ESP32_2.bin</td><td>71680 bytes</td>"))) << conveyor.out.toStdString();
    EXPECT_TRUE(conveyor.out.contains(QStringLiteral("No findings")));
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
        {QStringLiteral("check")},
        {QStringLiteral("check"), QStringLiteral("a"), QStringLiteral("--yaml")},
        {QStringLiteral("map"), QStringLiteral("a"), QStringLiteral("--format")},
        {QStringLiteral("report"), QStringLiteral("a"), QStringLiteral("b")},
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
        {"px40318 ''", "check compile copy dbc diff dump help history import map monitor pack report simulate unpack --help --version"},
        {"px40318 c", "check compile copy"},
        {"px40318 compile --", "--out --quiet --strict --help"},
        {"px40318 compile --out conf_", "conf_a"},
        {"px40318 compile conf_", "conf_a"},
        {"px40318 compile --out x conf_a ''", ""},
        {"px40318 dump conf_", "conf_a conf_b.bin"},
        {"px40318 help d", "dbc diff dump"},
        {"px40318 map --", "--format --out --help"},
        {"px40318 map --format ''", "csv html md text"},
        {"px40318 map --format h", "html"},
        {"px40318 simulate --can ''", "stdio virtualcan"},
        {"px40318 monitor --function ''", "3 4"},
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
