#include "core/base/atomic_file.h"

#include "core/base/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QSaveFile>

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
    if (!file.open(QIODevice::WriteOnly))
        throw Error(QStringLiteral("Cannot write the file %1: %2").arg(displayPath(path), file.errorString()));
    if (file.write(bytes) != bytes.size()) {
        const QString cause = file.errorString();
        file.cancelWriting();
        throw Error(QStringLiteral("Cannot write the file %1: %2").arg(displayPath(path), cause));
    }
    if (!file.commit())
        throw Error(QStringLiteral("Cannot write the file %1: %2").arg(displayPath(path), file.errorString()));
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
                throw Error(failure.text() + QStringLiteral("\nNo file was changed."));
            throw Error(failure.text() + QStringLiteral("\nThese files hold the new content and could not be put back: %1")
                                             .arg(notRestored.join(QStringLiteral(", "))));
        }
    }
}

QByteArray readWholeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot read the file %1: %2").arg(displayPath(path), file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("Cannot read the file %1: %2").arg(displayPath(path), file.errorString()));
    return bytes;
}

} // namespace px
