// px40318 map DIR [--format text|csv|html|md] [--out FILE]: the register map of both directions.

#include "cli/command.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/check/register_map.h"
#include "core/config/configuration.h"
#include "core/config/signal_table.h"
#include "core/lang/message_table.h"

#include <QDir>
#include <QFileInfo>

namespace px::cli {

int runMapCommand(const Arguments& args)
{
    const QString format = args.isSet(QStringLiteral("format")) ? args.value(QStringLiteral("format")) : QStringLiteral("text");
    check::MapFormat mapFormat = check::MapFormat::Text;
    if (format == QStringLiteral("csv"))
        mapFormat = check::MapFormat::Csv;
    else if (format == QStringLiteral("html"))
        mapFormat = check::MapFormat::Html;
    else if (format == QStringLiteral("md"))
        mapFormat = check::MapFormat::Markdown;
    else if (format != QStringLiteral("text"))
        return args.usageError(QStringLiteral("unknown format '%1' (text, csv, html or md)").arg(format));
    const QString dir = QDir::fromNativeSeparators(args.positional(0));
    if (!QFileInfo(dir).isDir())
        return failure(QStringLiteral("%1 is not a configuration folder").arg(px::displayPath(dir)));
    try {
        const MessageTable messages;
        const QString text = check::renderRegisterMap(check::buildRegisterMap(config::readConfiguration(dir), config::loadSignalTable(dir)), mapFormat, messages);
        if (args.isSet(QStringLiteral("out")))
            writeFileAtomically(QDir::fromNativeSeparators(args.value(QStringLiteral("out"))), text.toUtf8());
        else
            printOut(text);
    } catch (const px::Error& e) {
        return failure(e.text());
    }
    return kSuccess;
}

} // namespace px::cli
