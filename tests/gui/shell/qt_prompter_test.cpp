#include "gui/common/qt_prompter.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace px {
namespace {

struct SeenBox {
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString details;
};

// Waits for the message box, notes what it shows and presses `button` in it.
void answerNextBox(SeenBox& seen, QMessageBox::StandardButton button)
{
    auto* poll = new QTimer;
    const QDeadlineTimer deadline(10000);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, deadline, &seen, button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box && !deadline.hasExpired())
            return;
        poll->stop();
        poll->deleteLater();
        if (!box)
            return;
        seen = {box->text(), box->textFormat(), box->icon(), box->detailedText()};
        box->button(button)->click();
    });
    poll->start(10);
}

TEST(QtPrompter, ShowsTextsAsTheyStandAndAnswersWithTheButtonPressed)
{
    // A file or configuration name with angle brackets is shown, never read as markup.
    const QString text = QStringLiteral("The file PROJECTS/Pump <A>/ParGen.xml is not valid XML");
    QtPrompter prompter;
    const struct {
        const char* what;
        std::function<int()> ask;
        QMessageBox::StandardButton press;
        QMessageBox::Icon icon;
        int expected;
    } cases[] = {
        {"error", [&] { prompter.error(text); return 0; }, QMessageBox::Ok, QMessageBox::Critical, 0},
        {"information", [&] { prompter.information(text); return 0; }, QMessageBox::Ok, QMessageBox::Information, 0},
        {"warning", [&] { prompter.report(Prompter::Icon::Warning, text, QStringLiteral("printed")); return 0; },
         QMessageBox::Ok, QMessageBox::Warning, 0},
        {"yes", [&] { return int(prompter.yesNo(text)); }, QMessageBox::Yes, QMessageBox::Question, 1},
        {"no", [&] { return int(prompter.yesNo(text)); }, QMessageBox::No, QMessageBox::Question, 0},
        {"cancel", [&] { return int(prompter.yesNoCancel(text)); }, QMessageBox::Cancel, QMessageBox::Question,
         int(Prompter::Answer::Cancel)},
        {"no of three", [&] { return int(prompter.yesNoCancel(text)); }, QMessageBox::No, QMessageBox::Question,
         int(Prompter::Answer::No)},
    };
    for (const auto& c : cases) {
        SeenBox seen;
        answerNextBox(seen, c.press);
        EXPECT_EQ(c.ask(), c.expected) << c.what;
        EXPECT_EQ(seen.text, text) << c.what;
        EXPECT_EQ(seen.format, Qt::PlainText) << c.what;
        EXPECT_EQ(seen.icon, c.icon) << c.what;
        EXPECT_EQ(seen.details, c.icon == QMessageBox::Warning ? QStringLiteral("printed") : QString()) << c.what;
    }
}

} // namespace
} // namespace px
