// px40318 history DIR [--json]: the updates recorded for a configuration.

#include "cli/command.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/update/update_history.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace px::cli {

int runHistoryCommand(const Arguments& args)
{
    const QString dir = QDir::fromNativeSeparators(args.positional(0));
    if (!QFileInfo(dir).isDir())
        return failure(QStringLiteral("%1 is not a configuration folder").arg(px::displayPath(dir)));
    const std::vector<px::HistoryEntry> entries = px::readUpdateHistory(dir);
    if (args.isSet(QStringLiteral("json"))) {
        QJsonArray list;
        for (const px::HistoryEntry& e : entries) {
            QJsonObject o = QJsonDocument::fromJson(px::updateRecordJson(e.record)).object();
            o.insert(QStringLiteral("entry"), e.name);
            o.insert(QStringLiteral("folder"), px::displayPath(e.folder));
            list.append(o);
        }
        printOut(QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Indented)));
        return kSuccess;
    }
    QString out;
    for (const px::HistoryEntry& e : entries) {
        const px::UpdateRecord& r = e.record;
        QString result = r.result;
        if (r.result == QStringLiteral("failed"))
            result += QStringLiteral(" (exit status %1)").arg(r.exitStatus);
        out += QStringLiteral("%1  %2 %3  %4  %5\n")
                   .arg(e.name, r.route, r.device.isEmpty() ? QStringLiteral("-") : r.device, px::operationsText(r), result);
    }
    if (entries.empty())
        out = QStringLiteral("No update is recorded for %1.\n").arg(px::displayPath(dir));
    printOut(out);
    return kSuccess;
}

} // namespace px::cli
