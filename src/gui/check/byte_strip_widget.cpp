#include "gui/check/byte_strip_widget.h"

#include <QPaintEvent>
#include <QPainter>

namespace px {
namespace {

constexpr int kLineHeight = 24;
constexpr int kLabelWidth = 190;
constexpr int kCellWidth = 76;
constexpr int kMargin = 4;

} // namespace

ByteStripWidget::ByteStripWidget(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("byteStrip"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ByteStripWidget::setFrames(std::vector<check::FrameLayout> frames)
{
    m_frames = std::move(frames);
    setMinimumHeight(sizeHint().height());
    updateGeometry();
    update();
}

QRect ByteStripWidget::cellRect(int line, int byte) const
{
    return QRect(kMargin + kLabelWidth + byte * kCellWidth, kMargin + line * kLineHeight, kCellWidth - 2, kLineHeight - 2);
}

QColor ByteStripWidget::cellColour(int line, int byte) const
{
    const check::FrameLayout& f = m_frames[static_cast<std::size_t>(line)];
    const auto& feeds = f.bytes[static_cast<std::size_t>(byte)];
    if (!feeds.empty())
        return QColor(check::registerColour(feeds.front().registerIndex));
    return byte < f.dataLength ? QColor(Qt::white) : QColor(0xdd, 0xdd, 0xdd);
}

QSize ByteStripWidget::sizeHint() const
{
    return QSize(2 * kMargin + kLabelWidth + 8 * kCellWidth, 2 * kMargin + static_cast<int>(m_frames.size()) * kLineHeight);
}

void ByteStripWidget::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const int first = std::max(0, (event->rect().top() - kMargin) / kLineHeight);
    const int last = std::min(static_cast<int>(m_frames.size()) - 1, (event->rect().bottom() - kMargin) / kLineHeight);
    for (int line = first; line <= last; ++line) {
        const check::FrameLayout& f = m_frames[static_cast<std::size_t>(line)];
        const QRect label(kMargin, kMargin + line * kLineHeight, kLabelWidth - 6, kLineHeight - 2);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(label, Qt::AlignVCenter | Qt::AlignLeft,
                   QStringLiteral("%1  %2  %3").arg(f.frameNumber).arg(check::identifierText(f.cobId), f.mnemonic));
        for (int byte = 0; byte < 8; ++byte) {
            const QRect cell = cellRect(line, byte);
            p.fillRect(cell, cellColour(line, byte));
            p.setPen(QColor(0x88, 0x88, 0x88));
            p.drawRect(cell.adjusted(0, 0, -1, -1));
            const auto& feeds = f.bytes[static_cast<std::size_t>(byte)];
            QString text = QString::number(byte + 1);
            if (!feeds.empty()) {
                QStringList parts;
                for (const check::ByteFeed& feed : feeds)
                    parts << check::byteFeedText(feed);
                text = parts.join(u'+');
                // Two registers on one byte: a red frame around the cell.
                if (feeds.size() > 1) {
                    p.setPen(QPen(Qt::red, 2));
                    p.drawRect(cell.adjusted(1, 1, -2, -2));
                }
            }
            p.setPen(byte < f.dataLength || !feeds.empty() ? QColor(Qt::black) : QColor(0x99, 0x99, 0x99));
            p.drawText(cell, Qt::AlignCenter, text);
        }
    }
}

} // namespace px
