// px40318 dump FILE: any of the four images as readable text.

#include "cli/command.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/image/image_dump.h"
#include "core/image/image_layout.h"
#include "core/lang/message_ids.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace px::cli {

namespace {

// The file's bytes up to one more than the longest image (bank.bin's 100001), so that a
// huge file or a device that never ends is refused instead of read without end.
QByteArray readImageFile(const QString& path)
{
    constexpr qint64 kLongestImage = px::image::layout::kLegacyMaxSize;
    px::checkReadableKind(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw px::Error(px::msg::kCannotReadFile, {px::displayPath(path), file.errorString()});
    QByteArray bytes;
    while (bytes.size() <= kLongestImage) {
        const QByteArray part = file.read(kLongestImage + 1 - bytes.size());
        if (part.isEmpty())
            break;
        bytes += part;
    }
    if (file.error() != QFileDevice::NoError)
        throw px::Error(px::msg::kCannotReadFile, {px::displayPath(path), file.errorString()});
    if (bytes.size() > kLongestImage) {
        throw px::Error(px::msg::kImageFileTooLong, {QFileInfo(path).fileName(), kLongestImage});
    }
    return bytes;
}

} // namespace

int runDumpCommand(const Arguments& args)
{
    try {
        const QString path = QDir::fromNativeSeparators(args.positional(0));
        printOut(px::image::dumpImage(readImageFile(path), QFileInfo(path).fileName()));
    } catch (const px::Error& e) {
        return failure(e.text());
    }
    return kSuccess;
}

} // namespace px::cli
