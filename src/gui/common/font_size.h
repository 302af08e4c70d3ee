#pragma once

#include <QFont>
#include <QGuiApplication>
#include <QScreen>

namespace px {

// The font grown by some points, whether its size is given in points or in pixels. A font
// given in pixels (a desktop theme or style may set one) has no point size: Qt reports -1,
// and adding to that would shrink the text to a point or two.
inline QFont enlargedFont(QFont font, qreal points)
{
    if (font.pointSizeF() > 0) {
        font.setPointSizeF(font.pointSizeF() + points);
    } else if (font.pixelSize() > 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const qreal dotsPerInch = screen ? screen->logicalDotsPerInchY() : 96.0;
        font.setPixelSize(font.pixelSize() + qRound(points * dotsPerInch / 72.0));
    }
    return font;
}

} // namespace px
