#pragma once

namespace px {

// The modal windows that the main window opens.
enum class Window {
    NewProject,
    OpenConf,
    About,
    SoftOptions,
    ParGen,
    ReceiveFramesJumper,   // TFReceiveCANFrames_A
    ReceiveFramesDip,      // TFReceiveCANFrames_K
    DefineReceive,         // TFDefineRecCAN
    TransmitFramesJumper,  // TFTransmitCANFrames_A
    TransmitFramesDip,     // TFTransmitCANFrames_K
    DefineTransmit,        // TFDefineTraCAN
    SerialUpdate,          // TFBootSer
    EthernetUpdate,        // TFBootTCP
    CobRequest,
    CobSetting,
    VirtualConverter,      // runs the active configuration as a virtual converter
};

// The main window's way to show each modal window and to re-apply every window's texts.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Shows the window modally; true when it closed with OK.
    virtual bool show(Window window) = 0;
    // Calls Set_Lang of every window that exists, in the product's fixed order.
    virtual void changeLanguage() = 0;
};

} // namespace px
