#pragma once

#include "core/check/finding.h"

#include <vector>

namespace px {

// The modal windows that the main window opens.
enum class Window {
    NewConfiguration,       // NewConfigurationDialog
    OpenConfiguration,      // OpenConfigurationDialog
    About,                  // AboutDialog
    SoftwareOptions,        // SoftwareOptionsDialog
    CommunicationSettings,  // CommunicationSettingsDialog
    ReceiveFramesJumper,    // ReceiveFramesJumperDialog
    ReceiveFramesDip,       // ReceiveFramesDipDialog
    ReceiveMapping,         // ReceiveMappingDialog
    TransmitFramesJumper,   // TransmitFramesJumperDialog
    TransmitFramesDip,      // TransmitFramesDipDialog
    TransmitMapping,        // TransmitMappingDialog
    SerialUpdate,           // SerialUpdateDialog
    EthernetUpdate,         // EthernetUpdateDialog
    VirtualConverter,       // runs the active configuration as a virtual converter
    RegisterMap,            // register map, findings and commissioning report
    ManageConfigurations,   // duplicate, rename, delete, export and import configurations
    Monitor,                // watches the real bus and device against the active configuration (not modal)
};

// What the person chose in the findings dialog that Update Device shows before compiling.
struct FindingsAnswer {
    enum class Choice {
        Back,      // stop here (the default button)
        Continue,  // go on with the update ("Update anyway" with errors)
        Open,      // go to the editor of finding `index` at its row
    };
    Choice choice = Choice::Back;
    int index = -1;
};

// The main window's way to show each modal window and to re-apply every window's texts.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Shows the window modally; true when it closed with OK.
    virtual bool show(Window window) = 0;
    // Re-applies the texts of every window that exists (applyLanguage), in a fixed order.
    virtual void changeLanguage() = 0;
    // Shows an editor with row `row` (from 1, as the editor numbers its rows) made current;
    // a window without rows is shown as by show().
    virtual bool showAt(Window window, int row)
    {
        (void)row;
        return show(window);
    }
    // Lists the check's findings before an update and asks how to go on.
    virtual FindingsAnswer reviewFindings(const std::vector<check::Finding>& findings)
    {
        (void)findings;
        return {FindingsAnswer::Choice::Continue, -1};
    }
};

} // namespace px
