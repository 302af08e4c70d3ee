#include "gui/frames/can_frames_dialog.h"

#include "core/base/error.h"
#include "core/lang/english_texts.h"
#include "core/lang/message_ids.h"
#include "core/shell/session.h"
#include "gui/common/flow_layout.h"
#include "gui/common/grid_view.h"
#include "gui/common/guard.h"
#include "gui/common/snapshot_undo.h"
#include "gui/common/title_band.h"
#include "gui/exchange/frame_exchange.h"
#include "gui/frames/frame_table_model.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace px {

namespace {
constexpr int kNoButton = -1;
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
    int copyRow;   // kNoButton: the editor has no Copy Row and Paste Row
    int pasteRow;
};

const CanFramesDialog::Captions& CanFramesDialog::captions() const
{
    static const Captions receiveJumper{
        msg::kReceiveJumperTitle,
        msg::kReceiveJumperDescription,
        msg::kReceiveJumperOk,
        msg::kReceiveJumperCancel,
        msg::kReceiveJumperDeleteRow,
        msg::kReceiveJumperInsertRow,
        msg::kReceiveJumperDeleteQuestion,
        kNoButton,
        kNoButton
    };
    static const Captions receiveDip{
        msg::kReceiveDipTitle,
        msg::kReceiveDipDescription,
        msg::kReceiveDipOk,
        msg::kReceiveDipCancel,
        msg::kReceiveDipDeleteRow,
        msg::kReceiveDipInsertRow,
        msg::kReceiveDipDeleteQuestion,
        msg::kReceiveDipCopyRow,
        msg::kReceiveDipPasteRow
    };
    static const Captions transmitJumper{
        msg::kTransmitJumperTitle,
        msg::kTransmitJumperDescription,
        msg::kTransmitJumperOk,
        msg::kTransmitJumperCancel,
        msg::kTransmitJumperDeleteRow,
        msg::kTransmitJumperInsertRow,
        msg::kTransmitJumperDeleteQuestion,
        kNoButton,
        kNoButton
    };
    static const Captions transmitDip{
        msg::kTransmitDipTitle,
        msg::kTransmitDipDescription,
        msg::kTransmitDipOk,
        msg::kTransmitDipCancel,
        msg::kTransmitDipDeleteRow,
        msg::kTransmitDipInsertRow,
        msg::kTransmitDipDeleteQuestion,
        msg::kTransmitDipCopyRow,
        msg::kTransmitDipPasteRow
    };
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
    : QDialog(parent), m_kind(kind), m_session(session), m_prompter(prompter), m_shown(kind)
{
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 8);
    m_band = new TitleBand(QStringLiteral("L_SW_Desc"), this);
    top->addWidget(m_band);

    m_model = new FrameTableModel(kind, this);
    m_table = new GridView(this);
    m_table->setObjectName(QStringLiteral("StringGrid1"));
    m_table->setTableModel(m_model);
    if (const int typeColumn = m_model->frames().columnIndex(FrameColumn::Type); typeColumn >= 0)
        m_table->setComboColumn(typeColumn, {kCobType11, kCobType29});
    auto* body = new QVBoxLayout;
    body->setContentsMargins(8, 8, 8, 0);
    body->addWidget(m_table, 1);

    const auto button = [this](const char* name) {
        auto* b = new QPushButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    // Made in the order they stand, which is the order Tab visits them.
    m_deleteRowButton = button("Btn_DeleteRow");
    m_insertRowButton = button("Btn_InsertRow");
    // The row buttons take a second row where the window is narrower than all of them (a
    // large scale, long texts); OK and Cancel stay at the right.
    auto* rowButtons = new QWidget(this);
    auto* flow = new FlowLayout(rowButtons);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(rowButtons, 1);
    flow->addWidget(m_deleteRowButton);
    flow->addWidget(m_insertRowButton);
    if (isDipSwitchList(kind)) {
        m_copyRowButton = button("Btn_CopyRow");
        m_pasteRowButton = button("Btn_PasteRow");
        flow->addWidget(m_copyRowButton);
        flow->addWidget(m_pasteRowButton);
        connect(m_copyRowButton, &QPushButton::clicked, this, &CanFramesDialog::copyRow);
        connect(m_pasteRowButton, &QPushButton::clicked, this, &CanFramesDialog::pasteRow);
    }
    m_undoButton = button("Btn_Undo");
    m_redoButton = button("Btn_Redo");
    flow->addWidget(m_undoButton);
    flow->addWidget(m_redoButton);
    // Import... and Export DBC...: frames of a CAN database or a capture, and the other way.
    auto* exchangeBar = new FrameExchangeBar(isReceiveList(kind), m_session, m_prompter, this);
    flow->addWidget(exchangeBar);
    connect(exchangeBar, &FrameExchangeBar::importRequested, this, &CanFramesDialog::importFrames);
    m_okButton = button("Btn_OK");
    m_cancelButton = button("Btn_Cancel");
    buttons->addWidget(m_okButton, 0, Qt::AlignBottom);
    buttons->addWidget(m_cancelButton, 0, Qt::AlignBottom);
    body->addLayout(buttons);
    top->addLayout(body, 1);

    connect(m_okButton, &QPushButton::clicked, this, &CanFramesDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &CanFramesDialog::cancel);
    connect(m_deleteRowButton, &QPushButton::clicked, this, &CanFramesDialog::deleteRow);
    connect(m_insertRowButton, &QPushButton::clicked, this, &CanFramesDialog::insertRow);

    // Every change of the rows, typed, toggled or made by a row button, is one step.
    m_undoStack = new QUndoStack(this);
    m_history = std::make_unique<SnapshotHistory<FrameList>>(
        m_undoStack, [this] { return m_model->frames(); }, [this](const FrameList& rows) { m_model->setFrames(rows); });
    m_history->reset();
    connect(m_model, &QAbstractItemModel::dataChanged, this, [this] { m_history->record(); });
    // An edit still open is finished first, so that it is a step of its own.
    connectUndoControls(this, m_undoStack, m_undoButton, m_redoButton, [this] { m_table->commitEdit(); });

    for (int c = 0; c < m_model->columnCount(); ++c)
        m_table->setColumnWidth(c, isCheckBoxColumn(m_model->frameColumn(c)) ? 70 : 110);
    m_table->horizontalHeader()->setStretchLastSection(true);
    applyLanguage();
    // Wide enough for the buttons with their texts in one row where the screen allows it.
    resize(QSize(isDipSwitchList(kind) ? 1020 : 640, 520).expandedTo(sizeHint()));
}

CanFramesDialog::~CanFramesDialog() = default;

QString CanFramesDialog::framePath() const
{
    return isReceiveList(m_kind) ? m_session.ws.receiveFramesFile : m_session.ws.transmitFramesFile;
}

const FrameList& CanFramesDialog::frames() const
{
    return m_model->frames();
}

int CanFramesDialog::tableRow() const
{
    return m_table->currentRow();
}

void CanFramesDialog::applyLanguage()
{
    const MessageTable& m = m_session.messages;
    const Captions& c = captions();
    setWindowTitle(m[c.title]);
    m_band->descriptionLabel()->setText(m[c.description]);
    m_okButton->setText(m[c.ok]);
    m_cancelButton->setText(m[c.cancel]);
    m_deleteRowButton->setText(m[c.deleteRow]);
    m_insertRowButton->setText(m[c.insertRow]);
    if (m_copyRowButton) {
        m_copyRowButton->setText(m[c.copyRow]);
        m_pasteRowButton->setText(m[c.pasteRow]);
    }
    m_undoButton->setText(m[msg::kUndo]);
    m_redoButton->setText(m[msg::kRedo]);
    m_model->setTitles(m);
}

void CanFramesDialog::reloaded()
{
    m_table->setCurrentCell(0, 0);
    m_shown = m_model->frames();
    m_history->reset();
}

void CanFramesDialog::reload()
{
    // A cell editor left open when the dialog was last closed holds a discarded edit: it
    // must not reach the reloaded table.
    m_table->discardEdit();
    FrameList rows(m_kind);
    m_rowCopied = false;
    m_loadIncomplete = false;
    try {
        if (!isDipSwitchList(m_kind))
            readCanSettings(m_session.ws.generalParametersFile, m_canSettings);
        loadFrameList(framePath(), rows);
    } catch (const Error& e) {
        m_loadIncomplete = true;
        m_model->setFrames(std::move(rows));
        reloaded();
        throw Error(e.text() + backupNotice(framePath()));
    }
    m_model->setFrames(std::move(rows));
    reloaded();
}

bool CanFramesDialog::hasChanges() const
{
    return m_model->frames() != m_shown;
}

void CanFramesDialog::cancel()
{
    // Text typed into a cell still being edited is a change too.
    m_table->commitEdit();
    if (hasChanges() && !m_prompter.yesNo(m_session.messages[msg::kExitWithoutSavingQuestion]))
        return;
    reject();
}

bool CanFramesDialog::execShow()
{
    guarded(m_prompter, [this] { reload(); });
    return exec() == QDialog::Accepted;
}

bool CanFramesDialog::execShowAt(int row)
{
    guarded(m_prompter, [this] { reload(); });
    showRow(row);
    return exec() == QDialog::Accepted;
}

void CanFramesDialog::showRow(int row)
{
    if (row < 1 || row > m_model->rowCount())
        return;
    m_table->setCurrentCell(row - 1, 0);
    m_table->scrollTo(m_table->currentIndex());
}

int CanFramesDialog::currentRow() const
{
    const QModelIndex index = m_table->currentIndex();
    return index.isValid() ? index.row() + 1 : 0;
}

void CanFramesDialog::accept()
{
    // A cell still being edited belongs to the table that is checked.
    m_table->commitEdit();
    const FrameList& rows = m_model->frames();
    if (const std::optional<FrameFault> fault = validateFrameList(rows, m_canSettings.canType)) {
        m_prompter.error(faultText(m_session.messages, m_kind, *fault));
        m_table->setCurrentCell(fault->row, 0);
        return;
    }
    const bool saved = guarded(m_prompter, [this, &rows] {
        // The file could not be read whole in this showing: keep it before replacing it
        // with what the table holds.
        if (m_loadIncomplete)
            keepBackup(framePath());
        saveFrameList(rows, m_canSettings, framePath());
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
        cancel();
        return;
    }
    // The buttons are no default buttons, so that Enter in the table never presses OK;
    // Enter still presses the button that has the focus.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget()); focused && isAncestorOf(focused)) {
            focused->click();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void CanFramesDialog::deleteRow()
{
    const int row = tableRow();
    if (!m_prompter.yesNo(m_session.messages[captions().deleteQuestion] + QString::number(row + 1)))
        return;
    m_model->removeFrameRow(row);
}

void CanFramesDialog::insertRow()
{
    m_model->insertEmptyFrameRow(tableRow());
}

void CanFramesDialog::copyRow()
{
    m_session.clipboard.texts = m_model->frames().rowTexts(tableRow());
    m_rowCopied = true;
}

void CanFramesDialog::pasteRow()
{
    m_model->pasteRow(tableRow(), m_rowCopied, m_session.clipboard, m_prompter, m_session.messages);
}

void CanFramesDialog::importFrames()
{
    // A cell still being edited belongs to the table that is checked and saved with the import.
    m_table->commitEdit();
    FrameList rows = m_model->frames();
    const bool imported = importIntoFrameList(rows, m_canSettings, m_loadIncomplete, m_session, m_prompter, this);
    if (imported)
        m_loadIncomplete = false;
    m_model->setFrames(std::move(rows));
    // The import wrote the frame file and the mapping file: the table's earlier steps are
    // in those files now and cannot be undone in the table alone.
    if (imported)
        m_history->reset();
}

} // namespace px
