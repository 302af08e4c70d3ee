#pragma once

#include "gui/common/dialogs.h"

#include <functional>
#include <map>

namespace px {

class Prompter;

// The real modal windows behind the main window's steps. Each window is registered once
// at start with its show step (prepared, then the modal loop; true for OK) and its
// applyLanguage.
class WindowDialogs final : public Dialogs {
public:
    explicit WindowDialogs(Prompter& prompter) : m_prompter(prompter) {}

    void add(Window window, std::function<bool()> show, std::function<void()> applyLanguage);
    // An editor's show step with a row made current (showAt); without one, showAt shows
    // the window as show() does.
    void addRowShow(Window window, std::function<bool(int row)> showAt);
    // The findings dialog of Update Device.
    void setFindingsReviewer(std::function<FindingsAnswer(const std::vector<check::Finding>&)> review)
    {
        m_review = std::move(review);
    }
    bool has(Window window) const { return m_entries.count(window) != 0; }

    bool show(Window window) override;
    void changeLanguage() override;
    bool showAt(Window window, int row) override;
    FindingsAnswer reviewFindings(const std::vector<check::Finding>& findings) override;

private:
    struct Entry {
        std::function<bool()> show;
        std::function<void()> applyLanguage;
    };
    Prompter& m_prompter;
    std::map<Window, Entry> m_entries;
    std::map<Window, std::function<bool(int)>> m_rowShows;
    std::function<FindingsAnswer(const std::vector<check::Finding>&)> m_review;
};

} // namespace px
