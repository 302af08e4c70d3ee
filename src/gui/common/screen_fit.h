#pragma once

#include <QObject>
#include <QSize>

class QWidget;

namespace px {

// Makes a window no larger than the free area of the screen it opens on (the screen of the
// window it belongs to, else its own), less the window frame, and moves it inside that area.
// A window keeps its size when it fits; one that does not shrinks, down to the smallest size
// its layout allows, and its tables and lists scroll. A window of fixed size keeps its size.
void fitToScreen(QWidget& window);

// Gives a window that the user does not resize the size its content asks for, and at least
// `atLeast` (its usual size): buttons and labels get the room their texts take in any language
// and at any scale. Called again whenever the texts change.
void fixSizeToContent(QWidget& window, QSize atLeast);

// Fits every window of the program to its screen as it is shown (fitToScreen), the main
// window, each dialog and each message box alike. Installed once on the application object.
class ScreenFit final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace px
