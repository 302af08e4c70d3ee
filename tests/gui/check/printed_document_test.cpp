#include "gui/check/printed_document.h"

#include "core/check/check.h"
#include "core/check/register_map.h"
#include "core/check/report.h"
#include "core/lang/message_table.h"
#include "support/config_builders.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>

#include <cmath>

#include <gtest/gtest.h>

namespace px {
namespace {

using config::Configuration;

// A dip-switch configuration with the widest values a report holds: 29-bit identifiers,
// five-digit registers, bytes that feed two registers and long mnemonics.
Configuration wideConfiguration()
{
    Configuration c;
    c.name = QStringLiteral("Line 7 packaging");
    c.general.deviceType = kDipSwitchDevice;
    for (int i = 0; i < 12; ++i) {
        config::ReceiveFrame r;
        r.cobId = QStringLiteral("0x18FF%1").arg(0x0120 + i, 4, 16, QLatin1Char('0')).toUpper().replace(QStringLiteral("0X"), QStringLiteral("0x"));
        r.cobType = config::kExtendedFormatText;
        r.dimension = QStringLiteral("8");
        r.timeOutTime = QStringLiteral("1000");
        r.defaultValues = QStringLiteral("0,0,0,0,0,0,0,0");
        r.mnemonic = QStringLiteral("Drive %1 status word, actual speed and the motor temperature").arg(i + 1);
        c.receiveFrames.push_back(r);
        for (int k = 0; k < 4; ++k)
            c.receiveMappings.push_back(test::mappingEntry(60000 + 4 * i + k, i + 1, 2 * k + 1, 2 * k + 2));
        c.receiveMappings.push_back(test::mappingEntry(65000 + i, i + 1, 0, 8));
    }
    for (int i = 0; i < 3; ++i) {
        config::TransmitFrame t;
        t.cobId = QStringLiteral("0x18EF%1").arg(0x0200 + i, 4, 16, QLatin1Char('0')).toUpper().replace(QStringLiteral("0X"), QStringLiteral("0x"));
        t.cobType = config::kExtendedFormatText;
        t.dimension = QStringLiteral("4");
        t.onChange = QStringLiteral("Y");
        t.mnemonic = QStringLiteral("Set-point of drive %1").arg(i + 1);
        c.transmitFrames.push_back(t);
        c.transmitMappings.push_back(test::mappingEntry(61000 + i, i + 1, 1, 2, true));
    }
    return c;
}

int pageOf(qreal y, qreal pageHeight)
{
    return static_cast<int>(std::floor(y / pageHeight));
}

// Checks the laid-out document as a reader of the printed pages would.
void expectPrintedLayout(QTextDocument& doc, const std::string& what)
{
    QAbstractTextDocumentLayout& layout = *doc.documentLayout();
    const qreal pageWidth = doc.pageSize().width();
    const qreal pageHeight = doc.pageSize().height();
    ASSERT_GT(doc.pageCount(), 1) << what;

    // No word, identifier or register part is broken across lines: a line never ends
    // between two letters or digits, nor at the blank inside "60001 H".
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QTextLayout* lines = b.layout();
        const QString text = b.text();
        for (int i = 0; i + 1 < lines->lineCount(); ++i) {
            const int end = lines->lineAt(i).textStart() + lines->lineAt(i).textLength();
            if (end <= 0 || end >= text.size())
                continue;
            const QChar before = text[end - 1];
            const QChar after = text[end];
            EXPECT_FALSE((before.isLetterOrNumber() && after.isLetterOrNumber()) || before == QChar(0x00A0))
                << what << ": \"" << text.toStdString() << "\" broken after \"" << text.left(end).toStdString() << '"';
        }
    }

    QTextFrame::iterator it = doc.rootFrame()->begin();
    int ruledTables = 0;
    for (; !it.atEnd(); ++it) {
        // Ruled tables span the text width, none is wider.
        if (auto* table = qobject_cast<QTextTable*>(it.currentFrame())) {
            const qreal width = layout.frameBoundingRect(table).width();
            EXPECT_LE(width, pageWidth + 1) << what;
            if (table->format().width().type() == QTextLength::PercentageLength) {
                ++ruledTables;
                EXPECT_GE(width, pageWidth - 1) << what;
            }
            continue;
        }
        // A heading stands on the page where the first row of its table begins.
        const QTextBlock heading = it.currentBlock();
        if (!heading.isValid() || heading.blockFormat().headingLevel() == 0)
            continue;
        QTextFrame::iterator next = it;
        const QTextTable* table = nullptr;
        for (int steps = 0; steps < 4 && !(++next).atEnd() && !table; ++steps) {
            table = qobject_cast<const QTextTable*>(next.currentFrame());
            if (!table && next.currentBlock().blockFormat().headingLevel() > 0)
                break;
        }
        if (!table)
            continue;
        const int firstRow = std::min(table->format().headerRowCount(), table->rows() - 1);
        const QTextBlock cell = table->cellAt(firstRow, 0).lastCursorPosition().block();
        EXPECT_EQ(pageOf(layout.blockBoundingRect(heading).top(), pageHeight),
                  pageOf(layout.blockBoundingRect(cell).bottom() - 1, pageHeight))
            << what << ": heading \"" << heading.text().toStdString() << "\" apart from its table ";
    }
    EXPECT_GE(ruledTables, 4) << what;
}

TEST(PrintedDocument, ReportAndMapLaidOutAsPrintedDocuments)
{
    const MessageTable m;
    const Configuration config = wideConfiguration();
    const std::vector<check::Finding> findings = check::check(config);
    const struct {
        const char* name;
        QString html;
    } documents[] = {
        {"report", check::commissioningReportHtml(config, findings, check::ImageSummary{}, QDateTime(), m)},
        {"map", check::renderRegisterMap(check::buildRegisterMap(config), check::MapFormat::Html, m)},
    };
    // Pages of many heights put headings at every place of a page, the foot included.
    for (const auto& d : documents) {
        for (int height = 120; height <= 300; height += 20) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QPdfWriter writer(&buffer);
            writer.setPageSize(QPageSize(QSizeF(210, height), QPageSize::Millimeter));
            writer.setPageMargins(QMarginsF(15, 15, 15, 12), QPageLayout::Millimeter);
            writer.setResolution(300);
            const std::unique_ptr<QTextDocument> doc = layOutOnPages(d.html, writer);
            expectPrintedLayout(*doc, std::string(d.name) + " on " + std::to_string(height) + " mm");
        }
    }
}

} // namespace
} // namespace px
