#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/xml_content.h"
#include "core/config/configuration.h"
#include "core/image/compile_input.h"
#include "core/lang/message_ids.h"
#include "core/lang/message_table.h"
#include "core/shell/config_archive.h"

#include "support/temp_home.h"

#include <QDir>
#include <QSaveFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <type_traits>

namespace px {
namespace {

// An error can only be made from a message id: a text of its own would escape translation.
static_assert(!std::is_constructible_v<Error, QString>);
static_assert(!std::is_constructible_v<Error, const char*>);

// A small German language file, as a translator writes it: entries by number, UTF-8.
QString germanLanguageFile()
{
    const struct {
        int id;
        const char* text;
    } entries[] = {
        {msg::kFileDoesNotExist, "Die Datei %1 kann nicht gelesen werden: sie existiert nicht"},
        {msg::kCannotReadFile, "Die Datei %1 kann nicht gelesen werden: %2"},
        {msg::kCannotWriteFile, "Die Datei %1 kann nicht geschrieben werden: %2"},
        {msg::kNoFileChanged, "Keine Datei wurde geändert."},
        {msg::kNotValidXml, "Die Datei %1 ist kein gültiges XML: Zeile %2, Spalte %3: %4"},
        {msg::kXmlUnexpectedToken, "Unerwartetes Zeichen"},
        {msg::kPlaceRowAttribute, "%1, Zeile %2, Attribut %3"},
        {msg::kValueNotInteger, "%1: \"%2\" ist keine ganze Zahl"},
        {msg::kNotAnArchive, "%1 ist kein Konfigurationsarchiv von %2: %3"},
        {msg::kArchiveNoZip, "es ist keine oder eine beschädigte ZIP-Datei"},
    };
    QString file;
    for (const auto& e : entries)
        file += QStringLiteral("STR%1 =%2\n").arg(e.id).arg(QString::fromUtf8(e.text));
    return file;
}

// Each error keeps the English text it has always had (what() included) and gives the
// whole text, the parts it wraps too, in the language of a table; a text from Qt or the
// system stands as it is in both.
TEST(ErrorText, EnglishAsAlwaysAndTranslatedThroughTheTable)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    test::writeFile(dir.filePath(QStringLiteral("Deutsch.lng")), germanLanguageFile().toUtf8());
    MessageTable german;
    german.loadLanguageFile(dir.filePath(QStringLiteral("Deutsch.lng")));
    const MessageTable english;

    const QString missing = QDir::toNativeSeparators(dir.filePath(QStringLiteral("RCobDef.xml")));
    // A folder where a file's folder should be: the file cannot be written, for the
    // reason Qt gives.
    test::writeFile(dir.filePath(QStringLiteral("blocker")), "x");
    const QString unwritable = dir.filePath(QStringLiteral("blocker/ParGen.xml"));
    QSaveFile probe(unwritable);
    ASSERT_FALSE(probe.open(QIODevice::WriteOnly));
    const QString writeCause = probe.errorString();
    // A configuration folder with a ParGen.xml that does not parse.
    const QString folder = dir.filePath(QStringLiteral("Plant1"));
    test::writeFile(folder + QStringLiteral("/ParGen.xml"), "<PARGEN/><!DOCTYPE PARGEN>");
    const QString folderShown = QDir::toNativeSeparators(QDir(folder).absolutePath());

    const struct {
        const char* what;
        std::function<void()> fail;
        QString english;
        QString german;
    } cases[] = {
        {"a file that does not exist", [&] { readConfigurationFile(missing); },
         QStringLiteral("Cannot read the file %1: it does not exist").arg(missing),
         QStringLiteral("Die Datei %1 kann nicht gelesen werden: sie existiert nicht").arg(missing)},
        {"Qt's own cause, wrapped", [&] { readWholeFile(missing); },
         QStringLiteral("Cannot read the file %1: No such file or directory").arg(missing),
         QStringLiteral("Die Datei %1 kann nicht gelesen werden: No such file or directory").arg(missing)},
        {"XML that does not parse", [] { xml::readXmlContent("<PARGEN/><!DOCTYPE PARGEN>", QStringLiteral("ParGen.xml")); },
         QStringLiteral("The file ParGen.xml is not valid XML: line 1, column 26: Unexpected token"),
         QStringLiteral("Die Datei ParGen.xml ist kein gültiges XML: Zeile 1, Spalte 26: Unerwartetes Zeichen")},
        {"a strict number, its place a message of its own",
         [] {
             const QString file = QStringLiteral("RCobDef.xml");
             image::strictInt(image::RowRef{file, 2}, QStringLiteral("CobID"), u"12x");
         },
         QStringLiteral("RCobDef.xml, row 3, attribute CobID: \"12x\" is not an integer"),
         QStringLiteral("RCobDef.xml, Zeile 3, Attribut CobID: \"12x\" ist keine ganze Zahl")},
        {"an archive refused", [] { readConfigurationArchive("plain text", QStringLiteral("notes.zip")); },
         QStringLiteral("notes.zip is not a configuration archive of PX40318: it is no zip file, or a damaged or truncated one"),
         QStringLiteral("notes.zip ist kein Konfigurationsarchiv von PX40318: es ist keine oder eine beschädigte ZIP-Datei")},
        {"a file's error prefixed with its folder", [&] { config::readConfiguration(folder); },
         folderShown + QStringLiteral(": The file ParGen.xml is not valid XML: line 1, column 26: Unexpected token"),
         folderShown + QStringLiteral(": Die Datei ParGen.xml ist kein gültiges XML: Zeile 1, Spalte 26: Unerwartetes Zeichen")},
        {"two lines: the failure and what became of the other files",
         [&] { writeFilesTogether({{dir.filePath(QStringLiteral("first.xml")), "a"}, {unwritable, "b"}}); },
         QStringLiteral("Cannot write the file %1: %2\nNo file was changed.").arg(QDir::toNativeSeparators(unwritable), writeCause),
         QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2\nKeine Datei wurde geändert.")
             .arg(QDir::toNativeSeparators(unwritable), writeCause)},
    };
    for (const auto& c : cases) {
        try {
            c.fail();
            ADD_FAILURE() << c.what << ": no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.text(), c.english) << c.what;
            EXPECT_EQ(QString::fromStdString(e.what()), c.english) << c.what;
            EXPECT_EQ(e.text(english), c.english) << c.what;
            EXPECT_EQ(e.text(german), c.german) << c.what;
        }
    }
}

// Each %n is filled once, in one pass: a value that holds a marker keeps it.
TEST(ErrorText, ArgumentsAreFilledInOnePass)
{
    EXPECT_EQ(fillArguments(u"%1: %2", {QStringLiteral("a%2"), QStringLiteral("b")}), QStringLiteral("a%2: b"));
    EXPECT_EQ(fillArguments(u"%2 before %1, %1 again, %3 kept", {QStringLiteral("x"), QStringLiteral("y")}),
              QStringLiteral("y before x, x again, %3 kept"));
    EXPECT_EQ(fillArguments(u"100% and %", {}), QStringLiteral("100% and %"));
}

} // namespace
} // namespace px
