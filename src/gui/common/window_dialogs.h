#pragma once

#include "core/platform/dialogs.h"

#include <functional>
#include <map>

namespace px {

class Prompter;

// The real modal windows behind the main window's steps. Each window is registered once
// at start with its show step (FormShow, then the modal loop; true for OK) and its
// Set_Lang.
class WindowDialogs final : public Dialogs {
public:
    explicit WindowDialogs(Prompter& prompter) : m_prompter(prompter) {}

    void add(Window window, std::function<bool()> show, std::function<void()> setLang);
    bool has(Window window) const { return m_entries.count(window) != 0; }

    bool show(Window window) override;
    void changeLanguage() override;

private:
    struct Entry {
        std::function<bool()> show;
        std::function<void()> setLang;
    };
    Prompter& m_prompter;
    std::map<Window, Entry> m_entries;
};

} // namespace px
