#include "core/update/required_files.h"

#include "core/lang/message_table.h"
#include "core/shell/workspace.h"
#include "core/update/ethernet_job.h"
#include "core/update/serial_update.h"

#include <QDir>
#include <QFileInfo>

namespace px {

QStringList serialUpdateFiles(const Workspace& ws, const SerialUpdateJob& job)
{
    QStringList files{serialUpdaterProgram(ws)};
    if (job.firmware || job.readFirmware)
        files << serialFirmwareImage(job.masterFolder);
    return files;
}

QStringList ethernetUpdateFiles(const Workspace& ws, const EthernetUpdateJob& job)
{
    QStringList files{ethernetUpdaterProgram(ws)};
    if (job.firmware)
        files << ethernetFirmwareImages(job.masterFolder);
    return files;
}

std::optional<MissingFile> firstMissingFile(const QStringList& paths)
{
    for (const QString& path : paths) {
        const QFileInfo file(path);
        if (!file.isFile())
            return MissingFile{file.fileName(), QDir::toNativeSeparators(file.path())};
    }
    return std::nullopt;
}

QString missingFileText(const MessageTable& messages, const MissingFile& missing)
{
    return messages[msg::kUpdateFileMissing].arg(missing.fileName, missing.folder);
}

} // namespace px
