#pragma once

#include "core/config/configuration.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace px {
class MessageTable;
}

namespace px::check {

enum class Severity { Error, Warning };

// One thing the cross-file check found. The text is composed from the message table
// (`messageId` with `arguments` for %1, %2, ...) so it follows the program's language.
struct Finding {
    Severity severity = Severity::Error;
    QString code;                 // stable, e.g. "duplicate-register"
    config::ConfigFile file = config::ConfigFile::GeneralParameters;
    int row = 0;                  // 1-based as the editors number rows; 0 = the file as a whole
    QString attribute;            // attribute or element concerned; empty when none
    int messageId = 0;
    QStringList arguments;

    bool isError() const { return severity == Severity::Error; }
    bool operator==(const Finding&) const = default;
};

// The finding's text in the language of `messages`.
QString findingText(const Finding& finding, const MessageTable& messages);

// The line of a findings list in the configurator: "RCobDef.xml, Row 3: <text>" in the
// language of `messages` (the row left out for the file as a whole).
QString findingListText(const Finding& finding, const MessageTable& messages);

// "error" / "warning": the stable word of the command-line output.
QString severityWord(Severity severity);

// "RCobDef.xml:3: error duplicate-identifier: <text>": the line of the command-line output
// (row 0 stands for the file as a whole).
QString findingLine(const Finding& finding, const MessageTable& messages);
// The same line appended to `out` (thousands of lines go into one text).
void appendFindingLine(QString& out, const Finding& finding, const MessageTable& messages);
// The findings as a JSON array of objects with file, row, severity, code, attribute, message.
QByteArray findingsJson(const std::vector<Finding>& findings, const MessageTable& messages);
// "2 errors, 1 warning"
QString findingsSummary(const std::vector<Finding>& findings);

int errorCount(const std::vector<Finding>& findings);
int warningCount(const std::vector<Finding>& findings);

} // namespace px::check
