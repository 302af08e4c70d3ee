#include "gui/common/standard_icon.h"

#include <QFile>
#include <QGuiApplication>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>

#include <span>

namespace px {
namespace {

// Where Qt's common style finds its pictures, and the sizes it gives each icon.
constexpr auto kPicturePrefix = ":/qt-project.org/styles/commonstyle/images/";
constexpr int kSmallMediumLarge[] = {16, 32, 128};
constexpr int kSmallMedium[] = {16, 32};
constexpr int kSmall[] = {16};

struct PictureSet {
    QStyle::StandardPixmap icon;
    const char* themeName;   // the name the style asks a desktop icon theme for
    const char* themeFallback;   // the name it asks for next, if any
    const char* fileStem;    // files "<stem>-<size>.png"
    std::span<const int> sizes;
};

// The standard icons the main window shows. Others stay the style's own.
constexpr PictureSet kPictureSets[] = {
    {QStyle::SP_FileIcon, "text-x-generic", nullptr, "file", kSmallMediumLarge},
    {QStyle::SP_DirOpenIcon, "folder-open", nullptr, "diropen", kSmall},
    {QStyle::SP_FileDialogNewFolder, "folder-new", nullptr, "newdirectory", kSmallMediumLarge},
    {QStyle::SP_ComputerIcon, "computer", "system", "computer", kSmall},
    {QStyle::SP_ArrowDown, "go-down", nullptr, "down", kSmallMediumLarge},
    {QStyle::SP_ArrowUp, "go-up", nullptr, "up", kSmallMediumLarge},
    {QStyle::SP_FileDialogListView, "view-list-icons", nullptr, "viewlist", kSmallMediumLarge},
    {QStyle::SP_FileDialogDetailedView, "view-list-details", nullptr, "viewdetailed", kSmallMediumLarge},
    {QStyle::SP_FileDialogInfoView, nullptr, nullptr, "fileinfo", kSmallMediumLarge},
    {QStyle::SP_FileDialogContentsView, nullptr, nullptr, "filecontents", kSmallMediumLarge},
    {QStyle::SP_DriveHDIcon, "drive-harddisk", nullptr, "harddrive", kSmall},
    {QStyle::SP_MediaPlay, "media-playback-start", nullptr, "media-play", kSmallMedium},
    {QStyle::SP_DialogCloseButton, "window-close", nullptr, "standardbutton-close", kSmallMediumLarge},
};

QString pictureFile(const char* stem, int size)
{
    return QLatin1String(kPicturePrefix) + QLatin1String(stem) + QLatin1Char('-')
         + QString::number(size) + QLatin1String(".png");
}

// An icon of square pictures in files, each decoded the first time a size is asked for
// that it is the best picture for. The decoded pictures are kept in an ordinary icon,
// which then scales them and makes the disabled, active and selected looks as for any
// icon: the chosen picture is the one Qt would choose from all the files, so the result
// is the same picture.
class PictureFilesEngine final : public QIconEngine {
public:
    PictureFilesEngine(const char* stem, std::span<const int> sizes) : m_stem(stem), m_sizes(sizes) {}

    QIconEngine* clone() const override { return new PictureFilesEngine(*this); }
    QString key() const override { return QStringLiteral("PictureFilesEngine"); }
    bool isNull() override { return false; }

    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        QList<QSize> sizes;
        if (mode == QIcon::Normal && state == QIcon::Off) {
            for (int side : m_sizes)
                sizes.append(QSize(side, side));
        }
        return sizes;
    }

    // The best picture's size, made smaller to fit: known without decoding.
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int side = m_sizes[bestFor(size)];
        QSize actual(side, side);
        if (actual.width() > size.width() || actual.height() > size.height())
            actual.scale(size, Qt::KeepAspectRatio);
        return actual;
    }

    // In device pixels; the decoded icon is asked at scale 1 so that it scales nothing again.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        decode(bestFor(size));
        return m_decoded.pixmap(size, 1.0, mode, state);
    }

    // The pictures are all of scale 1: the scale changes nothing in the choice.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal) override
    {
        return pixmap(size, mode, state);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const QPaintDevice* device = painter->device();
        const qreal scale = device ? device->devicePixelRatio() : qApp->devicePixelRatio();
        painter->drawPixmap(rect, pixmap(rect.size() * scale, mode, state));
    }

private:
    // Qt takes the smallest picture whose area is at least the size's, else the largest.
    qsizetype bestFor(const QSize& size) const
    {
        const qint64 area = qint64(size.width()) * size.height();
        for (qsizetype i = 0; i < qsizetype(m_sizes.size()); ++i) {
            if (qint64(m_sizes[i]) * m_sizes[i] >= area)
                return i;
        }
        return qsizetype(m_sizes.size()) - 1;
    }

    void decode(qsizetype index)
    {
        const auto bit = 1u << index;
        if (m_decodedSizes & bit)
            return;
        m_decodedSizes |= bit;
        // The format is named and not guessed, so no image plugin is loaded to ask.
        QImageReader reader(pictureFile(m_stem, m_sizes[index]), "png");
        reader.setAutoDetectImageFormat(false);
        const QImage picture = reader.read();
        if (!picture.isNull())
            m_decoded.addPixmap(QPixmap::fromImage(picture));
    }

    const char* m_stem;
    std::span<const int> m_sizes;   // ascending
    unsigned m_decodedSizes = 0;
    QIcon m_decoded;
};

bool fromBuiltInPictures(const QStyle& style, const PictureSet& set)
{
    const QString styleName = style.name();
    if (styleName != QLatin1String("fusion") && styleName != QLatin1String("windows"))
        return false;
    // A desktop icon theme that has the icon comes first, as in the style.
    if (set.themeName && QGuiApplication::desktopSettingsAware() && !QIcon::themeName().isEmpty()) {
        for (const char* name : {set.themeName, set.themeFallback}) {
            if (name && QIcon::hasThemeIcon(QLatin1String(name)))
                return false;
        }
    }
    // Where Qt keeps its pictures elsewhere, the first of them is missing too.
    return QFile::exists(pictureFile(set.fileStem, set.sizes.front()));
}

} // namespace

QIcon standardButtonIcon(const QStyle& style, QStyle::StandardPixmap icon)
{
    for (const PictureSet& set : kPictureSets) {
        if (set.icon == icon) {
            if (fromBuiltInPictures(style, set))
                return QIcon(new PictureFilesEngine(set.fileStem, set.sizes));
            break;
        }
    }
    return style.standardIcon(icon);
}

} // namespace px
