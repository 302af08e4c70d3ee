#pragma once

#include "gui/frames/can_frames_dialog.h"

namespace px {

// Step 3, receive frame list of the jumper device (till April 2014): 250 frames.
class ReceiveFramesJumperDialog final : public CanFramesDialog {
    Q_OBJECT
public:
    ReceiveFramesJumperDialog(Session& session, Prompter& prompter, QWidget* parent = nullptr)
        : CanFramesDialog(FrameListKind::ReceiveJumper, session, prompter, parent)
    {
        setObjectName(QStringLiteral("receiveFramesJumperDialog"));
    }
};

// Step 3, receive frame list of the dip-switch device (from May 2014): 300 frames.
class ReceiveFramesDipDialog final : public CanFramesDialog {
    Q_OBJECT
public:
    ReceiveFramesDipDialog(Session& session, Prompter& prompter, QWidget* parent = nullptr)
        : CanFramesDialog(FrameListKind::ReceiveDip, session, prompter, parent)
    {
        setObjectName(QStringLiteral("receiveFramesDipSwitchDialog"));
    }
};

} // namespace px
