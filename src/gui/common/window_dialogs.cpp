#include "gui/common/window_dialogs.h"

#include "core/services/prompter.h"

namespace px {

void WindowDialogs::add(Window window, std::function<bool()> show, std::function<void()> applyLanguage)
{
    m_entries[window] = Entry{std::move(show), std::move(applyLanguage)};
}

bool WindowDialogs::show(Window window)
{
    const auto it = m_entries.find(window);
    if (it == m_entries.end()) {
        m_prompter.error(QStringLiteral("This window is not part of this version of the configurator."));
        return false;
    }
    return it->second.show();
}

void WindowDialogs::addRowShow(Window window, std::function<bool(int)> showAt)
{
    m_rowShows[window] = std::move(showAt);
}

bool WindowDialogs::showAt(Window window, int row)
{
    const auto it = m_rowShows.find(window);
    if (it == m_rowShows.end() || row < 1)
        return show(window);
    return it->second(row);
}

FindingsAnswer WindowDialogs::reviewFindings(const std::vector<check::Finding>& findings)
{
    // Without a findings dialog nothing may slip through: the update stops.
    if (!m_review)
        return {FindingsAnswer::Choice::Back, -1};
    return m_review(findings);
}

void WindowDialogs::changeLanguage()
{
    // The order in which the windows take their new texts (the main window goes first, by
    // its own changeLanguage).
    static const Window order[] = {
        Window::SerialUpdate,          Window::EthernetUpdate,       Window::NewConfiguration,
        Window::OpenConfiguration,     Window::SoftwareOptions,      Window::CommunicationSettings,
        Window::ReceiveMapping,        Window::TransmitMapping,      Window::ReceiveFramesJumper,
        Window::ReceiveFramesDip,      Window::TransmitFramesJumper, Window::TransmitFramesDip,
        Window::RegisterMap,           Window::ManageConfigurations,
    };
    for (const Window w : order) {
        const auto it = m_entries.find(w);
        if (it != m_entries.end() && it->second.applyLanguage)
            it->second.applyLanguage();
    }
}

} // namespace px
