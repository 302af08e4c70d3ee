#include "core/config/configuration_document.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/config/signal_table.h"
#include "core/shell/session.h"
#include "support/config_builders.h"
#include "support/temp_home.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSysInfo>
#include <QFile>

#include <gtest/gtest.h>

namespace px::config {
namespace {

using test::mappingEntry;

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

// A configuration of the device from May 2014 with frames 0x181, 0x182, 0x183 in each
// direction, registers 100/101 on frame 1, 200 on frame 2, 300 on frame 3 and 900 on a
// frame 9 that does not exist.
class DocumentTest : public ::testing::Test {
protected:
    DocumentTest()
    {
        home.activate(s("Plant"));
        writeInitial();
    }

    void writeInitial()
    {
        Configuration c;
        c.general.deviceType = kDipSwitchDevice;
        for (const char* id : {"0x181", "0x182", "0x183"}) {
            ReceiveFrame r = newReceiveFrame(c);
            r.cobId = s(id);
            r.dimension = s("8");
            c.receiveFrames.push_back(r);
            TransmitFrame t = newTransmitFrame(c);
            t.cobId = s(id);
            t.dimension = s("8");
            c.transmitFrames.push_back(t);
        }
        for (const Direction d : {Direction::Receive, Direction::Transmit})
            c.mappings(d) = {mappingEntry(100, 1, 1, 2), mappingEntry(101, 1, 3, 4), mappingEntry(200, 2, 1, 0),
                             mappingEntry(300, 3, 1, 0), mappingEntry(900, 9, 1, 0)};
        writeConfiguration(c, folder(), {ConfigFile::GeneralParameters, ConfigFile::ReceiveFrames,
                                         ConfigFile::TransmitFrames, ConfigFile::ReceiveMappings,
                                         ConfigFile::TransmitMappings});
        doc.open(folder());
    }

    QString folder() const { return home.session.ws.configurationFolder; }

    // "register:frame number" of every entry of the mapping file as it is on disk.
    QString mappingOnDisk(Direction d) const
    {
        QStringList lines;
        const Configuration onDisk = readConfiguration(folder());
        for (const MappingEntry& e : onDisk.mappings(d))
            lines << QStringLiteral("%1:%2").arg(e.registerIndex).arg(e.frameNumber);
        return lines.join(u' ');
    }
    QString identifiersOnDisk(Direction d) const
    {
        const Configuration c = readConfiguration(folder());
        QStringList ids;
        for (int i = 0; i < c.frameCount(d); ++i)
            ids << c.frame(d, i).cobId;
        return ids.join(u' ');
    }

    // Applies a frame edit of one direction: the rows named by their old position (from
    // 0; -1 = a new frame 0x180) in their new order.
    std::vector<ConfigFile> editFrames(Direction d, const std::vector<int>& order)
    {
        std::vector<FrameKey> keys;
        const GeneralParameters& general = doc.configuration().general;
        if (d == Direction::Receive) {
            std::vector<ReceiveFrame> rows;
            for (int old : order) {
                keys.push_back(old < 0 ? 0 : doc.frameKeys(d)[static_cast<std::size_t>(old)]);
                ReceiveFrame r = old < 0 ? newReceiveFrame(doc.configuration()) : doc.configuration().receiveFrames[static_cast<std::size_t>(old)];
                if (old < 0) {
                    r.cobId = s("0x180");
                    r.dimension = s("8");
                }
                rows.push_back(r);
            }
            return doc.setReceiveFrames(rows, keys, general);
        }
        std::vector<TransmitFrame> rows;
        for (int old : order) {
            keys.push_back(old < 0 ? 0 : doc.frameKeys(d)[static_cast<std::size_t>(old)]);
            TransmitFrame t = old < 0 ? newTransmitFrame(doc.configuration()) : doc.configuration().transmitFrames[static_cast<std::size_t>(old)];
            if (old < 0) {
                t.cobId = s("0x180");
                t.dimension = s("8");
            }
            rows.push_back(t);
        }
        return doc.setTransmitFrames(rows, keys, general);
    }

    test::TempHome home;
    ConfigurationDocument doc;
};

TEST_F(DocumentTest, InsertDeleteAndMoveKeepEveryEntryOnItsFrameInBothDirections)
{
    const struct {
        const char* what;
        std::vector<int> order;
        const char* identifiers;
        const char* mapping;  // the orphan 900 keeps its number and stands last
        const char* removed;
    } cases[] = {
        {"insert before frame 1", {-1, 0, 1, 2}, "0x180 0x181 0x182 0x183", "100:2 101:2 200:3 300:4 900:9", ""},
        {"delete frame 2", {0, 2}, "0x181 0x183", "100:1 101:1 300:2 900:9", "200"},
        {"move frame 3 up", {0, 2, 1}, "0x181 0x183 0x182", "100:1 101:1 300:2 200:3 900:9", ""},
        {"move frame 1 down", {1, 0, 2}, "0x182 0x181 0x183", "200:1 100:2 101:2 300:3 900:9", ""},
    };
    for (const auto& c : cases) {
        for (const Direction d : {Direction::Receive, Direction::Transmit}) {
            doc.open(folder());
            std::vector<FrameKey> kept;
            for (int old : c.order) {
                if (old >= 0)
                    kept.push_back(doc.frameKeys(d)[static_cast<std::size_t>(old)]);
            }
            EXPECT_EQ(doc.registersOfRemovedFrames(d, kept).join(u' '), s(c.removed)) << c.what;
            doc.save(editFrames(d, c.order));
            EXPECT_EQ(identifiersOnDisk(d), s(c.identifiers)) << c.what;
            EXPECT_EQ(mappingOnDisk(d), s(c.mapping)) << c.what;
            // The other direction is untouched.
            const Direction other = d == Direction::Receive ? Direction::Transmit : Direction::Receive;
            EXPECT_EQ(mappingOnDisk(other), s("100:1 101:1 200:2 300:3 900:9")) << c.what;
            writeInitial();
        }
    }
}

TEST_F(DocumentTest, AnEditOfTheFramesAloneWritesNoMappingFile)
{
    // The identifier of frame 2 changes: the frames keep their places and numbers.
    std::vector<ReceiveFrame> rows = doc.configuration().receiveFrames;
    rows[1].cobId = s("0x190");
    EXPECT_EQ(doc.setReceiveFrames(rows, doc.frameKeys(Direction::Receive), doc.configuration().general),
              std::vector<ConfigFile>{ConfigFile::ReceiveFrames});
}

TEST_F(DocumentTest, OrphansAreKeptUntilAttachedOrDeleted)
{
    EXPECT_EQ(doc.orphanRows(Direction::Receive), std::vector<int>{4});
    std::vector<MappingEntry> entries = doc.configuration().receiveMappings;
    entries[4].frameNumber = 2;  // attached to frame 2
    doc.save(doc.setMappings(Direction::Receive, entries));
    EXPECT_TRUE(doc.orphanRows(Direction::Receive).empty());
    EXPECT_EQ(doc.registersOf(Direction::Receive, doc.frameKeys(Direction::Receive)[1]).join(u' '), s("200 900"));
    EXPECT_EQ(mappingOnDisk(Direction::Receive), s("100:1 101:1 200:2 300:3 900:2"));
}

TEST_F(DocumentTest, ChangesOnDiskAreNoticedAndRefreshKeepsTheKeysOfUnchangedFiles)
{
    EXPECT_TRUE(doc.changedOnDisk().empty());
    const std::vector<FrameKey> transmitKeys = doc.frameKeys(Direction::Transmit);
    Configuration other = readConfiguration(folder());
    other.receiveMappings.push_back(mappingEntry(400, 2, 2, 0));
    writeConfiguration(other, folder(), {ConfigFile::ReceiveMappings});
    EXPECT_EQ(doc.changedOnDisk(), std::vector<ConfigFile>{ConfigFile::ReceiveMappings});

    doc.refresh();
    EXPECT_TRUE(doc.changedOnDisk().empty());
    EXPECT_EQ(doc.registersOf(Direction::Receive, doc.frameKeys(Direction::Receive)[1]).join(u' '), s("200 400"));
    EXPECT_EQ(doc.frameKeys(Direction::Transmit), transmitKeys);

    // A file removed is a change as well.
    QFile::remove(doc.path(ConfigFile::TransmitMappings));
    EXPECT_EQ(doc.changedOnDisk(), std::vector<ConfigFile>{ConfigFile::TransmitMappings});
}

TEST_F(DocumentTest, ASaveThatFailsWritesNoneOfItsFiles)
{
    const QByteArray framesBefore = test::readFile(doc.path(ConfigFile::ReceiveFrames));
    // A folder where the mapping file should be: that file cannot be written.
    QFile::remove(doc.path(ConfigFile::ReceiveMappings));
    ASSERT_TRUE(QDir().mkdir(doc.path(ConfigFile::ReceiveMappings)));
    EXPECT_THROW(doc.save(editFrames(Direction::Receive, {-1, 0, 1, 2})), Error);
    EXPECT_EQ(test::readFile(doc.path(ConfigFile::ReceiveFrames)), framesBefore);
}

TEST_F(DocumentTest, ASaveHasAFileAnotherProgramChangedDecidedFirst)
{
    Session& session = home.session;
    session.activeDocument();
    // Another program adds a register meanwhile.
    Configuration other = readConfiguration(folder());
    other.receiveMappings.push_back(mappingEntry(400, 2, 2, 0));
    writeConfiguration(other, folder(), {ConfigFile::ReceiveMappings});
    const auto edit = [](ConfigurationDocument& d) {
        std::vector<MappingEntry> entries = d.configuration().receiveMappings;
        entries.push_back(mappingEntry(500, 3, 1, 0));
        return d.setMappings(Direction::Receive, entries);
    };
    const SaveQuestion question = saveQuestion(session);
    EXPECT_EQ(question.kind, SaveQuestion::Kind::FilesChangedOnDisk);
    ASSERT_EQ(question.changedFiles.size(), 1);
    EXPECT_TRUE(question.changedFiles[0].endsWith(s("RInfoCob.xml"))) << question.changedFiles[0].toStdString();

    const struct {
        SaveDecision decision;
        SaveOutcome outcome;
        SaveQuestion::Kind questionAfter;
    } cases[] = {
        {SaveDecision::Back, SaveOutcome::Back, SaveQuestion::Kind::FilesChangedOnDisk},
        {SaveDecision::Reload, SaveOutcome::Reloaded, SaveQuestion::Kind::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(finishSave(session, c.decision, edit), c.outcome);
        EXPECT_EQ(mappingOnDisk(Direction::Receive), s("100:1 101:1 200:2 300:3 900:9 400:2"));
        EXPECT_EQ(saveQuestion(session).kind, c.questionAfter);
    }
    // After the reload the document holds the other program's register, and the edit keeps it.
    EXPECT_EQ(finishSave(session, SaveDecision::Write, edit), SaveOutcome::Saved);
    EXPECT_EQ(mappingOnDisk(Direction::Receive), s("100:1 101:1 200:2 300:3 900:9 400:2 500:3"));
    EXPECT_EQ(saveQuestion(session).kind, SaveQuestion::Kind::None) << "its own write is no change by another program";
}

// Deleting frames or entries through the document drops the signal data of the registers
// no longer mapped in their direction, in the same save; a register still mapped keeps it.
TEST_F(DocumentTest, ASaveThatUnmapsARegisterDropsItsSignalData)
{
    SignalTable signals;
    for (const auto& [d, index] : {std::pair{Direction::Receive, 100}, {Direction::Receive, 101}, {Direction::Receive, 200},
                                   {Direction::Receive, 300}, {Direction::Transmit, 200}}) {
        RegisterSignal signal;
        signal.direction = d;
        signal.registerIndex = index;
        signal.name = QStringLiteral("S%1").arg(index);
        signals.set(signal);
    }
    signals.setCycleTime(FrameTiming{Direction::Receive, 0x182, false, 100});
    const QString signalPath = folder() + u'/' + kSignalFileName;
    writeFileAtomically(signalPath, signalTableBytes(signals));
    const auto signalsOnDisk = [this] {
        QStringList names;
        const SignalTable table = loadSignalTable(folder());
        for (const RegisterSignal& signal : table.registers())
            names << signal.name + (signal.direction == Direction::Receive ? s("r") : s("t"));
        return names.join(u' ');
    };
    // The receive frames at the old positions `kept`, in that order.
    const auto keepFrames = [](const std::vector<int>& kept) {
        return [kept](ConfigurationDocument& d) {
            std::vector<ReceiveFrame> rows;
            std::vector<FrameKey> keys;
            for (const int old : kept) {
                rows.push_back(d.configuration().receiveFrames[static_cast<std::size_t>(old)]);
                keys.push_back(d.frameKeys(Direction::Receive)[static_cast<std::size_t>(old)]);
            }
            return d.setReceiveFrames(rows, keys, d.configuration().general);
        };
    };
    Session& session = home.session;
    session.activeDocument();
    const auto save = [&session](const auto& edit) { return finishSave(session, SaveDecision::Write, edit); };

    // Frame 2 (register 200) goes: the transmit register 200 keeps its signal.
    ASSERT_EQ(save(keepFrames({0, 2})), SaveOutcome::Saved);
    EXPECT_EQ(signalsOnDisk(), s("S100r S101r S300r S200t"));

    // Entry 101 goes while 300 gets a second entry on frame 1; then the frame of its first
    // entry goes: 300 is still mapped and keeps its signal.
    ASSERT_EQ(save([](ConfigurationDocument& d) {
                  std::vector<MappingEntry> entries;
                  for (const MappingEntry& e : d.configuration().receiveMappings) {
                      if (e.registerIndex != s("101"))
                          entries.push_back(e);
                  }
                  entries.push_back(mappingEntry(300, 1, 5, 0));
                  return d.setMappings(Direction::Receive, entries);
              }),
              SaveOutcome::Saved);
    EXPECT_EQ(signalsOnDisk(), s("S100r S300r S200t"));
    ASSERT_EQ(save(keepFrames({0})), SaveOutcome::Saved);
    EXPECT_EQ(mappingOnDisk(Direction::Receive), s("100:1 300:1 900:9"));
    EXPECT_EQ(signalsOnDisk(), s("S100r S300r S200t"));
    EXPECT_EQ(loadSignalTable(folder()).cycleTime(Direction::Receive, 0x182, false), 100);

    // A signal file that cannot be read is left as it is; the save goes on.
    writeFileAtomically(signalPath, QByteArrayLiteral("<SIGNALS"));
    ASSERT_EQ(save(keepFrames({})), SaveOutcome::Saved);
    EXPECT_EQ(test::readFile(signalPath), QByteArrayLiteral("<SIGNALS"));
    EXPECT_EQ(mappingOnDisk(Direction::Receive), s("900:9"));
    EXPECT_EQ(saveQuestion(session).kind, SaveQuestion::Kind::None);
}

TEST(ConfigurationLock, ASecondInstanceIsRefusedAndAStaleLockIsTakenOver)
{
    test::TempHome home;
    home.activate(s("Plant"));
    const QString folder = home.session.ws.configurationFolder;
    ConfigurationLock first;
    ASSERT_TRUE(first.acquire(folder));
    ConfigurationLock second;
    EXPECT_FALSE(second.acquire(folder));
    EXPECT_TRUE(second.holderText().contains(QString::number(QCoreApplication::applicationPid())));
    first.release();
    EXPECT_TRUE(second.acquire(folder));
    second.release();

    // A lock left by a process that no longer runs.
    test::writeFile(folder + u'/' + ConfigurationLock::lockFileName(),
                    QByteArray("999999999\npx40318-configurator\n") + QSysInfo::machineHostName().toUtf8() + '\n');
    EXPECT_TRUE(first.acquire(folder));
}

TEST(ConfigurationLock, TheSessionOfASecondInstanceIsReadOnly)
{
    test::TempHome home;
    home.activate(s("Plant"));
    ASSERT_TRUE(home.session.claimActiveConfiguration());
    Session second;
    second.start(home.path());
    second.ws.activate(s("Plant"));
    EXPECT_FALSE(second.claimActiveConfiguration());
    EXPECT_TRUE(second.readOnly);
    EXPECT_EQ(saveQuestion(second).kind, SaveQuestion::Kind::ReadOnly);
    EXPECT_EQ(finishSave(second, SaveDecision::Write,
                         [](ConfigurationDocument& d) { return d.setGeneral(d.configuration().general); }),
              SaveOutcome::Back);
    EXPECT_FALSE(QFileInfo::exists(home.session.ws.generalParametersFile));
}

} // namespace
} // namespace px::config
