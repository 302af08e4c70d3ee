// px40318 import DIR FILE [--receive IDS] [--transmit IDS] [--registers-from N] [--quiet]:
// frames of a CAN database or a capture added to a configuration, with their mappings.

#include "cli/command.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/config/configuration.h"
#include "core/config/signal_table.h"
#include "core/exchange/configuration_exchange.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace px::cli {

int runImportCommand(const Arguments& args)
{
    const QString dir = QDir::fromNativeSeparators(args.positional(0));
    const QString file = QDir::fromNativeSeparators(args.positional(1));
    const QString receiveOption = QStringLiteral("receive");
    const QString transmitOption = QStringLiteral("transmit");
    if (!args.isSet(receiveOption) && !args.isSet(transmitOption))
        return args.usageError(QStringLiteral("import needs --receive or --transmit with the identifiers to import"));
    std::optional<int> first;
    if (args.isSet(QStringLiteral("registers-from"))) {
        const QString text = args.value(QStringLiteral("registers-from"));
        const std::optional<std::int32_t> n = parseInt32(text);
        if (!n || *n < 0 || *n > exchange::kMaxRegisterIndex)
            return args.usageError(QStringLiteral("--registers-from takes a register index from 0 to 65535, not '%1'").arg(text));
        first = *n;
    }
    if (!QFileInfo(dir).isDir())
        return failure(QStringLiteral("%1 is not a configuration folder").arg(displayPath(dir)));

    using exchange::Direction;
    try {
        const std::optional<exchange::ImportSource> source = exchange::readImportSource(file);
        if (source->capture && args.isSet(transmitOption))
            return args.usageError(QStringLiteral("a capture gives frames the converter receives: use --receive only"));
        for (const QString& warning : source->warnings)
            std::fprintf(stderr, "px40318: skipped: %s\n", warning.toUtf8().constData());
        if (source->messages.empty())
            return failure(QStringLiteral("%1 holds no CAN frames; nothing was written.").arg(source->fileName));
        config::Configuration config = config::readConfiguration(dir);
        config::SignalTable signalTable = config::loadSignalTable(dir);
        std::vector<Direction> directions;
        QStringList report;
        int added = 0;
        for (const Direction d : {Direction::Receive, Direction::Transmit}) {
            const QString option = d == Direction::Receive ? receiveOption : transmitOption;
            if (!args.isSet(option))
                continue;
            const std::vector<exchange::ImportMessage> chosen =
                exchange::selectMessages(source->messages, args.value(option), source->fileName);
            const exchange::ImportTarget target = exchange::importTarget(config, d, first);
            const exchange::ImportPlan plan = exchange::planImport(chosen, target);
            // The room is checked before anything else is made of the plan.
            if (!plan.fits())
                return failure(exchange::overflowText(plan, target) + QStringLiteral(" Nothing was written."));
            report << exchange::importReport(plan, chosen, target);
            added += static_cast<int>(plan.frames.size() + plan.entries.size());
            exchange::applyImport(config, d, plan);
            exchange::applyImportSignals(signalTable, d, plan, chosen);
            directions.push_back(d);
        }
        if (added == 0) {
            report << QStringLiteral("None of the chosen frames can be carried by the converter; nothing was written.");
            return failure(report.join(u'\n'));
        }
        exchange::writeImport(config, signalTable, dir, directions);
        if (!args.isSet(QStringLiteral("quiet")))
            printOut(report.join(u'\n') + u'\n');
    } catch (const Error& e) {
        return failure(e.text());
    }
    return kSuccess;
}

} // namespace px::cli
