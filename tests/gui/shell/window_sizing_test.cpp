// Windows of a fixed size take the size their texts need: in German no caption is clipped,
// in English they keep their usual size.

#include "core/services/browser.h"
#include "core/services/program_runner.h"
#include "gui/options/soft_options_dialog.h"
#include "gui/shell/main_window.h"
#include "gui/shell/new_configuration_dialog.h"
#include "support/fake_dialogs.h"
#include "support/idle_services.h"
#include "support/fake_prompter.h"
#include "support/temp_home.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTest>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace px {
namespace {

using test::NoBrowser;
using test::NoRunner;
using test::NoTrash;


// Every button, check box and one-line label the window shows is at least as wide and as
// high as its text asks for.
void expectNothingClipped(QWidget& window, const std::string& what)
{
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    int checked = 0;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&window))
            continue;
        const auto* label = qobject_cast<QLabel*>(w);
        if (!qobject_cast<QAbstractButton*>(w) && !(label && !label->wordWrap() && !label->text().isEmpty()))
            continue;
        const QString text = label ? label->text() : static_cast<QAbstractButton*>(w)->text();
        if (text.isEmpty())
            continue;
        ++checked;
        EXPECT_GE(w->width(), w->sizeHint().width()) << what << ": \"" << text.toStdString() << "\" clipped";
        EXPECT_GE(w->height(), w->minimumSizeHint().height()) << what << ": \"" << text.toStdString() << '"';
    }
    EXPECT_GT(checked, 3) << what;
    window.close();
}

TEST(WindowSizing, CaptionsOfEveryLanguageFitWhileTheWindowsKeepAFixedSize)
{
    test::TempHome home;
    test::FakePrompter prompter;
    test::FakeDialogs dialogs;
    NoRunner runner;
    NoBrowser browser;
    const struct {
        const char* name;
        std::function<std::unique_ptr<QWidget>()> make;
        QSize usual;
    } windows[] = {
        {"main window",
         [&] { return std::make_unique<MainWindow>(home.session, MainWindow::Services{prompter, dialogs, runner, browser}); },
         QSize(694, 440)},
        {"new configuration", [&] { return std::make_unique<NewConfigurationDialog>(home.session, prompter); }, QSize(331, 162)},
        {"options",
         [&] {
             auto d = std::make_unique<SoftwareOptionsDialog>(
                 home.session, SoftwareOptionsDialog::Services{prompter, browser, [] { return false; }, [] {}});
             d->prepareShowing();
             return d;
         },
         QSize(509, 373)},
    };
    for (const char* language : {"English", "Deutsch"}) {
        home.session.messages.fillEnglish();
        if (QLatin1StringView(language) == QLatin1StringView("Deutsch"))
            home.session.messages.loadLanguageFile(test::fixturePath(QStringLiteral("shell/Deutsch.lng")));
        for (const auto& w : windows) {
            const std::unique_ptr<QWidget> window = w.make();
            const std::string what = std::string(w.name) + " in " + language;
            expectNothingClipped(*window, what);
            // Not resizable, as before, and never smaller than usual; in English as wide as
            // usual (the options are a few pixels higher than they were: their content was
            // squeezed before).
            EXPECT_EQ(window->minimumSize(), window->maximumSize()) << what;
            EXPECT_GE(window->width(), w.usual.width()) << what;
            EXPECT_GE(window->height(), w.usual.height()) << what;
            if (QLatin1StringView(language) == QLatin1StringView("English")) {
                EXPECT_EQ(window->width(), w.usual.width()) << what;
            }
        }
    }
}

} // namespace
} // namespace px
