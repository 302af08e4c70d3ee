// px40318 diff A B [--json]: what differs between two configurations, or a configuration
// and an entry of its update history.

#include "cli/command.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/config/configuration.h"
#include "core/lang/message_table.h"
#include "core/update/configuration_diff.h"

#include <QDir>
#include <QFileInfo>

namespace px::cli {

int runDiffCommand(const Arguments& args)
{
    const QString a = QDir::fromNativeSeparators(args.positional(0));
    const QString b = QDir::fromNativeSeparators(args.positional(1));
    for (const QString& dir : {a, b}) {
        if (!QFileInfo(dir).isDir())
            return failure(QStringLiteral("%1 is not a configuration folder").arg(px::displayPath(dir)));
    }
    try {
        const px::ConfigurationDiff diff =
            px::diffConfigurations(px::config::readConfiguration(a), px::config::readConfiguration(b));
        if (args.isSet(QStringLiteral("json")))
            printOut(QString::fromUtf8(px::diffJson(diff, px::displayPath(a), px::displayPath(b))));
        else
            printOut(px::diffText(diff, px::displayPath(a), px::displayPath(b), px::MessageTable()));
    } catch (const px::Error& e) {
        return failure(e.text());
    }
    return kSuccess;
}

} // namespace px::cli
