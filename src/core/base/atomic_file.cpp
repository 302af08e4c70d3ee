#include "core/base/atomic_file.h"

#include "core/base/error.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

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
