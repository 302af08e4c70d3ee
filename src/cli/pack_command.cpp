// px40318 pack DIR [--out FILE.zip] [--with-images] [--quiet]: a configuration as one .zip file.

#include "cli/command.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/shell/config_archive.h"

#include <QDir>
#include <QFileInfo>

namespace px::cli {

int runPackCommand(const Arguments& args)
{
    const QString dir = QDir::fromNativeSeparators(args.positional(0));
    if (!QFileInfo(dir).isDir())
        return failure(QStringLiteral("%1 is not a configuration folder").arg(px::displayPath(dir)));
    const QString name = QFileInfo(QDir(dir).absolutePath()).fileName();
    QString out = name + QStringLiteral(".zip");
    if (args.isSet(QStringLiteral("out"))) {
        out = QDir::fromNativeSeparators(args.value(QStringLiteral("out")));
        if (out.isEmpty())
            return args.usageError(QStringLiteral("--out needs a file"));
    }
    try {
        px::writeConfigurationArchive(dir, name, out, args.isSet(QStringLiteral("with-images")));
    } catch (const px::Error& e) {
        return failure(e.text());
    }
    if (!args.isSet(QStringLiteral("quiet")))
        printOut(px::displayPath(out) + u'\n');
    return kSuccess;
}

} // namespace px::cli
