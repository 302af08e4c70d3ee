#include "gui/check/register_map_window.h"

#include "core/base/atomic_file.h"
#include "core/check/bus_load.h"
#include "core/check/check.h"
#include "core/check/report.h"
#include "core/lang/message_ids.h"
#include "core/services/prompter.h"
#include "core/shell/session.h"
#include "gui/check/byte_strip_widget.h"
#include "gui/check/finding_target.h"
#include "gui/check/page_printer.h"
#include "gui/check/printed_document.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/guard.h"
#include "gui/common/title_band.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPageSize>
#include <QPdfWriter>
#include <QPushButton>
#include <QScrollArea>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTextDocument>
#include <QVBoxLayout>

namespace px {

using config::Direction;

namespace {


const char* directionName(int page)
{
    return page == 0 ? "Receive" : "Transmit";
}

} // namespace

RegisterMapWindow::RegisterMapWindow(Session& session, Prompter& prompter, PagePrinter& printer, QWidget* parent)
    : QDialog(parent), m_session(session), m_prompter(prompter), m_printer(printer)
{
    setObjectName(QStringLiteral("registerMapWindow"));
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 8);
    m_band = new TitleBand(QStringLiteral("descriptionLabel"), this);
    top->addWidget(m_band);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    m_directionTabs = new QTabWidget(splitter);
    m_directionTabs->setObjectName(QStringLiteral("directionTabs"));
    for (int i = 0; i < 2; ++i) {
        Page& page = m_pages[i];
        page.widget = new QWidget(m_directionTabs);
        auto* layout = new QVBoxLayout(page.widget);
        auto* filterLine = new QHBoxLayout;
        page.filterLabel = new QLabel(page.widget);
        page.filter = new QLineEdit(page.widget);
        page.filter->setObjectName(QStringLiteral("%1FilterEdit").arg(QLatin1StringView(directionName(i)).toString().toLower()));
        page.filter->setClearButtonEnabled(true);
        filterLine->addWidget(page.filterLabel);
        filterLine->addWidget(page.filter, 1);
        layout->addLayout(filterLine);

        page.model = new QStandardItemModel(page.widget);
        page.proxy = new QSortFilterProxyModel(page.widget);
        page.proxy->setSourceModel(page.model);
        page.proxy->setSortRole(Qt::UserRole);
        page.proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
        page.proxy->setFilterKeyColumn(-1);
        page.table = new QTableView(page.widget);
        page.table->setObjectName(QStringLiteral("%1RegisterTable").arg(QLatin1StringView(directionName(i)).toString().toLower()));
        page.table->setModel(page.proxy);
        page.table->setSortingEnabled(true);
        page.table->sortByColumn(0, Qt::AscendingOrder);
        page.table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        page.table->setSelectionBehavior(QAbstractItemView::SelectRows);
        page.table->verticalHeader()->hide();
        page.table->horizontalHeader()->setStretchLastSection(true);
        connect(page.filter, &QLineEdit::textChanged, page.proxy, &QSortFilterProxyModel::setFilterFixedString);

        auto* stripArea = new QScrollArea(page.widget);
        stripArea->setObjectName(QStringLiteral("%1ByteStripArea").arg(QLatin1StringView(directionName(i)).toString().toLower()));
        page.strip = new ByteStripWidget(stripArea);
        page.strip->setObjectName(QStringLiteral("%1ByteStrip").arg(QLatin1StringView(directionName(i)).toString().toLower()));
        stripArea->setWidget(page.strip);
        stripArea->setWidgetResizable(true);

        auto* inner = new QSplitter(Qt::Vertical, page.widget);
        inner->addWidget(page.table);
        inner->addWidget(stripArea);
        layout->addWidget(inner, 1);
        m_directionTabs->addTab(page.widget, QString());
    }

    auto* side = new QWidget(splitter);
    auto* sideLayout = new QVBoxLayout(side);
    m_findingsLabel = new QLabel(side);
    m_findingsLabel->setObjectName(QStringLiteral("findingsLabel"));
    m_findingsList = new QListWidget(side);
    m_findingsList->setObjectName(QStringLiteral("findingsList"));
    m_findingsList->setWordWrap(true);
    m_statusLabel = new QLabel(side);
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    m_statusLabel->setWordWrap(true);
    sideLayout->addWidget(m_findingsLabel);
    sideLayout->addWidget(m_findingsList, 1);
    sideLayout->addWidget(m_statusLabel);
    splitter->addWidget(m_directionTabs);
    splitter->addWidget(side);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(8, 8, 8, 0);
    middle->addWidget(splitter);
    top->addLayout(middle, 1);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(8, 0, 8, 0);
    m_exportCsvButton = plainButton(this, "exportCsvButton");
    m_exportHtmlButton = plainButton(this, "exportHtmlButton");
    m_printButton = plainButton(this, "printButton");
    m_savePdfButton = plainButton(this, "savePdfButton");
    m_reportButton = plainButton(this, "reportButton");
    m_reportPdfButton = plainButton(this, "reportPdfButton");
    m_closeButton = plainButton(this, "closeButton");
    for (QPushButton* b : {m_exportCsvButton, m_exportHtmlButton, m_printButton, m_savePdfButton, m_reportButton, m_reportPdfButton})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(m_closeButton);
    top->addLayout(buttons);

    connect(m_exportCsvButton, &QPushButton::clicked, this, &RegisterMapWindow::exportCsv);
    connect(m_exportHtmlButton, &QPushButton::clicked, this, &RegisterMapWindow::exportHtml);
    connect(m_printButton, &QPushButton::clicked, this, &RegisterMapWindow::printMap);
    connect(m_savePdfButton, &QPushButton::clicked, this, &RegisterMapWindow::saveMapPdf);
    connect(m_reportButton, &QPushButton::clicked, this, &RegisterMapWindow::saveReport);
    connect(m_reportPdfButton, &QPushButton::clicked, this, &RegisterMapWindow::saveReportPdf);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_findingsList, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { openFinding(m_findingsList->row(item)); });

    resize(1180, 640);
    applyLanguage();
}

void RegisterMapWindow::applyLanguage()
{
    const MessageTable& m = m_session.messages;
    setWindowTitle(m[msg::kRegisterMapTitle]);
    m_band->descriptionLabel()->setText(m[msg::kRegisterMapDescription]);
    m_directionTabs->setTabText(0, m[msg::kReceive]);
    m_directionTabs->setTabText(1, m[msg::kTransmit]);
    for (Page& page : m_pages)
        page.filterLabel->setText(m[msg::kFilter]);
    m_findingsLabel->setText(m[msg::kFindings]);
    const std::pair<QPushButton*, int> captions[] = {
        {m_exportCsvButton, msg::kExportCsv}, {m_exportHtmlButton, msg::kExportHtml}, {m_printButton, msg::kPrint},
        {m_savePdfButton, msg::kSavePdf},     {m_reportButton, msg::kReportHtml},     {m_reportPdfButton, msg::kReportPdf},
        {m_closeButton, msg::kClose},
    };
    for (const auto& [b, id] : captions) {
        b->setText(m[id]);
        b->setAccessibleName(m[id]);
    }
    if (!m_config.name.isEmpty())
        showConfiguration(m_config);
}

void RegisterMapWindow::prepareShowing()
{
    m_openInEditor = nullptr;
    m_givenSignals.reset();
    m_folder = m_session.ws.configurationFolder;
    showConfiguration(m_session.activeConfiguration());
}

bool RegisterMapWindow::execShow()
{
    if (!guarded(m_prompter, m_session.messages, [this] { prepareShowing(); }))
        return false;
    return exec() == QDialog::Accepted;
}

bool RegisterMapWindow::execShowWithEntries(Direction direction, std::vector<config::MappingEntry> entries,
                                            config::SignalTable signalTable,
                                            std::function<void(const check::Finding&)> openInEditor)
{
    const bool read = guarded(m_prompter, m_session.messages, [&] {
        m_folder = m_session.ws.configurationFolder;
        m_givenSignals = std::move(signalTable);
        config::Configuration c = m_session.activeConfiguration();
        c.mappings(direction) = std::move(entries);
        showConfiguration(std::move(c));
    });
    if (!read)
        return false;
    m_openInEditor = std::move(openInEditor);
    m_editorDirection = direction;
    return exec() == QDialog::Accepted;
}

void RegisterMapWindow::showConfiguration(config::Configuration c)
{
    m_config = std::move(c);
    m_signalTable = m_givenSignals ? *m_givenSignals : config::loadSignalTable(m_folder);
    m_findings = check::check(m_config, m_signalTable);
    m_map = check::buildRegisterMap(m_config, m_signalTable);
    fillPage(m_pages[0], m_map.receive);
    fillPage(m_pages[1], m_map.transmit);
    fillFindingsList(m_findingsList, m_findings, m_session.messages);
    const MessageTable& m = m_session.messages;
    const check::BusLoad load = check::estimateBusLoad(m_config);
    m_statusLabel->setText(QString(m[msg::kFindingsSummary])
                          .replace(QStringLiteral("%1"), QString::number(check::errorCount(m_findings)))
                          .replace(QStringLiteral("%2"), QString::number(check::warningCount(m_findings)))
                      + u'\n'
                      + QString(m[msg::kBusLoadLine])
                            .replace(QStringLiteral("%1"), QString::number(load.percent, 'f', 1))
                            .replace(QStringLiteral("%2"), QString::number(load.bitRate))
                            .replace(QStringLiteral("%3"), QString::number(load.bitsPerSecond, 'f', 0)));
    m_band->descriptionLabel()->setText(m[msg::kRegisterMapDescription] + QStringLiteral(" - ") + m_config.name);
}

void RegisterMapWindow::fillPage(Page& page, const check::DirectionMap& map)
{
    const MessageTable& m = m_session.messages;
    const bool transmit = map.direction == Direction::Transmit;
    QStringList header{m[msg::kRegister], m[msg::kFrame], m[msg::kCobId], m[msg::kType], m[msg::kMnemonic],
                       m[msg::kHighByte], m[msg::kLowByte]};
    if (transmit)
        header << m[msg::kSendOnWrite];
    header << check::signalHeader(m);
    // A reload keeps the order the person chose (by register at first).
    const QHeaderView* titles = page.table->horizontalHeader();
    const int sortColumn = titles->sortIndicatorSection() >= 0 && titles->sortIndicatorSection() < header.size()
                               ? titles->sortIndicatorSection()
                               : 0;
    const Qt::SortOrder sortOrder = titles->sortIndicatorOrder();
    page.model->clear();
    page.model->setHorizontalHeaderLabels(header);
    const auto item = [](const QString& text, const QVariant& sortKey) {
        auto* it = new QStandardItem(text);
        it->setData(sortKey, Qt::UserRole);
        it->setEditable(false);
        return it;
    };
    const auto position = [&](int p) { return p == 0 ? m[msg::kNone] : QString::number(p); };
    for (const check::MappedRegister& r : map.registers) {
        // Registers sort by their number; an index that is no number sorts after all.
        const qint64 key = r.number ? *r.number : (qint64(1) << 40) + r.row;
        QList<QStandardItem*> row{
            item(r.registerIndex, key),
            item(QString::number(r.frameNumber), r.frameNumber),
            item(r.frameExists ? check::identifierText(r.cobId) : QString(), r.frameExists ? check::identifierText(r.cobId) : QString()),
            item(r.frameExists ? check::formatLabel(r.extended) : QString(), r.extended),
            item(r.mnemonic, r.mnemonic),
            item(position(r.highByte), r.highByte),
            item(position(r.lowByte), r.lowByte),
        };
        row.front()->setBackground(QColor(check::registerColour(r.registerIndex)));
        if (transmit)
            row << item(m[r.sendOnWrite ? msg::kYes : msg::kNo], r.sendOnWrite);
        const QStringList signalCells = check::signalCells(r, map.direction, m);
        for (qsizetype c = 0; c < signalCells.size(); ++c) {
            // The two addresses sort by number, the other columns by their text.
            const bool address = c >= signalCells.size() - 2;
            row << item(signalCells[c], address ? QVariant(key) : QVariant(signalCells[c]));
        }
        page.model->appendRow(row);
    }
    page.table->sortByColumn(sortColumn, sortOrder);
    page.table->resizeColumnsToContents();
    page.strip->setFrames(map.frames);
}

void RegisterMapWindow::openFinding(int index)
{
    if (index < 0 || index >= static_cast<int>(m_findings.size()))
        return;
    const check::Finding finding = m_findings[static_cast<std::size_t>(index)];
    if (m_openInEditor) {
        if (finding.file == config::mappingsFile(m_editorDirection)) {
            reject();
            m_openInEditor(finding);
        } else {
            m_statusLabel->setText(m_session.messages[msg::kOpenFromMainWindow]);
        }
        return;
    }
    if (!m_openFinding)
        return;
    m_openFinding(finding, m_config);
    // The editor may have changed the files: what the window shows is read anew.
    guarded(m_prompter, m_session.messages, [this] { showConfiguration(m_session.activeConfiguration()); });
}

QString RegisterMapWindow::askPath(const QString& fileName, const QString& filter)
{
    const QString suggested = m_folder.isEmpty() ? fileName : m_folder + u'/' + fileName;
    if (m_askSavePath)
        return m_askSavePath(suggested, filter);
    return QFileDialog::getSaveFileName(this, windowTitle(), suggested, filter);
}

QString RegisterMapWindow::mapDocumentHtml() const
{
    const MessageTable& m = m_session.messages;
    QString html = check::renderRegisterMap(m_map, check::MapFormat::Html, m);
    // The printed map carries the findings too, so the sheet tells what is wrong.
    html.replace(QStringLiteral("</body>"), QStringLiteral("<h2>%1</h2>\n%2</body>")
                                                 .arg(m[msg::kFindings].toHtmlEscaped(), check::findingsHtml(m_findings, m)));
    html.replace(QStringLiteral("<h1>%1</h1>").arg(m[msg::kRegisterMapTitle].toHtmlEscaped()),
                 QStringLiteral("<h1>%1 - %2</h1>").arg(m[msg::kRegisterMapTitle].toHtmlEscaped(), m_config.name.toHtmlEscaped()));
    return html;
}

QString RegisterMapWindow::reportHtml() const
{
    return check::commissioningReportHtml(m_config, m_findings, check::summariseImages(m_folder),
                                          QDateTime::currentDateTime(), m_session.messages, m_signalTable);
}

void RegisterMapWindow::exportCsv()
{
    const QString path = askPath(QStringLiteral("RegisterMap.csv"), QStringLiteral("CSV File (*.csv)"));
    if (path.isEmpty())
        return;
    guarded(m_prompter, m_session.messages, [&] {
        writeFileAtomically(path, check::renderRegisterMap(m_map, check::MapFormat::Csv, m_session.messages).toUtf8());
    });
}

void RegisterMapWindow::exportHtml()
{
    const QString path = askPath(QStringLiteral("RegisterMap.html"), QStringLiteral("HTML File (*.html)"));
    if (path.isEmpty())
        return;
    guarded(m_prompter, m_session.messages, [&] { writeFileAtomically(path, mapDocumentHtml().toUtf8()); });
}

void RegisterMapWindow::writePdf(const QString& html, const QString& path)
{
    // The PDF is made in memory and written whole, like every other file.
    writeFileAtomically(path, printedPdf(html, windowTitle()));
}

void RegisterMapWindow::saveMapPdf()
{
    const QString path = askPath(QStringLiteral("RegisterMap.pdf"), QStringLiteral("PDF File (*.pdf)"));
    if (path.isEmpty())
        return;
    guarded(m_prompter, m_session.messages, [&] { writePdf(mapDocumentHtml(), path); });
}

void RegisterMapWindow::printMap()
{
    m_printer.print(this, [this](QPagedPaintDevice& printer) {
        const std::unique_ptr<QTextDocument> doc = layOutOnPages(mapDocumentHtml(), printer);
        paintPages(*doc, printer);
    });
}

void RegisterMapWindow::saveReport()
{
    const QString path =
        askPath(m_config.name + QStringLiteral("_Report.html"), QStringLiteral("HTML File (*.html)"));
    if (path.isEmpty())
        return;
    guarded(m_prompter, m_session.messages, [&] { writeFileAtomically(path, reportHtml().toUtf8()); });
}

void RegisterMapWindow::saveReportPdf()
{
    const QString path = askPath(m_config.name + QStringLiteral("_Report.pdf"), QStringLiteral("PDF File (*.pdf)"));
    if (path.isEmpty())
        return;
    guarded(m_prompter, m_session.messages, [&] { writePdf(reportHtml(), path); });
}

} // namespace px
