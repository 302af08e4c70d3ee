#pragma once

#include "core/services/prompter.h"

#include <QString>
#include <QStringList>

#include <deque>

namespace px::test {

// Records every text shown and answers from a script. A question with no scripted answer
// fails the test (and answers No / Cancel).
class FakePrompter final : public Prompter {
public:
    void error(const QString& text) override { errors << text; shown << text; }
    void information(const QString& text) override { infos << text; shown << text; }
    // Errors and information go to their lists as above; warnings to their own.
    void report(Icon icon, const QString& text, const QString& details) override
    {
        (icon == Icon::Information ? infos : icon == Icon::Warning ? warnings : errors) << text;
        shown << text;
        this->details << details;
    }
    bool yesNo(const QString& text) override;
    Answer yesNoCancel(const QString& text) override;
    QString openFile(const QString& folder, const QString& filter) override;
    QString saveFile(const QString& proposed, const QString& filter) override;
    std::optional<QString> askText(const QString& label, const QString& proposed) override;

    QStringList errors;
    QStringList infos;
    QStringList warnings;
    QStringList details;   // the details of every report(), in order
    QStringList questions;
    QStringList shown;     // every text in the order shown
    std::deque<bool> yesNoAnswers;
    std::deque<Answer> yesNoCancelAnswers;
    std::deque<QString> fileAnswers;
    std::deque<QString> saveAnswers;
    std::deque<std::optional<QString>> textAnswers;   // nothing: the user cancels
    QStringList textLabels;                           // "label|proposed" of every text asked for
    QString lastProposed;
    QString lastFolder;
    QString lastFilter;
};

} // namespace px::test
