#include "gui/common/screen_fit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace px {

namespace {

QScreen* screenOf(const QWidget& window)
{
    if (const QWidget* parent = window.parentWidget()) {
        if (QScreen* screen = parent->window()->screen())
            return screen;
    }
    if (QScreen* screen = window.screen())
        return screen;
    return QGuiApplication::primaryScreen();
}

// The window manager's frame around the window. Before a window is first mapped its own
// frame is not known yet; the frame of the window it belongs to is the same kind of frame.
QMargins frameOf(const QWidget& window)
{
    QMargins frame;
    const QWidget* owner = window.parentWidget() ? window.parentWidget()->window() : nullptr;
    for (const QWidget* w : {static_cast<const QWidget*>(&window), owner}) {
        if (w && w->windowHandle()) {
            const QMargins m = w->windowHandle()->frameMargins();
            frame = QMargins(std::max(frame.left(), m.left()), std::max(frame.top(), m.top()),
                             std::max(frame.right(), m.right()), std::max(frame.bottom(), m.bottom()));
        }
    }
    return frame;
}

} // namespace

void fitToScreen(QWidget& window)
{
    const QScreen* screen = screenOf(window);
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QMargins frame = frameOf(window);
    const QSize room(area.width() - frame.left() - frame.right(), area.height() - frame.top() - frame.bottom());
    const QSize size = window.size();
    const QSize fitted = size.boundedTo(room).expandedTo(window.minimumSize());
    if (fitted != size)
        window.resize(fitted);
    // The frame's top-left corner is kept inside the area, and the frame's far edges too
    // where the window is small enough for that.
    const QSize outer = window.size().grownBy(frame);
    const QPoint at = window.pos();
    const int x = std::max(area.left(), std::min(at.x(), area.right() + 1 - outer.width()));
    const int y = std::max(area.top(), std::min(at.y(), area.bottom() + 1 - outer.height()));
    if (QPoint(x, y) != at)
        window.move(x, y);
}

void fixSizeToContent(QWidget& window, QSize atLeast)
{
    // The size the layout asks for, found without the old fixed size in its way.
    window.setMinimumSize(0, 0);
    window.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (QLayout* layout = window.layout())
        layout->activate();
    window.setFixedSize(window.sizeHint().expandedTo(window.minimumSizeHint()).expandedTo(atLeast));
}

bool ScreenFit::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && !event->spontaneous() && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        const Qt::WindowType type = widget->windowType();
        if (widget->isWindow() && (type == Qt::Window || type == Qt::Dialog))
            fitToScreen(*widget);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace px
