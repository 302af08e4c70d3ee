// px40318 report DIR [--out FILE]: the commissioning report as one HTML document.

#include "cli/command.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/check/check.h"
#include "core/check/report.h"
#include "core/image/compile_input.h"
#include "core/config/configuration.h"
#include "core/config/signal_table.h"
#include "core/lang/message_table.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace px::cli {

int runReportCommand(const Arguments& args)
{
    const QString dir = QDir::fromNativeSeparators(args.positional(0));
    if (!QFileInfo(dir).isDir())
        return failure(QStringLiteral("%1 is not a configuration folder").arg(px::displayPath(dir)));
    try {
        const MessageTable messages;
        // The folder read once, for the report and the images alike.
        image::ConfigurationRead read = image::readConfigurationOnce(dir);
        const config::Configuration& configuration = read.configuration;
        const config::SignalTable signalTable = config::loadSignalTable(dir);
        // The images are compiled in memory for their sizes and checksums, never written.
        const QString html = check::commissioningReportHtml(configuration, check::check(configuration, signalTable),
                                                            check::summariseImages(read.input), QDateTime::currentDateTime(),
                                                            messages, signalTable);
        if (args.isSet(QStringLiteral("out")))
            writeFileAtomically(QDir::fromNativeSeparators(args.value(QStringLiteral("out"))), html.toUtf8());
        else
            printOut(html);
    } catch (const px::Error& e) {
        return failure(e.text());
    }
    return kSuccess;
}

} // namespace px::cli
