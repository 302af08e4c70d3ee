// px40318 history and diff: the update history of a configuration and what differs
// between two configurations or a configuration and an entry of its history.

#include "core/base/atomic_file.h"
#include "core/config/configuration.h"
#include "core/update/update_history.h"

#include "../tool_run.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace px {
namespace {

using test::runTool;

class HistoryTool : public ::testing::Test {
protected:
    // A copy of an example configuration.
    QString example(const QString& name, const QString& as)
    {
        return test::copyExample(name, dir.filePath(as));
    }
    // One frame, one mapping entry and one parameter of `folder` changed.
    static void changeOneOfEach(const QString& folder)
    {
        config::Configuration c = config::readConfiguration(folder);
        ASSERT_FALSE(c.receiveFrames.empty());
        ASSERT_FALSE(c.receiveMappings.empty());
        c.receiveFrames[0].mnemonic = QStringLiteral("changed");
        c.receiveMappings[0].lowByte = c.receiveMappings[0].lowByte == 0 ? 1 : 0;
        c.general.port = QStringLiteral("1502");
        config::writeConfiguration(c, folder,
                                   {config::ConfigFile::GeneralParameters, config::ConfigFile::ReceiveFrames,
                                    config::ConfigFile::ReceiveMappings});
    }
    QTemporaryDir dir;
};

TEST_F(HistoryTool, DiffNamesTheFrameTheRegisterAndTheParameterThatDiffer)
{
    const QString a = example(QStringLiteral("PumpStation_Jumper"), QStringLiteral("A"));
    const QString b = example(QStringLiteral("PumpStation_Jumper"), QStringLiteral("B"));
    const test::ToolRun same = runTool({QStringLiteral("diff"), a, b});
    EXPECT_EQ(same.status, 0) << same.err.toStdString();
    EXPECT_EQ(same.out, QStringLiteral("Differences between %1 and %2\nNo differences\n").arg(a, b));

    changeOneOfEach(b);
    const config::Configuration ca = config::readConfiguration(a);
    const QString frame = QStringLiteral("0x") + QString::number(*ca.receiveFrames[0].identifier(), 16).toUpper();
    const config::MappingEntry& entry = ca.receiveMappings[0];
    const QString low = QString::number(entry.lowByte);
    const QString newLow = QString::number(entry.lowByte == 0 ? 1 : 0);
    const test::ToolRun text = runTool({QStringLiteral("diff"), a, b});
    EXPECT_EQ(text.status, 0) << text.err.toStdString();
    EXPECT_EQ(text.out, QStringLiteral("Differences between %1 and %2\n"
                                       "Communication Settings\n"
                                       "  Port 502 -> 1502\n"
                                       "Receive CAN Frames\n"
                                       "  %3 changed: Mnemonic %4 -> changed\n"
                                       "Receive Register Map\n"
                                       "  register %5 changed: low byte %6 -> %7\n")
                            .arg(a, b, frame, ca.receiveFrames[0].mnemonic, entry.registerIndex.trimmed(), low, newLow));

    const test::ToolRun json = runTool({QStringLiteral("diff"), a, b, QStringLiteral("--json")});
    EXPECT_EQ(json.status, 0);
    const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(o.value(QStringLiteral("parameters")).toArray(),
              (QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("Port")},
                                      {QStringLiteral("a"), QStringLiteral("502")},
                                      {QStringLiteral("b"), QStringLiteral("1502")}}}));
    const QJsonArray frames = o.value(QStringLiteral("frames")).toArray();
    ASSERT_EQ(frames.size(), 1);
    EXPECT_EQ(frames[0].toObject().value(QStringLiteral("identifier")).toString(), frame);
    EXPECT_EQ(frames[0].toObject().value(QStringLiteral("change")).toString(), QStringLiteral("changed"));
    EXPECT_EQ(frames[0].toObject().value(QStringLiteral("direction")).toString(), QStringLiteral("receive"));
    const QJsonArray mappings = o.value(QStringLiteral("mappings")).toArray();
    ASSERT_EQ(mappings.size(), 1);
    EXPECT_EQ(mappings[0].toObject().value(QStringLiteral("register")).toString(), entry.registerIndex.trimmed());

    // A frame that exists on one side only is added or removed with its values; a frame
    // that only moved in its list is no difference, and neither are the mapping entries
    // that follow it.
    config::Configuration cb = config::readConfiguration(a);
    std::swap(cb.receiveFrames[0], cb.receiveFrames[1]);
    for (config::MappingEntry& e : cb.receiveMappings)
        e.frameNumber = e.frameNumber == 1 ? 2 : e.frameNumber == 2 ? 1 : e.frameNumber;
    cb.transmitFrames.pop_back();
    config::writeConfiguration(cb, b, {config::ConfigFile::GeneralParameters, config::ConfigFile::ReceiveFrames,
                                       config::ConfigFile::ReceiveMappings, config::ConfigFile::TransmitFrames});
    const QJsonObject moved = QJsonDocument::fromJson(runTool({QStringLiteral("diff"), a, b, QStringLiteral("--json")}).out.toUtf8()).object();
    EXPECT_TRUE(moved.value(QStringLiteral("parameters")).toArray().isEmpty());
    const QJsonArray removed = moved.value(QStringLiteral("frames")).toArray();
    ASSERT_EQ(removed.size(), 1) << QJsonDocument(moved).toJson().toStdString();
    EXPECT_EQ(removed[0].toObject().value(QStringLiteral("change")).toString(), QStringLiteral("removed"));
    EXPECT_EQ(removed[0].toObject().value(QStringLiteral("direction")).toString(), QStringLiteral("transmit"));

    const test::ToolRun missing = runTool({QStringLiteral("diff"), a, dir.filePath(QStringLiteral("none"))});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("is not a configuration folder")));
}

// The history lists every recorded update, oldest first; an entry compares with the
// configuration as it is now.
TEST_F(HistoryTool, HistoryListsTheUpdatesAndAnEntryComparesWithTheConfiguration)
{
    const QString plant = example(QStringLiteral("Conveyor_DipSwitch"), QStringLiteral("Plant1"));
    const test::ToolRun none = runTool({QStringLiteral("history"), plant});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, QStringLiteral("No update is recorded for %1.\n").arg(plant));

    UpdateRecord first;
    first.date = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53), Qt::UTC);
    first.route = QStringLiteral("ethernet");
    first.device = QStringLiteral("192.168.2.205");
    first.writeConfiguration = true;
    first.updater = QStringLiteral("Ethernet_Update.exe");
    first.result = QStringLiteral("ended");
    UpdateRecord second = first;
    second.result = QStringLiteral("failed");
    second.exitStatus = 3;
    second.writeFirmware = true;
    const QString entry = recordUpdate(plant, first);
    recordUpdate(plant, second);
    EXPECT_EQ(entry, plant + QStringLiteral("/history/2026-03-14T09-26-53Z"));

    const test::ToolRun listed = runTool({QStringLiteral("history"), plant});
    EXPECT_EQ(listed.status, 0) << listed.err.toStdString();
    EXPECT_EQ(listed.out, QStringLiteral("2026-03-14T09-26-53Z  ethernet 192.168.2.205  write configuration  ended\n"
                                         "2026-03-14T09-26-53Z-2  ethernet 192.168.2.205  write firmware, write "
                                         "configuration  failed (exit status 3)\n"));
    const QJsonArray json = QJsonDocument::fromJson(runTool({QStringLiteral("history"), plant, QStringLiteral("--json")}).out.toUtf8()).array();
    ASSERT_EQ(json.size(), 2);
    EXPECT_EQ(json[1].toObject().value(QStringLiteral("exitStatus")).toInt(), 3);
    EXPECT_EQ(json[1].toObject().value(QStringLiteral("date")).toString(), QStringLiteral("2026-03-14T09:26:53Z"));
    EXPECT_EQ(json[0].toObject().value(QStringLiteral("device")).toString(), QStringLiteral("192.168.2.205"));

    // The entry holds the configuration as it was: after a change, diff shows it.
    EXPECT_EQ(runTool({QStringLiteral("diff"), entry, plant}).out,
              QStringLiteral("Differences between %1 and %2\nNo differences\n").arg(entry, plant));
    changeOneOfEach(plant);
    const test::ToolRun changed = runTool({QStringLiteral("diff"), entry, plant});
    EXPECT_TRUE(changed.out.contains(QStringLiteral("  Port 5020 -> 1502\n"))) << changed.out.toStdString();
    EXPECT_EQ(runTool({QStringLiteral("check"), entry}).status, runTool({QStringLiteral("check"), QStringLiteral(PX_EXAMPLES_DIR "/Conveyor_DipSwitch")}).status);
}

} // namespace
} // namespace px
