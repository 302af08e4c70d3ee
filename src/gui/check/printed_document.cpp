#include "gui/check/printed_document.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <algorithm>
#include <cmath>

namespace px {

namespace {

// The footer's font, in points, and the gap between the text and the footer.
constexpr qreal kFooterPoints = 8;
constexpr qreal kFooterGapPoints = 6;

qreal footerHeight(const QTextDocument& document, const QPaintDevice& device)
{
    QFont font = document.defaultFont();
    font.setPointSizeF(kFooterPoints);
    return QFontMetricsF(font, &device).height() + kFooterGapPoints * device.logicalDpiY() / 72.0;
}

int pageOf(qreal y, qreal pageHeight)
{
    return static_cast<int>(std::floor(y / pageHeight));
}

// The bottom of the first body row of `table` (its first row when it has only header rows).
qreal firstRowBottom(const QTextTable& table, const QAbstractTextDocumentLayout& layout)
{
    const int row = std::min(table.format().headerRowCount(), table.rows() - 1);
    qreal bottom = 0;
    for (int column = 0; column < table.columns(); ++column) {
        const QTextTableCell cell = table.cellAt(row, column);
        if (cell.isValid())
            bottom = std::max(bottom, layout.blockBoundingRect(cell.lastCursorPosition().block()).bottom());
    }
    return bottom;
}

// Where the content a heading introduces starts to be useful: the first body row of the
// table that follows it (a short paragraph between them, such as the findings' summary,
// goes with them), else the first line of the next paragraph. 0 when nothing follows.
qreal contentStartBottom(QTextFrame::iterator it, const QAbstractTextDocumentLayout& layout)
{
    qreal paragraphBottom = 0;
    for (++it; !it.atEnd(); ++it) {
        if (const auto* table = qobject_cast<const QTextTable*>(it.currentFrame()))
            return table->rows() > 0 ? firstRowBottom(*table, layout) : paragraphBottom;
        const QTextBlock block = it.currentBlock();
        if (!block.isValid() || block.text().trimmed().isEmpty())
            continue;
        if (block.blockFormat().headingLevel() > 0)
            return paragraphBottom;  // a heading of its own decides for itself
        if (paragraphBottom > 0)
            return paragraphBottom;  // a second paragraph: no table comes close
        const QRectF rect = layout.blockBoundingRect(block);
        const QTextLayout* lines = block.layout();
        paragraphBottom = lines && lines->lineCount() > 0 ? rect.top() + lines->lineAt(0).rect().bottom() : rect.bottom();
    }
    return paragraphBottom;
}

void keepHeadingsWithTheirContent(QTextDocument& document)
{
    const qreal pageHeight = document.pageSize().height();
    QAbstractTextDocumentLayout& layout = *document.documentLayout();
    for (QTextFrame::iterator it = document.rootFrame()->begin(); !it.atEnd(); ++it) {
        QTextBlock heading = it.currentBlock();
        if (!heading.isValid() || heading.blockFormat().headingLevel() == 0)
            continue;
        // The layout is made lazily, and the cells of a table are not made by asking for
        // their place: the whole document is laid out first, anew after each page break.
        document.pageCount();
        const qreal top = layout.blockBoundingRect(heading).top();
        const qreal contentBottom = contentStartBottom(it, layout);
        // A heading that already opens its page stays there, whatever follows it.
        const int page = pageOf(top, pageHeight);
        if (contentBottom <= 0 || page == pageOf(contentBottom - 1, pageHeight) || top - page * pageHeight < 1)
            continue;
        QTextBlockFormat format = heading.blockFormat();
        format.setPageBreakPolicy(format.pageBreakPolicy() | QTextFormat::PageBreak_AlwaysBefore);
        QTextCursor(heading).setBlockFormat(format);
    }
}

} // namespace

std::unique_ptr<QTextDocument> layOutOnPages(const QString& html, QPagedPaintDevice& device)
{
    auto document = std::make_unique<QTextDocument>();
    // Laid out for the device itself, so that points and pixels of the HTML come out at the
    // device's resolution and the line breaks are those that are printed.
    document->documentLayout()->setPaintDevice(&device);
    document->setDocumentMargin(0);
    // The HTML gives its sizes in points; a desktop font given in pixels would leave the
    // headings' relative sizes without a base.
    QFont font = document->defaultFont();
    font.setPointSizeF(10);
    document->setDefaultFont(font);
    document->setHtml(html);
    document->setPageSize(QSizeF(device.width(), device.height() - footerHeight(*document, device)));
    keepHeadingsWithTheirContent(*document);
    return document;
}

void paintPages(QTextDocument& document, QPagedPaintDevice& device)
{
    QPainter painter(&device);
    const QSizeF page = document.pageSize();
    const int pages = document.pageCount();
    QFont footerFont = document.defaultFont();
    footerFont.setPointSizeF(kFooterPoints);
    const QString title = document.metaInformation(QTextDocument::DocumentTitle);
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            device.newPage();
        painter.save();
        painter.translate(0, -i * page.height());
        document.drawContents(&painter, QRectF(QPointF(0, i * page.height()), page));
        painter.restore();
        painter.setFont(footerFont);
        const QRectF footer(0, page.height(), page.width(), device.height() - page.height());
        painter.drawText(footer, Qt::AlignLeft | Qt::AlignBottom, title);
        painter.drawText(footer, Qt::AlignRight | Qt::AlignBottom, QStringLiteral("%1 / %2").arg(i + 1).arg(pages));
    }
}

QByteArray printedPdf(const QString& html, const QString& title)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 12), QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("PX40318"));
    const std::unique_ptr<QTextDocument> document = layOutOnPages(html, writer);
    paintPages(*document, writer);
    return bytes;
}

} // namespace px
