#include "platform/system_trash.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <optional>

#if !defined(Q_OS_WIN) && !defined(Q_OS_MACOS)
#include <sys/stat.h>
#endif

namespace px {

#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)

bool SystemTrash::exists() const
{
    return true;
}

bool SystemTrash::moveToTrash(const QString& path)
{
    return QFile::moveToTrash(path);
}

#else

namespace {

// $XDG_DATA_HOME when it is an absolute path, else ~/.local/share; nothing when that
// folder does not exist (a machine without a desktop has no trash).
std::optional<QString> dataHome()
{
    QString folder = qEnvironmentVariable("XDG_DATA_HOME");
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder)) {
        const QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty() || !QDir::isAbsolutePath(home))
            return std::nullopt;
        folder = home + QStringLiteral("/.local/share");
    }
    if (!QFileInfo(folder).isDir())
        return std::nullopt;
    return QDir::cleanPath(folder);
}

// The folder, made so that only its owner may look in, as the trash folders must be
// when it is missing.
bool ensureFolder(const QString& path)
{
    if (QFileInfo(path).isDir())
        return true;
    return QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool sameFileSystem(const QString& a, const QString& b)
{
    struct stat sa {};
    struct stat sb {};
    return ::lstat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0
        && sa.st_dev == sb.st_dev;
}

} // namespace

bool SystemTrash::exists() const
{
    return dataHome().has_value();
}

bool SystemTrash::moveToTrash(const QString& path)
{
    const std::optional<QString> data = dataHome();
    if (!data)
        return false;
    const QString trash = *data + QStringLiteral("/Trash");
    const QString files = trash + QStringLiteral("/files");
    const QString info = trash + QStringLiteral("/info");
    if (!ensureFolder(trash) || !ensureFolder(files) || !ensureFolder(info))
        return false;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (!sameFileSystem(absolute, files))
        return false;

    // The info file is made first, exclusively, so two deletions never take one name.
    const QString base = QFileInfo(absolute).fileName();
    for (int n = 1; n < 10000; ++n) {
        const QString name = n == 1 ? base : QStringLiteral("%1.%2").arg(base).arg(n);
        if (QFileInfo::exists(files + u'/' + name))
            continue;
        QFile record(info + u'/' + name + QStringLiteral(".trashinfo"));
        if (!record.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (record.exists())
                continue;
            return false;
        }
        const QByteArray text = "[Trash Info]\nPath=" + QUrl::toPercentEncoding(absolute, "/") + "\nDeletionDate="
            + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() + "\n";
        const bool written = record.write(text) == text.size() && record.flush();
        record.close();
        if (!written || !QDir().rename(absolute, files + u'/' + name)) {
            record.remove();
            return false;
        }
        return true;
    }
    return false;
}

#endif

} // namespace px
