#include "gui/sim/virtual_converter_window.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/config/configuration.h"
#include "core/config/signal_table.h"
#include "core/lang/message_table.h"
#include "core/image/compiler.h"
#include "core/lang/message_ids.h"
#include "core/services/prompter.h"
#include "core/services/virtual_converter_ports.h"
#include "core/shell/session.h"
#include "core/sim/configuration_watch.h"
#include "core/sim/event_text.h"
#include "core/sim/replay.h"
#include "core/sim/simulator.h"
#include "gui/common/guard.h"
#include "gui/common/read_only_table.h"

#include <QAbstractTableModel>
#include <QBrush>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace px {

namespace {

constexpr sim::Millis kHighlight = 1000;   // how long a changed register stays highlighted
constexpr int kBatchInterval = 100;        // ms between table updates

QString timeText(const QDateTime& start, sim::Millis time)
{
    return start.addMSecs(time).toString(QStringLiteral("HH:mm:ss.zzz"));
}

} // namespace

// One row per register mapping in use: the register, its value in decimal and hex, its
// physical value where the signal is known, the frame and bytes it comes from or goes to,
// and the time of its last change.
class RegisterTableModel final : public QAbstractTableModel {
public:
    enum Column { Register, Decimal, Hex, Physical, FrameAndBytes, LastChange, ColumnCount };

    RegisterTableModel(const MessageTable& messages, QObject* parent) : QAbstractTableModel(parent), m_messages(messages) {}

    void reset(const sim::Converter* converter, QDateTime start, config::SignalTable signalTable = {})
    {
        beginResetModel();
        m_rows.clear();
        m_rowsOf.clear();
        m_start = std::move(start);
        m_signalTable = std::move(signalTable);
        if (converter) {
            for (const sim::RegisterUse& use : converter->registerUses()) {
                m_rowsOf[use.reg].push_back(static_cast<int>(m_rows.size()));
                const config::Direction direction = use.direction == sim::FrameRef::Direction::Transmit
                    ? config::Direction::Transmit
                    : config::Direction::Receive;
                m_rows.push_back({use.reg, converter->registerValue(use.reg), sim::registerUseText(use), {}, false, direction});
            }
        }
        endResetModel();
    }

    void languageChanged() { Q_EMIT headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1); }

    void setValue(std::uint16_t reg, std::uint16_t value, sim::Millis time)
    {
        const auto it = m_rowsOf.find(reg);
        if (it == m_rowsOf.end())
            return;
        for (const int r : it->second) {
            Row& row = m_rows[static_cast<std::size_t>(r)];
            row.value = value;
            row.changedAt = time;
            row.highlighted = true;
            Q_EMIT dataChanged(index(r, 0), index(r, ColumnCount - 1));
        }
        // The other register of a pair shows the value of both.
        if (!m_signalTable.empty()) {
            for (const int partner : {reg - 1, reg + 1}) {
                const auto p = m_rowsOf.find(static_cast<std::uint16_t>(partner));
                if (partner < 0 || p == m_rowsOf.end())
                    continue;
                for (const int r : p->second)
                    Q_EMIT dataChanged(index(r, Physical), index(r, Physical));
            }
        }
    }

    // Ends the highlight of rows changed longer ago than the highlight lasts.
    void expire(sim::Millis now)
    {
        for (std::size_t r = 0; r < m_rows.size(); ++r) {
            Row& row = m_rows[r];
            if (row.highlighted && now - row.changedAt.value_or(now) >= kHighlight) {
                row.highlighted = false;
                Q_EMIT dataChanged(index(static_cast<int>(r), 0), index(static_cast<int>(r), ColumnCount - 1));
            }
        }
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : ColumnCount; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        const Row& row = m_rows[static_cast<std::size_t>(index.row())];
        if (role == Qt::BackgroundRole)
            return row.highlighted ? QVariant(QBrush(QColor(255, 236, 150))) : QVariant();
        if (role != Qt::DisplayRole)
            return {};
        switch (index.column()) {
        case Register:
            return row.reg;
        case Decimal:
            return row.value;
        case Hex:
            return QStringLiteral("0x%1").arg(row.value, 4, 16, QLatin1Char('0')).toUpper().replace(QStringLiteral("0X"), QStringLiteral("0x"));
        case Physical:
            return config::physicalValueText(m_signalTable, row.direction, row.reg, [this](int reg) -> std::optional<std::uint16_t> {
                const auto it = m_rowsOf.find(static_cast<std::uint16_t>(reg));
                if (reg < 0 || it == m_rowsOf.end())
                    return std::nullopt;
                return m_rows[static_cast<std::size_t>(it->second.front())].value;
            });
        case FrameAndBytes:
            return row.source;
        case LastChange:
            return row.changedAt ? timeText(m_start, *row.changedAt) : QString();
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const int names[] = {msg::kMonitorColumnRegister,   msg::kConverterColumnValue, msg::kConverterColumnHex,
                                    msg::kMonitorColumnPhysical,   msg::kMonitorColumnSource,  msg::kConverterColumnLastChange};
        return m_messages[names[section]];
    }

private:
    struct Row {
        std::uint16_t reg;
        std::uint16_t value;
        QString source;
        std::optional<sim::Millis> changedAt;
        bool highlighted;
        config::Direction direction;
    };
    const MessageTable& m_messages;
    config::SignalTable m_signalTable;
    std::vector<Row> m_rows;
    std::map<std::uint16_t, std::vector<int>> m_rowsOf;
    QDateTime m_start;
};

// The frames on the bus, newest last, at most kLogCapacity lines.
class CanLogModel final : public QAbstractTableModel {
public:
    enum Column { Time, Direction, Identifier, Data, Frame, ColumnCount };
    struct Line {
        QString texts[ColumnCount];
    };

    CanLogModel(const MessageTable& messages, QObject* parent) : QAbstractTableModel(parent), m_messages(messages) {}

    void languageChanged() { Q_EMIT headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1); }

    void clear()
    {
        beginResetModel();
        m_lines.clear();
        endResetModel();
    }

    void append(std::vector<Line> lines)
    {
        if (lines.empty())
            return;
        const int capacity = VirtualConverterWindow::kLogCapacity;
        const int overflow = static_cast<int>(m_lines.size() + lines.size()) - capacity;
        if (overflow > 0) {
            const int drop = std::min(overflow, static_cast<int>(m_lines.size()));
            if (drop > 0) {
                beginRemoveRows({}, 0, drop - 1);
                m_lines.erase(m_lines.begin(), m_lines.begin() + drop);
                endRemoveRows();
            }
        }
        const int first = static_cast<int>(m_lines.size());
        beginInsertRows({}, first, first + static_cast<int>(lines.size()) - 1);
        for (Line& l : lines)
            m_lines.push_back(std::move(l));
        endInsertRows();
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : ColumnCount; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        return m_lines[static_cast<std::size_t>(index.row())].texts[index.column()];
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const int names[] = {msg::kConverterColumnTime, msg::kConverterColumnDirection, msg::kMonitorColumnIdentifier,
                                    msg::kConverterColumnData, msg::kMonitorColumnFrame};
        return m_messages[names[section]];
    }

private:
    const MessageTable& m_messages;
    std::deque<Line> m_lines;
};

// Each receive frame with its state: never received, fresh or timed out.
class ReceiveStateModel final : public QAbstractTableModel {
public:
    ReceiveStateModel(const MessageTable& messages, QObject* parent) : QAbstractTableModel(parent), m_messages(messages) {}

    void languageChanged() { Q_EMIT headerDataChanged(Qt::Horizontal, 0, 3); }

    void reset(const sim::Converter* converter, QStringList names = {})
    {
        beginResetModel();
        m_converter = converter;
        m_names = std::move(names);
        endResetModel();
    }
    void refresh()
    {
        if (rowCount() > 0)
            Q_EMIT dataChanged(index(0, 2), index(rowCount() - 1, 2));
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() || !m_converter ? 0 : static_cast<int>(m_converter->receiveFrames().size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 4; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (index.column() == 3)
            return role == Qt::DisplayRole ? QVariant(m_names.value(index.row())) : QVariant();
        const sim::ReceiveState state = m_converter->receiveState(index.row());
        if (role == Qt::BackgroundRole && index.column() == 2 && state == sim::ReceiveState::TimedOut)
            return QBrush(QColor(255, 190, 190));
        if (role != Qt::DisplayRole)
            return {};
        switch (index.column()) {
        case 0:
            return index.row() + 1;
        case 1:
            return sim::identifierText(m_converter->receiveFrames()[static_cast<std::size_t>(index.row())].frame);
        default:
            return sim::receiveStateText(state);
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const int names[] = {msg::kConverterColumnReceiveFrame, msg::kMonitorColumnIdentifier, msg::kMonitorColumnState,
                                    msg::kConverterColumnMnemonic};
        return m_messages[names[section]];
    }

private:
    const MessageTable& m_messages;
    const sim::Converter* m_converter = nullptr;
    QStringList m_names;
};

VirtualConverterWindow::VirtualConverterWindow(Session& session, Prompter& prompter, VirtualConverterPorts& ports,
                                               sim::Clock& clock, QWidget* parent)
    : QDialog(parent), m_session(session), m_prompter(prompter), m_ports(ports), m_clock(clock)
{
    setObjectName(QStringLiteral("virtualConverterWindow"));
    setWindowTitle(QStringLiteral("Virtual Converter"));
    resize(980, 680);

    auto* top = new QVBoxLayout(this);
    auto* controls = new QHBoxLayout;
    m_canChoice = new QComboBox(this);
    m_canChoice->setObjectName(QStringLiteral("canInterfaceChoice"));
    m_canChoice->setMinimumWidth(200);
    m_portBox = new QSpinBox(this);
    m_portBox->setObjectName(QStringLiteral("modbusPortBox"));
    m_portBox->setRange(0, 65535);
    m_portBox->setValue(1502);
    m_startButton = new QPushButton(this);
    m_startButton->setObjectName(QStringLiteral("startButton"));
    m_stopButton = new QPushButton(this);
    m_stopButton->setObjectName(QStringLiteral("stopButton"));
    for (QPushButton* b : {m_startButton, m_stopButton})
        b->setAutoDefault(false);
    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    m_statusLabel->setTextFormat(Qt::PlainText);
    m_canLabel = new QLabel(this);
    m_canLabel->setBuddy(m_canChoice);
    m_portLabel = new QLabel(this);
    m_portLabel->setBuddy(m_portBox);
    controls->addWidget(m_canLabel);
    controls->addWidget(m_canChoice);
    controls->addWidget(m_portLabel);
    controls->addWidget(m_portBox);
    controls->addWidget(m_startButton);
    controls->addWidget(m_stopButton);
    m_replayButton = new QPushButton(this);
    m_replayButton->setObjectName(QStringLiteral("replayButton"));
    m_replaySpeedLabel = new QLabel(this);
    m_replaySpeed = new QDoubleSpinBox(this);
    m_replaySpeed->setObjectName(QStringLiteral("replaySpeedBox"));
    m_replaySpeed->setRange(0.01, 1000);
    m_replaySpeed->setValue(1);
    m_replaySpeed->setSuffix(QStringLiteral(" x"));
    controls->addStretch(1);
    top->addLayout(controls);
    // Replay on a row of its own, so that the window fits a small screen.
    auto* replayRow = new QHBoxLayout;
    replayRow->addWidget(m_replayButton);
    replayRow->addWidget(m_replaySpeedLabel);
    replayRow->addWidget(m_replaySpeed);
    replayRow->addStretch(1);
    top->addLayout(replayRow);
    top->addWidget(m_statusLabel);

    m_registers = new RegisterTableModel(session.messages, this);
    m_log = new CanLogModel(session.messages, this);
    m_states = new ReceiveStateModel(session.messages, this);
    m_registerTable = readOnlyTableView("registersTable", m_registers, this);
    m_logFilter = new QSortFilterProxyModel(this);
    m_logFilter->setSourceModel(m_log);
    m_logFilter->setFilterKeyColumn(-1);
    m_logFilter->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_logTable = readOnlyTableView("logTable", m_logFilter, this);
    m_receiveStateTable = readOnlyTableView("receiveStateTable", m_states, this);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(m_registerTable);
    auto* right = new QSplitter(Qt::Vertical, splitter);
    auto* logPane = new QWidget(right);
    auto* logLayout = new QVBoxLayout(logPane);
    logLayout->setContentsMargins(0, 0, 0, 0);
    auto* logTools = new QHBoxLayout;
    m_logFilterText = new QLineEdit(logPane);
    m_logFilterText->setObjectName(QStringLiteral("logFilterEdit"));
    m_logFilterText->setClearButtonEnabled(true);
    m_logPauseButton = new QPushButton(logPane);
    m_logPauseButton->setObjectName(QStringLiteral("logPauseButton"));
    m_logExportButton = new QPushButton(logPane);
    m_logExportButton->setObjectName(QStringLiteral("logExportButton"));
    logTools->addWidget(m_logFilterText, 1);
    logTools->addWidget(m_logPauseButton);
    logTools->addWidget(m_logExportButton);
    logLayout->addLayout(logTools);
    logLayout->addWidget(m_logTable);
    right->addWidget(logPane);
    right->addWidget(m_receiveStateTable);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({430, 530});
    for (const auto& [column, width] : {std::pair{0, 60}, {1, 55}, {2, 60}, {3, 90}, {4, 180}})
        m_registerTable->setColumnWidth(column, width);
    for (const auto& [column, width] : {std::pair{0, 90}, {1, 70}, {2, 75}, {3, 170}})
        m_logTable->setColumnWidth(column, width);
    top->addWidget(splitter, 1);

    auto* sender = new QGroupBox(this);
    m_sendGroup = sender;
    auto* senderLine = new QHBoxLayout(sender);
    m_sendIdentifier = new QLineEdit(sender);
    m_sendIdentifier->setObjectName(QStringLiteral("sendIdentifierEdit"));
    m_sendIdentifier->setPlaceholderText(QStringLiteral("181"));
    m_sendFormat = new QComboBox(sender);
    m_sendFormat->setObjectName(QStringLiteral("sendFormatChoice"));
    m_sendFormat->addItems({QStringLiteral("2.0A (11 bits)"), QStringLiteral("2.0B (29 bits)")});
    m_sendData = new QLineEdit(sender);
    m_sendData->setObjectName(QStringLiteral("sendDataEdit"));
    m_sendData->setPlaceholderText(QStringLiteral("11 22 33 44"));
    m_sendPeriodically = new QCheckBox(sender);
    m_sendPeriodically->setObjectName(QStringLiteral("sendPeriodicallyCheck"));
    m_sendPeriod = new QSpinBox(sender);
    m_sendPeriod->setObjectName(QStringLiteral("sendPeriodBox"));
    m_sendPeriod->setRange(1, 3600000);
    m_sendPeriod->setValue(100);
    m_sendPeriod->setSuffix(QStringLiteral(" ms"));
    m_sendButton = new QPushButton(sender);
    m_sendButton->setObjectName(QStringLiteral("sendButton"));
    m_sendButton->setAutoDefault(false);
    m_sendIdentifierLabel = new QLabel(sender);
    m_sendIdentifierLabel->setBuddy(m_sendIdentifier);
    m_sendDataLabel = new QLabel(sender);
    m_sendDataLabel->setBuddy(m_sendData);
    senderLine->addWidget(m_sendIdentifierLabel);
    senderLine->addWidget(m_sendIdentifier);
    senderLine->addWidget(m_sendFormat);
    senderLine->addWidget(m_sendDataLabel);
    senderLine->addWidget(m_sendData, 1);
    senderLine->addWidget(m_sendPeriodically);
    senderLine->addWidget(m_sendPeriod);
    senderLine->addWidget(m_sendButton);
    top->addWidget(sender);

    for (QPushButton* b : {m_replayButton, m_logPauseButton, m_logExportButton})
        b->setAutoDefault(false);
    m_watcher = new QFileSystemWatcher(this);
    m_reloadDelay = new QTimer(this);
    m_reloadDelay->setSingleShot(true);
    // An editor's save writes several files one after the other: look once they are all written.
    m_reloadDelay->setInterval(300);
    connect(m_reloadDelay, &QTimer::timeout, this, [this] { guarded(m_prompter, m_session.messages, [this] { reloadIfChanged(); }); });
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_reloadDelay, qOverload<>(&QTimer::start));
    connect(m_watcher, &QFileSystemWatcher::fileChanged, m_reloadDelay, qOverload<>(&QTimer::start));
    connect(m_replayButton, &QPushButton::clicked, this, [this] { guarded(m_prompter, m_session.messages, [this] { replayCapture(); }); });
    connect(m_logPauseButton, &QPushButton::clicked, this, [this] { setLogPaused(!m_logPaused); });
    connect(m_logExportButton, &QPushButton::clicked, this, [this] { guarded(m_prompter, m_session.messages, [this] { exportLog(); }); });
    connect(m_logFilterText, &QLineEdit::textChanged, m_logFilter, &QSortFilterProxyModel::setFilterFixedString);

    m_batch = new QTimer(this);
    m_batch->setInterval(kBatchInterval);
    connect(m_batch, &QTimer::timeout, this, &VirtualConverterWindow::flush);
    m_periodicSend = new QTimer(this);
    connect(m_periodicSend, &QTimer::timeout, this, [this] {
        if (!isRunning())
            return sendPeriodically(false);
        sendFrame();
    });

    connect(m_startButton, &QPushButton::clicked, this, [this] { guarded(m_prompter, m_session.messages, [this] { startConverter(); }); });
    connect(m_stopButton, &QPushButton::clicked, this, [this] { stopConverter(); });
    connect(m_sendButton, &QPushButton::clicked, this, [this] {
        sendFrame();
        sendPeriodically(m_sendPeriodically->isChecked() && isRunning());
    });
    connect(m_sendPeriodically, &QCheckBox::toggled, this, [this](bool on) {
        if (!on)
            sendPeriodically(false);
    });
    applyLanguage();
}

VirtualConverterWindow::~VirtualConverterWindow()
{
    stopConverter();
}

void VirtualConverterWindow::showWindow()
{
    prepareShowing();
    show();
    raise();
    activateWindow();
}

void VirtualConverterWindow::prepareShowing()
{
    const QString current = m_canChoice->currentText();
    m_canChoice->clear();
    m_canChoice->addItems(m_ports.canChoices());
    if (const int i = m_canChoice->findText(current); i >= 0)
        m_canChoice->setCurrentIndex(i);
    if (m_session.ws.configurationFolder != m_folder)
        loadConfiguration(m_session.ws.configurationFolder);
    applyLanguage();
}

void VirtualConverterWindow::applyLanguage()
{
    const MessageTable& m = m_session.messages;
    setWindowTitle(m[msg::kConverterTitle].arg(QFileInfo(m_folder).fileName()));
    m_canLabel->setText(m[msg::kMonitorCan]);
    m_canChoice->setAccessibleName(m[msg::kConverterCanSide]);
    m_portLabel->setText(m[msg::kConverterModbusPortLabel]);
    m_portBox->setAccessibleName(m[msg::kConverterModbusPortName]);
    m_startButton->setText(m[msg::kMonitorStart]);
    m_stopButton->setText(m[msg::kMonitorStop]);
    m_sendGroup->setTitle(m[msg::kConverterSendGroup]);
    m_sendIdentifierLabel->setText(m[msg::kConverterSendIdentifierLabel]);
    m_sendIdentifier->setAccessibleName(m[msg::kConverterSendIdentifierName]);
    m_sendDataLabel->setText(m[msg::kConverterSendDataLabel]);
    m_sendData->setAccessibleName(m[msg::kConverterSendDataName]);
    m_sendPeriodically->setText(m[msg::kConverterSendEvery]);
    m_sendButton->setText(m[msg::kConverterSend]);
    m_registers->languageChanged();
    m_log->languageChanged();
    m_states->languageChanged();
    if (m_statusShowsStop)
        showStopped(m_stopReason);
    m_replayButton->setText(m[msg::kConverterReplay]);
    m_replaySpeedLabel->setText(m[msg::kConverterReplaySpeed]);
    m_replaySpeed->setAccessibleName(m[msg::kConverterReplaySpeed]);
    m_logFilterText->setPlaceholderText(m[msg::kConverterLogFilter]);
    m_logFilterText->setAccessibleName(m[msg::kConverterLogFilter]);
    m_logPauseButton->setText(m[m_logPaused ? msg::kConverterLogResume : msg::kConverterLogPause]);
    m_logExportButton->setText(m[msg::kConverterLogExport]);
    showRunning();
}

void VirtualConverterWindow::loadConfiguration(const QString& folder)
{
    // Another configuration starts from a clean state: nothing of the last one stays.
    stopConverter();
    m_folder = folder;
    if (!m_watcher->directories().isEmpty())
        m_watcher->removePaths(m_watcher->directories());
    if (!m_watcher->files().isEmpty())
        m_watcher->removePaths(m_watcher->files());
    if (!folder.isEmpty()) {
        m_watcher->addPath(folder);
        for (const config::ConfigFile f : {config::ConfigFile::GeneralParameters, config::ConfigFile::ReceiveFrames,
                                           config::ConfigFile::TransmitFrames, config::ConfigFile::ReceiveMappings,
                                           config::ConfigFile::TransmitMappings}) {
            if (QFileInfo::exists(folder + u'/' + config::fileName(f)))
                m_watcher->addPath(folder + u'/' + config::fileName(f));
        }
    }
    m_fingerprint = folder.isEmpty() ? QByteArray() : sim::configurationFingerprint(folder);
    m_registers->reset(nullptr, {});
    m_states->reset(nullptr);
    m_log->clear();
    m_pendingRegisters.clear();
    m_pendingLog.clear();
    m_skippedLines = 0;
    showStatus({});
}

void VirtualConverterWindow::reloadIfChanged()
{
    if (m_folder.isEmpty())
        return;
    const QByteArray fingerprint = sim::configurationFingerprint(m_folder);
    if (fingerprint == m_fingerprint)
        return;
    const MessageTable& m = m_session.messages;
    const QString name = QFileInfo(m_folder).fileName();
    if (isRunning()) {
        if (!m_prompter.yesNo(m[msg::kConverterReloadRunning].arg(name))) {
            m_fingerprint = fingerprint;   // asked once per change
            return;
        }
        const QString folder = m_folder;
        loadConfiguration(folder);
        startConverter();
    } else {
        loadConfiguration(m_folder);
    }
    showStatus(m[msg::kConverterReloaded].arg(name));
}

void VirtualConverterWindow::replayCapture()
{
    if (!isRunning() || isReplaying())
        return;
    const QString path = m_prompter.openFile(m_folder, m_session.messages[msg::kConverterReplayFileFilter]);
    if (path.isEmpty())
        return;
    std::vector<sim::TimedFrame> frames = sim::readCandumpLogFile(path);
    const QString name = QFileInfo(path).fileName();
    m_replay = std::make_unique<sim::Replay>(std::move(frames), [this](const sim::CanFrame& f) { m_simulator->feed(f); },
                                             m_replaySpeed->value());
    connect(m_replay.get(), &sim::Replay::finished, this, [this, name](int count) {
        showStatus(m_session.messages[msg::kConverterReplayEnded].arg(name).arg(count));
        m_replayButton->setEnabled(isRunning());
    });
    m_replay->start();
    m_replayButton->setEnabled(false);
    showStatus(m_session.messages[msg::kConverterReplayRunning].arg(name));
}

bool VirtualConverterWindow::isReplaying() const
{
    return m_replay && m_replay->isRunning();
}

void VirtualConverterWindow::setLogPaused(bool paused)
{
    m_logPaused = paused;
    m_logPauseButton->setText(m_session.messages[paused ? msg::kConverterLogResume : msg::kConverterLogPause]);
    if (!paused)
        flush();
}

void VirtualConverterWindow::exportLog()
{
    const QString proposed = (m_folder.isEmpty() ? QString() : m_folder + u'/') + QFileInfo(m_folder).fileName()
                             + QStringLiteral("_VirtualConverter.txt");
    const QString path = m_prompter.saveFile(proposed, m_session.messages[msg::kConverterLogFileFilter]);
    if (path.isEmpty())
        return;
    QString text;
    for (int r = 0; r < m_logFilter->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < m_logFilter->columnCount(); ++c)
            cells << m_logFilter->index(r, c).data().toString();
        text += cells.join(u'\t') + u'\n';
    }
    writeFileAtomically(path, text.toUtf8());
}

bool VirtualConverterWindow::isRunning() const
{
    return m_simulator && m_simulator->isRunning();
}

void VirtualConverterWindow::startConverter()
{
    if (isRunning())
        return;
    // What runs is what would be flashed: the configuration's files compiled now.
    if (m_folder != m_session.ws.configurationFolder)
        loadConfiguration(m_session.ws.configurationFolder);
    image::CompileInput input = image::CompileInput::fromFolder(m_folder);
    const QByteArray bank2 = image::compileConfiguration(input).bank2;
    const std::uint32_t bitRate = sim::Converter::fromImage(bank2, 0).canBitRate();
    auto simulator = std::make_unique<sim::Simulator>(bank2, m_clock, m_ports.canLink(m_canChoice->currentText(), bitRate),
                                                      m_ports.modbusEndpoint());
    simulator->start(QStringLiteral("127.0.0.1"), static_cast<std::uint16_t>(m_portBox->value()));
    simulator->addObserver(this);
    // Queued: the converter is deleted by the stop, so not while it is still telling of its end.
    connect(
        simulator.get(), &sim::Simulator::ended, this,
        [this](const Message& reason) {
            stopConverter();
            showStopped(reason.text(m_session.messages));
        },
        Qt::QueuedConnection);
    m_simulator = std::move(simulator);
    m_pendingRegisters.clear();
    m_pendingLog.clear();
    m_skippedLines = 0;
    // The mnemonics only label what is shown; the image alone decides what runs.
    m_receiveNames.clear();
    m_transmitNames.clear();
    try {
        const config::Configuration configuration = m_session.activeConfiguration();
        const sim::Converter& c = m_simulator->converter();
        if (configuration.receiveFrames.size() == c.receiveFrames().size()) {
            for (const config::ReceiveFrame& f : configuration.receiveFrames)
                m_receiveNames << f.mnemonic;
        }
        if (configuration.transmitFrames.size() == c.transmitFrames().size()) {
            for (const config::TransmitFrame& f : configuration.transmitFrames)
                m_transmitNames << f.mnemonic;
        }
    } catch (const Error&) {
    }
    // The signals known for the registers, for their physical values: a signal file that
    // cannot be read only leaves that column empty.
    config::SignalTable signalTable;
    try {
        signalTable = config::loadSignalTable(m_folder);
    } catch (const Error&) {
    }
    m_registers->reset(&m_simulator->converter(), m_simulator->startTime(), std::move(signalTable));
    m_states->reset(&m_simulator->converter(), m_receiveNames);
    m_log->clear();
    m_batch->start();
    showRunning();
}

void VirtualConverterWindow::stopConverter()
{
    sendPeriodically(false);
    if (m_replay)
        m_replay->stop();
    if (!m_simulator)
        return;
    flush();
    m_batch->stop();
    m_simulator->stop();
    // The models keep showing the last state; they read the converter no longer.
    m_states->reset(nullptr);
    m_simulator.reset();
    showRunning();
}

void VirtualConverterWindow::sendFrame()
{
    if (!isRunning())
        return;
    QString error;
    const std::optional<sim::CanFrame> frame =
        sim::frameFromTexts(m_sendIdentifier->text(), m_sendFormat->currentIndex() == 1, m_sendData->text(), &error);
    if (!frame) {
        sendPeriodically(false);
        m_prompter.error(error);
        return;
    }
    m_simulator->feed(*frame);
}

void VirtualConverterWindow::sendPeriodically(bool on)
{
    if (on)
        m_periodicSend->start(m_sendPeriod->value());
    else
        m_periodicSend->stop();
}

void VirtualConverterWindow::showRunning()
{
    const bool running = isRunning();
    m_startButton->setEnabled(!running);
    m_stopButton->setEnabled(running);
    m_canChoice->setEnabled(!running);
    m_portBox->setEnabled(!running);
    m_sendButton->setEnabled(running);
    m_replayButton->setEnabled(running && !isReplaying());
    if (running) {
        showStatus(m_session.messages[msg::kConverterRunning].arg(m_simulator->port()).arg(m_simulator->canDescription()));
    } else if (!m_statusShowsStop) {
        showStopped({});
    }
}

void VirtualConverterWindow::showStatus(const QString& text)
{
    m_statusLabel->setText(text);
    m_statusShowsStop = false;
}

void VirtualConverterWindow::showStopped(const QString& reason)
{
    const MessageTable& m = m_session.messages;
    m_stopReason = reason;
    m_statusLabel->setText(reason.isEmpty() ? m[msg::kMonitorStopped] : m[msg::kMonitorStoppedBecause].arg(reason));
    m_statusShowsStop = true;
}

void VirtualConverterWindow::done(int result)
{
    stopConverter();
    QDialog::done(result);
}

void VirtualConverterWindow::flush()
{
    if (!m_simulator)
        return;
    const QDateTime start = m_simulator->startTime();
    for (const auto& [reg, change] : m_pendingRegisters)
        m_registers->setValue(reg, change.first, change.second);
    m_pendingRegisters.clear();
    m_registers->expire(m_clock.now());

    if (m_pendingStates) {
        m_states->refresh();
        m_pendingStates = false;
    }
    // A paused log keeps what comes (its newest lines up to the log's size) for the resume.
    if (m_logPaused)
        return;
    std::vector<CanLogModel::Line> lines;
    lines.reserve(m_pendingLog.size() + 1);
    if (m_skippedLines > 0) {
        lines.push_back({{QString(), QString(), QString(),
                          m_session.messages[msg::kConverterLogSkipped].arg(m_skippedLines), QString()}});
        m_skippedLines = 0;
    }
    for (const PendingLine& p : m_pendingLog) {
        const bool isFrame = !p.direction.startsWith(QStringLiteral("Modbus"));
        lines.push_back({{timeText(start, p.time), p.direction, isFrame ? sim::identifierText(p.frame) : QString(),
                          isFrame ? sim::dataText(p.frame) : p.note, p.match}});
    }
    m_pendingLog.clear();
    m_log->append(std::move(lines));
    m_logTable->scrollToBottom();
}

QString VirtualConverterWindow::frameText(sim::FrameRef ref) const
{
    const QStringList& names = ref.direction == sim::FrameRef::Direction::Transmit ? m_transmitNames : m_receiveNames;
    const QString name = ref.direction == sim::FrameRef::Direction::None ? QString() : names.value(ref.index);
    return name.isEmpty() ? sim::frameRefText(ref) : sim::frameRefText(ref) + QStringLiteral(" \u201C") + name + QStringLiteral("\u201D");
}

void VirtualConverterWindow::frameReceived(sim::Millis time, const sim::CanFrame& frame, sim::FrameRef match)
{
    m_pendingLog.push_back({time, QStringLiteral("RX"), frame, frameText(match), {}});
    if (m_pendingLog.size() > static_cast<std::size_t>(kLogCapacity)) {
        m_pendingLog.pop_front();
        ++m_skippedLines;
    }
}

void VirtualConverterWindow::frameSent(sim::Millis time, const sim::CanFrame& frame, sim::FrameRef frameOf,
                                       sim::SendReason reason)
{
    m_pendingLog.push_back({time, QStringLiteral("TX"), frame,
                            frameText(frameOf) + QStringLiteral(" (") + sim::sendReasonText(reason) + u')', {}});
    if (m_pendingLog.size() > static_cast<std::size_t>(kLogCapacity)) {
        m_pendingLog.pop_front();
        ++m_skippedLines;
    }
}

void VirtualConverterWindow::registerChanged(sim::Millis time, std::uint16_t reg, std::uint16_t value)
{
    m_pendingRegisters[reg] = {value, time};
}

void VirtualConverterWindow::receiveStateChanged(sim::Millis, int, sim::ReceiveState)
{
    m_pendingStates = true;
}

void VirtualConverterWindow::modbusRequest(sim::Millis time, const sim::ModbusAccess& access)
{
    // Refused requests show in the log: a wrong address in the PLC program shows at once.
    if (!access.exception)
        return;
    m_pendingLog.push_back({time, QStringLiteral("Modbus"), {},
                            QStringLiteral("unit %1, function %2").arg(access.unit).arg(access.function),
                            (access.write ? QStringLiteral("write refused, ") : QStringLiteral("refused, "))
                                + sim::modbusAccessText(access)});
}

} // namespace px
