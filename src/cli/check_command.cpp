// px40318 check DIR [--json]: what the editors cannot see, looked for across the five files.

#include "cli/command.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/check/check.h"
#include "core/config/configuration.h"
#include "core/config/signal_table.h"
#include "core/lang/message_table.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace px::cli {

int runCheckCommand(const Arguments& args)
{
    const QString dir = QDir::fromNativeSeparators(args.positional(0));
    if (!QFileInfo(dir).isDir())
        return failure(QStringLiteral("%1 is not a configuration folder").arg(px::displayPath(dir)));
    try {
        const MessageTable messages;
        const auto findings = check::check(config::readConfiguration(dir), config::loadSignalTable(dir));
        if (args.isSet(QStringLiteral("json"))) {
            // Standard output stays one JSON document; the summary goes to standard error.
            printOut(QString::fromUtf8(check::findingsJson(findings, messages)));
            std::fprintf(stderr, "%s\n", qPrintable(check::findingsSummary(findings)));
        } else {
            QString out;
            for (const auto& f : findings) {
                check::appendFindingLine(out, f, messages);
                out += u'\n';
            }
            printOut(out + check::findingsSummary(findings) + u'\n');
        }
        return check::errorCount(findings) > 0 ? kFailure : kSuccess;
    } catch (const px::Error& e) {
        return failure(e.text());
    }
}

} // namespace px::cli
