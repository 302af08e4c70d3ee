#include "gui/options/about_dialog.h"

#include "core/platform/browser.h"

#include "support/widget_lookup.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace px {
namespace {

struct RecordingBrowser final : Browser {
    void open(const QString& url) override { urls << url; }
    QStringList urls;
};

TEST(AboutBox, ShowsTheFixedIdentityAndLinksToTheHomePage)
{
    RecordingBrowser browser;
    AboutDialog about(browser);
    about.setHomeFolder(QStringLiteral("/home/ann/.local/share/px40318-configurator"));
    about.prepareShowing();
    about.show();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About..."));
    EXPECT_EQ(about.size(), QSize(406, 166));
    const struct {
        const char* label;
        const char* text;
    } labels[] = {
        {"Label1", "Software Orvane "}, {"Label2", "CAN / Modbus TCP Slave - Converter"},
        {"Label6", "Software Code : "}, {"Label9", "PX40318"},
        {"Label3", "Version :"},        {"versionLabel", "2.505"},
        {"Label8", "Document Code :"},  {"Label12", "PM40318"},
        {"L_Home_Caption", "Home Folder :"}, {"L_Home_Folder", "/home/ann/.local/share/px40318-configurator"},
    };
    for (const auto& l : labels) {
        auto* w = test::requireChild<QLabel>(&about, QString::fromLatin1(l.label));
        ASSERT_NE(w, nullptr) << l.label;
        EXPECT_EQ(w->text(), QString::fromLatin1(l.text)) << l.label;
    }
    QTest::mouseClick(test::requireChild<QLabel>(&about, QStringLiteral("makerLogo")), Qt::LeftButton);
    test::requireChild<QLabel>(&about, QStringLiteral("webLink"))->linkActivated(QStringLiteral("home"));
    ASSERT_EQ(browser.urls.size(), 2);
    EXPECT_EQ(browser.urls[0], browser.urls[1]);
    EXPECT_TRUE(browser.urls[0].endsWith(QStringLiteral("/HOME/default.asp?frompg=PX40318")));
    QTest::mouseClick(test::requireChild<QPushButton>(&about, QStringLiteral("okButton")), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(AboutBox, ALongHomeFolderIsShortenedToFitAndWholeInTheToolTip)
{
    RecordingBrowser browser;
    AboutDialog about(browser);
    const QString folder = QStringLiteral("/srv/commissioning/") + QString(200, u'x') + QStringLiteral("/px40318");
    about.setHomeFolder(folder);
    about.prepareShowing();
    about.show();
    auto* label = test::requireChild<QLabel>(&about, QStringLiteral("L_Home_Folder"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->toolTip(), folder);
    EXPECT_TRUE(label->text().startsWith(QStringLiteral("/srv/comm"))) << label->text().toStdString();
    EXPECT_TRUE(label->text().endsWith(QStringLiteral("xx/px40318"))) << label->text().toStdString();
    EXPECT_TRUE(label->text().contains(QChar(0x2026))) << label->text().toStdString();
    EXPECT_LE(label->sizeHint().width(), label->width());
    about.close();

    // Below the user's own folder the path starts with ~, as the shell writes it.
    about.setHomeFolder(QDir::homePath() + QStringLiteral("/.local/share/px40318-configurator"));
    EXPECT_EQ(label->text(), QStringLiteral("~/.local/share/px40318-configurator"));
    EXPECT_EQ(label->toolTip(), QDir::homePath() + QStringLiteral("/.local/share/px40318-configurator"));
}

} // namespace
} // namespace px
