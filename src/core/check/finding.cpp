#include "core/check/finding.h"

#include "core/lang/message_ids.h"
#include "core/lang/message_table.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdint>

namespace px::check {

namespace {

// The finding's text appended to `out`.
void appendFindingText(QString& out, const Finding& finding, const MessageTable& messages)
{
    const QString text = messages.text(finding.messageId);
    // Each %n is replaced once, in one pass, so a value holding "%2" stays as it is; the
    // text between is copied a stretch at a time.
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
}

} // namespace

QString findingText(const Finding& finding, const MessageTable& messages)
{
    QString out;
    out.reserve(messages.text(finding.messageId).size() + 32);
    appendFindingText(out, finding, messages);
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
    QString out;
    appendFindingLine(out, finding, messages);
    return out;
}

void appendFindingLine(QString& out, const Finding& finding, const MessageTable& messages)
{
    // "FILE:ROW: SEVERITY CODE: TEXT", each piece appended in place: thousands of lines are
    // printed. The row's digits are written without a number conversion of their own.
    out += config::fileName(finding.file);
    out += u':';
    char16_t digits[16];
    qsizetype at = 16;
    auto row = static_cast<std::uint32_t>(finding.row < 0 ? -static_cast<std::int64_t>(finding.row) : finding.row);
    do {
        digits[--at] = static_cast<char16_t>(u'0' + row % 10);
        row /= 10;
    } while (row != 0);
    if (finding.row < 0)
        digits[--at] = u'-';
    out += QStringView(digits + at, 16 - at);
    out += QLatin1StringView(": ");
    out += finding.severity == Severity::Error ? QLatin1StringView("error") : QLatin1StringView("warning");
    out += u' ';
    out += finding.code;
    out += QLatin1StringView(": ");
    appendFindingText(out, finding, messages);
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
