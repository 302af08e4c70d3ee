#include "gui/comm/communication_settings_dialog.h"

#include "core/config/general_parameters.h"
#include "core/shell/workspace.h"
#include "core/lang/message_ids.h"
#include "support/fake_prompter.h"
#include "support/temp_home.h"
#include "support/widget_lookup.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTest>
#include <QUndoStack>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>

namespace px {
namespace {

class CommunicationSettings : public ::testing::Test {
public:
    CommunicationSettings() { home.activate(QStringLiteral("Plant1")); }

    template <typename T>
    T* find(const char* name)
    {
        return test::requireChild<T>(&dlg, name);
    }
    QLineEdit* edit(const char* name) { return find<QLineEdit>(name); }
    QComboBox* combo(const char* name) { return find<QComboBox>(name); }
    QString parGenPath() const { return home.session.ws.generalParametersFile; }
    void writeParGen(const GeneralParameters& p) { writeGeneralParametersFile(parGenPath(), p); }
    QStringList items(QComboBox* c)
    {
        QStringList l;
        for (int i = 0; i < c->count(); ++i)
            l << c->itemText(i);
        return l;
    }
    // The user types over a field's text.
    void type(const char* name, const QString& text)
    {
        QLineEdit* e = edit(name);
        e->selectAll();
        QTest::keyClicks(e, text);
    }

    test::TempHome home;
    test::FakePrompter prompter;
    CommunicationSettingsDialog dlg{home.session, prompter};
};

TEST_F(CommunicationSettings, DeviceChangeShowsItsRowsAndRebuildsTheBaudList)
{
    dlg.showSettings();
    QComboBox* device = combo("deviceChoice");
    QComboBox* baud = combo("bitRateChoice");
    const std::vector<QWidget*> jumperOnly{find<QWidget>("canTypeLabel"), combo("canTypeChoice"), find<QWidget>("canTimeOutLabel"),
                                           edit("canTimeOutEdit"), find<QCheckBox>("fastStartUpCheck")};
    auto* canBox = find<QGroupBox>("canGroup");
    auto* slaveBox = find<QGroupBox>("modbusGroup");

    ASSERT_EQ(device->currentIndex(), 0);
    EXPECT_EQ(baud->currentText(), QStringLiteral("1000K"));
    EXPECT_EQ(baud->count(), 8);
    for (QWidget* w : jumperOnly)
        EXPECT_FALSE(w->isHidden()) << w->objectName().toStdString();
    const int jumperCanHeight = canBox->height();
    const int jumperSlaveHeight = slaveBox->height();
    const int jumperDialogHeight = dlg.height();
    EXPECT_FALSE(dlg.hasChanges());

    device->setCurrentIndex(1);
    EXPECT_TRUE(dlg.hasChanges());
    EXPECT_EQ(items(baud).last(), QStringLiteral("75K"));
    EXPECT_EQ(baud->count(), 9);
    EXPECT_EQ(baud->currentText(), QStringLiteral("1000K"));
    for (QWidget* w : jumperOnly)
        EXPECT_TRUE(w->isHidden()) << w->objectName().toStdString();
    EXPECT_FALSE(edit("portEdit")->isHidden());
    // Each box ends 15 pixels below its lowest shown control; the window follows the slave box.
    EXPECT_EQ(canBox->height(), baud->geometry().bottom() + 1 + 15);
    EXPECT_EQ(slaveBox->height(), edit("portEdit")->geometry().bottom() + 1 + 15);
    EXPECT_LT(canBox->height(), jumperCanHeight);
    EXPECT_LT(slaveBox->height(), jumperSlaveHeight);
    EXPECT_EQ(dlg.height(), jumperDialogHeight - (jumperCanHeight - canBox->height()) - (jumperSlaveHeight - slaveBox->height()));
    EXPECT_EQ(slaveBox->y(), canBox->geometry().bottom() + 1 + 6);
    EXPECT_EQ(dlg.height(), slaveBox->geometry().bottom() + 1 + 54);

    // 75K exists on the dip-switch device only: back on the jumper device no rate is
    // selected, and OK stores 1000K.
    baud->setCurrentIndex(8);
    device->setCurrentIndex(0);
    EXPECT_EQ(baud->count(), 8);
    EXPECT_EQ(baud->currentIndex(), -1);
    for (QWidget* w : jumperOnly)
        EXPECT_FALSE(w->isHidden()) << w->objectName().toStdString();
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(readGeneralParametersFile(parGenPath()).baudCode, 8);
}

TEST_F(CommunicationSettings, StoredBaudCodeSelectsItsRateOrKeepsTheOneShown)
{
    const struct {
        CanBaudCode stored;
        DeviceType device;
        QString expected;  // empty: no rate selected
    } cases[] = {
        {9, kJumperDevice, QStringLiteral("20K")},
        {10, kDipSwitchDevice, QStringLiteral("75K")},
        {10, kJumperDevice, QString()},
        {0, kJumperDevice, QStringLiteral("250K")},
        {1, kDipSwitchDevice, QStringLiteral("250K")},
        {11, kJumperDevice, QStringLiteral("250K")},
        {-5, kJumperDevice, QStringLiteral("250K")},
    };
    for (const auto& c : cases) {
        GeneralParameters p;
        p.baudCode = 5;  // 250K: the rate shown before the file under test is read
        writeParGen(p);
        dlg.showSettings();
        p.baudCode = c.stored;
        p.deviceType = c.device;
        writeParGen(p);
        dlg.showSettings();
        EXPECT_EQ(combo("bitRateChoice")->currentText(), c.expected) << c.stored << " device " << c.device;
        EXPECT_FALSE(dlg.hasChanges());
    }

    // An unmapped code at the first showing leaves 1000K.
    CommunicationSettingsDialog fresh(home.session, prompter);
    GeneralParameters p;
    p.baudCode = 11;
    writeParGen(p);
    fresh.showSettings();
    EXPECT_EQ(test::requireChild<QComboBox>(&fresh, QStringLiteral("bitRateChoice"))->currentText(), QStringLiteral("1000K"));
}

TEST_F(CommunicationSettings, DotMovesAlongTheAddressBoxesAndIsSwallowedInTheLast)
{
    const char* chain[] = {"ipAddressByte1", "ipAddressByte2", "ipAddressByte3", "ipAddressByte4", "subnetMaskByte1", "subnetMaskByte2",
                           "subnetMaskByte3", "subnetMaskByte4", "gatewayByte1", "gatewayByte2", "gatewayByte3", "gatewayByte4"};
    dlg.showSettings();
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    // The gateway boxes take input while the gateway is disabled.
    ASSERT_FALSE(find<QCheckBox>("gatewayEnabledCheck")->isChecked());
    for (std::size_t i = 0; i < std::size(chain); ++i) {
        QLineEdit* e = edit(chain[i]);
        e->setFocus();
        const QString before = e->text();
        QTest::keyClick(e, '.');
        EXPECT_EQ(e->text(), before) << chain[i];
        const char* expected = i + 1 < std::size(chain) ? chain[i + 1] : chain[i];
        ASSERT_NE(dlg.focusWidget(), nullptr);
        EXPECT_EQ(dlg.focusWidget()->objectName(), QString::fromLatin1(expected)) << chain[i];
    }
    // Every other key passes.
    QTest::keyClick(edit("gatewayByte4"), Qt::Key_End);
    QTest::keyClicks(edit("gatewayByte4"), QStringLiteral("2"));
    EXPECT_EQ(edit("gatewayByte4")->text(), QStringLiteral("12"));
    dlg.reject();
}

TEST_F(CommunicationSettings, CancelAsksOnlyAfterAChange)
{
    const struct {
        const char* what;
        std::function<void(CommunicationSettings&)> act;
        bool asks;
    } cases[] = {
        {"nothing changed", [](CommunicationSettings&) {}, false},
        {"port typed", [](CommunicationSettings& t) { t.type("portEdit", QStringLiteral("503")); }, true},
        {"port changed and changed back",
         [](CommunicationSettings& t) {
             t.type("portEdit", QStringLiteral("503"));
             t.type("portEdit", QStringLiteral("502"));
         },
         true},
        {"gateway check box clicked", [](CommunicationSettings& t) { t.find<QCheckBox>("gatewayEnabledCheck")->click(); }, true},
        {"CAN type chosen", [](CommunicationSettings& t) { t.combo("canTypeChoice")->setCurrentIndex(1); }, true},
    };
    const QString question = home.session.messages[msg::kExitWithoutSavingQuestion];
    for (const auto& c : cases) {
        for (const bool answer : {false, true}) {
            prompter.questions.clear();
            dlg.showSettings();
            c.act(*this);
            QSignalSpy closed(&dlg, &QDialog::rejected);
            if (c.asks)
                prompter.yesNoAnswers.push_back(answer);
            find<QPushButton>("cancelButton")->click();
            EXPECT_EQ(prompter.questions, c.asks ? QStringList{question} : QStringList{}) << c.what;
            EXPECT_EQ(closed.count(), (!c.asks || answer) ? 1 : 0) << c.what << " answer " << answer;
        }
    }
    EXPECT_FALSE(QFileInfo::exists(parGenPath()));
}

TEST_F(CommunicationSettings, EscapeIsTheCancelButton)
{
    dlg.showSettings();
    type("subnetMaskByte4", QStringLiteral("128"));
    QSignalSpy closed(&dlg, &QDialog::rejected);
    prompter.yesNoAnswers = {false, true};
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_EQ(closed.count(), 0);
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(prompter.questions, QStringList(2, home.session.messages[msg::kExitWithoutSavingQuestion]));
}

// The close box is the Cancel button: after a change it asks, and No keeps the window.
TEST_F(CommunicationSettings, CloseBoxIsTheCancelButton)
{
    dlg.showSettings();
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    type("portEdit", QStringLiteral("1502"));
    ASSERT_TRUE(dlg.hasChanges());
    prompter.yesNoAnswers = {false, true};
    EXPECT_FALSE(dlg.close());
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(edit("portEdit")->text(), QStringLiteral("1502"));
    EXPECT_TRUE(dlg.close());
    EXPECT_EQ(prompter.questions, QStringList(2, home.session.messages[123]));
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_FALSE(QFileInfo::exists(parGenPath()));
}

TEST_F(CommunicationSettings, CollapsedBoxStaysCollapsedAtTheNextShowing)
{
    dlg.showSettings();
    auto* canBox = find<QGroupBox>("canGroup");
    auto* collapse = find<QToolButton>("collapseCanButton");
    auto* expand = find<QToolButton>("expandCanButton");
    const int fullHeight = canBox->height();
    ASSERT_FALSE(collapse->isHidden());
    ASSERT_TRUE(expand->isHidden());

    collapse->click();
    EXPECT_EQ(canBox->height(), 26);
    EXPECT_TRUE(combo("bitRateChoice")->isHidden());
    EXPECT_TRUE(edit("canTimeOutEdit")->isHidden());
    EXPECT_TRUE(collapse->isHidden());
    EXPECT_FALSE(expand->isHidden());
    EXPECT_EQ(find<QGroupBox>("modbusGroup")->y(), canBox->geometry().bottom() + 1 + 6);
    EXPECT_FALSE(dlg.hasChanges());

    dlg.accept();
    ASSERT_EQ(dlg.result(), QDialog::Accepted);
    dlg.showSettings();
    EXPECT_EQ(canBox->height(), 26);
    EXPECT_TRUE(combo("bitRateChoice")->isHidden());

    expand->click();
    EXPECT_EQ(canBox->height(), fullHeight);
    EXPECT_FALSE(combo("bitRateChoice")->isHidden());
    EXPECT_FALSE(edit("canTimeOutEdit")->isHidden());
    EXPECT_FALSE(collapse->isHidden());
    EXPECT_TRUE(expand->isHidden());
}

TEST_F(CommunicationSettings, OkWritesTheFileThatTheDeviceTypeQueryReads)
{
    // Time-out and fast start-up are not shown for the dip-switch device, but they are
    // kept as loaded and written back.
    GeneralParameters stored;
    stored.deviceType = kDipSwitchDevice;
    stored.canTimeOut = QStringLiteral("abc");
    stored.fastBoot = true;
    writeParGen(stored);
    dlg.showSettings();
    type("ipAddressByte1", QStringLiteral("0x0A"));
    type("portEdit", QStringLiteral("1502"));
    find<QCheckBox>("gatewayEnabledCheck")->click();
    type("gatewayByte4", QStringLiteral("254"));
    combo("bitRateChoice")->setCurrentIndex(8);

    QSignalSpy accepted(&dlg, &QDialog::accepted);
    find<QPushButton>("okButton")->click();
    EXPECT_EQ(accepted.count(), 1);
    EXPECT_TRUE(prompter.shown.isEmpty());

    GeneralParameters expected = stored;
    expected.baudCode = 10;
    expected.ip[0] = QStringLiteral("0x0A");
    expected.port = QStringLiteral("1502");
    expected.gatewayEnabled = true;
    expected.gateway[3] = QStringLiteral("254");
    EXPECT_EQ(readGeneralParametersFile(parGenPath()), expected);
    EXPECT_EQ(activeDeviceType(home.session.ws), 1);
}

TEST_F(CommunicationSettings, SelectionsOutsideTheListsShowTheFirstItemAndAreSavedAsIt)
{
    // Only a hand-edited file holds these; the rest of the program treats such a device
    // type as the jumper device.
    home.write(QStringLiteral("PROJECTS/Plant1/ParGen.xml"),
               QByteArray("<GeneralParameter><Device_Type>2</Device_Type><CANType>5</CANType></GeneralParameter>"));
    dlg.showSettings();
    EXPECT_EQ(combo("deviceChoice")->currentIndex(), 0);
    EXPECT_EQ(combo("canTypeChoice")->currentIndex(), 0);
    dlg.accept();
    ASSERT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(readGeneralParametersFile(parGenPath()), GeneralParameters{});
}

TEST_F(CommunicationSettings, LanguageChangeAppliesTextsAndStartsAgainAtTheFirstDevice)
{
    GeneralParameters stored;
    stored.deviceType = kDipSwitchDevice;
    writeParGen(stored);
    dlg.showSettings();
    home.session.messages.applyLanguageText(QStringLiteral("STR90 =Kommunikation\nSTR96 =Neues Geraet\nSTR293 =Baudrate waehlen\n"));
    dlg.applyLanguage();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Kommunikation"));
    EXPECT_EQ(combo("deviceChoice")->itemText(1), QStringLiteral("Neues Geraet"));
    EXPECT_EQ(combo("bitRateChoice")->toolTip(), QStringLiteral("Baudrate waehlen"));
    EXPECT_EQ(combo("deviceChoice")->currentIndex(), 0);
    EXPECT_EQ(combo("bitRateChoice")->count(), 8);
    dlg.showSettings();
    EXPECT_EQ(combo("deviceChoice")->currentIndex(), 1);
}

TEST_F(CommunicationSettings, FailedCheckShowsItsMessageAndKeepsTheValuesTyped)
{
    dlg.showSettings();
    type("canTimeOutEdit", QStringLiteral("100001"));
    type("ipAddressByte2", QStringLiteral("256"));
    dlg.accept();
    EXPECT_EQ(prompter.errors, QStringList{home.session.messages[msg::kCommCanTimeOutRange]});
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(edit("canTimeOutEdit")->text(), QStringLiteral("100001"));
    EXPECT_FALSE(QFileInfo::exists(parGenPath()));

    type("canTimeOutEdit", QStringLiteral("100000"));
    dlg.accept();
    EXPECT_EQ(prompter.errors.last(), home.session.messages[msg::kCommSlaveIp2Range]);
    EXPECT_FALSE(QFileInfo::exists(parGenPath()));
}

TEST_F(CommunicationSettings, FileThatDoesNotParseKeepsTheEditorClosedAndTheFileUntouched)
{
    const QByteArray broken = test::fixture(QStringLiteral("comm/not_well_formed.xml"));
    home.write(QStringLiteral("PROJECTS/Plant1/ParGen.xml"), broken);
    EXPECT_FALSE(dlg.execShow());
    ASSERT_EQ(prompter.errors.size(), 1);
    EXPECT_TRUE(prompter.errors[0].contains(QStringLiteral("ParGen.xml"))) << prompter.errors[0].toStdString();
    EXPECT_TRUE(prompter.errors[0].contains(QStringLiteral("line 4"))) << prompter.errors[0].toStdString();
    EXPECT_EQ(home.read(QStringLiteral("PROJECTS/Plant1/ParGen.xml")), broken);
}

TEST_F(CommunicationSettings, RefusedWriteIsReportedAndTheEditorStaysOpen)
{
    dlg.showSettings();
    // A folder appears where ParGen.xml is to be written: it cannot be replaced.
    ASSERT_TRUE(QDir().mkpath(parGenPath()));
    type("portEdit", QStringLiteral("1502"));
    prompter.yesNoCancelAnswers = {Prompter::Answer::Yes};
    dlg.accept();
    EXPECT_EQ(prompter.questions.size(), 1) << "the folder is no file as it was read";
    ASSERT_EQ(prompter.errors.size(), 1);
    EXPECT_TRUE(prompter.errors[0].contains(QStringLiteral("ParGen.xml"))) << prompter.errors[0].toStdString();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(edit("portEdit")->text(), QStringLiteral("1502"));
    EXPECT_TRUE(dlg.hasChanges());
}

// A typed field (once its edit ends), a check box and a list pick are one step each:
// undone one by one back to what was loaded, where Cancel no longer asks, and redone one
// by one; OK then writes the values shown. The undo key in a field being typed in ends
// that edit and undoes it.
TEST_F(CommunicationSettings, UndoAndRedoStepThroughTheFieldsThenOkWritesWhatIsShown)
{
    dlg.showSettings();
    dlg.show();
    QApplication::setActiveWindow(&dlg);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    auto* undo = find<QPushButton>("undoButton");
    auto* redo = find<QPushButton>("redoButton");
    ASSERT_TRUE(undo && redo);
    EXPECT_EQ(undo->text(), QStringLiteral("Undo"));
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
    const auto shown = [this] {
        return QStringList{edit("portEdit")->text(),
                           find<QCheckBox>("gatewayEnabledCheck")->isChecked() ? QStringLiteral("Y") : QStringLiteral("N"),
                           QString::number(combo("canTypeChoice")->currentIndex())}
            .join(u'|');
    };
    const QString loaded = shown();

    edit("portEdit")->setFocus();
    type("portEdit", QStringLiteral("1502"));
    QTest::keyClick(edit("portEdit"), Qt::Key_Tab);
    const QString port = shown();
    find<QCheckBox>("gatewayEnabledCheck")->click();
    const QString gateway = shown();
    combo("canTypeChoice")->setCurrentIndex(1);
    const QString type29 = shown();
    EXPECT_EQ(dlg.undoStack()->count(), 3);
    EXPECT_EQ(port.section(u'|', 0, 0), QStringLiteral("1502"));
    EXPECT_NE(gateway.section(u'|', 1, 1), port.section(u'|', 1, 1));
    EXPECT_EQ(type29.section(u'|', 2, 2), QStringLiteral("1"));
    EXPECT_NE(loaded, port);

    // Typing, then the undo key in the field: the typing is undone, the steps before stay.
    edit("canTimeOutEdit")->setFocus();
    type("canTimeOutEdit", QStringLiteral("999"));
    QTest::keyClick(edit("canTimeOutEdit"), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_NE(edit("canTimeOutEdit")->text(), QStringLiteral("999"));
    EXPECT_EQ(shown(), type29);
    ASSERT_TRUE(redo->isEnabled());

    undo->click();
    EXPECT_EQ(shown(), gateway);
    QTest::keyClick(edit("portEdit"), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(shown(), port);
    undo->click();
    EXPECT_EQ(shown(), loaded);
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(dlg.hasChanges()) << "undone back to what was loaded";

    QTest::keyClick(edit("portEdit"), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(shown(), port);
    QTest::keyClick(edit("portEdit"), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(shown(), gateway);
    redo->click();
    EXPECT_EQ(shown(), type29);
    EXPECT_TRUE(dlg.hasChanges());

    find<QPushButton>("okButton")->click();
    EXPECT_EQ(prompter.shown, QStringList());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    const GeneralParameters written = readGeneralParametersFile(parGenPath());
    EXPECT_EQ(written.port, QStringLiteral("1502"));
    EXPECT_EQ(written.canType, 1);
    EXPECT_EQ(written, dlg.readControls());
}

TEST_F(CommunicationSettings, CancelAfterUndoingEveryChangeClosesWithoutAskingAndWritesNothing)
{
    dlg.showSettings();
    find<QCheckBox>("gatewayEnabledCheck")->click();
    combo("bitRateChoice")->setCurrentIndex(2);
    find<QPushButton>("undoButton")->click();
    find<QPushButton>("undoButton")->click();
    QSignalSpy closed(&dlg, &QDialog::rejected);
    find<QPushButton>("cancelButton")->click();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(prompter.questions, QStringList());
    EXPECT_FALSE(QFileInfo::exists(parGenPath()));
}

// Where the style draws a box's caption.
QRect captionRect(const QGroupBox* box)
{
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.textAlignment = box->alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    option.lineWidth = 1;
    return box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
}

// A language whose texts are far longer than the English ones: the window grows until no
// caption, label, check box, button or device name is cut, for both device generations,
// and the fields of the CAN and the slave box still stand one below the other.
TEST_F(CommunicationSettings, LongerTextsOfALanguageAreShownWhole)
{
    dlg.showSettings();
    EXPECT_EQ(dlg.width(), 420) << "English keeps the usual width";

    home.write(QStringLiteral("LANGUAGE/Lang.lng"), test::fixture(QStringLiteral("comm/long_texts.lng")));
    home.session.messages.loadLanguageFile(home.file(QStringLiteral("LANGUAGE/Lang.lng")));
    dlg.applyLanguage();
    ASSERT_EQ(find<QLabel>("canTimeOutLabel")->text(), QStringLiteral("Gültigkeitsdauer empfangener Daten (ms)"));

    for (const DeviceType device : {kJumperDevice, kDipSwitchDevice}) {
        SCOPED_TRACE(device);
        GeneralParameters p;
        p.deviceType = device;
        writeParGen(p);
        dlg.showSettings();
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        EXPECT_GT(dlg.width(), 420);

        int shownTexts = 0;
        const auto fitsWhole = [&](QWidget* w, const QString& what) {
            ++shownTexts;
            EXPECT_LE(w->sizeHint().width(), w->width()) << what.toStdString();
            EXPECT_LE(w->sizeHint().height(), w->height()) << what.toStdString();
            EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry())) << what.toStdString();
        };
        for (QLabel* l : dlg.findChildren<QLabel*>()) {
            if (l->isVisible() && !l->text().isEmpty())
                fitsWhole(l, l->text());
        }
        for (QAbstractButton* b : dlg.findChildren<QAbstractButton*>()) {
            if (b->isVisible() && !b->text().isEmpty())
                fitsWhole(b, b->text());
        }
        fitsWhole(combo("deviceChoice"), QStringLiteral("device list"));
        EXPECT_EQ(shownTexts, device == kJumperDevice ? 24 : 21);

        // Each caption ends before its box's fold button.
        for (QGroupBox* box : dlg.findChildren<QGroupBox*>()) {
            const auto* fold = box->findChild<QToolButton*>(QString(), Qt::FindDirectChildrenOnly);
            ASSERT_NE(fold, nullptr);
            EXPECT_LT(captionRect(box).right(), fold->geometry().left()) << box->title().toStdString();
            EXPECT_LE(fold->geometry().right(), box->rect().right()) << box->title().toStdString();
        }
        EXPECT_EQ(combo("bitRateChoice")->mapTo(&dlg, QPoint()).x(), edit("ipAddressByte1")->mapTo(&dlg, QPoint()).x());
        dlg.close();
    }
}

} // namespace
} // namespace px
