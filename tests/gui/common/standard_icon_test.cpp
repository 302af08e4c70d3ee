// The main window's button icons are decoded only at the size painted, and show exactly
// the pictures of the style's own standard icons.

#include "gui/common/standard_icon.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace px {
namespace {

const QStyle::StandardPixmap kMainWindowIcons[] = {
    QStyle::SP_FileIcon,         QStyle::SP_DirOpenIcon,           QStyle::SP_FileDialogNewFolder,
    QStyle::SP_ComputerIcon,     QStyle::SP_ArrowDown,             QStyle::SP_ArrowUp,
    QStyle::SP_FileDialogListView, QStyle::SP_FileDialogDetailedView, QStyle::SP_FileDialogInfoView,
    QStyle::SP_FileDialogContentsView, QStyle::SP_DriveHDIcon,     QStyle::SP_MediaPlay,
    QStyle::SP_DialogCloseButton, QStyle::SP_MessageBoxInformation};

QImage pixels(const QPixmap& pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The icon painted into a rectangle of an image at a device pixel ratio, as a button paints it.
QImage painted(const QIcon& icon, int side, qreal scale, QIcon::Mode mode)
{
    QImage image(QSize(side + 8, side + 8) * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    icon.paint(&painter, QRect(4, 4, side, side), Qt::AlignCenter, mode);
    return image;
}

TEST(StandardButtonIcon, ShowsThePicturesOfTheStylesOwnIconAtEverySizeAndLook)
{
    QStyle* style = QApplication::style();
    const QIcon::Mode modes[] = {QIcon::Normal, QIcon::Disabled, QIcon::Active, QIcon::Selected};
    for (QStyle::StandardPixmap id : kMainWindowIcons) {
        SCOPED_TRACE(int(id));
        const QIcon own = style->standardIcon(id);
        const QIcon icon = standardButtonIcon(*style, id);
        ASSERT_FALSE(icon.isNull());
        EXPECT_EQ(icon.availableSizes(), own.availableSizes());
        // Sizes between, on and beyond the pictures', each asked first of a fresh icon so
        // that it is decoded for that size alone, then of one that has decoded others.
        QIcon used = standardButtonIcon(*style, id);
        for (int side : {24, 16, 28, 32, 48, 56, 100, 128, 200, 12}) {
            SCOPED_TRACE(side);
            const QSize size(side, side);
            for (QIcon::Mode mode : modes) {
                const QIcon fresh = standardButtonIcon(*style, id);
                EXPECT_EQ(fresh.actualSize(size, mode), own.actualSize(size, mode));
                EXPECT_EQ(pixels(fresh.pixmap(size, 1.0, mode)), pixels(own.pixmap(size, 1.0, mode)));
                EXPECT_EQ(pixels(used.pixmap(size, 1.0, mode)), pixels(own.pixmap(size, 1.0, mode)));
                EXPECT_EQ(pixels(standardButtonIcon(*style, id).pixmap(size, 2.0, mode)),
                          pixels(own.pixmap(size, 2.0, mode)));
            }
            EXPECT_EQ(painted(standardButtonIcon(*style, id), side, 1.0, QIcon::Normal),
                      painted(own, side, 1.0, QIcon::Normal));
            EXPECT_EQ(painted(standardButtonIcon(*style, id), side, 2.0, QIcon::Disabled),
                      painted(own, side, 2.0, QIcon::Disabled));
        }
        // A copy shares what is decoded and draws the same.
        const QIcon copy = used;
        EXPECT_EQ(pixels(copy.pixmap(QSize(24, 24))), pixels(own.pixmap(QSize(24, 24))));
    }
}

TEST(StandardButtonIcon, IsTheDesktopThemesIconWhereTheThemeHasIt)
{
    // A desktop icon theme with a red "go-down" and a blue "system" (the name a theme may
    // give the computer under), nothing else.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QDir(folder.path()).mkpath(QStringLiteral("desk/32x32/actions"));
    QFile index(folder.filePath(QStringLiteral("desk/index.theme")));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=desk\nDirectories=32x32/actions\n\n"
                "[32x32/actions]\nSize=32\nType=Fixed\n");
    index.close();
    QImage red(32, 32, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(folder.filePath(QStringLiteral("desk/32x32/actions/go-down.png"))));
    QImage blue(32, 32, QImage::Format_ARGB32);
    blue.fill(Qt::blue);
    ASSERT_TRUE(blue.save(folder.filePath(QStringLiteral("desk/32x32/actions/system.png"))));
    const QStringList searchPaths = QIcon::themeSearchPaths();
    const QString themeName = QIcon::themeName();
    QIcon::setThemeSearchPaths({folder.path()});
    QIcon::setThemeName(QStringLiteral("desk"));

    // Every icon is what the style gives with this theme: the theme's where it has one,
    // else the picture built into the style.
    QStyle* style = QApplication::style();
    QImage down;
    for (QStyle::StandardPixmap id : kMainWindowIcons) {
        SCOPED_TRACE(int(id));
        const QImage icon = pixels(standardButtonIcon(*style, id).pixmap(QSize(32, 32)));
        EXPECT_EQ(icon, pixels(style->standardIcon(id).pixmap(QSize(32, 32))));
        if (id == QStyle::SP_ArrowDown)
            down = icon;
    }
    QIcon::setThemeName(themeName);
    QIcon::setThemeSearchPaths(searchPaths);
    // The theme was in effect.
    EXPECT_EQ(down, red.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

} // namespace
} // namespace px
