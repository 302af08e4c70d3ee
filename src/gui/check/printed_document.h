#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QPagedPaintDevice;
class QTextDocument;

namespace px {

// The register map and the commissioning report on paper or in a PDF, laid out as a printed
// engineering document: the HTML's tables over the full text width with their header rows
// repeated on each page, and every heading on the same page as the start of what it heads
// (a heading that would stand alone at the foot of a page begins the next one).

// `html` laid out on the pages of `device` (its page size, margins and resolution), with
// the space for the page footer kept free.
std::unique_ptr<QTextDocument> layOutOnPages(const QString& html, QPagedPaintDevice& device);

// Paints every page of a document laid out by layOutOnPages onto `device`, each with the
// document's title and "page / pages" in its footer.
void paintPages(QTextDocument& document, QPagedPaintDevice& device);

// `html` as an A4 PDF document titled `title`, made in memory by layOutOnPages and paintPages.
QByteArray printedPdf(const QString& html, const QString& title);

} // namespace px
