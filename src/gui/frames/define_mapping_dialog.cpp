#include "gui/frames/define_mapping_dialog.h"

#include "core/lang/english_texts.h"
#include "core/lang/check_messages.h"

#include "core/platform/prompter.h"
#include "core/shell/session.h"
#include "gui/common/guard.h"
#include "gui/common/pick_list.h"
#include "gui/common/snapshot_undo.h"
#include "gui/common/title_band.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

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
    : QDialog(parent), m_session(session), m_prompter(prompter), m_map(profile)
{
    setObjectName(name);
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 8);
    m_band = new TitleBand(QStringLiteral("L_SW_Desc"), this);
    top->addWidget(m_band);

    auto* columns = new QHBoxLayout;
    columns->setContentsMargins(12, 8, 12, 0);

    auto* frameColumn = new QVBoxLayout;
    L_CAN_Frames = named<QLabel>(this, "L_CAN_Frames");
    L_CobID_Type = named<QLabel>(this, "L_CobID_Type");
    LB_CAN_Frames = named<PickList>(this, "LB_CAN_Frames");
    frameColumn->addWidget(L_CAN_Frames);
    frameColumn->addWidget(L_CobID_Type);
    frameColumn->addWidget(LB_CAN_Frames, 1);
    columns->addLayout(frameColumn, 1);

    auto* regColumn = new QVBoxLayout;
    L_Modbus_Regs = named<QLabel>(this, "L_Modbus_Regs");
    L_Relative_PGN = named<QLabel>(this, "L_Relative_PGN");
    LB_Modbus_Regs = named<PickList>(this, "LB_Modbus_Regs");
    regColumn->addWidget(L_Modbus_Regs);
    regColumn->addWidget(L_Relative_PGN);
    regColumn->addWidget(LB_Modbus_Regs, 1);
    columns->addLayout(regColumn, 1);

    GB_Create_Modify = named<QGroupBox>(this, "GB_Create_Modify");
    GB_Create_Modify->setAutoFillBackground(true);
    QPalette green = GB_Create_Modify->palette();
    green.setColor(QPalette::Window, QColor(0xCC, 0xFF, 0xCC));
    GB_Create_Modify->setPalette(green);
    auto* input = new QVBoxLayout(GB_Create_Modify);
    L_Index_Modbus = named<QLabel>(GB_Create_Modify, "L_Index_Modbus");
    E_Index_Modbus = named<QLineEdit>(GB_Create_Modify, "E_Index_Modbus");
    L_Index_Modbus->setBuddy(E_Index_Modbus);
    L_High_Part1 = named<QLabel>(GB_Create_Modify, "L_High_Part1");
    L_High_Part2 = named<QLabel>(GB_Create_Modify, "L_High_Part2");
    CB_Byte_High_Part = named<QComboBox>(GB_Create_Modify, "CB_Byte_High_Part");
    L_Low_Part1 = named<QLabel>(GB_Create_Modify, "L_Low_Part1");
    L_Low_Part2 = named<QLabel>(GB_Create_Modify, "L_Low_Part2");
    CB_Byte_Low_Part = named<QComboBox>(GB_Create_Modify, "CB_Byte_Low_Part");
    for (QWidget* w : {static_cast<QWidget*>(L_Index_Modbus), static_cast<QWidget*>(E_Index_Modbus),
                       static_cast<QWidget*>(L_High_Part1), static_cast<QWidget*>(L_High_Part2),
                       static_cast<QWidget*>(CB_Byte_High_Part), static_cast<QWidget*>(L_Low_Part1),
                       static_cast<QWidget*>(L_Low_Part2), static_cast<QWidget*>(CB_Byte_Low_Part)})
        input->addWidget(w);
    if (profile.transmit) {
        L_SendCAN_OnModWrite = named<QLabel>(GB_Create_Modify, "L_SendCAN_OnModWrite");
        CB_SendCAN_OnModWrite = named<QComboBox>(GB_Create_Modify, "CB_SendCAN_OnModWrite");
        input->addWidget(L_SendCAN_OnModWrite);
        input->addWidget(CB_SendCAN_OnModWrite);
    }
    auto* editButtons = new QGridLayout;
    Btn_Create = button(GB_Create_Modify, "Btn_Create");
    Btn_Modify = button(GB_Create_Modify, "Btn_Modify");
    Btn_Delete = button(GB_Create_Modify, "Btn_Delete");
    Btn_Copy = button(GB_Create_Modify, "Btn_Copy");
    Btn_Paste = button(GB_Create_Modify, "Btn_Paste");
    editButtons->addWidget(Btn_Create, 0, 0);
    editButtons->addWidget(Btn_Modify, 0, 1);
    editButtons->addWidget(Btn_Delete, 0, 2);
    editButtons->addWidget(Btn_Copy, 1, 0);
    editButtons->addWidget(Btn_Paste, 1, 1);
    input->addLayout(editButtons);
    input->addStretch(1);
    columns->addWidget(GB_Create_Modify);
    top->addLayout(columns, 1);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 0, 12, 0);
    Btn_Export = button(this, "Btn_Export");
    Btn_Import = button(this, "Btn_Import");
    Btn_Register_Map = button(this, "Btn_Register_Map");
    Btn_Register_Map->hide();
    Btn_OK = button(this, "Btn_OK");
    Btn_Cancel = button(this, "Btn_Cancel");
    buttons->addWidget(Btn_Export);
    buttons->addWidget(Btn_Import);
    Btn_Undo = button(this, "Btn_Undo");
    Btn_Redo = button(this, "Btn_Redo");
    buttons->addWidget(Btn_Undo);
    buttons->addWidget(Btn_Redo);
    buttons->addWidget(Btn_Register_Map);
    buttons->addStretch(1);
    buttons->addWidget(Btn_OK);
    buttons->addWidget(Btn_Cancel);
    top->addLayout(buttons);

    LB_CAN_Frames->installEventFilter(this);
    LB_Modbus_Regs->installEventFilter(this);
    // A frame or register is chosen by selecting its line; a line that is only current
    // (the list took the focus) chooses nothing.
    connect(LB_CAN_Frames, &QListWidget::itemSelectionChanged, this, &DefineMappingDialog::frameSelected);
    connect(LB_Modbus_Regs, &QListWidget::itemSelectionChanged, this, &DefineMappingDialog::registerSelected);
    connect(Btn_Create, &QPushButton::clicked, this, &DefineMappingDialog::createClick);
    connect(Btn_Modify, &QPushButton::clicked, this, &DefineMappingDialog::modifyClick);
    connect(Btn_Delete, &QPushButton::clicked, this, &DefineMappingDialog::deleteClick);
    connect(Btn_Copy, &QPushButton::clicked, this, &DefineMappingDialog::copyClick);
    connect(Btn_Paste, &QPushButton::clicked, this, &DefineMappingDialog::pasteClick);
    connect(Btn_Export, &QPushButton::clicked, this, &DefineMappingDialog::exportClick);
    connect(Btn_Import, &QPushButton::clicked, this, &DefineMappingDialog::importClick);
    connect(Btn_Register_Map, &QPushButton::clicked, this, &DefineMappingDialog::registerMapClick);
    connect(Btn_OK, &QPushButton::clicked, this, &DefineMappingDialog::accept);
    connect(Btn_Cancel, &QPushButton::clicked, this, &DefineMappingDialog::Btn_CancelClick);

    m_undoStack = new QUndoStack(this);
    m_history = std::make_unique<SnapshotHistory<MappingState>>(
        m_undoStack, [this] { return mappingState(); }, [this](const MappingState& s) { restoreMapping(s); });
    m_history->reset();
    connectUndoControls(this, m_undoStack, Btn_Undo, Btn_Redo, nullptr);

    resize(760, 460);
    Set_Lang();
    rebuildAll();
}

DefineMappingDialog::~DefineMappingDialog() = default;

DefineMappingDialog::MappingState DefineMappingDialog::mappingState() const
{
    return {m_map.Lista_CAN_Frame, m_map.toXml()};
}

void DefineMappingDialog::restoreMapping(const MappingState& state)
{
    const bool sameFrames = state.frames.size() == m_map.Lista_CAN_Frame.size();
    m_map.Lista_CAN_Frame = state.frames;
    // The frames themselves never change between showings: the chosen frame stays and
    // shows its registers as they are now.
    if (sameFrames)
        refreshRegisters();
    else
        rebuildAll();
}

void DefineMappingDialog::Set_Lang()
{
    const MessageTable& m = m_session.messages;
    const MappingProfile& p = m_map.profile();
    setWindowTitle(m[p.msgTitle]);
    m_band->descriptionLabel()->setText(m[p.msgDescription]);
    L_CAN_Frames->setText(m[p.msgFrameList]);
    L_CobID_Type->setText(m[p.msgFrameColumns]);
    L_Modbus_Regs->setText(m[p.msgRegList]);
    L_Relative_PGN->setText(m[p.msgRegRelative]);
    GB_Create_Modify->setTitle(m[p.msgInputGroup]);
    L_Index_Modbus->setText(m[p.msgIndexLabel]);
    L_High_Part1->setText(m[p.msgHigh1]);
    L_High_Part2->setText(m[p.msgHigh2]);
    L_Low_Part1->setText(m[p.msgLow1]);
    L_Low_Part2->setText(m[p.msgLow2]);
    Btn_Create->setText(m[p.msgCreate]);
    Btn_Modify->setText(m[p.msgModify]);
    Btn_Delete->setText(m[p.msgDelete]);
    Btn_Copy->setText(m[p.msgCopy]);
    Btn_Paste->setText(m[p.msgPaste]);
    Btn_OK->setText(m[p.msgOK]);
    Btn_Cancel->setText(m[p.msgCancel]);
    Btn_Export->setText(m[p.msgExport]);
    Btn_Import->setText(m[p.msgImport]);
    Btn_Undo->setText(m[msg::kUndo]);
    Btn_Redo->setText(m[msg::kRedo]);
    Btn_Register_Map->setText(m[msg::kRegisterMapButton]);
    Btn_Register_Map->setToolTip(m[msg::kRegisterMapHint]);
    Btn_Register_Map->setAccessibleName(m[msg::kRegisterMapButton]);

    // The byte lists keep their picks under the new texts.
    const int high = CB_Byte_High_Part->currentIndex();
    const int low = CB_Byte_Low_Part->currentIndex();
    const TCAN_Frame* frame =
        selectedFrame() >= 0 ? &m_map.Lista_CAN_Frame[static_cast<std::size_t>(selectedFrame())] : nullptr;
    fillByteLists(frame ? frame->Num_Byte : 0);
    selectOrFirst(CB_Byte_High_Part, high);
    selectOrFirst(CB_Byte_Low_Part, low);
    if (CB_SendCAN_OnModWrite) {
        L_SendCAN_OnModWrite->setText(m[p.msgSendLabel]);
        fillSendList();
    }
}

void DefineMappingDialog::FormShow()
{
    try {
        m_map.load(m_session.ws);
    } catch (...) {
        rebuildAll();
        m_shownXml = m_map.toXml();
        m_history->reset();
        throw;
    }
    rebuildAll();
    m_shownXml = m_map.toXml();
    m_history->reset();
}

bool DefineMappingDialog::hasChanges() const
{
    return m_map.toXml() != m_shownXml;
}

void DefineMappingDialog::Btn_CancelClick()
{
    if (hasChanges() && !m_prompter.yesNo(m_session.messages[123]))
        return;
    reject();
}

void DefineMappingDialog::keyPressEvent(QKeyEvent* event)
{
    // Escape is Cancel, with its question after a change.
    if (event->matches(QKeySequence::Cancel)) {
        Btn_CancelClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool DefineMappingDialog::execShow()
{
    guarded(m_prompter, [this] { FormShow(); });
    return exec() == QDialog::Accepted;
}

bool DefineMappingDialog::execShowAt(int row)
{
    guarded(m_prompter, [this] { FormShow(); });
    showEntryRow(row);
    return exec() == QDialog::Accepted;
}

void DefineMappingDialog::showEntryRow(int row)
{
    int remaining = row;
    for (std::size_t f = 0; f < m_map.Lista_CAN_Frame.size(); ++f) {
        const auto count = static_cast<int>(m_map.Lista_CAN_Frame[f].Lista_Mod_Reg.size());
        if (remaining <= count) {
            if (remaining < 1)
                return;
            LB_CAN_Frames->setCurrentRow(static_cast<int>(f));
            LB_Modbus_Regs->setCurrentRow(remaining - 1);
            LB_Modbus_Regs->setFocus();
            return;
        }
        remaining -= count;
    }
}

void DefineMappingDialog::setRegisterMapOpener(std::function<void(const std::vector<config::MappingEntry>&)> opener)
{
    m_openRegisterMap = std::move(opener);
    Btn_Register_Map->setVisible(static_cast<bool>(m_openRegisterMap));
}

std::vector<config::MappingEntry> DefineMappingDialog::currentEntries() const
{
    std::vector<config::MappingEntry> entries;
    for (std::size_t f = 0; f < m_map.Lista_CAN_Frame.size(); ++f) {
        for (const TMod_Reg& r : m_map.Lista_CAN_Frame[f].Lista_Mod_Reg) {
            config::MappingEntry e;
            e.registerIndex = r.Ind_Mod;
            e.frameNumber = static_cast<std::int32_t>(f) + 1;
            e.highByte = r.HiPart;
            e.lowByte = r.LoPart;
            e.sendOnWrite = m_map.profile().transmit && r.Write == 1;
            entries.push_back(std::move(e));
        }
    }
    return entries;
}

void DefineMappingDialog::registerMapClick()
{
    if (m_openRegisterMap)
        m_openRegisterMap(currentEntries());
}

void DefineMappingDialog::accept()
{
    if (guarded(m_prompter, [this] { m_map.save(m_session.ws); }))
        QDialog::accept();
}

bool DefineMappingDialog::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == LB_CAN_Frames || watched == LB_Modbus_Regs) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

int DefineMappingDialog::selectedFrame() const
{
    const int row = LB_CAN_Frames->selectedRow();
    return row >= 0 && row < static_cast<int>(m_map.Lista_CAN_Frame.size()) ? row : -1;
}

int DefineMappingDialog::selectedRegister() const
{
    const int reg = LB_Modbus_Regs->selectedRow();
    return m_map.entry(selectedFrame(), reg) ? reg : -1;
}

void DefineMappingDialog::rebuildAll()
{
    {
        const QSignalBlocker blockFrames(LB_CAN_Frames);
        const QSignalBlocker blockRegs(LB_Modbus_Regs);
        LB_CAN_Frames->clear();
        LB_CAN_Frames->addItems(m_map.frameLines());
        LB_CAN_Frames->setCurrentRow(-1);
        LB_Modbus_Regs->clear();
    }
    E_Index_Modbus->clear();
    fillByteLists(0);
    if (CB_SendCAN_OnModWrite)
        CB_SendCAN_OnModWrite->setCurrentIndex(0);
}

void DefineMappingDialog::refreshRegisters()
{
    const QSignalBlocker block(LB_Modbus_Regs);
    LB_Modbus_Regs->clear();
    LB_Modbus_Regs->addItems(m_map.registerLines(selectedFrame()));
    LB_Modbus_Regs->setCurrentRow(-1);
}

void DefineMappingDialog::fillByteLists(std::int32_t numByte)
{
    const MessageTable& m = m_session.messages;
    const QStringList items = byteListItems(numByte, m[m_map.profile().msgNone], m[m_map.profile().msgByte]);
    for (QComboBox* list : {CB_Byte_High_Part, CB_Byte_Low_Part}) {
        list->clear();
        list->addItems(items);
        list->setCurrentIndex(0);
    }
}

void DefineMappingDialog::fillSendList()
{
    const MessageTable& m = m_session.messages;
    CB_SendCAN_OnModWrite->clear();
    CB_SendCAN_OnModWrite->addItems({m[m_map.profile().msgFalse], m[m_map.profile().msgTrue]});
    CB_SendCAN_OnModWrite->setCurrentIndex(0);
}

void DefineMappingDialog::frameSelected()
{
    const int frame = selectedFrame();
    refreshRegisters();
    E_Index_Modbus->clear();
    fillByteLists(frame >= 0 ? m_map.Lista_CAN_Frame[static_cast<std::size_t>(frame)].Num_Byte : 0);
    if (CB_SendCAN_OnModWrite)
        CB_SendCAN_OnModWrite->setCurrentIndex(0);
}

void DefineMappingDialog::registerSelected()
{
    if (const TMod_Reg* entry = m_map.entry(selectedFrame(), selectedRegister())) {
        showFields(*entry, true);
        return;
    }
    // No valid register: the index and the byte lists are cleared, the send list stays.
    E_Index_Modbus->clear();
    CB_Byte_High_Part->setCurrentIndex(0);
    CB_Byte_Low_Part->setCurrentIndex(0);
}

TMod_Reg DefineMappingDialog::readFields() const
{
    TMod_Reg entry;
    entry.Ind_Mod = E_Index_Modbus->text();
    entry.HiPart = std::max(0, CB_Byte_High_Part->currentIndex());
    entry.LoPart = std::max(0, CB_Byte_Low_Part->currentIndex());
    entry.Write = CB_SendCAN_OnModWrite ? std::max(0, CB_SendCAN_OnModWrite->currentIndex()) : 0;
    return entry;
}

void DefineMappingDialog::showFields(const TMod_Reg& entry, bool withSend)
{
    E_Index_Modbus->setText(entry.Ind_Mod);
    selectOrFirst(CB_Byte_High_Part, entry.HiPart);
    selectOrFirst(CB_Byte_Low_Part, entry.LoPart);
    if (withSend && CB_SendCAN_OnModWrite)
        selectOrFirst(CB_SendCAN_OnModWrite, entry.Write);
}

void DefineMappingDialog::createClick()
{
    const int frame = selectedFrame();
    if (frame < 0) {
        m_prompter.error(m_session.messages[msg::kChooseFrameFirst]);
        return;
    }
    if (const int refusal = m_map.create(frame, readFields())) {
        m_prompter.error(m_session.messages[refusal]);
        return;
    }
    refreshRegisters();
    m_history->record();
}

void DefineMappingDialog::modifyClick()
{
    const int frame = selectedFrame();
    const int reg = selectedRegister();
    if (reg < 0)
        return;
    if (const int refusal = m_map.modify(frame, reg, readFields())) {
        m_prompter.error(m_session.messages[refusal]);
        return;
    }
    refreshRegisters();
    m_history->record();
}

void DefineMappingDialog::deleteClick()
{
    const int reg = selectedRegister();
    if (reg < 0)
        return;
    m_map.remove(selectedFrame(), reg);
    refreshRegisters();
    m_history->record();
}

void DefineMappingDialog::copyClick()
{
    const int reg = selectedRegister();
    if (reg >= 0)
        m_map.copy(selectedFrame(), reg);
}

void DefineMappingDialog::pasteClick()
{
    showFields({m_map.ACopy_Ind_Mod, m_map.ACopy_HiPort, m_map.ACopy_LoPort, m_map.ACopy_Write}, true);
}

void DefineMappingDialog::exportClick()
{
    guarded(m_prompter, [this] { m_map.exportCsv(m_session.ws); });
}

void DefineMappingDialog::importClick()
{
    if (m_prompter.yesNoCancel(m_session.messages[m_map.profile().msgImportQuestion]) != Prompter::Answer::Yes)
        return;
    const QString path = m_prompter.openFile(m_session.ws.Conf_Folder, kMappingCsvFilter);
    if (path.isEmpty())
        return;
    if (guarded(m_prompter, [this, &path] { m_map.importCsvFile(path); })) {
        rebuildAll();
        m_history->record();
    }
}

TFDefineRecCAN::TFDefineRecCAN(Session& session, Prompter& prompter, QWidget* parent)
    : DefineMappingDialog(MappingProfile::receiveSide(), QStringLiteral("TFDefineRecCAN"), session, prompter, parent)
{
}

TFDefineTraCAN::TFDefineTraCAN(Session& session, Prompter& prompter, QWidget* parent)
    : DefineMappingDialog(MappingProfile::transmitSide(), QStringLiteral("TFDefineTraCAN"), session, prompter, parent)
{
}

} // namespace px
