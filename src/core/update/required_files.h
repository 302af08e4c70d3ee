#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace px {

class MessageTable;
struct EthernetUpdateJob;
struct SerialUpdateJob;
struct Workspace;

// A file an update needs that is not there: its name and the folder it was looked for in.
struct MissingFile {
    QString fileName;
    QString folder;
};

// The files the serial update needs: the serial updater and, when the firmware is written
// or read back, the firmware image in MASTER.
QStringList serialUpdateFiles(const Workspace& ws, const SerialUpdateJob& job);

// The files the Ethernet update needs: the Ethernet updater and, when the firmware is
// written, the firmware images of both processors in MASTER.
QStringList ethernetUpdateFiles(const Workspace& ws, const EthernetUpdateJob& job);

// The first of `paths` that is no file, or nothing when all are there.
std::optional<MissingFile> firstMissingFile(const QStringList& paths);

// The message that names the missing file and its folder, in the platform's notation.
QString missingFileText(const MessageTable& messages, const MissingFile& missing);

} // namespace px
