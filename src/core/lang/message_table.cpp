#include "core/lang/message_table.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/text_rules.h"
#include "core/base/int_text.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace px {
namespace {

constexpr char16_t kPilcrow = u'\u00B6';

// Removes leading and trailing blanks and control characters (codes up to 32).
QString trimControls(QStringView s)
{
    return trimBlanks(s).toString();
}

// The characters that Windows-1252 places at 0x80 to 0x9F; the rest equals Latin-1.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString decodeWindows1252(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out.append(QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b)));
    }
    return out;
}

QString decodeUtf16(const QByteArray& bytes, qsizetype start, bool bigEndian)
{
    QString out;
    // A trailing odd byte is damage, not a character: it is dropped.
    const qsizetype units = (bytes.size() - start) / 2;
    out.reserve(units);
    for (qsizetype i = 0; i < units; ++i) {
        const auto lo = static_cast<unsigned char>(bytes[start + 2 * i + (bigEndian ? 1 : 0)]);
        const auto hi = static_cast<unsigned char>(bytes[start + 2 * i + (bigEndian ? 0 : 1)]);
        out.append(QChar(char16_t((hi << 8) | lo)));
    }
    return out;
}

} // namespace

QString decodeLanguageFile(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (bytes.startsWith("\xFF\xFE"))
        return decodeUtf16(bytes, 2, false);
    if (bytes.startsWith("\xFE\xFF"))
        return decodeUtf16(bytes, 2, true);
    // No mark: a file that is valid UTF-8 throughout was saved as UTF-8, as editors on most
    // systems do; Windows-1252 text with any byte above 0x7F is practically never valid
    // UTF-8, so it keeps its own reading.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return decodeWindows1252(bytes);
}

MessageTable::MessageTable()
{
    fillEnglish();
}

void MessageTable::fillEnglish()
{
    // Made once and shared: every table starts from the English texts, and the program
    // makes several (one at start, again for each language read).
    static const QList<QString> english = [] {
        QList<QString> texts;
        texts.reserve(kSize);
        for (const char* t : kEnglishTexts)
            texts.append(QString::fromLatin1(t));
        return texts;
    }();
    m_texts = english;
}

QString MessageTable::text(int index) const
{
    if (index < 0 || index >= m_texts.size())
        return {};
    return m_texts[index];
}

void MessageTable::loadLanguageFile(const QString& path)
{
    // A file that cannot be read changes nothing: a missing one, something that is no file
    // (a pipe is never opened) or one larger than any language file.
    QByteArray bytes;
    try {
        bytes = readConfigurationFile(path);
    } catch (const Error&) {
        return;
    }
    applyLanguageBytes(bytes);
}

void MessageTable::applyLanguageBytes(const QByteArray& bytes)
{
    applyLanguageText(decodeLanguageFile(bytes));
}

void MessageTable::applyLanguageText(const QString& text)
{
    for (const QStringView line : splitLines(text))
        applyLine(line.toString());
}

void MessageTable::applyLine(const QString& rawLine)
{
    const QString line = trimControls(rawLine);
    if (!line.startsWith(QStringLiteral("STR")))
        return;
    const qsizetype p = line.indexOf(u'=') + 1; // 1-based, 0 when there is none
    // The index text starts right after "STR" and stops two characters before the "=":
    // the character just before the "=" never belongs to it.
    const qsizetype count = p - 5;
    const QString indexText = count > 0 ? trimControls(line.mid(3, count)) : QString();
    const int index = toInt32(indexText, -1);
    if (index < 0 || index >= kSize)
        return;
    QString value = trimControls(line.mid(p));
    if (value.isEmpty())
        return;
    const qsizetype comment = value.indexOf(QStringLiteral("/#/"));
    if (comment >= 0) {
        value = trimControls(value.left(comment));
        // A text that is only a comment leaves the entry as it was.
        if (value.isEmpty())
            return;
    }
    if (value.startsWith(QChar(kPilcrow)))
        value.remove(0, 1);
    const qsizetype pilcrow = value.indexOf(QChar(kPilcrow));
    if (pilcrow >= 0)
        value.truncate(pilcrow);
    m_texts[index] = value;
}

void MessageTable::loadLanguage(const QString& languageFolder, QString& language)
{
    fillEnglish();
    const QString path = languageFolder + u'/' + language + QStringLiteral(".lng");
    if (QFileInfo(path).isFile()) {
        loadLanguageFile(path);
        return;
    }
    language = QStringLiteral("English");
    const QString english = languageFolder + QStringLiteral("/English.lng");
    if (QFileInfo(english).isFile())
        loadLanguageFile(english);
}

} // namespace px
