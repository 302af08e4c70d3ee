#include "support/fake_prompter.h"

#include <gtest/gtest.h>

namespace px::test {

bool FakePrompter::yesNo(const QString& text)
{
    questions << text;
    shown << text;
    if (yesNoAnswers.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return false;
    }
    const bool a = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return a;
}

Prompter::Answer FakePrompter::yesNoCancel(const QString& text)
{
    questions << text;
    shown << text;
    if (yesNoCancelAnswers.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return Answer::Cancel;
    }
    const Answer a = yesNoCancelAnswers.front();
    yesNoCancelAnswers.pop_front();
    return a;
}

QString FakePrompter::openFile(const QString& folder, const QString& filter)
{
    lastFolder = folder;
    lastFilter = filter;
    if (fileAnswers.empty()) {
        ADD_FAILURE() << "unexpected file dialog";
        return {};
    }
    const QString a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
}

QString FakePrompter::saveFile(const QString& proposed, const QString& filter)
{
    lastProposed = proposed;
    lastFilter = filter;
    if (saveAnswers.empty()) {
        ADD_FAILURE() << "unexpected save dialog";
        return {};
    }
    const QString a = saveAnswers.front();
    saveAnswers.pop_front();
    return a;
}

std::optional<QString> FakePrompter::askText(const QString& label, const QString& proposed)
{
    textLabels << label + u'|' + proposed;
    shown << label;
    if (textAnswers.empty()) {
        ADD_FAILURE() << "unexpected text question: " << label.toStdString();
        return std::nullopt;
    }
    const std::optional<QString> a = textAnswers.front();
    textAnswers.pop_front();
    return a;
}

} // namespace px::test
