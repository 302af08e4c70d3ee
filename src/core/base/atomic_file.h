#pragma once

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

namespace px {

// Writes the whole file through a temporary file that is renamed over the old one, so a
// crash, a full disk or a refused write never leaves a torn file behind. Throws px::Error
// naming the file and the cause when anything fails; the old file is then untouched.
void writeFileAtomically(const QString& path, const QByteArray& bytes);

// Writes several files as one change: each whole through a temporary file; when one
// cannot be written, the files already replaced get their earlier content back (a file
// that did not exist before is removed again), so the folder holds all old files or all
// new ones. Throws px::Error naming the file that failed, and any file that could not be
// put back.
void writeFilesTogether(const std::vector<std::pair<QString, QByteArray>>& files);

// Reads a whole file. Throws px::Error naming the file and the cause when it cannot.
QByteArray readWholeFile(const QString& path);

// The path as the user reads it in a message: native separators.
QString displayPath(const QString& path);

} // namespace px
