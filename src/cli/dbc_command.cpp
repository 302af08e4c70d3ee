// px40318 dbc DIR [--out FILE] [--quiet]: the configuration as a CAN database.

#include "cli/command.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/config/configuration.h"
#include "core/config/signal_table.h"
#include "core/exchange/configuration_exchange.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace px::cli {

int runDbcCommand(const Arguments& args)
{
    const QString dir = QDir::fromNativeSeparators(args.positional(0));
    if (!QFileInfo(dir).isDir())
        return failure(QStringLiteral("%1 is not a configuration folder").arg(px::displayPath(dir)));
    const QString name = QFileInfo(QDir::cleanPath(QFileInfo(dir).absoluteFilePath())).fileName();
    const QString out = QDir::fromNativeSeparators(args.isSet(QStringLiteral("out")) ? args.value(QStringLiteral("out"))
                                                                                      : dir + u'/' + name + QStringLiteral(".dbc"));
    try {
        const exchange::DbcText text = exchange::configurationDbc(config::readConfiguration(dir), config::loadSignalTable(dir));
        writeFileAtomically(out, text.bytes);
        for (const QString& note : text.notes)
            std::fprintf(stderr, "px40318: left out: %s\n", note.toUtf8().constData());
        if (!args.isSet(QStringLiteral("quiet")))
            printOut(displayPath(out) + u'\n');
    } catch (const Error& e) {
        return failure(e.text());
    }
    return kSuccess;
}

} // namespace px::cli
