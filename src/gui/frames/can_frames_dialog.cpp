#include "gui/frames/can_frames_dialog.h"

#include "core/base/error.h"
#include "core/lang/english_texts.h"
#include "core/shell/session.h"
#include "core/tables/row_operations.h"
#include "gui/common/grid_model.h"
#include "gui/common/grid_view.h"
#include "gui/common/guard.h"
#include "gui/common/snapshot_undo.h"
#include "gui/common/title_band.h"
#include "gui/exchange/frame_exchange.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace px {

namespace {

// Every data cell, row by row, to tell whether the table changed since it was shown.
QStringList dataCells(const TextGrid& g)
{
    QStringList cells;
    for (int r = 1; r < g.rowCount(); ++r) {
        for (int c = 1; c < g.colCount(); ++c)
            cells << g.cell(r, c);
    }
    return cells;
}

} // namespace

// The message index of each caption and question of one editor.
struct CanFramesDialog::Captions {
    int title;
    int description;
    int ok;
    int cancel;
    int deleteRow;
    int insertRow;
    int deleteQuestion;
    int copyRow;   // 0: the editor has no Copy Row and Paste Row
    int pasteRow;
};

const CanFramesDialog::Captions& CanFramesDialog::captions() const
{
    static const Captions receiveJumper{124, 125, 126, 127, 128, 129, 139, 0, 0};
    static const Captions receiveDip{140, 141, 142, 143, 144, 145, 158, 482, 483};
    static const Captions transmitJumper{182, 183, 184, 185, 186, 187, 196, 0, 0};
    static const Captions transmitDip{197, 198, 199, 200, 201, 202, 218, 487, 488};
    switch (m_kind) {
    case FrameListKind::ReceiveJumper:
        return receiveJumper;
    case FrameListKind::ReceiveDip:
        return receiveDip;
    case FrameListKind::TransmitJumper:
        return transmitJumper;
    case FrameListKind::TransmitDip:
        break;
    }
    return transmitDip;
}

CanFramesDialog::CanFramesDialog(FrameListKind kind, Session& session, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_kind(kind), m_session(session), m_prompter(prompter)
{
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 8);
    m_band = new TitleBand(QStringLiteral("L_SW_Desc"), this);
    top->addWidget(m_band);

    m_model = new GridModel(this);
    m_model->setGrid(makeFrameGrid(kind, session.messages));
    StringGrid1 = new GridView(this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setGridModel(m_model);
    const int typeColumn = frameListLayout(kind).typeColumn;
    if (typeColumn > 0)
        StringGrid1->setComboColumn(typeColumn, {kCobType11, kCobType29});
    auto* body = new QVBoxLayout;
    body->setContentsMargins(8, 8, 8, 0);
    body->addWidget(StringGrid1, 1);

    const auto button = [this](const char* name) {
        auto* b = new QPushButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    // Made in the order they stand, which is the order Tab visits them.
    Btn_DeleteRow = button("Btn_DeleteRow");
    Btn_InsertRow = button("Btn_InsertRow");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Btn_DeleteRow);
    buttons->addWidget(Btn_InsertRow);
    if (isDipSwitch()) {
        Btn_CopyRow = button("Btn_CopyRow");
        Btn_PasteRow = button("Btn_PasteRow");
        buttons->addWidget(Btn_CopyRow);
        buttons->addWidget(Btn_PasteRow);
        connect(Btn_CopyRow, &QPushButton::clicked, this, &CanFramesDialog::Btn_CopyRowClick);
        connect(Btn_PasteRow, &QPushButton::clicked, this, &CanFramesDialog::Btn_PasteRowClick);
    }
    Btn_Undo = button("Btn_Undo");
    Btn_Redo = button("Btn_Redo");
    buttons->addWidget(Btn_Undo);
    buttons->addWidget(Btn_Redo);
    // Import... and Export DBC...: frames of a CAN database or a capture, and the other way.
    auto* exchangeBar = new FrameExchangeBar(kind == FrameListKind::ReceiveJumper || kind == FrameListKind::ReceiveDip, m_session, m_prompter, this);
    buttons->addWidget(exchangeBar);
    connect(exchangeBar, &FrameExchangeBar::importRequested, this, &CanFramesDialog::Btn_ImportFramesClick);
    Btn_OK = button("Btn_OK");
    Btn_Cancel = button("Btn_Cancel");
    buttons->addStretch(1);
    buttons->addWidget(Btn_OK);
    buttons->addWidget(Btn_Cancel);
    body->addLayout(buttons);
    top->addLayout(body, 1);

    connect(Btn_OK, &QPushButton::clicked, this, &CanFramesDialog::accept);
    connect(Btn_Cancel, &QPushButton::clicked, this, &CanFramesDialog::Btn_CancelClick);
    connect(Btn_DeleteRow, &QPushButton::clicked, this, &CanFramesDialog::Btn_DeleteRowClick);
    connect(Btn_InsertRow, &QPushButton::clicked, this, &CanFramesDialog::Btn_InsertRowClick);

    // Every change of a data cell, typed, toggled or made by a row button, is one step.
    m_undoStack = new QUndoStack(this);
    m_history = std::make_unique<SnapshotHistory<QStringList>>(
        m_undoStack, [this] { return dataCells(m_model->grid()); },
        [this](const QStringList& cells) { restoreCells(cells); });
    m_history->reset();
    connect(m_model, &QAbstractItemModel::dataChanged, this, [this] { m_history->record(); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { m_history->record(); });
    // An edit still open is finished first, so that it is a step of its own.
    connectUndoControls(this, m_undoStack, Btn_Undo, Btn_Redo, [this] { StringGrid1->commitEdit(); });

    for (int c = 1; c < m_model->columnCount(); ++c)
        StringGrid1->setColumnWidth(c, m_model->grid().isCheckBoxColumn(c) ? 70 : 110);
    StringGrid1->horizontalHeader()->setStretchLastSection(true);
    resize(isDipSwitch() ? 1020 : 640, 520);
    Set_Lang();
}

CanFramesDialog::~CanFramesDialog() = default;

void CanFramesDialog::restoreCells(const QStringList& cells)
{
    TextGrid& g = m_model->grid();
    qsizetype i = 0;
    for (int r = 1; r < g.rowCount(); ++r) {
        for (int c = 1; c < g.colCount(); ++c)
            g.setCell(r, c, cells.value(i++));
    }
    m_model->refresh();
}

bool CanFramesDialog::isDipSwitch() const
{
    return m_kind == FrameListKind::ReceiveDip || m_kind == FrameListKind::TransmitDip;
}

QString CanFramesDialog::framePath() const
{
    const bool receive = m_kind == FrameListKind::ReceiveJumper || m_kind == FrameListKind::ReceiveDip;
    return receive ? m_session.ws.File_RCobDef : m_session.ws.File_TCobDef;
}

const TextGrid& CanFramesDialog::grid() const
{
    return m_model->grid();
}

void CanFramesDialog::Set_Lang()
{
    const MessageTable& m = m_session.messages;
    const Captions& c = captions();
    setWindowTitle(m[c.title]);
    m_band->descriptionLabel()->setText(m[c.description]);
    Btn_OK->setText(m[c.ok]);
    Btn_Cancel->setText(m[c.cancel]);
    Btn_DeleteRow->setText(m[c.deleteRow]);
    Btn_InsertRow->setText(m[c.insertRow]);
    if (Btn_CopyRow) {
        Btn_CopyRow->setText(m[c.copyRow]);
        Btn_PasteRow->setText(m[c.pasteRow]);
    }
    Btn_Undo->setText(m[msg::kUndo]);
    Btn_Redo->setText(m[msg::kRedo]);
    TextGrid& g = m_model->grid();
    const std::vector<int>& titles = frameListLayout(m_kind).titleMessages;
    for (int col = 0; col < static_cast<int>(titles.size()); ++col)
        g.setCell(0, col, m[titles[static_cast<std::size_t>(col)]]);
    m_model->refresh();
}

void CanFramesDialog::FormShow()
{
    // A cell editor left open when the dialog was last closed holds a discarded edit: it
    // must not reach the reloaded table.
    StringGrid1->discardEdit();
    TextGrid& g = m_model->grid();
    g.clearData();
    Do_Copy = false;
    m_loadIncomplete = false;
    StringGrid1->setCurrentCell(1, 1);
    try {
        if (!isDipSwitch())
            readFrameParGen(m_session.ws.File_ParGen, parGen);
        loadFrameList(m_kind, framePath(), g);
    } catch (const Error& e) {
        m_loadIncomplete = true;
        m_model->refresh();
        m_shownCells = dataCells(g);
        m_history->reset();
        throw Error(e.text() + backupNotice(framePath()));
    }
    m_model->refresh();
    m_shownCells = dataCells(g);
    m_history->reset();
}

bool CanFramesDialog::hasChanges() const
{
    return dataCells(m_model->grid()) != m_shownCells;
}

void CanFramesDialog::Btn_CancelClick()
{
    // Text typed into a cell still being edited is a change too.
    StringGrid1->commitEdit();
    if (hasChanges() && !m_prompter.yesNo(m_session.messages[123]))
        return;
    reject();
}

bool CanFramesDialog::execShow()
{
    guarded(m_prompter, [this] { FormShow(); });
    return exec() == QDialog::Accepted;
}

bool CanFramesDialog::execShowAt(int row)
{
    guarded(m_prompter, [this] { FormShow(); });
    showRow(row);
    return exec() == QDialog::Accepted;
}

void CanFramesDialog::showRow(int row)
{
    if (row < 1 || row >= m_model->grid().rowCount())
        return;
    StringGrid1->setCurrentCell(row, 1);
    StringGrid1->scrollTo(StringGrid1->currentIndex());
}

int CanFramesDialog::currentRow() const
{
    const QModelIndex index = StringGrid1->currentIndex();
    return index.isValid() ? GridModel::gridRow(index) : 0;
}

void CanFramesDialog::accept()
{
    // A cell still being edited belongs to the table that is checked.
    StringGrid1->commitEdit();
    const TextGrid& g = m_model->grid();
    if (const std::optional<RowFault> fault = Controllo_dati(m_kind, g, parGen.CAN_Type)) {
        m_prompter.error(faultText(m_session.messages, *fault));
        StringGrid1->setCurrentCell(fault->row, 1);
        return;
    }
    const bool saved = guarded(m_prompter, [this, &g] {
        // The file could not be read whole in this showing: keep it before replacing it
        // with what the table holds.
        if (m_loadIncomplete)
            keepBackup(framePath());
        saveFrameList(m_kind, g, parGen, framePath());
    });
    if (!saved)
        return;
    m_loadIncomplete = false;
    QDialog::accept();
}

void CanFramesDialog::keyPressEvent(QKeyEvent* event)
{
    // Escape is Cancel, with its question after a change. An Escape inside a cell editor
    // only ends that edit and never comes here.
    if (event->matches(QKeySequence::Cancel)) {
        Btn_CancelClick();
        return;
    }
    // The buttons are no default buttons, so that Enter in the table never presses OK;
    // Enter still presses the button that has the focus.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget()); focused && focused->parent() == this) {
            focused->click();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void CanFramesDialog::Btn_DeleteRowClick()
{
    const int row = StringGrid1->currentGridRow();
    if (!m_prompter.yesNo(m_session.messages[captions().deleteQuestion] + QString::number(row)))
        return;
    Delete_Row(row, m_model->grid());
    m_model->refresh();
}

void CanFramesDialog::Btn_InsertRowClick()
{
    Insert_Row(StringGrid1->currentGridRow(), m_model->grid(), false);
    m_model->refresh();
}

void CanFramesDialog::Btn_CopyRowClick()
{
    Copy_Row(m_model->grid(), StringGrid1->currentGridRow(), m_session.clipboard);
    Do_Copy = true;
}

void CanFramesDialog::Btn_PasteRowClick()
{
    if (Paste_Row(m_model->grid(), StringGrid1->currentGridRow(), Do_Copy, m_session.clipboard, m_prompter,
                  m_session.messages))
        m_model->refresh();
}

void CanFramesDialog::Btn_ImportFramesClick()
{
    // A cell still being edited belongs to the table that is checked and saved with the import.
    StringGrid1->commitEdit();
    const bool imported =
        importIntoFrameList(m_kind, m_model->grid(), parGen, m_loadIncomplete, m_session, m_prompter, this);
    if (imported)
        m_loadIncomplete = false;
    m_model->refresh();
    // The import wrote the frame file and the mapping file: the table's earlier steps are
    // in those files now and cannot be undone in the table alone.
    if (imported)
        m_history->reset();
}

} // namespace px
