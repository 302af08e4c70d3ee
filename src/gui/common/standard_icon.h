#pragma once

#include <QIcon>
#include <QStyle>

namespace px {

// The style's standard icon for a button, with the same pictures as
// QStyle::standardIcon. Where that icon would come from the pictures built into Qt's
// styles, each picture file is decoded only when a button first paints at the size it
// needs (Qt decodes every size of every icon when it is made, and first loads every image
// plugin to ask which of them reads PNG files): the main window's fifteen buttons show
// without decoding the large pictures nobody sees. With a desktop icon theme that has the
// icon, another style, or a Qt whose pictures are not where they were, it is the style's
// own icon.
QIcon standardButtonIcon(const QStyle& style, QStyle::StandardPixmap icon);

} // namespace px
