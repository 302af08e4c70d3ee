#include "core/frames/register_signal_fields.h"

#include "core/base/error.h"
#include "core/lang/message_ids.h"
#include "core/shell/session.h"
#include "support/temp_home.h"

#include <QFile>

#include <gtest/gtest.h>

namespace px {
namespace {

using config::Direction;
using config::RegisterSignal;
using config::SignalTable;
using test::readFile;
using test::writeFile;

SignalFields fields(const char* name, const char* unit, const char* factor, const char* offset, bool isSigned)
{
    return {QString::fromUtf8(name), QString::fromUtf8(unit), QString::fromLatin1(factor), QString::fromLatin1(offset), isSigned};
}

// A signal the CAN database import recorded: more than the editor shows.
RegisterSignal fromDatabase(Direction d, int index)
{
    RegisterSignal s;
    s.direction = d;
    s.registerIndex = index;
    s.name = QStringLiteral("EngineSpeed");
    s.unit = QStringLiteral("rpm");
    s.factor = 0.125;
    s.bitOffset = 4;
    s.bitLength = 12;
    s.startBit = 24;
    s.length = 12;
    s.comment = QStringLiteral("from the database");
    return s;
}

TEST(SignalFields, FactorAndOffsetMustBeFiniteNumbersAndTheFactorNotZero)
{
    const struct {
        const char* factor;
        const char* offset;
        std::optional<SignalField> refused;
    } cases[] = {
        {"1", "0", std::nullopt},       {"0.1", "-40", std::nullopt}, {" 2.5e-3 ", " 1e3", std::nullopt},
        {"", "", std::nullopt},         {"0", "0", SignalField::Factor}, {"-0", "0", SignalField::Factor},
        {"abc", "0", SignalField::Factor}, {"inf", "0", SignalField::Factor}, {"nan", "0", SignalField::Factor},
        {"1e999", "0", SignalField::Factor}, {"0,5", "0", SignalField::Factor}, {"1", "x", SignalField::Offset},
        {"1", "-inf", SignalField::Offset}, {"0", "x", SignalField::Factor},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.factor) + " / " + c.offset);
        const auto fault = checkSignalFields(fields("", "", c.factor, c.offset, false));
        ASSERT_EQ(fault.has_value(), c.refused.has_value());
        if (fault) {
            EXPECT_EQ(fault->field, *c.refused);
            EXPECT_EQ(fault->message, *c.refused == SignalField::Factor ? msg::kSignalFactorRefused : msg::kSignalOffsetRefused);
        }
    }
}

// Create and Modify through takeSignalFields: what the register keeps afterwards.
TEST(SignalFields, CreateAndModifyKeepWhatTheUserGaveAndNothingElse)
{
    const Direction R = Direction::Receive;
    SignalTable table;

    // Default fields on a register with no signal write nothing.
    takeSignalFields(table, R, std::nullopt, 10, SignalFields{});
    takeSignalFields(table, R, std::nullopt, 11, fields("  ", " ", "", "", false));
    EXPECT_TRUE(table.empty());

    // Given by hand, with the blanks and control characters of a paste taken out.
    takeSignalFields(table, R, std::nullopt, 10, fields(" Oil\tPressure ", "bar\n", "0.01", "-1", true));
    ASSERT_NE(table.find(R, 10), nullptr);
    EXPECT_EQ(table.find(R, 10)->name, QStringLiteral("Oil Pressure"));
    EXPECT_EQ(table.find(R, 10)->unit, QStringLiteral("bar"));
    EXPECT_EQ(table.find(R, 10)->factor, 0.01);
    EXPECT_EQ(table.find(R, 10)->offset, -1.0);
    EXPECT_TRUE(table.find(R, 10)->isSigned);
    EXPECT_EQ(signalFields(table.find(R, 10)), fields("Oil Pressure", "bar", "0.01", "-1", true));
    EXPECT_EQ(signalFields(nullptr), fields("", "", "1", "0", false));

    // Modify to another index moves the signal; cleared to the defaults, it is gone.
    takeSignalFields(table, R, 10, 12, signalFields(table.find(R, 10)));
    EXPECT_EQ(table.find(R, 10), nullptr);
    ASSERT_NE(table.find(R, 12), nullptr);
    EXPECT_EQ(table.find(R, 12)->name, QStringLiteral("Oil Pressure"));
    takeSignalFields(table, R, 12, 12, SignalFields{});
    EXPECT_TRUE(table.empty());

    // A signal of the database keeps its bit field, position and comment through a Modify
    // of its name, index and scaling, and through unchanged fields; cleared, it keeps them.
    table.set(fromDatabase(R, 20));
    table.set(fromDatabase(Direction::Transmit, 20));
    const SignalTable before = table;
    takeSignalFields(table, R, 20, 20, signalFields(table.find(R, 20)));
    EXPECT_EQ(table, before) << "numbers shown read back as the same numbers";
    takeSignalFields(table, R, 20, 21, fields("Speed", "1/min", "0.25", "0", false));
    RegisterSignal expected = fromDatabase(R, 21);
    expected.name = QStringLiteral("Speed");
    expected.unit = QStringLiteral("1/min");
    expected.factor = 0.25;
    ASSERT_NE(table.find(R, 21), nullptr);
    EXPECT_EQ(*table.find(R, 21), expected);
    EXPECT_EQ(table.find(R, 20), nullptr);
    EXPECT_EQ(*table.find(Direction::Transmit, 20), fromDatabase(Direction::Transmit, 20));
    takeSignalFields(table, R, 21, 21, SignalFields{});
    ASSERT_NE(table.find(R, 21), nullptr);
    EXPECT_EQ(table.find(R, 21)->length, 12);

    // Create replaces what a register held before; an index that is no number keeps nothing.
    takeSignalFields(table, R, std::nullopt, 21, fields("New", "", "1", "0", false));
    EXPECT_EQ(table.find(R, 21)->length, 0);
    EXPECT_EQ(table.find(R, 21)->bitLength, 16);
    takeSignalFields(table, R, 21, std::nullopt, fields("Lost", "", "1", "0", false));
    EXPECT_EQ(table.find(R, 21), nullptr);
}

// The save of a mapping editor: the mapping file and the signal file together, all or none.
struct Plant {
    Plant()
    {
        home.activate(QStringLiteral("P"));
        const Workspace& ws = home.session.ws;
        writeFile(ws.generalParametersFile, "<ParGen><Device_Type>1</Device_Type></ParGen>");
        writeFile(ws.receiveFramesFile, "<COBID><row CobID=\"0x181\" Dimensin=\"8\" CobType=\"2.0A (11 bits)\" Mnemonic=\"\"/></COBID>");
        writeFile(ws.receiveMappingsFile, "<RInfoCob><row Index=\"10\" NrPdo=\"1\" PosComp=\"18\"/></RInfoCob>");
        SignalTable table;
        table.set(fromDatabase(Direction::Receive, 10));
        config::saveSignalTable(table, ws.configurationFolder);
        signalPath = ws.configurationFolder + QStringLiteral("/Signals.xml");
        shown = config::loadSignalTable(ws.configurationFolder);
        home.session.activeDocument();
    }

    // The mapping editor's save; the text of the error it fails with is kept in `error`.
    SaveOutcome save(const SignalTable& edited, std::vector<config::MappingEntry> entries)
    {
        try {
            return finishSave(home.session, SaveDecision::Write, [&](config::ConfigurationDocument& document) {
                return takeMappingEdit(document, Direction::Receive, entries, shown, edited);
            });
        } catch (const Error& e) {
            error = e.text();
            return SaveOutcome::Back;
        }
    }

    static std::vector<config::MappingEntry> entries(const char* index)
    {
        config::MappingEntry e;
        e.registerIndex = QString::fromLatin1(index);
        e.frameNumber = 1;
        e.highByte = 1;
        e.lowByte = 2;
        return {e};
    }

    test::TempHome home;
    QString error;
    QString signalPath;
    SignalTable shown;
};

TEST(MappingEditSave, WritesTheMappingAndTheEditedSignalsTogether)
{
    Plant p;
    // Meanwhile the transmit side's signals were written (another editor, an import).
    SignalTable meanwhile = p.shown;
    meanwhile.set(fromDatabase(Direction::Transmit, 7));
    config::saveSignalTable(meanwhile, p.home.session.ws.configurationFolder);

    SignalTable edited = p.shown;
    takeSignalFields(edited, Direction::Receive, 10, 30, fields("Speed", "rpm", "0.125", "0", false));
    EXPECT_EQ(p.save(edited, Plant::entries("30")), SaveOutcome::Saved);
    EXPECT_TRUE(p.error.isEmpty()) << p.error.toStdString();
    EXPECT_TRUE(readFile(p.home.session.ws.receiveMappingsFile).contains("Index=\"30\""));
    const SignalTable written = config::loadSignalTable(p.home.session.ws.configurationFolder);
    ASSERT_NE(written.find(Direction::Receive, 30), nullptr);
    EXPECT_EQ(written.find(Direction::Receive, 30)->name, QStringLiteral("Speed"));
    EXPECT_EQ(written.find(Direction::Receive, 30)->bitLength, 12);
    EXPECT_EQ(written.find(Direction::Receive, 10), nullptr);
    EXPECT_NE(written.find(Direction::Transmit, 7), nullptr) << "what others wrote stays";
}

TEST(MappingEditSave, ASignalFileThatCannotBeReadStopsTheSaveOnlyWhenASignalChanged)
{
    for (const bool signalEdited : {true, false}) {
        SCOPED_TRACE(signalEdited ? "signal edited" : "mapping only");
        Plant p;
        const QByteArray mapping = readFile(p.home.session.ws.receiveMappingsFile);
        writeFile(p.signalPath, "<SIGNALS><Register Direction=\"Sideways\" Index=\"1\"/></SIGNALS>");
        SignalTable edited = p.shown;
        if (signalEdited)
            takeSignalFields(edited, Direction::Receive, 10, 10, fields("Speed", "rpm", "2", "0", false));
        const SaveOutcome outcome = p.save(edited, Plant::entries("31"));
        EXPECT_EQ(readFile(p.signalPath), QByteArray("<SIGNALS><Register Direction=\"Sideways\" Index=\"1\"/></SIGNALS>"));
        if (signalEdited) {
            EXPECT_EQ(outcome, SaveOutcome::Back);
            EXPECT_TRUE(p.error.contains(QStringLiteral("Signals.xml"))) << p.error.toStdString();
            EXPECT_EQ(readFile(p.home.session.ws.receiveMappingsFile), mapping) << "nothing is written";
        } else {
            EXPECT_EQ(outcome, SaveOutcome::Saved);
            EXPECT_TRUE(readFile(p.home.session.ws.receiveMappingsFile).contains("Index=\"31\""));
        }
    }
}

} // namespace
} // namespace px
