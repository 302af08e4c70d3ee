#include "gui/check/register_map_window.h"

#include "core/check/check.h"
#include "core/config/general_parameters.h"
#include "core/services/browser.h"
#include "core/services/program_runner.h"
#include "gui/check/byte_strip_widget.h"
#include "gui/check/findings_dialog.h"
#include "gui/check/page_printer.h"
#include "gui/common/window_dialogs.h"
#include "gui/frames/define_mapping_dialog.h"
#include "gui/frames/receive_frames_dialogs.h"
#include "gui/shell/main_window.h"
#include "support/fake_prompter.h"
#include "support/temp_home.h"
#include "support/widget_lookup.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QBuffer>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPdfWriter>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>

#include <gtest/gtest.h>

namespace px {
namespace {

struct NoRunner final : ProgramRunner {
    Result run(const Request&, const Countdown&) override { return {Outcome::Ended, 0, false, {}}; }
        void cancel() override {}
    std::chrono::milliseconds waitLimit() const override { return std::chrono::seconds(150); }
};
struct NoBrowser final : Browser {
    void open(const QString&) override {}
};

// Acts on each modal window as it opens, one step per window in order. A modal window
// that opens late is waited for up to a deadline; then it is closed and the test fails.
class ModalScript {
public:
    using Step = std::function<void(QWidget* modal)>;
    explicit ModalScript(std::deque<Step> steps) : m_steps(std::move(steps))
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }
    ~ModalScript() { EXPECT_TRUE(m_steps.empty()) << m_steps.size() << " modal windows never opened"; }

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != m_last && !m_steps.empty()) {
            m_last = modal;
            const Step step = std::move(m_steps.front());
            m_steps.pop_front();
            step(modal);
            if (modal->isVisible())
                modal->close();
            m_deadline.setRemainingTime(10000);
        } else if (modal && m_deadline.hasExpired()) {
            ADD_FAILURE() << "modal window " << modal->objectName().toStdString() << " left open";
            modal->close();
        }
        if (!modal)
            m_last = nullptr;
    }

    std::deque<Step> m_steps;
    QTimer m_timer;
    QWidget* m_last = nullptr;
    QDeadlineTimer m_deadline{10000};
};

template <typename T>
T* child(QWidget* parent, const QString& name)
{
    return test::requireChild<T>(parent, name);
}

void doubleClickRow(QListWidget* list, int row)
{
    const QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

// The real main window with real findings dialog and frame editor; the update dialogs
// only record that they were asked for.
class UpdateCheckTest : public ::testing::Test {
protected:
    UpdateCheckTest()
    {
        home.activate(QStringLiteral("P"));
        dialogs.add(Window::ReceiveFramesDip, [this] { return receiveEditor.execShow(); }, {});
        dialogs.addRowShow(Window::ReceiveFramesDip, [this](int row) { return receiveEditor.execShowAt(row); });
        dialogs.add(Window::EthernetUpdate, [this] { updates << QStringLiteral("ethernet"); return false; }, {});
        dialogs.setFindingsReviewer([this](const std::vector<check::Finding>& f) { return findingsDialog.review(f); });
    }
    // A dip-switch configuration: frames 0x181 and `secondId`, each byte mapped once.
    void writeConfiguration(const char* secondId, bool mapSecond)
    {
        GeneralParameters general;
        general.deviceType = kDipSwitchDevice;
        home.write(QStringLiteral("PROJECTS/P/ParGen.xml"), generalParametersBytes(general));
        home.write(QStringLiteral("PROJECTS/P/RCobDef.xml"),
                   QByteArray("<COBID><row CobID=\"0x181\" CobType=\"2.0A (11 bits)\" Dimensin=\"2\" TimeOut_Time=\"100\" "
                              "TimeOut=\"Y\" RTR=\"N\" TimeRTR=\"\" DefaultValues=\"\" Mnemonic=\"A\"/>"
                              "<row CobID=\"")
                       + secondId
                       + "\" CobType=\"2.0A (11 bits)\" Dimensin=\"2\" TimeOut_Time=\"100\" TimeOut=\"Y\" RTR=\"N\" "
                         "TimeRTR=\"\" DefaultValues=\"\" Mnemonic=\"B\"/></COBID>");
        home.write(QStringLiteral("PROJECTS/P/RInfoCob.xml"),
                   mapSecond ? "<RInfoCob><row Index=\"1\" NrPdo=\"1\" PosComp=\"18\"/>"
                               "<row Index=\"2\" NrPdo=\"2\" PosComp=\"18\"/></RInfoCob>"
                             : "<RInfoCob><row Index=\"1\" NrPdo=\"1\" PosComp=\"18\"/></RInfoCob>");
    }
    QByteArray image() const { return home.read(QStringLiteral("PROJECTS/P/bin/bank2.bin")); }
    void clickUpdate() { QTest::mouseClick(child<QPushButton>(&window, QStringLiteral("updateDeviceButton")), Qt::LeftButton); }

    test::TempHome home;
    test::FakePrompter prompter;
    WindowDialogs dialogs{prompter};
    NoRunner runner;
    NoBrowser browser;
    MainWindow window{home.session, {prompter, dialogs, runner, browser}};
    ReceiveFramesDipDialog receiveEditor{home.session, prompter, &window};
    FindingsDialog findingsDialog{home.session.messages, &window};
    QStringList updates;
};

TEST_F(UpdateCheckTest, ErrorsStopTheUpdateAndLeadToTheRow)
{
    writeConfiguration("385", true);  // 385 is 0x181: the same identifier twice
    int editorRow = -1;
    {
        ModalScript script({
            // Enter presses Back, the default: nothing happens.
            [](QWidget* modal) {
                auto* back = child<QPushButton>(modal, QStringLiteral("backButton"));
                auto* go = child<QPushButton>(modal, QStringLiteral("continueButton"));
                EXPECT_TRUE(back->isDefault());
                EXPECT_FALSE(go->isDefault());
                EXPECT_FALSE(go->autoDefault());
                EXPECT_EQ(go->text(), QStringLiteral("Update anyway"));
                QTest::keyClick(modal, Qt::Key_Return);
            },
        });
        clickUpdate();
    }
    EXPECT_TRUE(updates.isEmpty());
    EXPECT_TRUE(image().isEmpty());
    {
        ModalScript script({
            [](QWidget* modal) {
                auto* list = child<QListWidget>(modal, QStringLiteral("findingsList"));
                ASSERT_EQ(list->count(), 1);
                EXPECT_TRUE(list->item(0)->text().startsWith(QStringLiteral("RCobDef.xml, Row 2: Another receive frame (row 1)")))
                    << list->item(0)->text().toStdString();
                doubleClickRow(list, 0);
            },
            [&](QWidget* modal) {
                EXPECT_EQ(modal, &receiveEditor);
                editorRow = receiveEditor.currentRow();
                receiveEditor.reject();
            },
        });
        clickUpdate();
    }
    EXPECT_EQ(editorRow, 2);
    EXPECT_TRUE(updates.isEmpty());
    EXPECT_TRUE(image().isEmpty());
    EXPECT_TRUE(prompter.errors.isEmpty()) << prompter.errors.join(u'\n').toStdString();

    // "Update anyway" is a deliberate click away.
    {
        ModalScript script({[](QWidget* modal) {
            QTest::mouseClick(child<QPushButton>(modal, QStringLiteral("continueButton")), Qt::LeftButton);
        }});
        clickUpdate();
    }
    EXPECT_EQ(updates, QStringList{QStringLiteral("ethernet")});
    EXPECT_EQ(image().size(), 73728);
}

TEST_F(UpdateCheckTest, WarningsOnlyContinueOnRequest)
{
    writeConfiguration("0x182", false);  // frame 2 is not mapped: a warning
    {
        ModalScript script({[](QWidget* modal) {
            auto* go = child<QPushButton>(modal, QStringLiteral("continueButton"));
            EXPECT_EQ(go->text(), QStringLiteral("Continue"));
            EXPECT_TRUE(go->isDefault());
            auto* list = child<QListWidget>(modal, QStringLiteral("findingsList"));
            EXPECT_EQ(list->count(), 1);
            QTest::mouseClick(go, Qt::LeftButton);
        }});
        clickUpdate();
    }
    EXPECT_EQ(updates, QStringList{QStringLiteral("ethernet")});
    EXPECT_EQ(image().size(), 73728);

    // Without any finding no dialog comes between the click and the update.
    writeConfiguration("0x182", true);
    updates.clear();
    clickUpdate();
    EXPECT_EQ(updates, QStringList{QStringLiteral("ethernet")});
}

TEST_F(UpdateCheckTest, ErrorsComeFirstAndLongFindingsWrap)
{
    // The check's order puts the warning (frame 1 unmapped, RCobDef.xml) before the error
    // (a mapping naming frame 9 of two, RInfoCob.xml), whose text is longer than the list is wide.
    writeConfiguration("0x182", false);
    home.write(QStringLiteral("PROJECTS/P/RInfoCob.xml"), "<RInfoCob><row Index=\"1\" NrPdo=\"2\" PosComp=\"18\"/>"
                                                          "<row Index=\"2\" NrPdo=\"9\" PosComp=\"18\"/></RInfoCob>");
    int editorRow = -1;
    {
        ModalScript script({
            [](QWidget* modal) {
                auto* list = child<QListWidget>(modal, QStringLiteral("findingsList"));
                ASSERT_EQ(list->count(), 2);
                EXPECT_TRUE(list->item(0)->text().startsWith(QStringLiteral("RInfoCob.xml, Row 2: Frame number 9")))
                    << list->item(0)->text().toStdString();
                EXPECT_TRUE(list->item(1)->text().startsWith(QStringLiteral("RCobDef.xml, Row 1: No data byte")))
                    << list->item(1)->text().toStdString();
                // Every line is shown whole within the list's width: wrapped, never cut
                // or pushed behind a horizontal scroll bar.
                const int width = list->viewport()->width();
                for (int i = 0; i < list->count(); ++i) {
                    const QRect shown = list->visualItemRect(list->item(i));
                    EXPECT_LE(shown.right(), width) << i;
                    const QRect needed = list->fontMetrics().boundingRect(QRect(0, 0, width, 10000),
                                                                         Qt::TextWordWrap, list->item(i)->text());
                    EXPECT_GE(shown.height(), needed.height()) << i;
                }
                EXPECT_GT(list->visualItemRect(list->item(0)).height(), 2 * list->fontMetrics().height());
                EXPECT_FALSE(list->horizontalScrollBar()->isVisible());
                // The second line shown is the warning: it leads to the frame's row.
                doubleClickRow(list, 1);
            },
            [&](QWidget* modal) {
                EXPECT_EQ(modal, &receiveEditor);
                editorRow = receiveEditor.currentRow();
                receiveEditor.reject();
            },
        });
        clickUpdate();
    }
    EXPECT_EQ(editorRow, 1);
    EXPECT_TRUE(updates.isEmpty());
}

TEST_F(UpdateCheckTest, FindingsWindowSpeaksTheLanguageOfItsLanguageFile)
{
    // Every text of the window comes from the message table: a language file changes them all.
    home.session.messages.applyLanguageText(QStringLiteral(
        "STR502 = Ein anderes Empfangstelegramm (Zeile %1) hat dieselbe Cob-ID %2\n"
        "STR534 = Zeile\nSTR532 = Fehler\nSTR568 = Pr\u00fcfung der Konfiguration\n"
        "STR569 = Die Pr\u00fcfung hat Fehler gefunden.\nSTR571 = Zur\u00fcck\nSTR572 = Trotzdem aktualisieren\n"
        "STR574 = Doppelklick auf einen Befund \u00f6ffnet seinen Editor\n"));
    writeConfiguration("385", true);
    ModalScript script({[](QWidget* modal) {
        EXPECT_EQ(modal->windowTitle(), QStringLiteral("Pr\u00fcfung der Konfiguration"));
        EXPECT_EQ(child<QLabel>(modal, QStringLiteral("findingsIntroLabel"))->text(), QStringLiteral("Die Pr\u00fcfung hat Fehler gefunden."));
        EXPECT_EQ(child<QLabel>(modal, QStringLiteral("findingsHintLabel"))->text(),
                  QStringLiteral("Doppelklick auf einen Befund \u00f6ffnet seinen Editor"));
        EXPECT_EQ(child<QPushButton>(modal, QStringLiteral("backButton"))->text(), QStringLiteral("Zur\u00fcck"));
        EXPECT_EQ(child<QPushButton>(modal, QStringLiteral("continueButton"))->text(), QStringLiteral("Trotzdem aktualisieren"));
        auto* list = child<QListWidget>(modal, QStringLiteral("findingsList"));
        ASSERT_EQ(list->count(), 1);
        EXPECT_EQ(list->item(0)->text(), QStringLiteral("RCobDef.xml, Zeile 2: Ein anderes Empfangstelegramm (Zeile 1) hat dieselbe Cob-ID 385"));
        EXPECT_EQ(list->item(0)->toolTip(), QStringLiteral("Fehler duplicate-identifier"));
    }});
    clickUpdate();
    EXPECT_TRUE(updates.isEmpty());
}

// The register map window over a copy of an example configuration.
// The printer the person chooses, as a PDF in memory; or no printer at all (cancelled).
struct PdfPrinter final : PagePrinter {
    bool print(QWidget* parent, const std::function<void(QPagedPaintDevice&)>& paint) override
    {
        parents << parent;
        if (cancel)
            return false;
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        paint(writer);
        return true;
    }
    bool cancel = false;
    QList<QWidget*> parents;
    QByteArray pdf;
};

class RegisterMapWindowTest : public ::testing::Test {
protected:
    void openExample(const QString& name)
    {
        home.activate(name);
        QDirIterator it(QStringLiteral(PX_EXAMPLES_DIR "/") + name, {QStringLiteral("*.xml")}, QDir::Files);
        while (it.hasNext()) {
            it.next();
            QFile f(it.filePath());
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            home.write(QStringLiteral("PROJECTS/") + name + u'/' + it.fileName(), f.readAll());
        }
        mapWindow.setSavePathAsker([this](const QString& suggested, const QString&) {
            suggestions << suggested;
            return savePath;
        });
        mapWindow.prepareShowing();
    }
    // The texts of a table column as the view shows them, top to bottom.
    QStringList column(QTableView* view, int col)
    {
        QStringList out;
        for (int r = 0; r < view->model()->rowCount(); ++r)
            out << view->model()->index(r, col).data().toString();
        return out;
    }

    test::TempHome home;
    test::FakePrompter prompter;
    PdfPrinter printer;
    RegisterMapWindow mapWindow{home.session, prompter, printer};
    QString savePath;
    QStringList suggestions;
};

TEST_F(RegisterMapWindowTest, FiltersSortsAndExportsTheCsv)
{
    openExample(QStringLiteral("PumpStation_Jumper"));
    mapWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&mapWindow));
    auto* table = child<QTableView>(&mapWindow, QStringLiteral("receiveRegisterTable"));
    EXPECT_EQ(column(table, 0),
              (QStringList{QStringLiteral("100"), QStringLiteral("101"), QStringLiteral("102"), QStringLiteral("103"),
                           QStringLiteral("110")}));

    // Sorting by the register column, descending: numbers, not texts.
    QHeaderView* header = table->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + header->sectionSize(0) / 2, header->height() / 2));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(column(table, 0).first(), QStringLiteral("110"));
    EXPECT_EQ(column(table, 0).last(), QStringLiteral("100"));

    // The filter looks at every column: "Pump 2" leaves the two registers of frame 2.
    QTest::keyClicks(child<QLineEdit>(&mapWindow, QStringLiteral("receiveFilterEdit")), QStringLiteral("pump 2"));
    EXPECT_EQ(column(table, 0), (QStringList{QStringLiteral("103"), QStringLiteral("102")}));
    EXPECT_EQ(column(table, 1), (QStringList{QStringLiteral("2"), QStringLiteral("2")}));

    savePath = home.file(QStringLiteral("map.csv"));
    QTest::mouseClick(child<QPushButton>(&mapWindow, QStringLiteral("exportCsvButton")), Qt::LeftButton);
    EXPECT_EQ(suggestions.value(0), home.file(QStringLiteral("PROJECTS/PumpStation_Jumper/RegisterMap.csv")));
    const QStringList lines = QString::fromUtf8(home.read(QStringLiteral("map.csv"))).split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 10);
    EXPECT_EQ(lines[0], QStringLiteral("Receive/Transmit;Register;Frame;Cob-ID;Type;Mnemonic;High Byte;Low Byte;Send on Write;"
                                       "Signal;Unit;Factor;Offset;Signed;Bit field;Data type;Address on the wire;PLC address"));
    EXPECT_EQ(lines[1], QStringLiteral("Receive;100;1;0x181;2.0A (11 bits);Pump 1 status;1;2;;;;;;;;16-bit;100;30101"));
    EXPECT_EQ(lines[5], QStringLiteral("Receive;110;3;0x183;2.0A (11 bits);Tank level;0;1;;;;;;;;8-bit;110;30111"));
    EXPECT_TRUE(lines.contains(QStringLiteral("Receive;1;0x181;2.0A (11 bits);Pump 1 status;100 H;100 L;101 H;101 L;"
                                              "unmapped;unmapped;unmapped;unmapped")))
        << lines.join(u'\n').toStdString();
    EXPECT_TRUE(prompter.errors.isEmpty());
    mapWindow.close();
}

TEST_F(RegisterMapWindowTest, ByteStripColoursEachRegistersBytes)
{
    openExample(QStringLiteral("PumpStation_Jumper"));
    auto* strip = child<ByteStripWidget>(&mapWindow, QStringLiteral("receiveByteStrip"));
    ASSERT_EQ(strip->frames().size(), 3u);
    strip->resize(strip->sizeHint());
    const QImage picture = strip->grab().toImage();
    const auto pixel = [&](int line, int byte) {
        return picture.pixelColor(strip->cellRect(line, byte).topLeft() + QPoint(4, 4));
    };
    EXPECT_EQ(pixel(0, 0), QColor(check::registerColour(QStringLiteral("100"))));
    EXPECT_EQ(pixel(0, 1), pixel(0, 0));                                            // 100 L
    EXPECT_EQ(pixel(0, 2), QColor(check::registerColour(QStringLiteral("101"))));  // 101 H
    EXPECT_NE(pixel(0, 2), pixel(0, 0));
    EXPECT_EQ(pixel(0, 4), QColor(Qt::white));                                      // unmapped
    EXPECT_EQ(pixel(2, 6), QColor(0xdd, 0xdd, 0xdd));                               // beyond 4 bytes
}

TEST_F(RegisterMapWindowTest, SavesAPdfWithPages)
{
    openExample(QStringLiteral("Faulty_Mapping"));
    EXPECT_EQ(check::errorCount(mapWindow.findings()), 10);
    savePath = home.file(QStringLiteral("map.pdf"));
    QTest::mouseClick(child<QPushButton>(&mapWindow, QStringLiteral("savePdfButton")), Qt::LeftButton);
    const QByteArray pdf = home.read(QStringLiteral("map.pdf"));
    EXPECT_TRUE(pdf.startsWith("%PDF-")) << pdf.left(16).toStdString();
    EXPECT_GE(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "), 1);
    EXPECT_TRUE(pdf.trimmed().endsWith("%%EOF"));

    savePath = home.file(QStringLiteral("report.pdf"));
    QTest::mouseClick(child<QPushButton>(&mapWindow, QStringLiteral("reportPdfButton")), Qt::LeftButton);
    EXPECT_TRUE(home.read(QStringLiteral("report.pdf")).startsWith("%PDF-"));
    savePath = home.file(QStringLiteral("report.html"));
    QTest::mouseClick(child<QPushButton>(&mapWindow, QStringLiteral("reportButton")), Qt::LeftButton);
    EXPECT_TRUE(home.read(QStringLiteral("report.html")).contains("<td>Faulty_Mapping</td>"));
    EXPECT_TRUE(prompter.errors.isEmpty()) << prompter.errors.join(u'\n').toStdString();
    // A cancelled file dialog writes nothing.
    savePath.clear();
    QFile::remove(home.file(QStringLiteral("map.pdf")));
    QTest::mouseClick(child<QPushButton>(&mapWindow, QStringLiteral("savePdfButton")), Qt::LeftButton);
    EXPECT_FALSE(QFile::exists(home.file(QStringLiteral("map.pdf"))));
}

TEST_F(RegisterMapWindowTest, PrintsTheMapOnThePrinterChosen)
{
    openExample(QStringLiteral("Faulty_Mapping"));
    printer.cancel = true;
    QTest::mouseClick(child<QPushButton>(&mapWindow, QStringLiteral("printButton")), Qt::LeftButton);
    EXPECT_EQ(printer.parents, QList<QWidget*>{&mapWindow});
    EXPECT_TRUE(printer.pdf.isEmpty());

    printer.cancel = false;
    QTest::mouseClick(child<QPushButton>(&mapWindow, QStringLiteral("printButton")), Qt::LeftButton);
    ASSERT_EQ(printer.parents.size(), 2);
    EXPECT_TRUE(printer.pdf.startsWith("%PDF-")) << printer.pdf.left(16).toStdString();
    // The same pages as the map's PDF file.
    savePath = home.file(QStringLiteral("map.pdf"));
    QTest::mouseClick(child<QPushButton>(&mapWindow, QStringLiteral("savePdfButton")), Qt::LeftButton);
    const auto pages = [](const QByteArray& pdf) { return pdf.count("/Type /Page\n") + pdf.count("/Type /Page "); };
    EXPECT_GE(pages(printer.pdf), 1);
    EXPECT_EQ(pages(printer.pdf), pages(home.read(QStringLiteral("map.pdf"))));
    EXPECT_TRUE(prompter.errors.isEmpty()) << prompter.errors.join(u'\n').toStdString();
}

TEST_F(RegisterMapWindowTest, DoubleClickingAFindingOpensItsEditorAndReloads)
{
    openExample(QStringLiteral("Faulty_Mapping"));
    std::vector<std::pair<check::Finding, int>> opened;
    mapWindow.setFindingOpener([&](const check::Finding& f, const config::Configuration& c) {
        opened.emplace_back(f, check::mappingEditorRow(c, config::Direction::Receive, f.row));
        // The editor corrects the file: the window shows the new state afterwards.
        home.write(QStringLiteral("PROJECTS/Faulty_Mapping/ParGen.xml"),
                   "<GeneralParameter><Device_Type>1</Device_Type><BaudRateCAN>8</BaudRateCAN></GeneralParameter>");
    });
    auto* list = child<QListWidget>(&mapWindow, QStringLiteral("findingsList"));
    const int before = list->count();
    int target = -1;
    for (int i = 0; i < before; ++i)
        if (list->item(i)->text().startsWith(QStringLiteral("RInfoCob.xml, Row 12:")) && target < 0)
            target = i;
    ASSERT_GE(target, 0);
    mapWindow.show();
    doubleClickRow(list, target);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].first.file, config::ConfigFile::ReceiveMappings);
    EXPECT_EQ(opened[0].first.row, 12);
    // ParGen.xml lost its three findings (address, gateway, bus load).
    EXPECT_EQ(list->count(), before - 3);
    mapWindow.close();
}

TEST_F(RegisterMapWindowTest, MappingEditorOpensTheMapWithItsUnsavedEntries)
{
    openExample(QStringLiteral("PumpStation_Jumper"));
    ReceiveMappingDialog editor(home.session, prompter);
    std::vector<config::MappingEntry> shown;
    config::SignalTable shownSignals;
    editor.setRegisterMapOpener([&](const std::vector<config::MappingEntry>& entries, const config::SignalTable& signalTable) {
        shown = entries;
        shownSignals = signalTable;
    });
    editor.reload();
    // A signal name given in the editor, not yet written.
    child<QListWidget>(&editor, QStringLiteral("frameList"))->setCurrentRow(2);
    child<QListWidget>(&editor, QStringLiteral("registerList"))->setCurrentRow(0);
    child<QLineEdit>(&editor, QStringLiteral("signalNameEdit"))->setText(QStringLiteral("TankLevel"));
    QTest::mouseClick(child<QPushButton>(&editor, QStringLiteral("modifyButton")), Qt::LeftButton);
    auto* button = child<QPushButton>(&editor, QStringLiteral("registerMapButton"));
    EXPECT_EQ(button->text(), QStringLiteral("Register Map"));
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(shown.size(), 5u);
    EXPECT_EQ(shown[4].registerIndex, QStringLiteral("110"));
    EXPECT_EQ(shown[4].frameNumber, 3);
    EXPECT_EQ(shown[4].lowByte, 1);

    // The map built from those entries, and a finding on them selects the entry in the editor.
    shown[4].highByte = 1;
    shown[4].lowByte = 1;  // the same byte twice: a warning on row 5
    bool selected = false;
    {
        ModalScript script({[&](QWidget* modal) {
            EXPECT_EQ(modal, &mapWindow);
            // The signal column shows the editor's signal name.
            EXPECT_EQ(column(child<QTableView>(modal, QStringLiteral("receiveRegisterTable")), 7).last(),
                      QStringLiteral("TankLevel"));
            auto* list = child<QListWidget>(modal, QStringLiteral("findingsList"));
            ASSERT_EQ(list->count(), 1);
            doubleClickRow(list, 0);
        }});
        mapWindow.execShowWithEntries(config::Direction::Receive, shown, shownSignals, [&](const check::Finding& f) {
            editor.showEntryRow(f.row);
            selected = true;
        });
    }
    EXPECT_TRUE(selected);
    EXPECT_EQ(child<QListWidget>(&editor, QStringLiteral("frameList"))->currentRow(), 2);
    EXPECT_EQ(child<QListWidget>(&editor, QStringLiteral("registerList"))->currentRow(), 0);
    EXPECT_EQ(child<QLineEdit>(&editor, QStringLiteral("registerIndexEdit"))->text(), QStringLiteral("110"));
    EXPECT_FALSE(QFile::exists(home.session.ws.configurationFolder + QStringLiteral("/Signals.xml")));
}

} // namespace
} // namespace px
