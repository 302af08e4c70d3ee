#include "core/lang/message_table.h"

#include "support/temp_home.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace px {
namespace {

TEST(MessageTable, EnglishTextsKeepEveryBlank)
{
    const MessageTable m;
    EXPECT_EQ(m[0], QStringLiteral("Begin"));
    EXPECT_EQ(m[9], QStringLiteral("None Configuration Opened "));
    EXPECT_EQ(m[11], QStringLiteral("Opened Configuration of the Converter : "));
    EXPECT_EQ(m[44], QStringLiteral(" / "));
    EXPECT_EQ(m[162], QStringLiteral("Cob-ID          Type"));
    EXPECT_EQ(m[384], QStringLiteral("!! CAN Type must be \"CAN 2.0A (11 bits)\" or \"CAN 2.0B (29 bits)\""));
    EXPECT_EQ(m[18], QStringLiteral("Error! Project not Valid"));
    EXPECT_FALSE(m[493].isEmpty());
    EXPECT_FALSE(m[MessageTable::kSize - 1].isEmpty());
    EXPECT_TRUE(m[MessageTable::kSize].isEmpty());
    EXPECT_TRUE(m[-1].isEmpty());
}

TEST(MessageTable, LanguageLinesFollowTheirGrammar)
{
    const QString pil = QStringLiteral("\u00B6");
    const struct {
        QString line;
        int index;          // entry expected to change, -1 for none
        QString text;
    } cases[] = {
        {QStringLiteral("STR9 = Nessuna ") + pil, 9, QStringLiteral("Nessuna ")},
        {QStringLiteral("STR44 = ") + pil + QStringLiteral(" / ") + pil, 44, QStringLiteral(" / ")},
        {QStringLiteral("STR12 = Information /#/ hint of the information button"), 12, QStringLiteral("Information")},
        {QStringLiteral("STR55 = ") + pil, 55, QString()},
        {QStringLiteral("STR56 ="), -1, {}},
        {QStringLiteral("STR 12 = Info"), 12, QStringLiteral("Info")},
        {QStringLiteral("STR12 =Info"), 12, QStringLiteral("Info")},
        // The character before "=" never belongs to the index: this sets entry 1.
        {QStringLiteral("STR12= Info"), 1, QStringLiteral("Info")},
        {QStringLiteral("STR12=Information"), 1, QStringLiteral("Information")},
        {QStringLiteral("STR5=text"), -1, {}},
        {QStringLiteral("STR5 text"), -1, {}},
        {QStringLiteral("str5 = x"), -1, {}},
        {QStringLiteral("STR493 = last"), 493, QStringLiteral("last")},
        {QStringLiteral("STR494 = added entries translate too"), 494, QStringLiteral("added entries translate too")},
        {QStringLiteral("STR%1 = x").arg(MessageTable::kSize), -1, {}},
        {QStringLiteral("STR-1 = x"), -1, {}},
        {QStringLiteral("STR0 = a = b"), 0, QStringLiteral("a = b")},
        {QStringLiteral("STR0 = ") + pil + QStringLiteral("  Begin"), 0, QStringLiteral("  Begin")},
        {QStringLiteral("STR0 = Be") + pil + QStringLiteral("gin"), 0, QStringLiteral("Be")},
        {QStringLiteral("  \tSTR$A = hex index\t "), 10, QStringLiteral("hex index")},
        {QStringLiteral("STR3 = /#/ note only"), -1, {}},
        {QStringLiteral("; a comment line"), -1, {}},
    };
    for (const auto& c : cases) {
        MessageTable m;
        const MessageTable english;
        m.applyLanguageText(c.line);
        for (int i = 0; i < MessageTable::kSize; ++i) {
            const QString expected = i == c.index ? c.text : english[i];
            ASSERT_EQ(m[i], expected) << "line '" << c.line.toStdString() << "' entry " << i;
        }
    }
}

TEST(MessageTable, LaterLinesWinAndLineEndsOfEveryKindSplit)
{
    MessageTable m;
    m.applyLanguageText(QStringLiteral("STR1 = a\r\nSTR2 = b\rSTR3 = c\nSTR1 = d"));
    EXPECT_EQ(m[1], QStringLiteral("d"));
    EXPECT_EQ(m[2], QStringLiteral("b"));
    EXPECT_EQ(m[3], QStringLiteral("c"));
}

TEST(MessageTable, DecodesByteOrderMarksAndWindows1252)
{
    const struct {
        QByteArray bytes;
        QString text;
    } cases[] = {
        // Windows-1252: the pilcrow is 0xB6, the euro sign 0x80, e-acute 0xE9.
        {QByteArray("STR9 = Caf\xE9 \x80 \xB6"), QStringLiteral("Caf\u00E9 \u20AC ")},
        {QByteArray("\xEF\xBB\xBFSTR9 = Caf\xC3\xA9 \xC2\xB6"), QStringLiteral("Caf\u00E9 ")},
        {QByteArray("\xFF\xFES\0T\0R\0" "9\0 \0=\0 \0\xE9\0x\0", 20), QStringLiteral("\u00E9x")},
        {QByteArray("\xFE\xFF\0S\0T\0R\0" "9\0 \0=\0 \0\xE9\0x", 20), QStringLiteral("\u00E9x")},
        // Without a byte-order mark, text that is valid UTF-8 is read as UTF-8 (as editors
        // on most systems save it); anything else stays Windows-1252.
        {QByteArray("STR9 = Caf\xC3\xA9 \xE2\x82\xAC \xC2\xB6"), QStringLiteral("Caf\u00E9 \u20AC ")},
        {QByteArray("STR9 = \xC3\xA9t\xE9 \xB6"), QStringLiteral("\u00C3\u00A9t\u00E9 ")},
        // A UTF-16 file of odd length: the stray byte is dropped.
        {QByteArray("\xFF\xFES\0T\0R\0" "9\0 \0=\0=\0y\0\x01", 19), QStringLiteral("=y")},
    };
    for (const auto& c : cases) {
        MessageTable m;
        m.applyLanguageBytes(c.bytes);
        EXPECT_EQ(m[9], c.text);
    }
}

TEST(MessageTable, LoadLanguageStartsFromEnglishAndFallsBack)
{
    QTemporaryDir dir;
    auto write = [&](const char* name, const QByteArray& bytes) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    write("Italiano.lng", "STR0 = Inizio\nSTR1 = Passo 1\n");
    write("Deutsch.lng", "STR0 = Anfang\n");

    MessageTable m;
    QString language = QStringLiteral("Italiano");
    m.loadLanguage(dir.path(), language);
    EXPECT_EQ(m[1], QStringLiteral("Passo 1"));
    // An entry the next file does not set is English again, never left over.
    language = QStringLiteral("Deutsch");
    m.loadLanguage(dir.path(), language);
    EXPECT_EQ(m[0], QStringLiteral("Anfang"));
    EXPECT_EQ(m[1], QStringLiteral("Step 1"));

    // A missing file: the language becomes English; English.lng corrects the built-in texts.
    language = QStringLiteral("Klingon");
    m.loadLanguage(dir.path(), language);
    EXPECT_EQ(language, QStringLiteral("English"));
    EXPECT_EQ(m[0], QStringLiteral("Begin"));
    write("English.lng", "STR0 = Start\n");
    language = QStringLiteral("Klingon");
    m.loadLanguage(dir.path(), language);
    EXPECT_EQ(m[0], QStringLiteral("Start"));
}

} // namespace
} // namespace px
