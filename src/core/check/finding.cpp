#include "core/check/finding.h"

#include "core/lang/message_ids.h"
#include "core/lang/message_table.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace px::check {

QString findingText(const Finding& finding, const MessageTable& messages)
{
    QString text = messages.text(finding.messageId);
    // Each %n is replaced once, in one pass, so a value holding "%2" stays as it is.
    QString out;
    out.reserve(text.size() + 32);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' && i + 1 < text.size() && text[i + 1].isDigit() && text[i + 1] != u'0') {
            const int n = text[i + 1].digitValue();
            if (n <= finding.arguments.size()) {
                out += finding.arguments[n - 1];
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

QString findingListText(const Finding& finding, const MessageTable& messages)
{
    QString where = config::fileName(finding.file);
    if (finding.row > 0)
        where += QStringLiteral(", %1 %2").arg(messages.text(msg::kRow)).arg(finding.row);
    return where + QStringLiteral(": ") + findingText(finding, messages);
}

QString severityWord(Severity severity)
{
    return severity == Severity::Error ? QStringLiteral("error") : QStringLiteral("warning");
}

QString findingLine(const Finding& finding, const MessageTable& messages)
{
    return QStringLiteral("%1:%2: %3 %4: %5")
        .arg(config::fileName(finding.file))
        .arg(finding.row)
        .arg(severityWord(finding.severity), finding.code, findingText(finding, messages));
}

QByteArray findingsJson(const std::vector<Finding>& findings, const MessageTable& messages)
{
    QJsonArray array;
    for (const Finding& f : findings) {
        array.append(QJsonObject{{QStringLiteral("file"), config::fileName(f.file)},
                                 {QStringLiteral("row"), f.row},
                                 {QStringLiteral("severity"), severityWord(f.severity)},
                                 {QStringLiteral("code"), f.code},
                                 {QStringLiteral("attribute"), f.attribute},
                                 {QStringLiteral("message"), findingText(f, messages)}});
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

QString findingsSummary(const std::vector<Finding>& findings)
{
    const int errors = errorCount(findings);
    const int warnings = warningCount(findings);
    return QStringLiteral("%1 %2, %3 %4")
        .arg(errors)
        .arg(errors == 1 ? QStringLiteral("error") : QStringLiteral("errors"))
        .arg(warnings)
        .arg(warnings == 1 ? QStringLiteral("warning") : QStringLiteral("warnings"));
}

int errorCount(const std::vector<Finding>& findings)
{
    return static_cast<int>(std::count_if(findings.begin(), findings.end(), [](const Finding& f) { return f.isError(); }));
}

int warningCount(const std::vector<Finding>& findings)
{
    return static_cast<int>(findings.size()) - errorCount(findings);
}

} // namespace px::check
