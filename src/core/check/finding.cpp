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
    const QString text = messages.text(finding.messageId);
    // Each %n is replaced once, in one pass, so a value holding "%2" stays as it is; the
    // text between is copied a stretch at a time.
    QString out;
    out.reserve(text.size() + 32);
    qsizetype copied = 0;   // the text before this is in `out`
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == u'%' && text[i + 1].isDigit() && text[i + 1] != u'0') {
            const int n = text[i + 1].digitValue();
            if (n >= 1 && n <= finding.arguments.size()) {
                out += QStringView(text).sliced(copied, i - copied);
                out += finding.arguments[n - 1];
                copied = i + 2;
                ++i;
            }
        }
    }
    out += QStringView(text).sliced(copied);
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
    // "FILE:ROW: SEVERITY CODE: TEXT", put together directly: thousands of lines are printed.
    return config::fileName(finding.file) + u':' + QString::number(finding.row) + QStringLiteral(": ") +
           severityWord(finding.severity) + u' ' + finding.code + QStringLiteral(": ") + findingText(finding, messages);
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
