#include "gui/frames/can_frames_dialog.h"

#include "core/base/error.h"
#include "core/lang/english_texts.h"
#include "core/lang/message_ids.h"
#include "core/services/prompter.h"
#include "core/shell/session.h"
#include "gui/common/flow_layout.h"
#include "gui/common/grid_view.h"
#include "gui/common/guard.h"
#include "gui/common/save_edit.h"
#include "gui/common/snapshot_undo.h"
#include "gui/common/title_band.h"
#include "gui/exchange/frame_exchange.h"
#include "gui/frames/frame_table_model.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
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
    m_band = new TitleBand(QStringLiteral("descriptionLabel"), this);
    top->addWidget(m_band);

    m_model = new FrameTableModel(kind, this);
    m_table = new GridView(this);
    m_table->setObjectName(QStringLiteral("frameTable"));
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
    m_deleteRowButton = button("deleteRowButton");
    m_insertRowButton = button("insertRowButton");
    // The row buttons take a second row where the window is narrower than all of them (a
    // large scale, long texts); OK and Cancel stay at the right.
    auto* rowButtons = new QWidget(this);
    auto* flow = new FlowLayout(rowButtons);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(rowButtons, 1);
    flow->addWidget(m_deleteRowButton);
    flow->addWidget(m_insertRowButton);
    if (isDipSwitchList(kind)) {
        m_copyRowButton = button("copyRowButton");
        m_pasteRowButton = button("pasteRowButton");
        flow->addWidget(m_copyRowButton);
        flow->addWidget(m_pasteRowButton);
        connect(m_copyRowButton, &QPushButton::clicked, this, &CanFramesDialog::copyRow);
        connect(m_pasteRowButton, &QPushButton::clicked, this, &CanFramesDialog::pasteRow);
    }
    m_moveUpButton = button("moveUpButton");
    m_moveDownButton = button("moveDownButton");
    for (const auto& [keys, by] : {std::pair{QKeySequence(Qt::CTRL | Qt::Key_Up), -1},
                                   std::pair{QKeySequence(Qt::CTRL | Qt::Key_Down), 1}}) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, by = by] { moveRow(by); });
    }
    flow->addWidget(m_moveUpButton);
    flow->addWidget(m_moveDownButton);
    connect(m_moveUpButton, &QPushButton::clicked, this, &CanFramesDialog::moveRowUp);
    connect(m_moveDownButton, &QPushButton::clicked, this, &CanFramesDialog::moveRowDown);
    m_undoButton = button("undoButton");
    m_redoButton = button("redoButton");
    flow->addWidget(m_undoButton);
    flow->addWidget(m_redoButton);
    // Import... and Export DBC...: frames of a CAN database or a capture, and the other way.
    auto* exchangeBar = new FrameExchangeBar(isReceiveList(kind), m_session, m_prompter, this);
    flow->addWidget(exchangeBar);
    connect(exchangeBar, &FrameExchangeBar::importRequested, this, &CanFramesDialog::importFrames);
    m_okButton = button("okButton");
    m_cancelButton = button("cancelButton");
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
    m_moveUpButton->setText(m[msg::kMoveUp]);
    m_moveDownButton->setText(m[msg::kMoveDown]);
    m_moveUpButton->setAccessibleName(m[msg::kMoveUp]);
    m_moveDownButton->setAccessibleName(m[msg::kMoveDown]);
    m_undoButton->setText(m[msg::kUndo]);
    m_redoButton->setText(m[msg::kRedo]);
    m_model->setTitles(m);
}

void CanFramesDialog::reloaded()
{
    m_table->setCurrentCell(0, 0);
    m_shown = m_model->frames();
    m_confirmedDeletions.clear();
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
        const config::ConfigurationDocument& document = m_session.activeDocument();
        if (!isDipSwitchList(m_kind))
            m_canSettings = canSettingsOf(document, m_canSettings);
        loadFrameListFromDocument(document, rows);
    } catch (const Error& e) {
        m_loadIncomplete = true;
        m_model->setFrames(std::move(rows));
        reloaded();
        if (const std::optional<Message> notice = backupNotice(framePath()))
            throw Error(msg::kTwoLines, {e, *notice});
        throw;
    }
    m_model->setFrames(std::move(rows));
    reloaded();
}

bool CanFramesDialog::hasChanges() const
{
    return m_model->frames() != m_shown;
}

bool CanFramesDialog::mayDiscard()
{
    // Text typed into a cell still being edited is a change too.
    m_table->commitEdit();
    return !hasChanges() || m_prompter.yesNo(m_session.messages[msg::kExitWithoutSavingQuestion]);
}

void CanFramesDialog::cancel()
{
    if (mayDiscard())
        reject();
}

void CanFramesDialog::closeEvent(QCloseEvent* event)
{
    // The close box is Cancel.
    if (!mayDiscard()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

bool CanFramesDialog::execShow()
{
    guarded(m_prompter, m_session.messages, [this] { reload(); });
    return exec() == QDialog::Accepted;
}

bool CanFramesDialog::execShowAt(int row)
{
    guarded(m_prompter, m_session.messages, [this] { reload(); });
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

bool CanFramesDialog::confirmRegistersLeftOut()
{
    const config::Direction direction = isReceiveList(m_kind) ? config::Direction::Receive : config::Direction::Transmit;
    std::vector<config::FrameKey> kept = m_model->frames().frameKeys();
    // Those Delete Row asked about count as kept here: they were confirmed then.
    kept.insert(kept.end(), m_confirmedDeletions.begin(), m_confirmedDeletions.end());
    const QStringList registers = m_session.document.registersOfRemovedFrames(direction, kept);
    if (registers.isEmpty())
        return true;
    return m_prompter.yesNo(m_session.messages[msg::kFramesLeftOutWithRegisters].arg(registers.join(QStringLiteral(", "))));
}

void CanFramesDialog::accept()
{
    // A cell still being edited belongs to the table that is checked.
    m_table->commitEdit();
    const FrameList rows = m_model->frames();
    if (const std::optional<FrameFault> fault = validateFrameList(rows, m_canSettings.canType)) {
        m_prompter.error(faultText(m_session.messages, m_kind, *fault));
        // The faulty cell itself is current and has the focus: typing corrects it.
        m_table->setCurrentCell(fault->row, std::max(0, rows.columnIndex(fault->column)));
        m_table->scrollTo(m_table->currentIndex());
        m_table->setFocus();
        return;
    }
    if (!confirmRegistersLeftOut())
        return;
    const SaveOutcome outcome = saveEdit(m_session, m_prompter, [this, &rows](config::ConfigurationDocument& document) {
        // The file could not be read whole in this showing: keep it before replacing it
        // with what the table holds.
        if (m_loadIncomplete)
            keepBackup(framePath());
        const GeneralParameters writtenAs = frameListWriter(rows, m_canSettings);
        if (isReceiveList(m_kind))
            return document.setReceiveFrames(rows.receiveFrames(), rows.frameKeys(), writtenAs);
        return document.setTransmitFrames(rows.transmitFrames(), rows.frameKeys(), writtenAs);
    });
    switch (outcome) {
    case SaveOutcome::Back:
        return;
    case SaveOutcome::Reloaded:
        guarded(m_prompter, m_session.messages, [this] { reload(); });
        return;
    case SaveOutcome::Saved:
        break;
    }
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
    const config::Direction direction = isReceiveList(m_kind) ? config::Direction::Receive : config::Direction::Transmit;
    const config::FrameKey key = m_model->frames().key(row);
    const QStringList registers = m_session.document.registersOf(direction, key);
    const MessageTable& m = m_session.messages;
    const QString question = registers.isEmpty()
                                 ? m[captions().deleteQuestion] + QString::number(row + 1)
                                 : m[msg::kDeleteFrameWithRegisters].arg(row + 1).arg(registers.join(QStringLiteral(", ")));
    if (!m_prompter.yesNo(question))
        return;
    if (!registers.isEmpty())
        m_confirmedDeletions.push_back(key);
    m_model->removeFrameRow(row);
}

void CanFramesDialog::insertRow()
{
    m_model->insertEmptyFrameRow(tableRow());
}

void CanFramesDialog::moveRow(int by)
{
    m_table->commitEdit();
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid() || !m_model->moveFrameRow(current.row(), by))
        return;
    m_table->setCurrentCell(current.row() + by, current.column());
    m_table->scrollTo(m_table->currentIndex());
}

void CanFramesDialog::moveRowUp()
{
    moveRow(-1);
}

void CanFramesDialog::moveRowDown()
{
    moveRow(1);
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
    if (!importIntoFrameList(rows, m_canSettings, m_loadIncomplete, m_session, m_prompter, this))
        return;
    m_loadIncomplete = false;
    // The import saved the frame file and the mapping file: Cancel compares with what they
    // hold now, and the import is one step that Undo takes back (OK then saves that).
    m_model->setFrames(rows);
    m_shown = m_model->frames();
    m_history->record();
}

} // namespace px
