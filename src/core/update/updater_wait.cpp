#include "core/update/updater_wait.h"

#include "core/lang/message_table.h"

#include <QFileInfo>

namespace px {

namespace {

QString programName(const QString& program)
{
    return QFileInfo(program).fileName();
}

} // namespace

QString updaterRunningText(const MessageTable& messages, const QString& program, int secondsLeft)
{
    return messages[msg::kUpdaterRunning].arg(programName(program), QString::number(secondsLeft));
}

QString updaterCancelQuestion(const MessageTable& messages, const QString& program)
{
    return messages[msg::kUpdaterCancelQuestion].arg(programName(program));
}

UpdaterEndMessage updaterEndMessage(const MessageTable& messages, const QString& program,
                                    const ProgramRunner::Result& result, std::chrono::milliseconds limit)
{
    using Outcome = ProgramRunner::Outcome;
    using Icon = Prompter::Icon;
    const QString name = programName(program);
    UpdaterEndMessage said;
    said.details = result.output.trimmed();
    switch (result.outcome) {
    case Outcome::Ended:
        if (result.crashed) {
            said.icon = Icon::Warning;
            said.text = messages[msg::kUpdaterCrashed].arg(name);
        } else if (result.exitStatus != 0) {
            said.icon = Icon::Warning;
            said.text = messages[msg::kUpdaterFailed].arg(name, QString::number(result.exitStatus));
        } else {
            said.text = messages[msg::kUpdaterEnded].arg(name);
        }
        return said;
    case Outcome::Cancelled:
        said.icon = Icon::Warning;
        said.text = messages[msg::kUpdaterCancelled].arg(name);
        return said;
    case Outcome::LimitReached: {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(limit + std::chrono::milliseconds(999));
        said.icon = Icon::Error;
        said.text = messages[msg::kUpdaterWaitRanOut].arg(name, QString::number(seconds.count()));
        return said;
    }
    case Outcome::NotStarted:
        break;
    }
    said.icon = Icon::Error;
    said.text = messages[msg::kUpdaterNotStarted].arg(name);
    return said;
}

} // namespace px
