#include "gui/comm/communication_settings_dialog.h"

#include "core/base/error.h"

#include "core/lang/message_ids.h"
#include "core/lang/message_table.h"
#include "core/services/prompter.h"
#include "core/shell/session.h"
#include "gui/common/guard.h"
#include "gui/common/save_edit.h"
#include "gui/common/snapshot_undo.h"
#include "gui/common/title_band.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QToolButton>

#include <algorithm>

namespace px {
namespace {

// The window's proportions. Widths and heights of texts come from the layouts; these are
// the gaps and the least sizes, so that in English the window looks as it always has.
constexpr int kMinimumWidth = 420;
constexpr int kBoxSide = 8;              // between the window's edge and the boxes
constexpr int kBoxGap = 6;               // between two boxes
constexpr int kCollapsedHeight = 26;     // a folded box: caption and expand button only
constexpr int kFirstRowTop = 22;         // the first row of controls below a box's top edge
constexpr int kBelowLowestControl = 15;  // an expanded box ends this far below its lowest shown control
constexpr int kButtonsBelowSlave = 13;   // OK and Cancel sit this far below the slave box
constexpr int kClientBelowSlave = 54;    // the window ends this far below the slave box
constexpr int kRowGap = 5;
constexpr int kFieldHeight = 22;
constexpr int kLabelLeft = 12;
constexpr int kLabelColumnWidth = 104;   // the least width of the label column
constexpr int kColumnGap = 4;
constexpr int kByteWidth = 40;
constexpr int kDotWidth = 10;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 25;
constexpr int kFoldButtonWidth = 20;
constexpr int kFoldButtonHeight = 18;
constexpr int kFoldButtonRight = 6;      // between the fold button and the box's right edge
constexpr int kFoldButtonTop = 4;
constexpr int kTitleToFoldButton = 6;

// The two items of the CAN type list: technical names, the same in every language.
const QStringList kCanTypes{QStringLiteral("CAN 2.0A (CobID 11 bits)"), QStringLiteral("CAN 2.0B (CobID 29 bits)")};

// Where the style draws a box's caption, measured in a box wide enough for any caption.
QRect captionRect(const QGroupBox* box)
{
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.rect = QRect(0, 0, 100000, 100);
    option.text = box->title();
    option.textAlignment = box->alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    option.lineWidth = 1;
    return box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
}

} // namespace

CommunicationSettingsDialog::CommunicationSettingsDialog(Session& session, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_session(session), m_prompter(prompter)
{
    setObjectName(QStringLiteral("communicationSettingsDialog"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_band = new TitleBand(QStringLiteral("descriptionLabel"), this);

    const auto makeBox = [this](Box which, const char* name) {
        auto* b = new QGroupBox(this);
        b->setObjectName(QString::fromLatin1(name));
        auto* grid = new QGridLayout(b);
        grid->setHorizontalSpacing(kColumnGap);
        grid->setVerticalSpacing(kRowGap);
        grid->setColumnStretch(1, 1);
        m_boxes[which] = b;
        m_grids[which] = grid;
        // The fold buttons follow the box's right edge.
        b->installEventFilter(this);
        return b;
    };
    const auto label = [](QWidget* parent, const char* name) {
        auto* l = new QLabel(parent);
        l->setObjectName(QString::fromLatin1(name));
        l->setMinimumHeight(kFieldHeight);
        return l;
    };
    const auto edit = [this](QWidget* parent, const QString& name, int width) {
        auto* e = new QLineEdit(parent);
        e->setObjectName(name);
        e->setFixedWidth(width);
        e->setMinimumHeight(kFieldHeight);
        connect(e, &QLineEdit::textChanged, this, &CommunicationSettingsDialog::markChanged);
        // A typed value is one step once its edit ends.
        connect(e, &QLineEdit::editingFinished, this, &CommunicationSettingsDialog::recordChange);
        // The undo keys undo steps of the editor, not the field's own typing.
        e->installEventFilter(this);
        return e;
    };
    const auto combo = [this](QWidget* parent, const char* name) {
        auto* c = new QComboBox(parent);
        c->setObjectName(QString::fromLatin1(name));
        c->setMinimumHeight(kFieldHeight);
        c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        return c;
    };
    const auto checkBox = [this](QWidget* parent, const char* name) {
        auto* c = new QCheckBox(parent);
        c->setObjectName(QString::fromLatin1(name));
        c->setMinimumHeight(kFieldHeight);
        connect(c, &QCheckBox::clicked, this, &CommunicationSettingsDialog::markChanged);
        connect(c, &QCheckBox::clicked, this, &CommunicationSettingsDialog::recordChange);
        return c;
    };
    // Four byte boxes with a "." between them, left in their cell.
    const auto byteRow = [&](QWidget* parent, const char* prefix, std::array<QLineEdit*, 4>& boxes) {
        auto* row = new QHBoxLayout;
        row->setSpacing(0);
        for (int i = 0; i < 4; ++i) {
            QLineEdit* e = edit(parent, QString::fromLatin1(prefix) + QString::number(i + 1), kByteWidth);
            boxes[static_cast<std::size_t>(i)] = e;
            row->addWidget(e);
            if (i < 3) {
                auto* dot = new QLabel(QStringLiteral("."), parent);
                dot->setObjectName(QString::fromLatin1(prefix) + QStringLiteral("Dot%1").arg(i + 1));
                dot->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
                dot->setFixedWidth(kDotWidth);
                row->addWidget(dot);
                m_dots.push_back(dot);
            }
        }
        row->addStretch(1);
        return row;
    };

    // Select Device
    QGroupBox* deviceBox = makeBox(DeviceBox, "deviceGroup");
    m_device = combo(deviceBox, "deviceChoice");
    m_device->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_device, &QComboBox::currentIndexChanged, this, &CommunicationSettingsDialog::onDeviceChange);
    connect(m_device, &QComboBox::currentIndexChanged, this, &CommunicationSettingsDialog::recordChange);
    m_grids[DeviceBox]->addWidget(m_device, 0, 0, 1, 2);

    // CAN
    QGroupBox* canBox = makeBox(CanBox, "canGroup");
    QGridLayout* canGrid = m_grids[CanBox];
    m_baudLabel = label(canBox, "bitRateLabel");
    m_baud = combo(canBox, "bitRateChoice");
    m_baud->setMinimumWidth(120);
    connect(m_baud, &QComboBox::currentIndexChanged, this, &CommunicationSettingsDialog::markChanged);
    connect(m_baud, &QComboBox::currentIndexChanged, this, &CommunicationSettingsDialog::recordChange);
    m_canTypeLabel = label(canBox, "canTypeLabel");
    m_canType = combo(canBox, "canTypeChoice");
    m_canType->setMinimumWidth(230);
    m_canType->addItems(kCanTypes);
    connect(m_canType, &QComboBox::currentIndexChanged, this, &CommunicationSettingsDialog::markChanged);
    connect(m_canType, &QComboBox::currentIndexChanged, this, &CommunicationSettingsDialog::recordChange);
    m_canTimeOutLabel = label(canBox, "canTimeOutLabel");
    m_canTimeOut = edit(canBox, QStringLiteral("canTimeOutEdit"), 90);
    canGrid->addWidget(m_baudLabel, 0, 0);
    canGrid->addWidget(m_baud, 0, 1, Qt::AlignLeft);
    canGrid->addWidget(m_canTypeLabel, 1, 0);
    canGrid->addWidget(m_canType, 1, 1, Qt::AlignLeft);
    canGrid->addWidget(m_canTimeOutLabel, 2, 0);
    canGrid->addWidget(m_canTimeOut, 2, 1, Qt::AlignLeft);

    // Modbus TCP Slave
    QGroupBox* slaveBox = makeBox(SlaveBox, "modbusGroup");
    QGridLayout* slaveGrid = m_grids[SlaveBox];
    m_ipLabel = label(slaveBox, "ipAddressLabel");
    slaveGrid->addWidget(m_ipLabel, 0, 0);
    slaveGrid->addLayout(byteRow(slaveBox, "ipAddressByte", m_ip), 0, 1);
    m_subnetLabel = label(slaveBox, "subnetMaskLabel");
    slaveGrid->addWidget(m_subnetLabel, 1, 0);
    slaveGrid->addLayout(byteRow(slaveBox, "subnetMaskByte", m_subnet), 1, 1);
    m_gatewayEnabled = checkBox(slaveBox, "gatewayEnabledCheck");
    slaveGrid->addWidget(m_gatewayEnabled, 2, 0);
    slaveGrid->addLayout(byteRow(slaveBox, "gatewayByte", m_gateway), 2, 1);
    m_portLabel = label(slaveBox, "portLabel");
    m_port = edit(slaveBox, QStringLiteral("portEdit"), 90);
    slaveGrid->addWidget(m_portLabel, 3, 0);
    slaveGrid->addWidget(m_port, 3, 1, Qt::AlignLeft);
    m_fastBoot = checkBox(slaveBox, "fastStartUpCheck");
    slaveGrid->addWidget(m_fastBoot, 4, 0, 1, 2);

    m_baudLabel->setBuddy(m_baud);
    m_canTypeLabel->setBuddy(m_canType);
    m_canTimeOutLabel->setBuddy(m_canTimeOut);
    m_ipLabel->setBuddy(m_ip[0]);
    m_subnetLabel->setBuddy(m_subnet[0]);
    m_portLabel->setBuddy(m_port);

    for (std::size_t i = 0; i < 4; ++i) {
        m_addressChain[i] = m_ip[i];
        m_addressChain[4 + i] = m_subnet[i];
        m_addressChain[8 + i] = m_gateway[i];
    }

    // The fold buttons at the top right corner of each box; one of the two is visible.
    const char* boxNames[BoxCount] = {"Device", "Can", "Modbus"};
    for (int b = 0; b < BoxCount; ++b) {
        const auto i = static_cast<std::size_t>(b);
        const Box which = static_cast<Box>(b);
        const auto foldButton = [&](const char* prefix, Qt::ArrowType arrow) {
            auto* t = new QToolButton(m_boxes[i]);
            t->setObjectName(QString::fromLatin1(prefix) + QString::fromLatin1(boxNames[b]) + QStringLiteral("Button"));
            t->setArrowType(arrow);
            t->setAutoRaise(true);
            t->resize(kFoldButtonWidth, kFoldButtonHeight);
            return t;
        };
        m_collapse[i] = foldButton("collapse", Qt::UpArrow);
        m_expand[i] = foldButton("expand", Qt::DownArrow);
        connect(m_collapse[i], &QToolButton::clicked, this, [this, which] { setExpanded(which, false); });
        connect(m_expand[i], &QToolButton::clicked, this, [this, which] { setExpanded(which, true); });
    }

    const auto button = [this](const char* name) {
        auto* b = new QPushButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setMinimumWidth(kButtonWidth);
        b->setFixedHeight(kButtonHeight);
        return b;
    };
    m_undo = button("undoButton");
    m_redo = button("redoButton");
    m_ok = button("okButton");
    m_cancel = button("cancelButton");
    m_ok->setDefault(true);
    for (QPushButton* b : {m_undo, m_redo})
        b->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, &CommunicationSettingsDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CommunicationSettingsDialog::cancel);

    // The band across the top, the boxes one below the other, the buttons below them. The
    // window takes the size its contents need, never less than its usual width.
    auto* window = new QVBoxLayout(this);
    window->setSizeConstraint(QLayout::SetFixedSize);
    window->setContentsMargins(0, 0, 0, kClientBelowSlave - kButtonsBelowSlave - kButtonHeight);
    window->setSpacing(0);
    window->addStrut(kMinimumWidth);
    window->addWidget(m_band);
    window->addSpacing(kBoxGap);
    auto* boxes = new QVBoxLayout;
    boxes->setContentsMargins(kBoxSide, 0, kBoxSide, 0);
    boxes->setSpacing(kBoxGap);
    for (QGroupBox* b : m_boxes)
        boxes->addWidget(b);
    window->addLayout(boxes);
    window->addSpacing(kButtonsBelowSlave);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(kBoxSide, 0, kBoxSide, 0);
    buttons->setSpacing(kBoxGap);
    buttons->addWidget(m_undo);
    buttons->addWidget(m_redo);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    window->addLayout(buttons);

    m_undoStack = new QUndoStack(this);
    m_history = std::make_unique<SnapshotHistory<QStringList>>(
        m_undoStack, [this] { return controlValues(); }, [this](const QStringList& v) { restoreControls(v); });
    // A field still being typed in becomes a step of its own first.
    connectUndoControls(this, m_undoStack, m_undo, m_redo, [this] { recordChange(); });

    // Texts and the first device item, then 1000K, the rate shown until a file says otherwise.
    applyLanguage();
    m_filling = true;
    m_baud->setCurrentIndex(*baudPositionForCode(kDefaultBaudCode, kJumperDevice));
    m_filling = false;
    m_expanded = {true, true, true};
    arrange();
    m_changed = false;
    m_shownValues = controlValues();
    m_history->reset();
}

CommunicationSettingsDialog::~CommunicationSettingsDialog() = default;

QStringList CommunicationSettingsDialog::controlValues() const
{
    QStringList values{QString::number(m_device->currentIndex()), QString::number(m_baud->currentIndex()),
                       QString::number(m_canType->currentIndex()), m_canTimeOut->text(), m_port->text(),
                       m_gatewayEnabled->isChecked() ? QStringLiteral("Y") : QStringLiteral("N"),
                       m_fastBoot->isChecked() ? QStringLiteral("Y") : QStringLiteral("N")};
    for (const QLineEdit* e : m_addressChain)
        values << e->text();
    return values;
}

void CommunicationSettingsDialog::restoreControls(const QStringList& values)
{
    const bool was = m_filling;
    m_filling = true;
    m_device->setCurrentIndex(values.value(0).toInt());
    m_baud->setCurrentIndex(values.value(1).toInt());
    m_canType->setCurrentIndex(values.value(2).toInt());
    m_canTimeOut->setText(values.value(3));
    m_port->setText(values.value(4));
    m_gatewayEnabled->setChecked(values.value(5) == QStringLiteral("Y"));
    m_fastBoot->setChecked(values.value(6) == QStringLiteral("Y"));
    for (std::size_t i = 0; i < m_addressChain.size(); ++i)
        m_addressChain[i]->setText(values.value(7 + static_cast<qsizetype>(i)));
    m_filling = was;
    // Undone back to what the showing filled in, Cancel no longer asks.
    m_changed = values != m_shownValues;
}

void CommunicationSettingsDialog::recordChange()
{
    if (!m_filling && m_history)
        m_history->record();
}

void CommunicationSettingsDialog::applyLanguage()
{
    const MessageTable& m = m_session.messages;
    setWindowTitle(m[msg::kCommTitle]);
    m_band->descriptionLabel()->setText(m[msg::kCommDescription]);
    m_ok->setText(m[msg::kCommOk]);
    m_cancel->setText(m[msg::kCommCancel]);
    m_ok->setToolTip(m[msg::kCommOkHint]);
    m_cancel->setToolTip(m[msg::kCommCancelHint]);
    m_undo->setText(m[msg::kUndo]);
    m_redo->setText(m[msg::kRedo]);

    m_boxes[DeviceBox]->setTitle(m[msg::kCommDeviceGroup]);
    {
        // The device list takes the new texts and starts again at its first item; the
        // next showing puts the file's value back.
        const bool was = m_filling;
        m_filling = true;
        m_device->clear();
        m_device->addItems({m[msg::kCommDeviceJumper], m[msg::kCommDeviceDip]});
        m_device->setCurrentIndex(0);
        m_filling = was;
    }
    m_device->setToolTip(m[msg::kCommDeviceHint]);

    m_boxes[CanBox]->setTitle(m[msg::kCommCanGroup]);
    m_baudLabel->setText(m[msg::kCommBaudrate]);
    m_canTypeLabel->setText(m[msg::kCommCanType]);
    m_canTimeOutLabel->setText(m[msg::kCommCanTimeOut]);
    m_baud->setToolTip(m[msg::kCommBaudrateHint]);
    m_canType->setToolTip(m[msg::kCommCanTypeHint]);
    m_canTimeOut->setToolTip(m[msg::kCommCanTimeOutHint]);

    m_boxes[SlaveBox]->setTitle(m[msg::kCommSlaveGroup]);
    m_ipLabel->setText(m[msg::kCommSlaveIpAddress]);
    m_subnetLabel->setText(m[msg::kCommSlaveSubnetMask]);
    m_gatewayEnabled->setText(m[msg::kCommSlaveGateway]);
    m_gatewayEnabled->setToolTip(m[msg::kCommSlaveGatewayEnableHint]);
    m_portLabel->setText(m[msg::kCommSlavePort]);
    m_port->setToolTip(m[msg::kCommSlavePortHint]);
    m_fastBoot->setText(m[msg::kCommFastStartUp]);
    m_fastBoot->setToolTip(m[msg::kCommFastStartUpHint]);
    const std::array<int, 4> ipHints{msg::kCommSlaveIp1Hint, msg::kCommSlaveIp2Hint, msg::kCommSlaveIp3Hint, msg::kCommSlaveIp4Hint};
    const std::array<int, 4> maskHints{msg::kCommSlaveMask1Hint, msg::kCommSlaveMask2Hint, msg::kCommSlaveMask3Hint, msg::kCommSlaveMask4Hint};
    const std::array<int, 4> gatewayHints{msg::kCommSlaveGateway1Hint, msg::kCommSlaveGateway2Hint, msg::kCommSlaveGateway3Hint, msg::kCommSlaveGateway4Hint};
    for (std::size_t i = 0; i < 4; ++i) {
        m_ip[i]->setToolTip(m[ipHints[i]]);
        m_subnet[i]->setToolTip(m[maskHints[i]]);
        m_gateway[i]->setToolTip(m[gatewayHints[i]]);
        // A screen reader names each byte box by its row and place.
        const QString place = QString::number(i + 1);
        m_ip[i]->setAccessibleName(m[msg::kCommSlaveIpAddress] + u' ' + place);
        m_subnet[i]->setAccessibleName(m[msg::kCommSlaveSubnetMask] + u' ' + place);
        m_gateway[i]->setAccessibleName(m[msg::kCommSlaveGateway] + u' ' + place);
    }
    m_canTimeOut->setAccessibleName(m[msg::kCommCanTimeOut]);
    m_port->setAccessibleName(m[msg::kCommSlavePort]);
    for (std::size_t b = 0; b < BoxCount; ++b) {
        m_collapse[b]->setToolTip(m[msg::kCommCollapse]);
        m_expand[b]->setToolTip(m[msg::kCommExpand]);
        m_collapse[b]->setAccessibleName(m[msg::kCommCollapse]);
        m_expand[b]->setAccessibleName(m[msg::kCommExpand]);
    }
    updateLabelColumn();
    arrange();
}

// The labels of the CAN and the slave box share one column as wide as the longest of them,
// so the fields of both boxes stand one below the other; each box is at least as wide as
// its caption and its fold button.
void CommunicationSettingsDialog::updateLabelColumn()
{
    int width = kLabelColumnWidth;
    for (const QWidget* w : {static_cast<const QWidget*>(m_baudLabel), static_cast<const QWidget*>(m_canTypeLabel),
                             static_cast<const QWidget*>(m_canTimeOutLabel), static_cast<const QWidget*>(m_ipLabel),
                             static_cast<const QWidget*>(m_subnetLabel), static_cast<const QWidget*>(m_gatewayEnabled),
                             static_cast<const QWidget*>(m_portLabel)})
        width = std::max(width, w->sizeHint().width());
    m_grids[CanBox]->setColumnMinimumWidth(0, width);
    m_grids[SlaveBox]->setColumnMinimumWidth(0, width);
    for (QGroupBox* box : m_boxes)
        box->setMinimumWidth(captionRect(box).right() + 1 + kTitleToFoldButton + kFoldButtonWidth + kFoldButtonRight);
}

void CommunicationSettingsDialog::showSettings()
{
    // Read first: a file that does not parse leaves the controls as they were.
    const config::ConfigurationDocument& document = m_session.activeDocument();
    if (const std::optional<Error>& fault = document.readFault(config::ConfigFile::GeneralParameters))
        throw *fault;
    const GeneralParameters p = document.configuration().general;

    m_filling = true;
    // A device type other than 0 and 1, only possible in a hand-edited file, is shown as
    // the jumper device, as the rest of the program treats it.
    m_device->setCurrentIndex(p.deviceType == kDipSwitchDevice ? 1 : 0);
    rebuildBaudList();
    // A code that maps onto no position leaves the rate shown last.
    if (const auto position = baudPositionForCode(p.baudCode, selectedDevice()))
        m_baud->setCurrentIndex(*position < m_baud->count() ? *position : -1);
    m_canType->setCurrentIndex(p.canType == 1 ? 1 : 0);
    m_canTimeOut->setText(p.canTimeOut);
    for (std::size_t i = 0; i < 4; ++i) {
        m_ip[i]->setText(p.ip[i]);
        m_subnet[i]->setText(p.subnet[i]);
    }
    m_gatewayEnabled->setChecked(p.gatewayEnabled);
    for (std::size_t i = 0; i < 4; ++i)
        m_gateway[i]->setText(p.gateway[i]);
    m_port->setText(p.port);
    m_fastBoot->setChecked(p.fastBoot);
    m_filling = false;

    m_changed = false;
    arrange();
    m_shownValues = controlValues();
    m_history->reset();
    m_device->setFocus();
}

bool CommunicationSettingsDialog::execShow()
{
    if (!guarded(m_prompter, m_session.messages, [this] { showSettings(); }))
        return false;
    return exec() == QDialog::Accepted;
}

GeneralParameters CommunicationSettingsDialog::readControls() const
{
    GeneralParameters p;
    p.deviceType = selectedDevice();
    p.baudCode = baudCodeForPosition(m_baud->currentIndex());
    p.canType = m_canType->currentIndex() == 1 ? 1 : 0;
    p.canTimeOut = m_canTimeOut->text();
    for (std::size_t i = 0; i < 4; ++i) {
        p.ip[i] = m_ip[i]->text();
        p.subnet[i] = m_subnet[i]->text();
        p.gateway[i] = m_gateway[i]->text();
    }
    p.gatewayEnabled = m_gatewayEnabled->isChecked();
    p.port = m_port->text();
    p.fastBoot = m_fastBoot->isChecked();
    return p;
}

void CommunicationSettingsDialog::accept()
{
    const GeneralParameters p = readControls();
    if (const std::optional<SettingsFault> fault = validate(p)) {
        m_prompter.error(m_session.messages[fault->messageId]);
        return;
    }
    // A refused write is reported and the window stays open with every value as typed.
    switch (saveEdit(m_session, m_prompter, [&p](config::ConfigurationDocument& document) { return document.setGeneral(p); })) {
    case SaveOutcome::Back:
        return;
    case SaveOutcome::Reloaded:
        guarded(m_prompter, m_session.messages, [this] { showSettings(); });
        return;
    case SaveOutcome::Saved:
        break;
    }
    QDialog::accept();
}

void CommunicationSettingsDialog::cancel()
{
    if (m_changed && !m_prompter.yesNo(m_session.messages[msg::kExitWithoutSavingQuestion]))
        return;
    QDialog::reject();
}

void CommunicationSettingsDialog::closeEvent(QCloseEvent* event)
{
    // The close box is Cancel.
    if (m_changed && !m_prompter.yesNo(m_session.messages[msg::kExitWithoutSavingQuestion])) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void CommunicationSettingsDialog::keyPressEvent(QKeyEvent* event)
{
    // Escape is the Cancel button, with its question after a change.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cancel();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CommunicationSettingsDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize) {
        for (int b = 0; b < BoxCount; ++b) {
            if (watched == m_boxes[static_cast<std::size_t>(b)])
                placeFoldButtons(static_cast<Box>(b));
        }
    }
    if (event->type() == QEvent::ShortcutOverride && isUndoRedoKey(static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;
    }
    const auto it = std::find(m_addressChain.begin(), m_addressChain.end(), watched);
    if (it != m_addressChain.end() && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Period || key->text() == QStringLiteral(".")) {
            // "." never enters an address box: it moves along IP, mask and gateway, and
            // is swallowed in the last box.
            if (it + 1 != m_addressChain.end()) {
                QLineEdit* next = *(it + 1);
                if (next->isVisible() && next->isEnabled())
                    next->setFocus(Qt::TabFocusReason);
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CommunicationSettingsDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (const QScreen* s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
    moveOnScreen();
}

void CommunicationSettingsDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        moveOnScreen();
}

// A window whose top edge lies above the screen is moved down to the top of the screen.
void CommunicationSettingsDialog::moveOnScreen()
{
    const QScreen* s = screen();
    if (!s)
        return;
    const int top = s->availableGeometry().top();
    if (frameGeometry().top() < top)
        move(x(), y() + top - frameGeometry().top());
}

void CommunicationSettingsDialog::markChanged()
{
    if (!m_filling)
        m_changed = true;
}

void CommunicationSettingsDialog::onDeviceChange()
{
    markChanged();
    rebuildBaudList();
    arrange();
}

DeviceType CommunicationSettingsDialog::selectedDevice() const
{
    return m_device->currentIndex() == 0 ? kJumperDevice : kDipSwitchDevice;
}

// Rebuilds the baud list for the selected device, keeping the list position; a position
// the new list lacks ("75K" on the jumper device) leaves no rate selected.
void CommunicationSettingsDialog::rebuildBaudList()
{
    const int position = m_baud->currentIndex();
    const QStringList labels = baudRateLabels(selectedDevice());
    const bool was = m_filling;
    m_filling = true;
    m_baud->clear();
    m_baud->addItems(labels);
    m_baud->setCurrentIndex(position < m_baud->count() ? position : -1);
    m_filling = was;
}

void CommunicationSettingsDialog::setExpanded(Box box, bool expanded)
{
    m_expanded[static_cast<std::size_t>(box)] = expanded;
    arrange();
}

// Shows the rows that the device generation has and folds or unfolds each box. A folded
// box hides all its fields, so none of them can take the focus unseen.
void CommunicationSettingsDialog::arrange()
{
    const bool jumper = selectedDevice() == kJumperDevice;
    const bool deviceOpen = m_expanded[DeviceBox];
    const bool canOpen = m_expanded[CanBox];
    const bool slaveOpen = m_expanded[SlaveBox];

    m_device->setVisible(deviceOpen);

    m_baudLabel->setVisible(canOpen);
    m_baud->setVisible(canOpen);
    for (QWidget* w : {static_cast<QWidget*>(m_canTypeLabel), static_cast<QWidget*>(m_canType),
                       static_cast<QWidget*>(m_canTimeOutLabel), static_cast<QWidget*>(m_canTimeOut)})
        w->setVisible(canOpen && jumper);

    for (QWidget* w : {static_cast<QWidget*>(m_ipLabel), static_cast<QWidget*>(m_subnetLabel),
                       static_cast<QWidget*>(m_gatewayEnabled), static_cast<QWidget*>(m_portLabel),
                       static_cast<QWidget*>(m_port)})
        w->setVisible(slaveOpen);
    for (QLineEdit* e : m_addressChain)
        e->setVisible(slaveOpen);
    for (QLabel* dot : m_dots)
        dot->setVisible(slaveOpen);
    m_fastBoot->setVisible(slaveOpen && jumper);

    for (std::size_t b = 0; b < BoxCount; ++b) {
        m_collapse[b]->setVisible(m_expanded[b]);
        m_expand[b]->setVisible(!m_expanded[b]);
        if (m_expanded[b]) {
            m_boxes[b]->setMinimumHeight(0);
            m_boxes[b]->setMaximumHeight(QWIDGETSIZE_MAX);
        } else {
            m_boxes[b]->setFixedHeight(kCollapsedHeight);
        }
    }
    relayout();
}

// Lays the window out at once rather than at the next turn of the event loop, so that
// what a fold or a device change does is in place when the call returns, shown or not.
void CommunicationSettingsDialog::relayout()
{
    for (std::size_t b = 0; b < BoxCount; ++b) {
        // The rows start kFirstRowTop below the box's top edge and the box ends
        // kBelowLowestControl below its lowest row, whatever frame the style draws.
        const QMargins frame = m_boxes[b]->contentsMargins();
        m_grids[b]->setContentsMargins(std::max(0, kLabelLeft - frame.left()), std::max(0, kFirstRowTop - frame.top()),
                                       std::max(0, kLabelLeft - frame.right()),
                                       std::max(0, kBelowLowestControl - frame.bottom()));
        m_grids[b]->invalidate();
        m_boxes[b]->updateGeometry();
    }
    layout()->invalidate();
    layout()->activate();
    for (std::size_t b = 0; b < BoxCount; ++b) {
        m_grids[b]->activate();
        placeFoldButtons(static_cast<Box>(b));
    }
}

void CommunicationSettingsDialog::placeFoldButtons(Box box)
{
    const auto b = static_cast<std::size_t>(box);
    const int left = m_boxes[b]->width() - kFoldButtonRight - kFoldButtonWidth;
    for (QToolButton* t : {m_collapse[b], m_expand[b]})
        t->setGeometry(left, kFoldButtonTop, kFoldButtonWidth, kFoldButtonHeight);
}

} // namespace px
