#include "gui/comm/par_gen_dialog.h"

#include "core/lang/english_texts.h"
#include "core/platform/prompter.h"
#include "core/shell/session.h"
#include "gui/common/guard.h"
#include "gui/common/snapshot_undo.h"
#include "gui/common/title_band.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

#include <algorithm>

namespace px {
namespace {

// Geometry. The stacking of the boxes follows fixed rules; the rest is this window's own.
constexpr int kWidth = 420;
constexpr int kBoxLeft = 8;
constexpr int kBoxWidth = kWidth - 2 * kBoxLeft;
constexpr int kBoxGap = 6;               // between two boxes
constexpr int kCollapsedHeight = 26;     // a folded box: caption and expand button only
constexpr int kBelowLowestControl = 15;  // an expanded box ends this far below its lowest shown control
constexpr int kButtonsBelowSlave = 13;   // OK and Cancel sit this far below the slave box
constexpr int kClientBelowSlave = 54;    // the window ends this far below the slave box
constexpr int kFirstRow = 22;
constexpr int kRowStep = 27;
constexpr int kRowHeight = 22;
constexpr int kLabelLeft = 12;
constexpr int kLabelWidth = 104;
constexpr int kFieldLeft = 120;
constexpr int kByteWidth = 40;
constexpr int kDotWidth = 10;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 25;

constexpr int rowTop(int row)
{
    return kFirstRow + row * kRowStep;
}

constexpr int rowBottom(int row)
{
    return rowTop(row) + kRowHeight;
}

// The two items of the CAN type list: technical names, the same in every language.
const QStringList kCanTypes{QStringLiteral("CAN 2.0A (CobID 11 bits)"), QStringLiteral("CAN 2.0B (CobID 29 bits)")};

} // namespace

TFParGen::TFParGen(Session& session, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_session(session), m_prompter(prompter)
{
    setObjectName(QStringLiteral("TFParGen"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_band = new TitleBand(QStringLiteral("L_SW_Desc"), this);

    const auto box = [this](const char* name) {
        auto* b = new QGroupBox(this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    const auto label = [](QWidget* parent, const QString& name, int row) {
        auto* l = new QLabel(parent);
        l->setObjectName(name);
        l->setGeometry(kLabelLeft, rowTop(row), kLabelWidth, kRowHeight);
        return l;
    };
    const auto edit = [this](QWidget* parent, const QString& name, int left, int row, int width) {
        auto* e = new QLineEdit(parent);
        e->setObjectName(name);
        e->setGeometry(left, rowTop(row), width, kRowHeight);
        connect(e, &QLineEdit::textChanged, this, &TFParGen::On_Change);
        // A typed value is one step once its edit ends.
        connect(e, &QLineEdit::editingFinished, this, &TFParGen::recordChange);
        // The undo keys undo steps of the editor, not the field's own typing.
        e->installEventFilter(this);
        return e;
    };
    const auto byteRow = [&](QWidget* parent, const char* prefix, int row, std::array<QLineEdit*, 4>& boxes) {
        for (int i = 0; i < 4; ++i) {
            const int left = kFieldLeft + i * (kByteWidth + kDotWidth);
            boxes[static_cast<std::size_t>(i)] =
                edit(parent, QString::fromLatin1(prefix) + QString::number(i + 1), left, row, kByteWidth);
            if (i < 3) {
                auto* dot = new QLabel(QStringLiteral("."), parent);
                dot->setObjectName(QStringLiteral("L_Dot_%1%2").arg(QString::fromLatin1(prefix).mid(2)).arg(i + 1));
                dot->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
                dot->setGeometry(left + kByteWidth, rowTop(row), kDotWidth, kRowHeight);
                m_dots.push_back(dot);
            }
        }
    };

    // Select Device
    GB_select_Device = box("GB_select_Device");
    CB_Select_Device = new QComboBox(GB_select_Device);
    CB_Select_Device->setObjectName(QStringLiteral("CB_Select_Device"));
    CB_Select_Device->setGeometry(kLabelLeft, rowTop(0), kBoxWidth - 2 * kLabelLeft - 24, kRowHeight);
    connect(CB_Select_Device, &QComboBox::currentIndexChanged, this, &TFParGen::onDeviceChange);
    connect(CB_Select_Device, &QComboBox::currentIndexChanged, this, &TFParGen::recordChange);

    // CAN
    GB_CAN = box("GB_CAN");
    L_CAN_Baud = label(GB_CAN, QStringLiteral("L_CAN_Baud"), 0);
    CB_CAN_Baud = new QComboBox(GB_CAN);
    CB_CAN_Baud->setObjectName(QStringLiteral("CB_CAN_Baud"));
    CB_CAN_Baud->setGeometry(kFieldLeft, rowTop(0), 120, kRowHeight);
    connect(CB_CAN_Baud, &QComboBox::currentIndexChanged, this, &TFParGen::On_Change);
    connect(CB_CAN_Baud, &QComboBox::currentIndexChanged, this, &TFParGen::recordChange);
    L_CAN_Type = label(GB_CAN, QStringLiteral("L_CAN_Type"), 1);
    CB_CAN_Type = new QComboBox(GB_CAN);
    CB_CAN_Type->setObjectName(QStringLiteral("CB_CAN_Type"));
    CB_CAN_Type->setGeometry(kFieldLeft, rowTop(1), 230, kRowHeight);
    CB_CAN_Type->addItems(kCanTypes);
    connect(CB_CAN_Type, &QComboBox::currentIndexChanged, this, &TFParGen::On_Change);
    connect(CB_CAN_Type, &QComboBox::currentIndexChanged, this, &TFParGen::recordChange);
    L_CAN_TO = label(GB_CAN, QStringLiteral("L_CAN_TO"), 2);
    E_CAN_TO = edit(GB_CAN, QStringLiteral("E_CAN_TO"), kFieldLeft, 2, 90);

    // Modbus TCP Slave
    GB_Modbus_TCP_Slave = box("GB_Modbus_TCP_Slave");
    L_IP = label(GB_Modbus_TCP_Slave, QStringLiteral("L_IP"), 0);
    byteRow(GB_Modbus_TCP_Slave, "E_IP", 0, E_IP);
    L_SM = label(GB_Modbus_TCP_Slave, QStringLiteral("L_SM"), 1);
    byteRow(GB_Modbus_TCP_Slave, "E_SM", 1, E_SM);
    CB_ModTCPs_EN_GAT = new QCheckBox(GB_Modbus_TCP_Slave);
    CB_ModTCPs_EN_GAT->setObjectName(QStringLiteral("CB_ModTCPs_EN_GAT"));
    CB_ModTCPs_EN_GAT->setGeometry(kLabelLeft, rowTop(2), kLabelWidth, kRowHeight);
    connect(CB_ModTCPs_EN_GAT, &QCheckBox::clicked, this, &TFParGen::On_Change);
    connect(CB_ModTCPs_EN_GAT, &QCheckBox::clicked, this, &TFParGen::recordChange);
    byteRow(GB_Modbus_TCP_Slave, "E_GAT", 2, E_GAT);
    L_PORT = label(GB_Modbus_TCP_Slave, QStringLiteral("L_PORT"), 3);
    E_PORT = edit(GB_Modbus_TCP_Slave, QStringLiteral("E_PORT"), kFieldLeft, 3, 90);
    CB_ModTCPs_Fast_StartUp = new QCheckBox(GB_Modbus_TCP_Slave);
    CB_ModTCPs_Fast_StartUp->setObjectName(QStringLiteral("CB_ModTCPs_Fast_StartUp"));
    CB_ModTCPs_Fast_StartUp->setGeometry(kLabelLeft, rowTop(4), kBoxWidth - 2 * kLabelLeft, kRowHeight);
    connect(CB_ModTCPs_Fast_StartUp, &QCheckBox::clicked, this, &TFParGen::On_Change);
    connect(CB_ModTCPs_Fast_StartUp, &QCheckBox::clicked, this, &TFParGen::recordChange);

    for (std::size_t i = 0; i < 4; ++i) {
        m_addressChain[i] = E_IP[i];
        m_addressChain[4 + i] = E_SM[i];
        m_addressChain[8 + i] = E_GAT[i];
    }

    // The fold buttons at the top right corner of each box; one of the two is visible.
    m_boxes = {GB_select_Device, GB_CAN, GB_Modbus_TCP_Slave};
    const char* boxNames[BoxCount] = {"Select_Device", "CAN", "Modbus_TCP_Slave"};
    for (int b = 0; b < BoxCount; ++b) {
        const auto i = static_cast<std::size_t>(b);
        const Box which = static_cast<Box>(b);
        const auto foldButton = [&](const char* prefix, Qt::ArrowType arrow) {
            auto* t = new QToolButton(m_boxes[i]);
            t->setObjectName(QString::fromLatin1(prefix) + QString::fromLatin1(boxNames[b]));
            t->setArrowType(arrow);
            t->setAutoRaise(true);
            t->setGeometry(kBoxWidth - 26, 4, 20, 18);
            return t;
        };
        m_collapse[i] = foldButton("Btn_Collapse_", Qt::UpArrow);
        m_expand[i] = foldButton("Btn_Expand_", Qt::DownArrow);
        connect(m_collapse[i], &QToolButton::clicked, this, [this, which] { Btn_GB_Collapse(which); });
        connect(m_expand[i], &QToolButton::clicked, this, [this, which] { Btn_GB_Expande(which); });
    }

    Btn_OK = new QPushButton(this);
    Btn_OK->setObjectName(QStringLiteral("Btn_OK"));
    Btn_OK->setDefault(true);
    Btn_Cancel = new QPushButton(this);
    Btn_Cancel->setObjectName(QStringLiteral("Btn_Cancel"));
    connect(Btn_OK, &QPushButton::clicked, this, &TFParGen::accept);
    connect(Btn_Cancel, &QPushButton::clicked, this, &TFParGen::Btn_CancelClick);
    Btn_Undo = new QPushButton(this);
    Btn_Undo->setObjectName(QStringLiteral("Btn_Undo"));
    Btn_Redo = new QPushButton(this);
    Btn_Redo->setObjectName(QStringLiteral("Btn_Redo"));
    for (QPushButton* b : {Btn_Undo, Btn_Redo})
        b->setAutoDefault(false);
    m_undoStack = new QUndoStack(this);
    m_history = std::make_unique<SnapshotHistory<QStringList>>(
        m_undoStack, [this] { return controlValues(); }, [this](const QStringList& v) { restoreControls(v); });
    // A field still being typed in becomes a step of its own first.
    connectUndoControls(this, m_undoStack, Btn_Undo, Btn_Redo, [this] { recordChange(); });

    // Texts and the first device item, then 1000K, the rate shown until a file says otherwise.
    Set_Lang();
    m_filling = true;
    CB_CAN_Baud->setCurrentIndex(*baudPositionForCode(kDefaultBaudCode, kJumperDevice));
    m_filling = false;
    Collapse_Expand_Creation();
    m_isChange = false;
    m_shownValues = controlValues();
    m_history->reset();
}

TFParGen::~TFParGen() = default;

QStringList TFParGen::controlValues() const
{
    QStringList values{QString::number(CB_Select_Device->currentIndex()), QString::number(CB_CAN_Baud->currentIndex()),
                       QString::number(CB_CAN_Type->currentIndex()), E_CAN_TO->text(), E_PORT->text(),
                       CB_ModTCPs_EN_GAT->isChecked() ? QStringLiteral("Y") : QStringLiteral("N"),
                       CB_ModTCPs_Fast_StartUp->isChecked() ? QStringLiteral("Y") : QStringLiteral("N")};
    for (const QLineEdit* e : m_addressChain)
        values << e->text();
    return values;
}

void TFParGen::restoreControls(const QStringList& values)
{
    const bool was = m_filling;
    m_filling = true;
    CB_Select_Device->setCurrentIndex(values.value(0).toInt());
    CB_CAN_Baud->setCurrentIndex(values.value(1).toInt());
    CB_CAN_Type->setCurrentIndex(values.value(2).toInt());
    E_CAN_TO->setText(values.value(3));
    E_PORT->setText(values.value(4));
    CB_ModTCPs_EN_GAT->setChecked(values.value(5) == QStringLiteral("Y"));
    CB_ModTCPs_Fast_StartUp->setChecked(values.value(6) == QStringLiteral("Y"));
    for (std::size_t i = 0; i < m_addressChain.size(); ++i)
        m_addressChain[i]->setText(values.value(7 + static_cast<qsizetype>(i)));
    m_filling = was;
    // Undone back to what the showing filled in, Cancel no longer asks.
    m_isChange = values != m_shownValues;
}

void TFParGen::recordChange()
{
    if (!m_filling && m_history)
        m_history->record();
}

void TFParGen::Set_Lang()
{
    const MessageTable& m = m_session.messages;
    setWindowTitle(m[90]);
    m_band->descriptionLabel()->setText(m[91]);
    Btn_OK->setText(m[92]);
    Btn_Cancel->setText(m[93]);
    Btn_OK->setToolTip(m[327]);
    Btn_Cancel->setToolTip(m[328]);
    Btn_Undo->setText(m[msg::kUndo]);
    Btn_Redo->setText(m[msg::kRedo]);

    GB_select_Device->setTitle(m[94]);
    {
        // The device list takes the new texts and starts again at its first item; the
        // next showing puts the file's value back.
        const bool was = m_filling;
        m_filling = true;
        CB_Select_Device->clear();
        CB_Select_Device->addItems({m[95], m[96]});
        CB_Select_Device->setCurrentIndex(0);
        m_filling = was;
    }
    CB_Select_Device->setToolTip(m[292]);

    GB_CAN->setTitle(m[97]);
    L_CAN_Baud->setText(m[98]);
    L_CAN_Type->setText(m[99]);
    L_CAN_TO->setText(m[100]);
    CB_CAN_Baud->setToolTip(m[293]);
    CB_CAN_Type->setToolTip(m[294]);
    E_CAN_TO->setToolTip(m[295]);

    GB_Modbus_TCP_Slave->setTitle(m[101]);
    L_IP->setText(m[102]);
    L_SM->setText(m[103]);
    CB_ModTCPs_EN_GAT->setText(m[104]);
    CB_ModTCPs_EN_GAT->setToolTip(m[304]);
    L_PORT->setText(m[105]);
    E_PORT->setToolTip(m[309]);
    CB_ModTCPs_Fast_StartUp->setText(m[106]);
    CB_ModTCPs_Fast_StartUp->setToolTip(m[310]);
    for (int i = 0; i < 4; ++i) {
        const auto k = static_cast<std::size_t>(i);
        E_IP[k]->setToolTip(m[296 + i]);
        E_SM[k]->setToolTip(m[300 + i]);
        E_GAT[k]->setToolTip(m[305 + i]);
    }
    for (std::size_t b = 0; b < BoxCount; ++b) {
        m_collapse[b]->setToolTip(m[107]);
        m_expand[b]->setToolTip(m[108]);
    }
}

void TFParGen::FormShow()
{
    // Read first: a file that does not parse leaves the controls as they were.
    const GeneralParameters p = readGeneralParametersFile(m_session.ws.File_ParGen);

    m_filling = true;
    // A device type other than 0 and 1, only possible in a hand-edited file, is shown as
    // the jumper device, as the rest of the program treats it.
    CB_Select_Device->setCurrentIndex(p.deviceType == kDipSwitchDevice ? 1 : 0);
    Update_CAN_Baud();
    // A code that maps onto no position leaves the rate shown last.
    if (const auto position = baudPositionForCode(p.baudCode, selectedDevice()))
        CB_CAN_Baud->setCurrentIndex(*position < CB_CAN_Baud->count() ? *position : -1);
    CB_CAN_Type->setCurrentIndex(p.canType == 1 ? 1 : 0);
    E_CAN_TO->setText(p.canTimeOut);
    for (std::size_t i = 0; i < 4; ++i) {
        E_IP[i]->setText(p.ip[i]);
        E_SM[i]->setText(p.subnet[i]);
    }
    CB_ModTCPs_EN_GAT->setChecked(p.gatewayEnabled);
    for (std::size_t i = 0; i < 4; ++i)
        E_GAT[i]->setText(p.gateway[i]);
    E_PORT->setText(p.port);
    CB_ModTCPs_Fast_StartUp->setChecked(p.fastBoot);
    m_filling = false;

    m_isChange = false;
    Move_GroupBoxs();
    Update_CAN_Baud();
    m_shownValues = controlValues();
    m_history->reset();
    CB_Select_Device->setFocus();
}

bool TFParGen::execShow()
{
    if (!guarded(m_prompter, [this] { FormShow(); }))
        return false;
    return exec() == QDialog::Accepted;
}

GeneralParameters TFParGen::readControls() const
{
    GeneralParameters p;
    p.deviceType = selectedDevice();
    p.baudCode = baudCodeForPosition(CB_CAN_Baud->currentIndex());
    p.canType = CB_CAN_Type->currentIndex() == 1 ? 1 : 0;
    p.canTimeOut = E_CAN_TO->text();
    for (std::size_t i = 0; i < 4; ++i) {
        p.ip[i] = E_IP[i]->text();
        p.subnet[i] = E_SM[i]->text();
        p.gateway[i] = E_GAT[i]->text();
    }
    p.gatewayEnabled = CB_ModTCPs_EN_GAT->isChecked();
    p.port = E_PORT->text();
    p.fastBoot = CB_ModTCPs_Fast_StartUp->isChecked();
    return p;
}

void TFParGen::accept()
{
    const GeneralParameters p = readControls();
    if (const std::optional<SettingsFault> fault = validate(p)) {
        m_prompter.error(m_session.messages[fault->messageId]);
        return;
    }
    // A refused write is reported and the window stays open with every value as typed.
    if (!guarded(m_prompter, [&] { writeGeneralParametersFile(m_session.ws.File_ParGen, p); }))
        return;
    QDialog::accept();
}

void TFParGen::Btn_CancelClick()
{
    if (m_isChange && !m_prompter.yesNo(m_session.messages[123]))
        return;
    QDialog::reject();
}

void TFParGen::keyPressEvent(QKeyEvent* event)
{
    // Escape is the Cancel button, with its question after a change.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Btn_CancelClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TFParGen::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride && isUndoRedoKey(static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;
    }
    const bool addressBox = std::find(m_addressChain.begin(), m_addressChain.end(), watched) != m_addressChain.end();
    if (addressBox && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Period || key->text() == QStringLiteral(".")) {
            // "." never enters an address box: it moves along IP, mask and gateway, and
            // is swallowed in the last box.
            const auto it = std::find(m_addressChain.begin(), m_addressChain.end(), watched);
            if (it != m_addressChain.end() && it + 1 != m_addressChain.end()) {
                QLineEdit* next = *(it + 1);
                if (next->isVisible() && next->isEnabled())
                    next->setFocus(Qt::TabFocusReason);
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFParGen::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (const QScreen* s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
    moveOnScreen();
}

void TFParGen::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        moveOnScreen();
}

// A window whose top edge lies above the screen is moved down to the top of the screen.
void TFParGen::moveOnScreen()
{
    const QScreen* s = screen();
    if (!s)
        return;
    const int top = s->availableGeometry().top();
    if (frameGeometry().top() < top)
        move(x(), y() + top - frameGeometry().top());
}

void TFParGen::On_Change()
{
    if (!m_filling)
        m_isChange = true;
}

void TFParGen::onDeviceChange()
{
    On_Change();
    Update_CAN_Baud();
    Move_GroupBoxs();
}

DeviceType TFParGen::selectedDevice() const
{
    return CB_Select_Device->currentIndex() == 0 ? kJumperDevice : kDipSwitchDevice;
}

// Rebuilds the baud list for the selected device, keeping the list position; a position
// the new list lacks ("75K" on the jumper device) leaves no rate selected.
void TFParGen::Update_CAN_Baud()
{
    const int position = CB_CAN_Baud->currentIndex();
    const QStringList labels = baudRateLabels(selectedDevice());
    const bool was = m_filling;
    m_filling = true;
    CB_CAN_Baud->clear();
    CB_CAN_Baud->addItems(labels);
    CB_CAN_Baud->setCurrentIndex(position < CB_CAN_Baud->count() ? position : -1);
    m_filling = was;
}

void TFParGen::Collapse_Expand_Creation()
{
    m_expanded = {true, true, true};
    Move_GroupBoxs();
}

void TFParGen::Btn_GB_Collapse(Box box)
{
    m_expanded[static_cast<std::size_t>(box)] = false;
    Move_GroupBoxs();
}

void TFParGen::Btn_GB_Expande(Box box)
{
    m_expanded[static_cast<std::size_t>(box)] = true;
    Move_GroupBoxs();
}

// Shows the rows that the device generation has, folds or unfolds each box, and stacks
// the boxes and the buttons. A folded box hides all its fields, so none of them can take
// the focus unseen.
void TFParGen::Move_GroupBoxs()
{
    const bool jumper = selectedDevice() == kJumperDevice;
    const bool deviceOpen = m_expanded[SelectDevice];
    const bool canOpen = m_expanded[Can];
    const bool slaveOpen = m_expanded[ModbusTcpSlave];

    CB_Select_Device->setVisible(deviceOpen);

    L_CAN_Baud->setVisible(canOpen);
    CB_CAN_Baud->setVisible(canOpen);
    for (QWidget* w : {static_cast<QWidget*>(L_CAN_Type), static_cast<QWidget*>(CB_CAN_Type), static_cast<QWidget*>(L_CAN_TO),
                       static_cast<QWidget*>(E_CAN_TO)})
        w->setVisible(canOpen && jumper);

    for (QWidget* w : {static_cast<QWidget*>(L_IP), static_cast<QWidget*>(L_SM), static_cast<QWidget*>(CB_ModTCPs_EN_GAT),
                       static_cast<QWidget*>(L_PORT), static_cast<QWidget*>(E_PORT)})
        w->setVisible(slaveOpen);
    for (QLineEdit* e : m_addressChain)
        e->setVisible(slaveOpen);
    for (QLabel* dot : m_dots)
        dot->setVisible(slaveOpen);
    CB_ModTCPs_Fast_StartUp->setVisible(slaveOpen && jumper);

    for (std::size_t b = 0; b < BoxCount; ++b) {
        m_collapse[b]->setVisible(m_expanded[b]);
        m_expand[b]->setVisible(!m_expanded[b]);
    }

    const int lowest[BoxCount] = {
        rowBottom(0),
        jumper ? rowBottom(2) : rowBottom(0),
        jumper ? rowBottom(4) : rowBottom(3),
    };
    const int bandHeight = m_band->sizeHint().height();
    m_band->setGeometry(0, 0, kWidth, bandHeight);
    int top = bandHeight + kBoxGap;
    for (std::size_t b = 0; b < BoxCount; ++b) {
        const int height = m_expanded[b] ? lowest[b] + kBelowLowestControl : kCollapsedHeight;
        m_boxes[b]->setGeometry(kBoxLeft, top, kBoxWidth, height);
        top += height + kBoxGap;
    }
    const int slaveBottom = GB_Modbus_TCP_Slave->geometry().bottom() + 1;
    const int buttonsTop = slaveBottom + kButtonsBelowSlave;
    const int cancelLeft = kWidth - kBoxLeft - kButtonWidth;
    Btn_Cancel->setGeometry(cancelLeft, buttonsTop, kButtonWidth, kButtonHeight);
    Btn_OK->setGeometry(cancelLeft - kBoxGap - kButtonWidth, buttonsTop, kButtonWidth, kButtonHeight);
    Btn_Undo->setGeometry(kBoxLeft, buttonsTop, kButtonWidth, kButtonHeight);
    Btn_Redo->setGeometry(kBoxLeft + kButtonWidth + kBoxGap, buttonsTop, kButtonWidth, kButtonHeight);
    setFixedSize(kWidth, slaveBottom + kClientBelowSlave);
}

} // namespace px
