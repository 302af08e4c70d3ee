#pragma once

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>
class QFileDevice;

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
// Writes all of `bytes` into `file`, opened unbuffered for writing, and throws px::Error
// "Cannot write the file <path>: <cause>" when it cannot. A write cut short is tried on
// until the system names its cause ("No space left on device"), which a buffered write
// that ends short reports only as an unknown error.
void writeWhole(QFileDevice& file, const QByteArray& bytes, const QString& path);

// Why a save file could not be opened for `path`: the system's cause. Where the saving
// refuses an existing file that is not writable, the file (a regular one only, never a
// pipe) is opened for appending, without writing, to learn the cause, such as a
// read-only file system.
QString openFailureCause(const QFileDevice& file, const QString& path);

// Reads a whole file. Throws px::Error naming the file and the cause when it cannot.
QByteArray readWholeFile(const QString& path);

// The largest configuration file read: the largest configuration the editors can make
// takes about half a megabyte, so anything beyond a few megabytes was not made by them
// and is refused before it is parsed.
inline constexpr qint64 kMaxConfigurationFileSize = 4 * 1024 * 1024;

// Whether a configuration file is there to be read. Only a path where nothing stands is
// missing (false). A folder, a link to nothing, a pipe, a device or a socket in its place,
// or a folder that cannot be listed, throws px::Error naming the file or folder and the
// cause: such a file is neither read nor taken as missing.
bool configurationFileExists(const QString& path);

// The rule for every file the program reads: a folder, a link to nothing, a pipe, a
// device or a socket where a file is expected throws px::Error naming it and the cause
// (so nothing waits on a pipe); a missing file is left to the reader to report.
void checkReadableKind(const QString& path);

// Reads a configuration file whole after checking its kind (see above; a pipe or a device
// is never opened, so nothing waits on it) and its size against `limit`. Throws px::Error
// naming the file and the cause, with the size and the limit for a file too large.
QByteArray readConfigurationFile(const QString& path, qint64 limit = kMaxConfigurationFileSize);

// The path as the user reads it in a message: native separators.
QString displayPath(const QString& path);

} // namespace px
