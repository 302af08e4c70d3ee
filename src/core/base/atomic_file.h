#pragma once

#include <QByteArray>
#include <QString>

namespace px {

// Writes the whole file through a temporary file that is renamed over the old one, so a
// crash, a full disk or a refused write never leaves a torn file behind. Throws px::Error
// naming the file and the cause when anything fails; the old file is then untouched.
void writeFileAtomically(const QString& path, const QByteArray& bytes);

// Reads a whole file. Throws px::Error naming the file and the cause when it cannot.
QByteArray readWholeFile(const QString& path);

// The path as the user reads it in a message: native separators.
QString displayPath(const QString& path);

} // namespace px
