#pragma once

#include "core/platform/dialogs.h"

#include <functional>
#include <map>
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

    std::vector<Window> asked;
    std::map<Window, std::function<bool()>> actions;
    int languageChanges = 0;
};

} // namespace px::test
