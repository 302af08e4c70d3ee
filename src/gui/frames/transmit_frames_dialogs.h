#pragma once

#include "gui/frames/can_frames_dialog.h"

namespace px {

// Step 4, transmit frame list of the jumper device (till April 2014): 250 frames.
class TransmitFramesJumperDialog final : public CanFramesDialog {
    Q_OBJECT
public:
    TransmitFramesJumperDialog(Session& session, Prompter& prompter, QWidget* parent = nullptr)
        : CanFramesDialog(FrameListKind::TransmitJumper, session, prompter, parent)
    {
        setObjectName(QStringLiteral("transmitFramesJumperDialog"));
    }
};

// Step 4, transmit frame list of the dip-switch device (from May 2014): 300 frames.
class TransmitFramesDipDialog final : public CanFramesDialog {
    Q_OBJECT
public:
    TransmitFramesDipDialog(Session& session, Prompter& prompter, QWidget* parent = nullptr)
        : CanFramesDialog(FrameListKind::TransmitDip, session, prompter, parent)
    {
        setObjectName(QStringLiteral("transmitFramesDipSwitchDialog"));
    }
};

} // namespace px
