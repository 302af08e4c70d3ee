#include "core/shell/app_settings.h"

#include "core/base/error.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

namespace px {
namespace {

TEST(SettingsFile, DefaultsAreWrittenInTheirExactForm)
{
    EXPECT_EQ(serializeSettings(AppSettings{}),
              QByteArray("<Conf_Settings><lastproj><projectname></projectname></lastproj>"
                         "<lastipadd><ipaddress>192.168.2.205</ipaddress></lastipadd>"
                         "<lastlang><language>English</language></lastlang>"
                         "<lastinternet><enable_internet>0</enable_internet><enable_update>0</enable_update>"
                         "<enable_jump_field_tables>0</enable_jump_field_tables>"
                         "<Double_Click_Auto_Size>0</Double_Click_Auto_Size></lastinternet></Conf_Settings>"));
}

TEST(SettingsFile, RoundTripKeepsEveryValue)
{
    AppSettings s;
    s.lastConfiguration = QStringLiteral("Plant A & <B>");
    s.lastDeviceAddress = QStringLiteral("10.0.0.7");
    s.language = QStringLiteral("Italiano");
    s.internetEnabled = true;
    s.updateCheckEnabled = false;
    s.jumpFieldsInTables = true;
    s.doubleClickAutoSize = true;
    // Characters with a meaning in XML are written as the file has always carried them.
    EXPECT_TRUE(serializeSettings(s).startsWith("<Conf_Settings><lastproj><projectname>Plant A &amp; &lt;B></projectname>"));
    const AppSettings r = parseSettings(serializeSettings(s));
    EXPECT_EQ(r.lastConfiguration, s.lastConfiguration);
    EXPECT_EQ(r.lastDeviceAddress, s.lastDeviceAddress);
    EXPECT_EQ(r.language, s.language);
    EXPECT_EQ(r.internetEnabled, true);
    EXPECT_EQ(r.updateCheckEnabled, false);
    EXPECT_EQ(r.jumpFieldsInTables, true);
    EXPECT_EQ(r.doubleClickAutoSize, true);
}

TEST(SettingsFile, EachValueFallsBackOnItsOwn)
{
    const struct {
        const char* file;
        const char* project;
        const char* ip;
        const char* language;
        bool internet;
        bool update;
    } cases[] = {
        // Flags are set only by the exact text "1".
        {"<S><lastinternet><enable_internet>1</enable_internet><enable_update>true</enable_update></lastinternet></S>",
         "", "192.168.2.205", "English", true, false},
        // No lastinternet group: the three texts are still read.
        {"<Conf_Settings><lastproj><projectname>P1</projectname></lastproj><lastipadd><ipaddress>1.2.3.4</ipaddress>"
         "</lastipadd><lastlang><language>Deutsch</language></lastlang></Conf_Settings>",
         "P1", "1.2.3.4", "Deutsch", false, false},
        // Another root name with the expected children is read normally.
        {"<Other><lastlang><language>Italiano</language></lastlang><lastinternet><enable_update>1</enable_update>"
         "</lastinternet></Other>",
         "", "192.168.2.205", "Italiano", false, true},
        // A group without its value element, and an empty language text.
        {"<S><lastipadd/><lastlang><language></language></lastlang></S>", "", "192.168.2.205", "", false, false},
        // A document type is no node before the root; a value's text is all text inside
        // it; only the first group and the first value of a name count.
        {"<!DOCTYPE S><S><lastlang><language>Ital<![CDATA[ia]]><x>no</x> <!--c--></language><language>Deutsch</language>"
         "</lastlang><lastlang><language>Francais</language></lastlang></S>",
         "", "192.168.2.205", "Italiano", false, false},
        {"<S><lastlang/><lastlang><language>Deutsch</language></lastlang></S>", "", "192.168.2.205", "English", false, false},
        // A file that does not parse gives the defaults of a missing one.
        {"<S><lastproj><projectname>P1", "", "192.168.2.205", "English", false, false},
        {"", "", "192.168.2.205", "English", false, false},
        // A declaration before the root is the first node: nothing is found under it.
        {"<?xml version=\"1.0\"?><S><lastlang><language>Italiano</language></lastlang></S>", "", "192.168.2.205",
         "English", false, false},
        // Refused as every configuration file is: a document type inside the root, and a
        // file nested far deeper than the guard allows (it once stalled the start).
        {"<S><!DOCTYPE S><lastlang><language>Italiano</language></lastlang></S>", "", "192.168.2.205", "English",
         false, false},
    };
    const QByteArray deep = "<S><lastlang><language>Italiano</language></lastlang>" + QByteArray("<a>").repeated(100000)
        + QByteArray("</a>").repeated(100000) + "</S>";
    EXPECT_EQ(parseSettings(deep).language, QStringLiteral("English"));
    for (const auto& c : cases) {
        const AppSettings s = parseSettings(QByteArray(c.file));
        EXPECT_EQ(s.lastConfiguration, QString::fromLatin1(c.project)) << c.file;
        EXPECT_EQ(s.lastDeviceAddress, QString::fromLatin1(c.ip)) << c.file;
        EXPECT_EQ(s.language, QString::fromLatin1(c.language)) << c.file;
        EXPECT_EQ(s.internetEnabled, c.internet) << c.file;
        EXPECT_EQ(s.updateCheckEnabled, c.update) << c.file;
        EXPECT_FALSE(s.jumpFieldsInTables);
        EXPECT_FALSE(s.doubleClickAutoSize);
    }
}

TEST(SettingsFile, ValueTheFileCannotHoldIsRefusedAndTheOldFileKept)
{
    // Written as it stands, such a value would leave a file that no longer parses, and
    // every setting would fall back to its default at the next start.
    test::TempHome home;
    const QString path = home.file(QStringLiteral("Orvane.xml"));
    AppSettings good;
    good.language = QStringLiteral("Italiano");
    saveSettings(path, good);
    const QByteArray before = home.read(QStringLiteral("Orvane.xml"));
    const struct {
        const char* what;
        void (*edit)(AppSettings&);
    } cases[] = {
        {"configuration name", [](AppSettings& s) { s.lastConfiguration = QStringLiteral("Plant\x01"); }},
        {"address", [](AppSettings& s) { s.lastDeviceAddress = QString(QChar(0xFFFF)); }},
        {"language", [](AppSettings& s) { s.language = QString(QChar(0xD800)); }},
    };
    for (const auto& c : cases) {
        AppSettings bad = good;
        c.edit(bad);
        EXPECT_THROW(saveSettings(path, bad), Error) << c.what;
        EXPECT_EQ(home.read(QStringLiteral("Orvane.xml")), before) << c.what;
    }
    // Tab, line feed and carriage return, and characters beyond the basic plane, are kept.
    AppSettings kept = good;
    kept.lastConfiguration = QStringLiteral("A\tB \U0001F600");
    EXPECT_EQ(parseSettings(serializeSettings(kept)).lastConfiguration, kept.lastConfiguration);
}

} // namespace
} // namespace px
