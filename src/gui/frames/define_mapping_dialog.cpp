#include "gui/frames/define_mapping_dialog.h"

#include "core/base/atomic_file.h"
#include "core/lang/message_ids.h"

#include "core/services/prompter.h"
#include "core/shell/session.h"
#include "gui/common/guard.h"
#include "gui/common/pick_list.h"
#include "gui/common/save_edit.h"
#include "gui/common/snapshot_undo.h"
#include "gui/common/title_band.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <exception>

namespace px {

namespace {

template <typename W>
W* named(QWidget* parent, const char* name)
{
    auto* w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QPushButton* button(QWidget* parent, const char* name)
{
    return named<QPushButton>(parent, name);
}

// Selects item `index` when the list offers it, else the first item ("None", "False").
void selectOrFirst(QComboBox* list, std::int32_t index)
{
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : 0);
}

} // namespace

DefineMappingDialog::DefineMappingDialog(const MappingProfile& profile, const QString& name, Session& session,
                                         Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_session(session), m_prompter(prompter), m_mapping(profile)
{
    setObjectName(name);
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 8);
    m_band = new TitleBand(QStringLiteral("descriptionLabel"), this);
    top->addWidget(m_band);

    auto* columns = new QHBoxLayout;
    columns->setContentsMargins(12, 8, 12, 0);

    auto* frameColumn = new QVBoxLayout;
    m_frameListLabel = named<QLabel>(this, "frameListLabel");
    m_frameColumnsLabel = named<QLabel>(this, "frameColumnsLabel");
    m_frameList = named<PickList>(this, "frameList");
    frameColumn->addWidget(m_frameListLabel);
    frameColumn->addWidget(m_frameColumnsLabel);
    frameColumn->addWidget(m_frameList, 1);
    // Entries whose frame does not exist, shown only when there are any.
    m_orphanLabel = named<QLabel>(this, "orphanLabel");
    m_orphanList = named<PickList>(this, "orphanList");
    m_attachOrphanButton = button(this, "attachOrphanButton");
    m_deleteOrphanButton = button(this, "deleteOrphanButton");
    m_orphanList->setMaximumHeight(90);
    // Never the dialog's default button: Enter in the index field stays Create.
    m_attachOrphanButton->setAutoDefault(false);
    m_deleteOrphanButton->setAutoDefault(false);
    auto* orphanButtons = new QHBoxLayout;
    orphanButtons->addWidget(m_attachOrphanButton);
    orphanButtons->addWidget(m_deleteOrphanButton);
    frameColumn->addWidget(m_orphanLabel);
    frameColumn->addWidget(m_orphanList);
    frameColumn->addLayout(orphanButtons);
    columns->addLayout(frameColumn, 1);

    auto* regColumn = new QVBoxLayout;
    m_registerListLabel = named<QLabel>(this, "registerListLabel");
    m_registerListSubtitle = named<QLabel>(this, "registerListSubtitle");
    m_registerList = named<PickList>(this, "registerList");
    regColumn->addWidget(m_registerListLabel);
    regColumn->addWidget(m_registerListSubtitle);
    regColumn->addWidget(m_registerList, 1);
    columns->addLayout(regColumn, 1);

    m_inputGroup = named<QGroupBox>(this, "entryGroup");
    m_inputGroup->setAutoFillBackground(true);
    QPalette green = m_inputGroup->palette();
    green.setColor(QPalette::Window, QColor(0xCC, 0xFF, 0xCC));
    m_inputGroup->setPalette(green);
    auto* input = new QVBoxLayout(m_inputGroup);
    m_indexLabel = named<QLabel>(m_inputGroup, "registerIndexLabel");
    m_indexEdit = named<QLineEdit>(m_inputGroup, "registerIndexEdit");
    m_indexLabel->setBuddy(m_indexEdit);
    m_highByteLabel = named<QLabel>(m_inputGroup, "highByteLabel");
    m_highByteLabelEnd = named<QLabel>(m_inputGroup, "highByteSuffixLabel");
    m_highByteList = named<QComboBox>(m_inputGroup, "highByteChoice");
    m_lowByteLabel = named<QLabel>(m_inputGroup, "lowByteLabel");
    m_lowByteLabelEnd = named<QLabel>(m_inputGroup, "lowByteSuffixLabel");
    m_lowByteList = named<QComboBox>(m_inputGroup, "lowByteChoice");
    for (QWidget* w : {static_cast<QWidget*>(m_indexLabel), static_cast<QWidget*>(m_indexEdit),
                       static_cast<QWidget*>(m_highByteLabel), static_cast<QWidget*>(m_highByteLabelEnd),
                       static_cast<QWidget*>(m_highByteList), static_cast<QWidget*>(m_lowByteLabel),
                       static_cast<QWidget*>(m_lowByteLabelEnd), static_cast<QWidget*>(m_lowByteList)})
        input->addWidget(w);
    if (profile.transmit()) {
        m_sendLabel = named<QLabel>(m_inputGroup, "sendOnWriteLabel");
        m_sendList = named<QComboBox>(m_inputGroup, "sendOnWriteChoice");
        input->addWidget(m_sendLabel);
        input->addWidget(m_sendList);
    }
    // The selected register's signal for the PLC: Create and Modify take it with the entry.
    // Made here, so Tab reaches its fields after the byte lists and before the buttons.
    m_signalGroup = named<QGroupBox>(this, "signalEditor");
    m_signalGroup->setAutoFillBackground(true);
    m_signalGroup->setPalette(green);
    auto* signalForm = new QFormLayout(m_signalGroup);
    m_signalNameLabel = named<QLabel>(m_signalGroup, "signalNameLabel");
    m_signalNameEdit = named<QLineEdit>(m_signalGroup, "signalNameEdit");
    m_unitLabel = named<QLabel>(m_signalGroup, "signalUnitLabel");
    m_unitEdit = named<QLineEdit>(m_signalGroup, "signalUnitEdit");
    m_factorLabel = named<QLabel>(m_signalGroup, "signalFactorLabel");
    m_factorEdit = named<QLineEdit>(m_signalGroup, "signalFactorEdit");
    m_offsetLabel = named<QLabel>(m_signalGroup, "signalOffsetLabel");
    m_offsetEdit = named<QLineEdit>(m_signalGroup, "signalOffsetEdit");
    m_signedCheck = named<QCheckBox>(m_signalGroup, "signalSignedCheck");
    const std::pair<QLabel*, QLineEdit*> signalRows[] = {
        {m_signalNameLabel, m_signalNameEdit}, {m_unitLabel, m_unitEdit}, {m_factorLabel, m_factorEdit}, {m_offsetLabel, m_offsetEdit}};
    for (const auto& [label, edit] : signalRows) {
        label->setBuddy(edit);
        signalForm->addRow(label, edit);
        edit->installEventFilter(this);
    }
    signalForm->addRow(m_signedCheck);
    m_signedCheck->installEventFilter(this);
    auto* editButtons = new QGridLayout;
    m_createButton = button(m_inputGroup, "createButton");
    m_modifyButton = button(m_inputGroup, "modifyButton");
    m_deleteButton = button(m_inputGroup, "deleteButton");
    m_copyButton = button(m_inputGroup, "copyButton");
    m_pasteButton = button(m_inputGroup, "pasteButton");
    editButtons->addWidget(m_createButton, 0, 0);
    editButtons->addWidget(m_modifyButton, 0, 1);
    editButtons->addWidget(m_deleteButton, 0, 2);
    editButtons->addWidget(m_copyButton, 1, 0);
    editButtons->addWidget(m_pasteButton, 1, 1);
    input->addLayout(editButtons);
    input->addStretch(1);
    columns->addWidget(m_inputGroup);
    // Below the register list, where it fits a small screen.
    regColumn->addWidget(m_signalGroup);
    top->addLayout(columns, 1);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 0, 12, 0);
    m_exportButton = button(this, "exportButton");
    m_importButton = button(this, "importButton");
    m_registerMapButton = button(this, "registerMapButton");
    m_registerMapButton->hide();
    m_okButton = button(this, "okButton");
    m_cancelButton = button(this, "cancelButton");
    buttons->addWidget(m_exportButton);
    buttons->addWidget(m_importButton);
    m_undoButton = button(this, "undoButton");
    m_redoButton = button(this, "redoButton");
    buttons->addWidget(m_undoButton);
    buttons->addWidget(m_redoButton);
    buttons->addWidget(m_registerMapButton);
    buttons->addStretch(1);
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    top->addLayout(buttons);

    m_frameList->installEventFilter(this);
    m_registerList->installEventFilter(this);
    // A frame or register is chosen by selecting its line; a line that is only current
    // (the list took the focus) chooses nothing.
    connect(m_frameList, &QListWidget::itemSelectionChanged, this, &DefineMappingDialog::frameSelected);
    connect(m_registerList, &QListWidget::itemSelectionChanged, this, &DefineMappingDialog::registerSelected);
    connect(m_createButton, &QPushButton::clicked, this, &DefineMappingDialog::createClick);
    connect(m_modifyButton, &QPushButton::clicked, this, &DefineMappingDialog::modifyClick);
    connect(m_deleteButton, &QPushButton::clicked, this, &DefineMappingDialog::deleteClick);
    connect(m_copyButton, &QPushButton::clicked, this, &DefineMappingDialog::copyClick);
    connect(m_pasteButton, &QPushButton::clicked, this, &DefineMappingDialog::pasteClick);
    connect(m_exportButton, &QPushButton::clicked, this, &DefineMappingDialog::exportClick);
    connect(m_importButton, &QPushButton::clicked, this, &DefineMappingDialog::importClick);
    connect(m_registerMapButton, &QPushButton::clicked, this, &DefineMappingDialog::registerMapClick);
    connect(m_attachOrphanButton, &QPushButton::clicked, this, &DefineMappingDialog::attachOrphanClick);
    connect(m_deleteOrphanButton, &QPushButton::clicked, this, &DefineMappingDialog::deleteOrphanClick);
    connect(m_okButton, &QPushButton::clicked, this, &DefineMappingDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &DefineMappingDialog::cancelClick);

    m_undoStack = new QUndoStack(this);
    m_history = std::make_unique<SnapshotHistory<MappingState>>(
        m_undoStack, [this] { return MappingState{m_mapping.allEntries(), m_signals}; },
        [this](const MappingState& s) { restoreMapping(s); });
    m_history->reset();
    connectUndoControls(this, m_undoStack, m_undoButton, m_redoButton, nullptr);

    resize(760, 460);
    applyLanguage();
    rebuildAll();
}

DefineMappingDialog::~DefineMappingDialog() = default;

void DefineMappingDialog::restoreMapping(const MappingState& state)
{
    // The frames never change within a showing: the chosen frame stays and shows its
    // registers as they are now.
    m_mapping.setEntries(state.entries);
    m_signals = state.signalTable;
    refreshRegisters();
    refreshOrphans();
}

void DefineMappingDialog::applyLanguage()
{
    const MessageTable& m = m_session.messages;
    const MappingProfile& p = m_mapping.profile();
    setWindowTitle(m[p.msgTitle]);
    m_band->descriptionLabel()->setText(m[p.msgDescription]);
    m_frameListLabel->setText(m[p.msgFrameList]);
    m_frameColumnsLabel->setText(m[p.msgFrameColumns]);
    m_registerListLabel->setText(m[p.msgRegisterList]);
    m_registerListSubtitle->setText(m[p.msgRegisterListSubtitle]);
    m_inputGroup->setTitle(m[p.msgInputGroup]);
    m_indexLabel->setText(m[p.msgIndexLabel]);
    m_highByteLabel->setText(m[p.msgHighByte]);
    m_highByteLabelEnd->setText(m[p.msgHighByteEnd]);
    m_lowByteLabel->setText(m[p.msgLowByte]);
    m_lowByteLabelEnd->setText(m[p.msgLowByteEnd]);
    m_createButton->setText(m[p.msgCreate]);
    m_modifyButton->setText(m[p.msgModify]);
    m_deleteButton->setText(m[p.msgDelete]);
    m_copyButton->setText(m[p.msgCopy]);
    m_pasteButton->setText(m[p.msgPaste]);
    m_okButton->setText(m[p.msgOk]);
    m_cancelButton->setText(m[p.msgCancel]);
    m_exportButton->setText(m[p.msgExport]);
    m_importButton->setText(m[p.msgImport]);
    m_undoButton->setText(m[msg::kUndo]);
    m_redoButton->setText(m[msg::kRedo]);
    m_registerMapButton->setText(m[msg::kRegisterMapButton]);
    m_registerMapButton->setToolTip(m[msg::kRegisterMapHint]);
    m_registerMapButton->setAccessibleName(m[msg::kRegisterMapButton]);
    m_orphanLabel->setText(m[msg::kOrphanSection]);
    m_attachOrphanButton->setText(m[msg::kAttachOrphan]);
    m_deleteOrphanButton->setText(m[msg::kDeleteOrphan]);
    m_orphanList->setAccessibleName(m[msg::kOrphanSection]);
    refreshOrphans();
    m_signalGroup->setTitle(m[msg::kSignalEditorTitle]);
    m_signalGroup->setToolTip(m[msg::kSignalScalingHint]);
    const std::pair<QLabel*, int> signalLabels[] = {
        {m_signalNameLabel, msg::kSignalName}, {m_unitLabel, msg::kUnit}, {m_factorLabel, msg::kFactor}, {m_offsetLabel, msg::kOffset}};
    for (const auto& [label, id] : signalLabels) {
        label->setText(m[id]);
        label->buddy()->setAccessibleName(m[id]);
    }
    m_signedCheck->setText(m[msg::kSigned]);
    m_signedCheck->setAccessibleName(m[msg::kSigned]);
    m_factorEdit->setToolTip(m[msg::kSignalScalingHint]);
    m_offsetEdit->setToolTip(m[msg::kSignalScalingHint]);

    // The byte lists keep their picks under the new texts.
    const int high = m_highByteList->currentIndex();
    const int low = m_lowByteList->currentIndex();
    const int frame = selectedFrame();
    fillByteLists(frame >= 0 ? m_mapping.frames()[static_cast<std::size_t>(frame)].dataLength : 0);
    selectOrFirst(m_highByteList, high);
    selectOrFirst(m_lowByteList, low);
    if (m_sendList) {
        m_sendLabel->setText(m[p.msgSendLabel]);
        fillSendList();
    }
}

void DefineMappingDialog::reload()
{
    std::exception_ptr fault;
    try {
        m_mapping.load(m_session.activeDocument());
    } catch (...) {
        fault = std::current_exception();
    }
    // A signal file that cannot be read leaves the registers without signal data in this
    // showing; OK then writes the signal file only when a signal was edited, and refuses
    // that save while the file still cannot be read.
    config::SignalTable signalTable;
    try {
        if (m_session.ws.hasActiveConfiguration())
            signalTable = config::loadSignalTable(m_session.ws.configurationFolder);
    } catch (...) {
        if (!fault)
            fault = std::current_exception();
    }
    m_shownSignals = signalTable;
    m_signals = std::move(signalTable);
    rebuildAll();
    m_shownEntries = m_mapping.allEntries();
    m_history->reset();
    if (fault)
        std::rethrow_exception(fault);
}

bool DefineMappingDialog::hasChanges() const
{
    return m_mapping.allEntries() != m_shownEntries || m_signals != m_shownSignals;
}

bool DefineMappingDialog::mayDiscard()
{
    return !hasChanges() || m_prompter.yesNo(m_session.messages[msg::kExitWithoutSavingQuestion]);
}

void DefineMappingDialog::cancelClick()
{
    if (mayDiscard())
        reject();
}

void DefineMappingDialog::closeEvent(QCloseEvent* event)
{
    // The close box is Cancel.
    if (!mayDiscard()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void DefineMappingDialog::keyPressEvent(QKeyEvent* event)
{
    // Escape is Cancel, with its question after a change.
    if (event->matches(QKeySequence::Cancel)) {
        cancelClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool DefineMappingDialog::execShow()
{
    guarded(m_prompter, m_session.messages, [this] { reload(); });
    return exec() == QDialog::Accepted;
}

bool DefineMappingDialog::execShowAt(int row)
{
    guarded(m_prompter, m_session.messages, [this] { reload(); });
    showEntryRow(row);
    return exec() == QDialog::Accepted;
}

void DefineMappingDialog::showEntryRow(int row)
{
    // The entries of no frame follow those of the frames.
    const int orphan = row - m_mapping.entryCount() - 1;
    if (orphan >= 0 && orphan < static_cast<int>(m_mapping.orphans().size())) {
        m_orphanList->setCurrentRow(orphan);
        m_orphanList->setFocus();
        return;
    }
    if (row < 1 || row > m_mapping.entryCount())
        return;
    const config::MappingEntry& entry = m_mapping.entries()[static_cast<std::size_t>(row - 1)];
    const int frame = entry.frameNumber - 1;
    // Entries stand frame by frame: the entry's place among its frame's entries.
    const auto position = static_cast<int>(&entry - m_mapping.entriesOf(frame).data());
    m_frameList->setCurrentRow(frame);
    m_registerList->setCurrentRow(position);
    m_registerList->setFocus();
}

void DefineMappingDialog::setRegisterMapOpener(RegisterMapOpener opener)
{
    m_openRegisterMap = std::move(opener);
    m_registerMapButton->setVisible(static_cast<bool>(m_openRegisterMap));
}

void DefineMappingDialog::registerMapClick()
{
    if (m_openRegisterMap)
        m_openRegisterMap(currentEntries(), m_signals);
}

void DefineMappingDialog::accept()
{
    const config::Direction direction = m_mapping.profile().direction;
    const SaveOutcome outcome = saveEdit(m_session, m_prompter, [this, direction](config::ConfigurationDocument& document) {
        const config::ConfigFile file = config::mappingsFile(direction);
        // The file could not be read whole at this showing: keep it beside, unless it
        // already holds what is written.
        if (m_mapping.loadFailed() && document.bytes(file) && *document.bytes(file) != m_mapping.toXml())
            writeFileAtomically(document.path(file) + QStringLiteral(".bak"), *document.bytes(file));
        return takeMappingEdit(document, direction, m_mapping.allEntries(), m_shownSignals, m_signals);
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
    QDialog::accept();
}

bool DefineMappingDialog::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_frameList || watched == m_registerList) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    if (event->type() == QEvent::KeyPress && watched->parent() == m_signalGroup) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            signalEnter();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

int DefineMappingDialog::selectedFrame() const
{
    const int row = m_frameList->selectedRow();
    return row >= 0 && row < static_cast<int>(m_mapping.frames().size()) ? row : -1;
}

int DefineMappingDialog::selectedRegister() const
{
    const int reg = m_registerList->selectedRow();
    return m_mapping.entry(selectedFrame(), reg) ? reg : -1;
}

void DefineMappingDialog::rebuildAll()
{
    {
        const QSignalBlocker blockFrames(m_frameList);
        const QSignalBlocker blockRegs(m_registerList);
        m_frameList->clear();
        m_frameList->addItems(m_mapping.frameLines());
        m_frameList->setCurrentRow(-1);
        m_registerList->clear();
    }
    m_indexEdit->clear();
    fillByteLists(0);
    if (m_sendList)
        m_sendList->setCurrentIndex(0);
    showSignalFields({});
    refreshOrphans();
}

void DefineMappingDialog::refreshOrphans()
{
    const QStringList lines = m_mapping.orphanLines(m_session.messages[msg::kOrphanLine]);
    {
        const QSignalBlocker block(m_orphanList);
        m_orphanList->clear();
        m_orphanList->addItems(lines);
        m_orphanList->setCurrentRow(-1);
    }
    const bool any = !lines.isEmpty();
    for (QWidget* w : {static_cast<QWidget*>(m_orphanLabel), static_cast<QWidget*>(m_orphanList),
                       static_cast<QWidget*>(m_attachOrphanButton), static_cast<QWidget*>(m_deleteOrphanButton)})
        w->setVisible(any);
}

void DefineMappingDialog::attachOrphanClick()
{
    const int orphan = m_orphanList->currentRow();
    if (orphan < 0)
        return;
    const int frame = selectedFrame();
    if (frame < 0) {
        m_prompter.error(m_session.messages[msg::kChooseFrameFirst]);
        return;
    }
    if (const auto refusal = m_mapping.attachOrphan(orphan, frame)) {
        refuse(*refusal);
        return;
    }
    refreshRegisters();
    refreshOrphans();
    m_history->record();
}

void DefineMappingDialog::deleteOrphanClick()
{
    const int orphan = m_orphanList->currentRow();
    if (orphan < 0)
        return;
    const std::optional<std::int32_t> number = m_mapping.orphans()[static_cast<std::size_t>(orphan)].registerNumber();
    m_mapping.removeOrphan(orphan);
    // The register is gone: so is its signal, unless another entry still names it.
    if (number && !m_mapping.registerInUse(*number, -1, -1))
        m_signals.remove(m_mapping.profile().direction, *number);
    refreshOrphans();
    m_history->record();
}

void DefineMappingDialog::refreshRegisters()
{
    const QSignalBlocker block(m_registerList);
    m_registerList->clear();
    m_registerList->addItems(m_mapping.registerLines(selectedFrame()));
    m_registerList->setCurrentRow(-1);
}

void DefineMappingDialog::fillByteLists(std::int32_t dataLength)
{
    const MessageTable& m = m_session.messages;
    const QStringList items = byteListItems(dataLength, m[m_mapping.profile().msgNoByte], m[m_mapping.profile().msgBytePrefix]);
    for (QComboBox* list : {m_highByteList, m_lowByteList}) {
        list->clear();
        list->addItems(items);
        list->setCurrentIndex(0);
    }
}

void DefineMappingDialog::fillSendList()
{
    const MessageTable& m = m_session.messages;
    m_sendList->clear();
    m_sendList->addItems({m[m_mapping.profile().msgFalse], m[m_mapping.profile().msgTrue]});
    m_sendList->setCurrentIndex(0);
}

void DefineMappingDialog::frameSelected()
{
    const int frame = selectedFrame();
    refreshRegisters();
    m_indexEdit->clear();
    fillByteLists(frame >= 0 ? m_mapping.frames()[static_cast<std::size_t>(frame)].dataLength : 0);
    if (m_sendList)
        m_sendList->setCurrentIndex(0);
    showSignalFields({});
}

void DefineMappingDialog::registerSelected()
{
    if (const config::MappingEntry* entry = m_mapping.entry(selectedFrame(), selectedRegister())) {
        showFields(*entry);
        const std::optional<std::int32_t> number = entry->registerNumber();
        showSignalFields(signalFields(number ? m_signals.find(m_mapping.profile().direction, *number) : nullptr));
        return;
    }
    // No valid register: the index and the byte lists are cleared, the send list stays.
    m_indexEdit->clear();
    m_highByteList->setCurrentIndex(0);
    m_lowByteList->setCurrentIndex(0);
    showSignalFields({});
}

config::MappingEntry DefineMappingDialog::readFields() const
{
    config::MappingEntry entry;
    entry.registerIndex = m_indexEdit->text();
    entry.highByte = std::max(0, m_highByteList->currentIndex());
    entry.lowByte = std::max(0, m_lowByteList->currentIndex());
    entry.sendOnWrite = m_sendList != nullptr && m_sendList->currentIndex() == 1;
    return entry;
}

void DefineMappingDialog::showFields(const config::MappingEntry& entry)
{
    m_indexEdit->setText(entry.registerIndex);
    selectOrFirst(m_highByteList, entry.highByte);
    selectOrFirst(m_lowByteList, entry.lowByte);
    if (m_sendList)
        selectOrFirst(m_sendList, entry.sendOnWriteNumber());
}

SignalFields DefineMappingDialog::readSignalFields() const
{
    SignalFields fields;
    fields.name = m_signalNameEdit->text();
    fields.unit = m_unitEdit->text();
    fields.factor = m_factorEdit->text();
    fields.offset = m_offsetEdit->text();
    fields.isSigned = m_signedCheck->isChecked();
    return fields;
}

void DefineMappingDialog::showSignalFields(const SignalFields& fields)
{
    m_signalNameEdit->setText(fields.name);
    m_unitEdit->setText(fields.unit);
    m_factorEdit->setText(fields.factor);
    m_offsetEdit->setText(fields.offset);
    m_signedCheck->setChecked(fields.isSigned);
}

bool DefineMappingDialog::refuseSignalFields()
{
    const std::optional<SignalFieldFault> fault = checkSignalFields(readSignalFields());
    if (!fault)
        return false;
    m_prompter.error(m_session.messages[fault->message]);
    QLineEdit* field = fault->field == SignalField::Factor ? m_factorEdit : m_offsetEdit;
    field->setFocus();
    field->selectAll();
    return true;
}

void DefineMappingDialog::signalEnter()
{
    const config::MappingEntry* entry = m_mapping.entry(selectedFrame(), selectedRegister());
    if (entry && entry->registerIndex == m_indexEdit->text())
        modifyClick();
    else
        createClick();
}

void DefineMappingDialog::refuse(IndexRefusal refusal)
{
    m_prompter.error(m_session.messages[m_mapping.profile().message(refusal)]);
}

void DefineMappingDialog::createClick()
{
    const int frame = selectedFrame();
    if (frame < 0) {
        m_prompter.error(m_session.messages[msg::kChooseFrameFirst]);
        return;
    }
    const config::MappingEntry fields = readFields();
    if (const auto refusal = m_mapping.checkIndex(fields.registerIndex, -1, -1)) {
        refuse(*refusal);
        return;
    }
    if (refuseSignalFields())
        return;
    if (const auto refusal = m_mapping.create(frame, fields)) {
        refuse(*refusal);
        return;
    }
    takeSignalFields(m_signals, m_mapping.profile().direction, std::nullopt, fields.registerNumber(), readSignalFields());
    refreshRegisters();
    m_history->record();
}

void DefineMappingDialog::modifyClick()
{
    const int frame = selectedFrame();
    const int reg = selectedRegister();
    if (reg < 0)
        return;
    const config::MappingEntry fields = readFields();
    if (const auto refusal = m_mapping.checkIndex(fields.registerIndex, frame, reg)) {
        refuse(*refusal);
        return;
    }
    if (refuseSignalFields())
        return;
    const std::optional<std::int32_t> previous = m_mapping.entry(frame, reg)->registerNumber();
    if (const auto refusal = m_mapping.modify(frame, reg, fields)) {
        refuse(*refusal);
        return;
    }
    takeSignalFields(m_signals, m_mapping.profile().direction, previous, fields.registerNumber(), readSignalFields());
    refreshRegisters();
    m_history->record();
}

void DefineMappingDialog::deleteClick()
{
    const int reg = selectedRegister();
    if (reg < 0)
        return;
    const std::optional<std::int32_t> number = m_mapping.entry(selectedFrame(), reg)->registerNumber();
    m_mapping.remove(selectedFrame(), reg);
    // The register is gone: so is its signal, unless another entry still names it.
    if (number && !m_mapping.registerInUse(*number, -1, -1))
        m_signals.remove(m_mapping.profile().direction, *number);
    refreshRegisters();
    m_history->record();
}

void DefineMappingDialog::copyClick()
{
    const int reg = selectedRegister();
    if (reg < 0 || !m_mapping.copy(selectedFrame(), reg))
        return;
    const std::optional<std::int32_t> number = m_mapping.copiedEntry().registerNumber();
    m_copiedSignal = signalFields(number ? m_signals.find(m_mapping.profile().direction, *number) : nullptr);
}

void DefineMappingDialog::pasteClick()
{
    showFields(m_mapping.copiedEntry());
    showSignalFields(m_copiedSignal);
}

void DefineMappingDialog::exportClick()
{
    // Asks where, proposing the fixed name in the configuration folder, and says where it
    // wrote.
    const QString path = m_prompter.saveFile(m_mapping.profile().csvPath(m_session.ws), kMappingCsvFilter);
    if (path.isEmpty())
        return;
    if (guarded(m_prompter, m_session.messages, [this, &path] { m_mapping.exportCsvFile(path); }))
        m_prompter.information(m_session.messages[msg::kMappingCsvExported].arg(displayPath(path)));
}

void DefineMappingDialog::importClick()
{
    if (m_prompter.yesNoCancel(m_session.messages[m_mapping.profile().msgImportQuestion]) != Prompter::Answer::Yes)
        return;
    const QString path = m_prompter.openFile(m_session.ws.configurationFolder, kMappingCsvFilter);
    if (path.isEmpty())
        return;
    if (guarded(m_prompter, m_session.messages, [this, &path] { m_mapping.importCsvFile(path); })) {
        rebuildAll();
        m_history->record();
    }
}

ReceiveMappingDialog::ReceiveMappingDialog(Session& session, Prompter& prompter, QWidget* parent)
    : DefineMappingDialog(MappingProfile::receiveSide(), QStringLiteral("receiveMappingDialog"), session, prompter, parent)
{
}

TransmitMappingDialog::TransmitMappingDialog(Session& session, Prompter& prompter, QWidget* parent)
    : DefineMappingDialog(MappingProfile::transmitSide(), QStringLiteral("transmitMappingDialog"), session, prompter, parent)
{
}

} // namespace px
