#include "core/config/configuration.h"
#include "core/config/signal_table.h"
#include "core/exchange/dbc_reader.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "../tool_run.h"

#include <gtest/gtest.h>

namespace px {
namespace {

using test::ToolRun;

ToolRun run(const QStringList& args)
{
    return test::runTool(args);
}

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

QString example(const char* name)
{
    return s(PX_EXAMPLES_DIR "/") + s(name);
}

class ExchangeCommands : public ::testing::Test {
protected:
    QString copyExample(const char* name)
    {
        const QString to = dir.filePath(s(name));
        QDir().mkpath(to);
        QDirIterator it(example(name), {s("*.xml")}, QDir::Files);
        while (it.hasNext()) {
            it.next();
            EXPECT_TRUE(QFile::copy(it.filePath(), to + u'/' + it.fileName()));
        }
        return to;
    }
    // Every file of a folder with its bytes, to see that nothing was written.
    static std::map<QString, QByteArray> snapshot(const QString& folder)
    {
        std::map<QString, QByteArray> files;
        QDirIterator it(folder, QDir::Files);
        while (it.hasNext()) {
            it.next();
            QFile f(it.filePath());
            f.open(QIODevice::ReadOnly);
            files[it.fileName()] = f.readAll();
        }
        return files;
    }
    QTemporaryDir dir;
};

TEST_F(ExchangeCommands, DbcWritesEveryFrameOfTheConfiguration)
{
    const QString folder = copyExample("PumpStation_Jumper");
    const ToolRun r = run({s("dbc"), folder});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QString path = folder + s("/PumpStation_Jumper.dbc");
    EXPECT_EQ(r.out.trimmed(), QDir::toNativeSeparators(path));
    const exchange::CanDatabase db = exchange::readDbcFile(path);
    ASSERT_EQ(db.messages.size(), 5u);
    EXPECT_EQ(db.messages[0].name, s("Pump_1_status"));
    EXPECT_EQ(db.messages[3].name, s("Pump_1_set_point"));
    EXPECT_EQ(db.messages[3].sender, s("PX40318"));

    const QString out = dir.filePath(s("elsewhere.dbc"));
    EXPECT_EQ(run({s("dbc"), folder, s("--out"), out, s("--quiet")}).status, 0);
    EXPECT_TRUE(QFile::exists(out));
    EXPECT_EQ(run({s("dbc")}).status, 2);
    EXPECT_EQ(run({s("dbc"), dir.filePath(s("missing"))}).status, 1);
}

TEST_F(ExchangeCommands, ImportAddsFramesAndMappings)
{
    const QString folder = copyExample("Conveyor_DipSwitch");
    const ToolRun r = run({s("import"), folder, example("plant_network.dbc"), s("--receive"), s("0x18FF0030,0x403"),
                           s("--transmit"), s("all"), s("--registers-from"), s("20")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(s("added receive frame 4: 0x18FF0030 Drive3Feedback, 8 bytes, time-out 300 ms"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(s("  register 20: high part byte 2, low part byte 1 (Speed)")));
    EXPECT_TRUE(r.out.contains(s("  register 25: high part none, low part byte 2 (Flags, bits 0 to 2)"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(s("added transmit frame 3: 0x18FF0030 Drive3Feedback, 8 bytes, sent every 100 ms")));

    const config::Configuration c = config::readConfiguration(folder);
    ASSERT_EQ(c.receiveFrames.size(), 5u);
    EXPECT_EQ(c.receiveFrames[3].cobId, s("0x18FF0030"));
    EXPECT_EQ(c.receiveFrames[3].timeOutTime, s("300"));
    EXPECT_EQ(c.receiveFrames[4].cobId, s("0x403"));
    EXPECT_EQ(c.receiveFrames[4].timeOutTime, s("150"));
    // Drive3Feedback: Speed, Current, Energy (two registers); BeltSensor2: Position, Flags.
    ASSERT_EQ(c.receiveMappings.size(), 5u + 6u);
    EXPECT_EQ(c.receiveMappings[5].registerIndex, s("20"));
    EXPECT_EQ(c.receiveMappings[5].frameNumber, 4);
    EXPECT_EQ(c.receiveMappings[10].registerIndex, s("25"));
    EXPECT_EQ(c.receiveMappings[10].frameNumber, 5);
    EXPECT_EQ(c.transmitFrames.size(), 2u + 4u);
    // What is known of the signals lies beside the configuration.
    const config::SignalTable signalTable = config::loadSignalTable(folder);
    const config::RegisterSignal* flags = signalTable.find(config::Direction::Receive, 25);
    ASSERT_NE(flags, nullptr);
    EXPECT_EQ(flags->name, s("Flags"));
    EXPECT_EQ(flags->bitLength, 3);
    EXPECT_EQ(signalTable.cycleTime(config::Direction::Receive, 0x403, false), 50);
}

TEST_F(ExchangeCommands, ImportOfDatabasesWithDefects)
{
    const QString folder = copyExample("Conveyor_DipSwitch");
    const auto before = snapshot(folder);
    const auto write = [&](const char* name, const QByteArray& text) {
        const QString path = dir.filePath(s(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return path;
    };
    // A file without frames says so in one line.
    ToolRun r = run({s("import"), folder, write("empty.dbc", "VERSION \"\"\n"), s("--receive"), s("all")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, s("px40318: empty.dbc holds no CAN frames; nothing was written.\n"));
    // Registers running out refuse the import.
    r = run({s("import"), folder, example("plant_network.dbc"), s("--receive"), s("all"), s("--registers-from"), s("65534")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(s("signals find no free register up to 65535"))) << r.err.toStdString();
    EXPECT_EQ(snapshot(folder), before);

    // A line that cannot be read is named and skipped; a CAN FD frame is not imported.
    const QString partly = write("partly.dbc", "BO_ 401 Good: 2 N\n SG_ A : 0|16@1+ (1,0) [0|0] \"\" N\n"
                                               "CM_ 145 \"no object\";\n"
                                               "BO_ 402 Fd: 8 N\n"
                                               "BA_ \"VFrameFormat\" BO_ 402 14;\n");
    r = run({s("import"), folder, partly, s("--receive"), s("all")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, s("px40318: skipped: partly.dbc: line 3, column 5: expected the comment in quotes, found '145' (skipped)\n"));
    EXPECT_TRUE(r.out.contains(s("not imported as receive frame: 0x192 Fd: a CAN FD frame: the converter speaks classic CAN")))
        << r.out.toStdString();
    EXPECT_EQ(config::readConfiguration(folder).receiveFrames.size(), 4u);

    // The same identifier again maps its signals onto the frame that is there.
    r = run({s("import"), folder, partly, s("--receive"), s("0x191")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(s("already in the receive list as frame 4: 0x191 Good; its signals are mapped onto it")))
        << r.out.toStdString();
    const config::Configuration c = config::readConfiguration(folder);
    EXPECT_EQ(c.receiveFrames.size(), 4u);
    EXPECT_EQ(c.receiveMappings.back().frameNumber, 4);
}

TEST_F(ExchangeCommands, ImportRefusedWritesNothing)
{
    const QString folder = copyExample("Conveyor_DipSwitch");
    const auto before = snapshot(folder);
    struct Case {
        QStringList args;
        int status;
        const char* error;
    };
    const Case cases[] = {
        {{s("--receive"), s("0x403,0x999")}, 1, "holds no frame with the identifier 0x999"},
        {{s("--transmit"), s("all")}, 2, "a capture gives frames the converter receives"},
        {{}, 2, "import needs --receive or --transmit"},
        {{s("--receive"), s("all"), s("--registers-from"), s("70000")}, 2, "--registers-from takes a register index"},
    };
    for (const Case& c : cases) {
        const ToolRun r = run(QStringList{s("import"), folder, example("plant_capture.log")} + c.args);
        EXPECT_EQ(r.status, c.status) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(s(c.error))) << r.err.toStdString();
    }
    EXPECT_EQ(snapshot(folder), before);

    // 299 receive frames: the two of the database do not fit the 300 rows.
    config::Configuration full = config::readConfiguration(folder);
    while (full.receiveFrames.size() < 299)
        full.receiveFrames.push_back(full.receiveFrames.front());
    config::writeConfiguration(full, folder, {config::ConfigFile::ReceiveFrames});
    const auto filled = snapshot(folder);
    const ToolRun r = run({s("import"), folder, example("plant_network.dbc"), s("--receive"), s("0x18FF0030,0x403")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(s("The receive frame list would hold 301 frames, 1 more than its 300 rows. Nothing was written.")))
        << r.err.toStdString();
    EXPECT_EQ(snapshot(folder), filled);
}

} // namespace
} // namespace px
