#pragma once

#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QStringView>

#include <cstdint>

namespace px {

// Trimming as the compiler and the device read values: blanks and control characters
// (codes up to 32) at both ends. Every check that guards a value the compiler reads
// trims by this rule, so what the check approves is what the image gets.
QStringView trimBlanks(QStringView s);

// `s` with the letters a to z upper-cased and every other character as it is, whatever
// the locale.
QString toUpperAscii(QStringView s);

// Whether `s` upper-cased in plain ASCII, whatever the locale, equals `upper` (which is
// upper case already). The flag and format texts of the frame files are compared so.
bool equalsUpperAscii(QStringView s, QLatin1StringView upper);

// The lines of a text without their ends, split at CR LF, LF or a lone CR. A text that
// ends with a line end has no empty line after it.
QList<QStringView> splitLines(QStringView text);

// The byte values of a comma-separated list of default values: pieces that are no
// integer from 0 to 255 are dropped, so later values move up.
QList<std::uint8_t> parseByteList(QStringView text);

} // namespace px
