#include "gui/common/save_edit.h"

#include "core/base/error.h"
#include "core/lang/message_ids.h"
#include "core/services/prompter.h"

namespace px {

SaveOutcome saveEdit(Session& session, Prompter& prompter,
                     const std::function<std::vector<config::ConfigFile>(config::ConfigurationDocument&)>& edit)
{
    try {
        const SaveQuestion question = saveQuestion(session);
        SaveDecision decision = SaveDecision::Write;
        switch (question.kind) {
        case SaveQuestion::Kind::None:
            break;
        case SaveQuestion::Kind::ReadOnly:
            prompter.error(session.messages[msg::kReadOnlyConfiguration]);
            return SaveOutcome::Back;
        case SaveQuestion::Kind::FilesChangedOnDisk:
            switch (prompter.yesNoCancel(
                session.messages[msg::kFileChangedOnDisk].arg(question.changedFiles.join(QStringLiteral(", "))))) {
            case Prompter::Answer::Yes:
                break;
            case Prompter::Answer::No:
                decision = SaveDecision::Reload;
                break;
            case Prompter::Answer::Cancel:
                decision = SaveDecision::Back;
                break;
            }
            break;
        }
        return finishSave(session, decision, edit);
    } catch (const Error& e) {
        prompter.error(e.text(session.messages));
        return SaveOutcome::Back;
    }
}

} // namespace px
