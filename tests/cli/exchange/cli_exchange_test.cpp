#include "core/config/configuration.h"
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
    EXPECT_TRUE(r.out.contains(s("  not mapped: Flags: 3 bits long")));
    EXPECT_TRUE(r.out.contains(s("added transmit frame 3: 0x18FF0030 Drive3Feedback, 8 bytes, sent every 100 ms")));

    const config::Configuration c = config::readConfiguration(folder);
    ASSERT_EQ(c.receiveFrames.size(), 5u);
    EXPECT_EQ(c.receiveFrames[3].cobId, s("0x18FF0030"));
    EXPECT_EQ(c.receiveFrames[3].timeOutTime, s("300"));
    EXPECT_EQ(c.receiveFrames[4].cobId, s("0x403"));
    EXPECT_EQ(c.receiveFrames[4].timeOutTime, s("150"));
    // Drive3Feedback: Speed, Current, Energy (two registers); BeltSensor2: Position.
    ASSERT_EQ(c.receiveMappings.size(), 5u + 5u);
    EXPECT_EQ(c.receiveMappings[5].registerIndex, s("20"));
    EXPECT_EQ(c.receiveMappings[5].frameNumber, 4);
    EXPECT_EQ(c.receiveMappings[9].registerIndex, s("24"));
    EXPECT_EQ(c.receiveMappings[9].frameNumber, 5);
    EXPECT_EQ(c.transmitFrames.size(), 2u + 4u);
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
