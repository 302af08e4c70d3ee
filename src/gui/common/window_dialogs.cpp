#include "gui/common/window_dialogs.h"

#include "core/platform/prompter.h"

namespace px {

void WindowDialogs::add(Window window, std::function<bool()> show, std::function<void()> setLang)
{
    m_entries[window] = Entry{std::move(show), std::move(setLang)};
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

void WindowDialogs::changeLanguage()
{
    // The order in which the windows take their new texts (the main window goes first, by
    // its own Change_Language).
    static const Window order[] = {
        Window::SerialUpdate,         Window::EthernetUpdate,    Window::NewProject,
        Window::OpenConf,             Window::SoftOptions,       Window::ParGen,
        Window::DefineReceive,        Window::DefineTransmit,    Window::ReceiveFramesJumper,
        Window::ReceiveFramesDip,     Window::TransmitFramesJumper, Window::TransmitFramesDip,
        Window::CobRequest,           Window::CobSetting,
    };
    for (const Window w : order) {
        const auto it = m_entries.find(w);
        if (it != m_entries.end() && it->second.setLang)
            it->second.setLang();
    }
}

} // namespace px
