#include "gui/options/soft_options_dialog.h"

#include "core/services/browser.h"
#include "core/lang/message_ids.h"
#include "support/fake_prompter.h"
#include "support/temp_home.h"
#include "support/widget_lookup.h"

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace px {
namespace {

struct RecordingBrowser final : Browser {
    void open(const QString& url) override { urls << url; }
    QStringList urls;
};

class SoftOptionsTest : public ::testing::Test {
protected:
    test::TempHome home;
    test::FakePrompter prompter;
    RecordingBrowser browser;
    bool newer = false;
    int languageChanges = 0;
    SoftwareOptionsDialog dialog{home.session,
                         {prompter, browser, [this] { return newer; },
                          [this] {
                              ++languageChanges;
                              dialog.applyLanguage();
                          }}};

    template <typename T>
    T* w(const QString& name)
    {
        return test::requireChild<T>(&dialog, name);
    }
    QLabel* label(const char* name) { return w<QLabel>(QString::fromLatin1(name)); }
    QCheckBox* box(const char* name) { return w<QCheckBox>(QString::fromLatin1(name)); }
    QPushButton* button(const char* name) { return w<QPushButton>(QString::fromLatin1(name)); }
    void languages(std::initializer_list<const char*> names)
    {
        for (const char* n : names)
            home.write(QStringLiteral("LANGUAGE/") + QString::fromLatin1(n) + QStringLiteral(".lng"),
                       QByteArray("STR40 = ") + n + "\n");
    }
};

TEST_F(SoftOptionsTest, ThirteenLanguagesPageSixAtATime)
{
    // The built-in English and twelve language files.
    languages({"L01", "l02", "L03", "L04", "L05", "L06", "L07", "L08", "L09", "L10", "L11", "L12"});
    QImage flag(48, 48, QImage::Format_RGB32);
    flag.fill(Qt::red);
    flag.save(home.file(QStringLiteral("LANGUAGE/DefaultFlag.bmp")));
    dialog.prepareShowing();
    dialog.show();
    EXPECT_EQ(label("languagePageLabel")->text(), QStringLiteral("Page 1 / 3"));
    EXPECT_EQ(label("selectedLanguageLabel")->text(), QStringLiteral("Selected Language : English"));
    EXPECT_EQ(label("languageName1")->text(), QStringLiteral("English"));
    EXPECT_EQ(label("languageName3")->text(), QStringLiteral("l02"));
    EXPECT_FALSE(label("languageFlag2")->pixmap().isNull()); // the default flag stands in
    EXPECT_FALSE(button("previousButton")->isVisible());
    EXPECT_TRUE(button("nextButton")->isVisible());
    QTest::mouseClick(button("nextButton"), Qt::LeftButton);
    QTest::mouseClick(button("nextButton"), Qt::LeftButton);
    EXPECT_EQ(label("languagePageLabel")->text(), QStringLiteral("Page 3 / 3"));
    EXPECT_EQ(label("languageName1")->text(), QStringLiteral("L12"));
    for (const char* hidden : {"languageName2", "languageName6", "languageFlag2"})
        EXPECT_FALSE(label(hidden)->isVisible()) << hidden;
    EXPECT_FALSE(button("nextButton")->isVisible());
    EXPECT_TRUE(button("previousButton")->isVisible());
    EXPECT_FALSE(w<QTabWidget>(QStringLiteral("optionTabs"))->isTabVisible(2));
    dialog.reject();
}

TEST_F(SoftOptionsTest, ChoosingALanguageAsksThenChangesEveryTextButNotTheSettingUntilOk)
{
    languages({"Deutsch"});
    dialog.prepareShowing();
    dialog.show();
    prompter.yesNoAnswers = {false, true};
    QTest::mouseClick(label("languageName2"), Qt::LeftButton);
    EXPECT_EQ(languageChanges, 0);
    EXPECT_EQ(home.session.messages[msg::kOptionsLanguage], QStringLiteral("Language"));
    QTest::mouseClick(label("languageName2"), Qt::LeftButton);
    EXPECT_EQ(prompter.questions,
              QStringList(2, QStringLiteral("Do you want to change the Language from English to Deutsch?")));
    EXPECT_EQ(languageChanges, 1);
    EXPECT_EQ(home.session.messages[msg::kOptionsLanguage], QStringLiteral("Deutsch"));
    EXPECT_EQ(w<QTabWidget>(QStringLiteral("optionTabs"))->tabText(0), QStringLiteral("Deutsch"));
    EXPECT_EQ(label("selectedLanguageLabel")->text(), QStringLiteral("Selected Language : Deutsch"));
    EXPECT_EQ(home.session.settings.language, QStringLiteral("English"));

    dialog.reject(); // Cancel keeps the texts but not the setting
    EXPECT_EQ(home.session.settings.language, QStringLiteral("English"));
    EXPECT_EQ(home.session.messages[msg::kOptionsLanguage], QStringLiteral("Deutsch"));

    dialog.prepareShowing();
    prompter.yesNoAnswers = {true};
    QTest::mouseClick(label("languageName2"), Qt::LeftButton);
    dialog.accept();
    EXPECT_EQ(home.session.settings.language, QStringLiteral("Deutsch"));
}

// With a language file in use, the built-in English stays on offer, first, with a flag of
// its own; choosing it brings every text back and OK keeps it in the settings file.
TEST_F(SoftOptionsTest, TheBuiltInEnglishIsAlwaysOfferedFirstAndBringsItsTextsBack)
{
    languages({"Deutsch", "Amharic"});
    QImage defaultFlag(48, 48, QImage::Format_RGB32);
    defaultFlag.fill(Qt::red);
    defaultFlag.save(home.file(QStringLiteral("LANGUAGE/DefaultFlag.bmp")));
    home.session.settings.language = QStringLiteral("Deutsch");
    home.session.messages.loadLanguage(home.session.ws.languageFolder, home.session.settings.language);
    ASSERT_EQ(home.session.messages[msg::kOptionsLanguage], QStringLiteral("Deutsch"));

    dialog.prepareShowing();
    dialog.show();
    EXPECT_EQ(label("languagePageLabel")->text(), QStringLiteral("Page 1 / 1"));
    EXPECT_EQ(label("languageName1")->text(), QStringLiteral("English"));
    EXPECT_EQ(label("languageName2")->text(), QStringLiteral("Amharic"));
    EXPECT_EQ(label("languageName3")->text(), QStringLiteral("Deutsch"));
    const QImage englishFlag = label("languageFlag1")->pixmap().toImage();
    EXPECT_FALSE(englishFlag.isNull());
    EXPECT_NE(englishFlag.convertToFormat(QImage::Format_RGB32), label("languageFlag2")->pixmap().toImage().convertToFormat(QImage::Format_RGB32))
        << "not the default flag";

    prompter.yesNoAnswers = {true};
    QTest::mouseClick(label("languageName1"), Qt::LeftButton);
    EXPECT_EQ(prompter.questions, QStringList{QStringLiteral("Do you want to change the Language from Deutsch to English?")});
    EXPECT_EQ(languageChanges, 1);
    EXPECT_EQ(home.session.messages[msg::kOptionsLanguage], QStringLiteral("Language"));
    EXPECT_EQ(w<QTabWidget>(QStringLiteral("optionTabs"))->tabText(0), QStringLiteral("Language"));
    EXPECT_EQ(label("selectedLanguageLabel")->text(), QStringLiteral("Selected Language : English"));
    dialog.accept();
    home.session.saveSettings();
    EXPECT_TRUE(home.read(QStringLiteral("Orvane.xml")).contains("<language>English</language>"));

    // The next start loads the built-in texts.
    Session next;
    next.start(home.path());
    EXPECT_EQ(next.settings.language, QStringLiteral("English"));
    EXPECT_EQ(next.messages[msg::kOptionsLanguage], QStringLiteral("Language"));
}

TEST_F(SoftOptionsTest, ConnectionOptionsEnableInTurnAndOkStoresEveryFlag)
{
    home.session.settings.jumpFieldsInTables = true;
    dialog.prepareShowing();
    EXPECT_FALSE(box("checkAtStartCheck")->isEnabled());
    EXPECT_FALSE(button("checkNowButton")->isEnabled());
    box("internetEnabledCheck")->click();
    EXPECT_TRUE(box("checkAtStartCheck")->isEnabled());
    EXPECT_FALSE(button("checkNowButton")->isEnabled());
    box("checkAtStartCheck")->click();
    EXPECT_TRUE(button("checkNowButton")->isEnabled());

    EXPECT_FALSE(label("checkResultLabel")->isVisibleTo(&dialog));
    button("checkNowButton")->click();
    EXPECT_EQ(label("checkResultLabel")->text(), QStringLiteral("No Update Available"));
    newer = true;
    button("checkNowButton")->click();
    EXPECT_TRUE(label("checkResultLabel")->text().contains(QStringLiteral("New Version Available. Click Here for more Details")));
    label("checkResultLabel")->linkActivated(QString());
    ASSERT_EQ(browser.urls.size(), 1);
    EXPECT_TRUE(browser.urls[0].endsWith(QStringLiteral("/Home/download/download.asp#PD40318")));

    dialog.accept();
    EXPECT_TRUE(home.session.settings.internetEnabled);
    EXPECT_TRUE(home.session.settings.updateCheckEnabled);
    EXPECT_TRUE(home.session.settings.jumpFieldsInTables);
    EXPECT_FALSE(home.session.settings.doubleClickAutoSize);
}

TEST_F(SoftOptionsTest, AnEmptyLanguageFolderOffersTheBuiltInEnglishOnly)
{
    dialog.prepareShowing();
    dialog.show();
    EXPECT_EQ(label("languagePageLabel")->text(), QStringLiteral("Page 1 / 1"));
    EXPECT_FALSE(button("previousButton")->isVisible());
    EXPECT_FALSE(button("nextButton")->isVisible());
    EXPECT_EQ(label("languageName1")->text(), QStringLiteral("English"));
    EXPECT_TRUE(label("languageFlag1")->isVisible());
    EXPECT_FALSE(label("languageName2")->isVisible());
    dialog.reject();
}

} // namespace
} // namespace px
