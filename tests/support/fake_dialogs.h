#pragma once

#include "gui/common/dialogs.h"

#include <functional>
#include <map>
#include <utility>
#include <vector>

namespace px::test {

// Records which window the main window asked for; answers with a scripted result or runs
// a scripted action in its place (to act as the window would on OK).
class FakeDialogs final : public Dialogs {
public:
    bool show(Window window) override
    {
        asked.push_back(window);
        const auto it = actions.find(window);
        return it != actions.end() ? it->second() : false;
    }
    void changeLanguage() override { ++languageChanges; }
    bool showAt(Window window, int row) override
    {
        askedRows.emplace_back(window, row);
        return show(window);
    }
    FindingsAnswer reviewFindings(const std::vector<check::Finding>& findings) override
    {
        reviewed.push_back(findings);
        return findingsAnswer;
    }

    std::vector<Window> asked;
    std::vector<std::pair<Window, int>> askedRows;           // showAt calls, besides `asked`
    std::vector<std::vector<check::Finding>> reviewed;        // the findings of each review
    FindingsAnswer findingsAnswer{FindingsAnswer::Choice::Continue, -1};
    std::map<Window, std::function<bool()>> actions;
    int languageChanges = 0;
};

} // namespace px::test
