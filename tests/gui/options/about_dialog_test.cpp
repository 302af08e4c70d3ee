#include "gui/options/about_dialog.h"

#include "core/platform/browser.h"

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
    TFAbout about(browser);
    about.FormShow();
    about.show();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About..."));
    EXPECT_EQ(about.size(), QSize(406, 148));
    const struct {
        const char* label;
        const char* text;
    } labels[] = {
        {"Label1", "Software Orvane "}, {"Label2", "CAN / Modbus TCP Slave - Converter"},
        {"Label6", "Software Code : "}, {"Label9", "PX40318"},
        {"Label3", "Version :"},        {"Label10", "2.505"},
        {"Label8", "Document Code :"},  {"Label12", "PM40318"},
    };
    for (const auto& l : labels) {
        auto* w = about.findChild<QLabel*>(QString::fromLatin1(l.label));
        ASSERT_NE(w, nullptr) << l.label;
        EXPECT_EQ(w->text(), QString::fromLatin1(l.text)) << l.label;
    }
    QTest::mouseClick(about.findChild<QLabel*>(QStringLiteral("Image2")), Qt::LeftButton);
    about.findChild<QLabel*>(QStringLiteral("Label4"))->linkActivated(QStringLiteral("home"));
    ASSERT_EQ(browser.urls.size(), 2);
    EXPECT_EQ(browser.urls[0], browser.urls[1]);
    EXPECT_TRUE(browser.urls[0].endsWith(QStringLiteral("/HOME/default.asp?frompg=PX40318")));
    QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("LbButton1")), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

} // namespace
} // namespace px
