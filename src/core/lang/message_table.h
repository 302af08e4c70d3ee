#pragma once

#include "core/lang/english_texts.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace px {

// The indexed texts that every window shows: kMessageCount entries, the built-in English ones
// replaced entry by entry from a language file.
class MessageTable {
public:
    MessageTable(); // filled with the English texts

    static constexpr int kSize = static_cast<int>(kMessageCount);

    // Empties the table and appends the English texts.
    void fillEnglish();

    // Applies the entries of one language file on top of the current texts. A file that
    // cannot be read leaves the texts as they are.
    void loadLanguageFile(const QString& path);
    // The same for a file's bytes, decoded by decodeLanguageFile.
    void applyLanguageBytes(const QByteArray& bytes);
    // The same for text already decoded.
    void applyLanguageText(const QString& text);

    // Load language: English first, then the file of `language` from the folder. When
    // that file is missing `language` becomes "English" and English.lng, if present, is
    // applied instead.
    void loadLanguage(const QString& languageFolder, QString& language);

    // The entry's current text; an index outside the table gives an empty text.
    QString text(int index) const;
    QString operator[](int index) const { return text(index); }

private:
    void applyLine(const QString& line);

    QStringList m_texts;
};

// Decodes a language file: UTF-8 or UTF-16 after their byte-order marks; without one,
// UTF-8 when the bytes are valid UTF-8, else Windows-1252.
QString decodeLanguageFile(const QByteArray& bytes);

} // namespace px
