#include "gui/options/about_dialog.h"

#include "core/services/browser.h"

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
        {"productTitleLabel", "Software Orvane "}, {"productDescriptionLabel", "CAN / Modbus TCP Slave - Converter"},
        {"softwareCodeCaption", "Software Code : "}, {"softwareCodeValueLabel", "PX40318"},
        {"versionCaption", "Version :"},        {"versionLabel", "2.505"},
        {"documentCodeCaption", "Document Code :"},  {"documentCodeValueLabel", "PM40318"},
        {"homeFolderCaption", "Home Folder :"}, {"homeFolderLabel", "/home/ann/.local/share/px40318-configurator"},
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
    auto* label = test::requireChild<QLabel>(&about, QStringLiteral("homeFolderLabel"));
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
