#pragma once

#include <QString>
#include <QStringList>

namespace px {

// The language files offered in the options dialog: regular, writable files named *.lng
// in the folder (read-only files are left out, as they always were), sorted by name
// without regard to letter case, with their extension.
QStringList languageFiles(const QString& languageFolder);

// The name under which the built-in English texts are offered and kept in the settings;
// loading it gives the built-in texts (corrected by an English.lng file where one exists).
inline const QString kBuiltInLanguage = QStringLiteral("English");

// The languages the options dialog offers, by name: the built-in English first, always,
// then the language files of languageFiles without their extension. A file named
// English.lng is the built-in entry's own correction file and is not offered twice.
QStringList languageChoices(const QString& languageFolder);

// Six languages to a page; pages count from 1.
inline constexpr int kLanguagesPerPage = 6;
int languagePageCount(int languages);
// How many slots page `page` fills (0 to 6).
int languagesOnPage(int languages, int page);

// The flag picture of a language: <name>.bmp, else DefaultFlag.bmp, else empty.
QString flagPicture(const QString& languageFolder, const QString& name);

} // namespace px
