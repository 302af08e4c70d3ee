// px40318 unpack FILE.zip DESTDIR [--name NAME] [--quiet]: a configuration archive into a
// folder of configurations.

#include "cli/command.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/lang/message_table.h"
#include "core/shell/config_archive.h"

#include <QDir>
#include <QFileInfo>

namespace px::cli {

int runUnpackCommand(const Arguments& args)
{
    const QString zipPath = QDir::fromNativeSeparators(args.positional(0));
    const QString destDir = QDir::fromNativeSeparators(args.positional(1));
    if (!QFileInfo(destDir).isDir())
        return failure(QStringLiteral("%1 is not a folder").arg(px::displayPath(destDir)));
    QString name;
    try {
        const px::ConfigurationArchive archive = px::loadConfigurationArchive(zipPath);
        name = args.isSet(QStringLiteral("name")) ? args.value(QStringLiteral("name")) : archive.manifest.configuration;
        // The name rules of a new configuration, with their messages.
        if (const px::NameRefusal refusal = px::unpackConfiguration(archive, destDir, name))
            return failure(QStringLiteral("'%1': %2").arg(name, px::MessageTable()[*refusal]));
    } catch (const px::Error& e) {
        return failure(e.text());
    }
    if (!args.isSet(QStringLiteral("quiet")))
        printOut(px::displayPath(destDir + u'/' + name) + u'\n');
    return kSuccess;
}

} // namespace px::cli
