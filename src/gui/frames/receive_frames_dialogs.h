#pragma once

#include "gui/frames/can_frames_dialog.h"

namespace px {

// Step 3, receive frame list of the jumper device (till April 2014): 250 frames.
class TFReceiveCANFrames_A final : public CanFramesDialog {
    Q_OBJECT
public:
    TFReceiveCANFrames_A(Session& session, Prompter& prompter, QWidget* parent = nullptr)
        : CanFramesDialog(FrameListKind::ReceiveJumper, session, prompter, parent)
    {
        setObjectName(QStringLiteral("TFReceiveCANFrames_A"));
    }
};

// Step 3, receive frame list of the dip-switch device (from May 2014): 300 frames.
class TFReceiveCANFrames_K final : public CanFramesDialog {
    Q_OBJECT
public:
    TFReceiveCANFrames_K(Session& session, Prompter& prompter, QWidget* parent = nullptr)
        : CanFramesDialog(FrameListKind::ReceiveDip, session, prompter, parent)
    {
        setObjectName(QStringLiteral("TFReceiveCANFrames_K"));
    }
};

} // namespace px
