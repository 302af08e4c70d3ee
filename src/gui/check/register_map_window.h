#pragma once

#include "core/check/finding.h"
#include "core/check/register_map.h"
#include "core/config/configuration.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTabWidget;
class QTableView;

namespace px {

class ByteStripWidget;
class PagePrinter;
class Prompter;
class Session;
class TitleBand;

// The Register Map window: per direction a sortable, filterable read-only table of the
// mapped registers and the byte strips of the frames; beside them the check's findings,
// where a double-click opens the editor concerned at its row; Export (CSV, HTML), Print,
// Save as PDF, and the commissioning report (HTML, PDF).
class RegisterMapWindow final : public QDialog {
    Q_OBJECT
public:
    RegisterMapWindow(Session& session, Prompter& prompter, PagePrinter& printer, QWidget* parent = nullptr);

    void applyLanguage();
    // Reads the active configuration, checks it and fills the window. Throws px::Error
    // when a file cannot be read.
    void prepareShowing();
    bool execShow();
    // The same for a configuration given whole, e.g. with a mapping editor's entries that
    // are not written yet; `folder` is where its files and images are.
    void showConfiguration(config::Configuration config);
    // From a mapping editor: the files on disk with `direction`'s mapping replaced by
    // `entries` and the signal file by the editor's `signalTable`; a double-click on a
    // finding of that mapping calls `openInEditor` after the window closed, other findings
    // are to be opened from the main window.
    bool execShowWithEntries(config::Direction direction, std::vector<config::MappingEntry> entries,
                             config::SignalTable signalTable, std::function<void(const check::Finding&)> openInEditor);

    // Opens the editor of a finding (from the main window's Dialogs); the window reloads
    // afterwards, since the editor may have changed the files.
    void setFindingOpener(std::function<void(const check::Finding&, const config::Configuration&)> opener)
    {
        m_openFinding = std::move(opener);
    }
    // Asks where to save: a suggested path and a filter in, the chosen path out (empty:
    // cancelled). The default is the file dialog.
    void setSavePathAsker(std::function<QString(const QString& suggested, const QString& filter)> asker)
    {
        m_askSavePath = std::move(asker);
    }

    // The buttons' actions.
    void exportCsv();
    void exportHtml();
    void saveMapPdf();
    void printMap();
    void saveReport();
    void saveReportPdf();
    void openFinding(int index);

    const config::Configuration& configuration() const { return m_config; }
    const std::vector<check::Finding>& findings() const { return m_findings; }

private:
    struct Page;
    void fillPage(Page& page, const check::DirectionMap& map);
    QString mapDocumentHtml() const;
    QString reportHtml() const;
    QString askPath(const QString& fileName, const QString& filter);
    void writePdf(const QString& html, const QString& path);

    Session& m_session;
    Prompter& m_prompter;
    PagePrinter& m_printer;
    config::Configuration m_config;
    QString m_folder;
    // The signals of a mapping editor's showing; none: the signal file of m_folder.
    std::optional<config::SignalTable> m_givenSignals;
    config::SignalTable m_signalTable;
    std::vector<check::Finding> m_findings;
    check::RegisterMap m_map;
    std::function<void(const check::Finding&, const config::Configuration&)> m_openFinding;
    std::function<void(const check::Finding&)> m_openInEditor;
    config::Direction m_editorDirection = config::Direction::Receive;
    std::function<QString(const QString&, const QString&)> m_askSavePath;

    struct Page {
        QWidget* widget = nullptr;
        QLabel* filterLabel = nullptr;
        QLineEdit* filter = nullptr;
        QStandardItemModel* model = nullptr;
        QSortFilterProxyModel* proxy = nullptr;
        QTableView* table = nullptr;
        ByteStripWidget* strip = nullptr;
    };
    TitleBand* m_band = nullptr;
    QTabWidget* m_directionTabs = nullptr;
    Page m_pages[2];
    QLabel* m_findingsLabel = nullptr;
    QListWidget* m_findingsList = nullptr;
    QLabel* m_statusLabel = nullptr;
    QPushButton* m_exportCsvButton = nullptr;
    QPushButton* m_exportHtmlButton = nullptr;
    QPushButton* m_printButton = nullptr;
    QPushButton* m_savePdfButton = nullptr;
    QPushButton* m_reportButton = nullptr;
    QPushButton* m_reportPdfButton = nullptr;
    QPushButton* m_closeButton = nullptr;
};

} // namespace px
