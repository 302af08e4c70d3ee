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

} // namespace px::test
