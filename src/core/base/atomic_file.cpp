#include "core/base/atomic_file.h"

#include "core/base/error.h"
#include "core/lang/message_ids.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QSaveFile>

#include <algorithm>
#include <optional>

namespace px {

QString displayPath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

void writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    // Where the folder refuses a temporary file, a direct write is still whole or reported.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw Error(msg::kCannotWriteFile, {displayPath(path), openFailureCause(file, path)});
    try {
        writeWhole(file, bytes, path);
    } catch (const Error&) {
        file.cancelWriting();
        throw;
    }
    if (!file.commit())
        throw Error(msg::kCannotWriteFile, {displayPath(path), file.errorString()});
}

void writeFilesTogether(const std::vector<std::pair<QString, QByteArray>>& files)
{
    // What each file held before, to put back when a later file fails.
    std::vector<std::optional<QByteArray>> earlier;
    earlier.reserve(files.size());
    for (const auto& [path, bytes] : files) {
        Q_UNUSED(bytes);
        earlier.push_back(QFileInfo(path).isFile() ? std::optional<QByteArray>(readWholeFile(path)) : std::nullopt);
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        try {
            writeFileAtomically(files[i].first, files[i].second);
        } catch (const Error& failure) {
            QStringList notRestored;
            for (std::size_t k = 0; k < i; ++k) {
                const QString& path = files[k].first;
                try {
                    if (earlier[k])
                        writeFileAtomically(path, *earlier[k]);
                    else if (!QFile::remove(path))
                        notRestored << displayPath(path);
                } catch (const Error&) {
                    notRestored << displayPath(path);
                }
            }
            if (notRestored.isEmpty())
                throw Error(msg::kTwoLines, {failure, Message(msg::kNoFileChanged)});
            throw Error(msg::kTwoLines, {failure, Message(msg::kFilesNotPutBack, {notRestored.join(QStringLiteral(", "))})});
        }
    }
}

QString openFailureCause(const QFileDevice& file, const QString& path)
{
    const QFileInfo info(path);
    if (info.isFile() && !info.isWritable()) {
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly | QIODevice::Append))
            return probe.errorString();
    }
    return file.errorString();
}

void writeWhole(QFileDevice& file, const QByteArray& bytes, const QString& path)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            throw Error(msg::kCannotWriteFile, {displayPath(path), file.errorString()});
        done += n;
    }
}

QByteArray readWholeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(msg::kCannotReadFile, {displayPath(path), file.errorString()});
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(msg::kCannotReadFile, {displayPath(path), file.errorString()});
    return bytes;
}

bool configurationFileExists(const QString& path)
{
    const QFileInfo info(path);
    const auto refuse = [&path](const Message& cause) {
        throw Error(msg::kCannotReadFile, {displayPath(path), cause});
    };
    if (info.isSymLink() && !info.exists())
        refuse(Message(msg::kFileIsBrokenLink, {displayPath(info.symLinkTarget())}));
    if (!info.exists()) {
        // Nothing can be seen in a folder that cannot be listed or entered: a file there
        // is not known to be missing.
        const QFileInfo folder(info.absolutePath());
        if (folder.isDir() && !(folder.isReadable() && folder.isExecutable())) {
            throw Error(msg::kConfigurationFolderNotReadable, {displayPath(folder.filePath())});
        }
        return false;
    }
    if (info.isDir())
        refuse(Message(msg::kFileIsFolder));
    if (!info.isFile())
        refuse(Message(msg::kFileIsNoRegularFile));
    return true;
}

void checkReadableKind(const QString& path)
{
    (void)configurationFileExists(path);
}

QByteArray readConfigurationFile(const QString& path, qint64 limit)
{
    if (!configurationFileExists(path))
        throw Error(msg::kFileDoesNotExist, {displayPath(path)});
    const auto tooLarge = [&path, limit](qint64 size) {
        throw Error(msg::kConfigurationFileTooLarge, {displayPath(path), size, limit});
    };
    const qint64 size = QFileInfo(path).size();
    if (size > limit)
        tooLarge(size);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(msg::kCannotReadFile, {displayPath(path), file.errorString()});
    // At most one byte beyond the limit, should the file have grown since.
    QByteArray bytes = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError)
        throw Error(msg::kCannotReadFile, {displayPath(path), file.errorString()});
    if (bytes.size() > limit)
        tooLarge(std::max(file.size(), static_cast<qint64>(bytes.size())));
    return bytes;
}

} // namespace px
