// px40318 copy SRC DST [--id-offset N] [--tx-id-offset N] [--register-offset N]
// [--tx-register-offset N] [--quiet]: a new configuration from an existing one.

#include "cli/command.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/lang/message_table.h"
#include "core/shell/config_copy.h"

#include <QDir>
#include <QFileInfo>

namespace px::cli {

int runCopyCommand(const Arguments& args)
{
    const QString source = QDir::fromNativeSeparators(args.positional(0));
    const QString target = QDir::fromNativeSeparators(args.positional(1));
    const QFileInfo targetInfo(QDir::cleanPath(QDir(target).absolutePath()));
    const QString parent = targetInfo.absolutePath();
    const QString name = targetInfo.fileName();
    CopyOffsets offsets;
    try {
        offsets = readCopyOffsets(args.value(QStringLiteral("id-offset")), args.value(QStringLiteral("tx-id-offset")),
                                  args.value(QStringLiteral("register-offset")),
                                  args.value(QStringLiteral("tx-register-offset")));
    } catch (const px::Error& e) {
        return args.usageError(e.text());
    }
    if (!QFileInfo(source).isDir())
        return failure(QStringLiteral("%1 is not a configuration folder").arg(px::displayPath(source)));
    if (!QFileInfo(parent).isDir())
        return failure(QStringLiteral("%1 is not a folder").arg(px::displayPath(parent)));
    try {
        // The name rules of a new configuration, with their messages.
        if (const px::NameRefusal refusal = copyConfiguration(source, parent, name, offsets))
            return failure(QStringLiteral("'%1': %2").arg(name, px::MessageTable()[*refusal]));
    } catch (const px::Error& e) {
        return failure(e.text());
    }
    if (!args.isSet(QStringLiteral("quiet")))
        printOut(px::displayPath(parent + u'/' + name) + u'\n');
    return kSuccess;
}

} // namespace px::cli
