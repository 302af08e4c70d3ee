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

QString updaterOutcomeText(const MessageTable& messages, const QString& program, ProgramRunner::Outcome outcome,
                           std::chrono::milliseconds limit)
{
    switch (outcome) {
    case ProgramRunner::Outcome::Ended:
        return messages[msg::kUpdaterEnded].arg(programName(program));
    case ProgramRunner::Outcome::LimitReached: {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(limit + std::chrono::milliseconds(999));
        return messages[msg::kUpdaterWaitRanOut].arg(programName(program), QString::number(seconds.count()));
    }
    case ProgramRunner::Outcome::NotStarted:
        break;
    }
    return messages[msg::kUpdaterNotStarted].arg(programName(program));
}

} // namespace px
