#include "gui/sim/monitor_window.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/config/configuration.h"
#include "core/config/signal_table.h"
#include "core/image/compiler.h"
#include "core/lang/message_ids.h"
#include "core/services/monitor_ports.h"
#include "core/services/prompter.h"
#include "core/shell/session.h"
#include "core/sim/event_text.h"
#include "core/sim/monitor_export.h"
#include "core/sim/monitor_session.h"
#include "gui/common/guard.h"
#include "gui/common/read_only_table.h"

#include <QAbstractTableModel>
#include <QBrush>
#include <QCloseEvent>
#include <QColor>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace px {

namespace {

constexpr int kRefreshInterval = 250;   // ms between snapshots

const QColor kMismatchColour(255, 170, 170);
const QColor kDiffersColour(255, 236, 150);
const QColor kMissingColour(225, 225, 225);

QString periodText(std::optional<double> period)
{
    return period ? QString::number(*period, 'f', 1) : QString();
}

} // namespace

// One row per configured frame, receive frames first: what was measured of it.
class MonitorFramesModel final : public QAbstractTableModel {
public:
    enum Column { Frame, Seen, MeanPeriod, Shortest, Longest, Length, SinceLast, TimeOuts, LastData, ColumnCount };

    MonitorFramesModel(const MessageTable& messages, QObject* parent) : QAbstractTableModel(parent), m_messages(messages) {}

    void take(const sim::Monitor* monitor, sim::Millis now)
    {
        const bool sameRows = monitor && static_cast<std::size_t>(m_labels.size()) == monitor->frames().size();
        if (!sameRows)
            beginResetModel();
        m_now = now;
        if (monitor) {
            m_rows = monitor->frames();
            if (!sameRows) {
                m_labels.clear();
                for (const sim::WatchedFrame& w : m_rows)
                    m_labels << monitor->frameLabel(w.ref);
            }
        } else {
            m_rows.clear();
            m_labels.clear();
        }
        if (!sameRows)
            endResetModel();
        else if (!m_rows.empty())
            Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : static_cast<int>(m_rows.size()); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : ColumnCount; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        const sim::WatchedFrame& w = m_rows[static_cast<std::size_t>(index.row())];
        if (role == Qt::BackgroundRole) {
            if (w.timedOutAt(m_now) || w.wrongLength > 0)
                return QBrush(kMismatchColour);
            if (w.expected && w.seen == 0)
                return QBrush(kMissingColour);
            return {};
        }
        if (role != Qt::DisplayRole)
            return {};
        const bool periods = w.seen >= 2;
        switch (index.column()) {
        case Frame:
            return m_labels.value(index.row());
        case Seen:
            return w.remoteSeen ? QStringLiteral("%1 (+%2 remote)").arg(w.seen).arg(w.remoteSeen) : QString::number(w.seen);
        case MeanPeriod:
            return periodText(w.meanPeriod());
        case Shortest:
            return periods ? QString::number(w.shortestGap) : QString();
        case Longest:
            return periods ? QString::number(w.longestGap) : QString();
        case Length:
            return w.seen > 0 ? QStringLiteral("%1 / %2").arg(w.lastData.length).arg(w.configured.length)
                              : QStringLiteral("- / %1").arg(w.configured.length);
        case SinceLast:
            return w.seen > 0 ? QString::number(m_now - w.lastSeen) : QString();
        case TimeOuts:
            return w.timeout != 0 ? QString::number(w.timeOuts(m_now)) : QString();
        case LastData:
            return w.seen > 0 ? sim::dataText(w.lastData) : QString();
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const int names[] = {msg::kMonitorColumnFrame,    msg::kMonitorColumnSeen,    msg::kMonitorColumnMeanPeriod,
                                    msg::kMonitorColumnShortest, msg::kMonitorColumnLongest, msg::kMonitorColumnLength,
                                    msg::kMonitorColumnSinceLast, msg::kMonitorColumnTimeOuts, msg::kMonitorColumnLastData};
        return m_messages[names[section]];
    }

private:
    const MessageTable& m_messages;
    std::vector<sim::WatchedFrame> m_rows;
    QStringList m_labels;
    sim::Millis m_now = 0;
};

// One row per mapped register: the device's value beside the value the model expects, and
// that value's physical value where the signal is known.
class MonitorRegistersModel final : public QAbstractTableModel {
public:
    enum Column { Register, Device, Expected, Physical, State, Source, Mismatches, Began, ColumnCount };

    MonitorRegistersModel(const MessageTable& messages, QObject* parent) : QAbstractTableModel(parent), m_messages(messages) {}

    void setSignalTable(config::SignalTable signalTable) { m_signalTable = std::move(signalTable); }

    void take(const sim::Monitor* monitor, QDateTime start)
    {
        const bool sameRows = monitor && m_rows.size() == monitor->registers().size();
        if (!sameRows)
            beginResetModel();
        m_start = std::move(start);
        if (monitor)
            m_rows = monitor->registers();
        else
            m_rows.clear();
        if (!sameRows) {
            m_rowOf.clear();
            for (std::size_t i = 0; i < m_rows.size(); ++i)
                m_rowOf.emplace(m_rows[i].reg, i);
        }
        if (!sameRows)
            endResetModel();
        else if (!m_rows.empty())
            Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : static_cast<int>(m_rows.size()); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : ColumnCount; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        const sim::WatchedRegister& r = m_rows[static_cast<std::size_t>(index.row())];
        const bool differs = r.compared && r.framesSeen && r.device && *r.device != r.expected;
        if (role == Qt::BackgroundRole) {
            if (r.marked)
                return QBrush(kMismatchColour);
            return differs ? QVariant(QBrush(kDiffersColour)) : QVariant();
        }
        if (role != Qt::DisplayRole)
            return {};
        switch (index.column()) {
        case Register:
            return r.reg;
        case Device:
            return r.device ? QVariant(*r.device) : QVariant();
        case Expected:
            return r.compared ? QVariant(r.expected) : QVariant();
        case Physical:
            return r.compared ? physicalText(r) : QString();
        case State:
            if (!r.device)
                return m_messages[msg::kMonitorStateNotPolled];
            if (!r.compared)
                return m_messages[msg::kMonitorStateNotCompared];
            if (!r.framesSeen)
                return m_messages[msg::kMonitorStateWaiting];
            if (r.marked)
                return m_messages[msg::kMonitorStateMismatch];
            return m_messages[differs ? msg::kMonitorStateDiffers : msg::kMonitorStateAgrees];
        case Source:
            return r.source;
        case Mismatches:
            return r.mismatches ? QVariant(r.mismatches) : QVariant();
        case Began:
            return r.lastMismatchBegan ? sim::clockText(m_start, *r.lastMismatchBegan) : QString();
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const int names[] = {msg::kMonitorColumnRegister, msg::kMonitorColumnDevice,     msg::kMonitorColumnExpected,
                                    msg::kMonitorColumnPhysical, msg::kMonitorColumnState,      msg::kMonitorColumnSource,
                                    msg::kMonitorColumnMismatches, msg::kMonitorColumnBegan};
        return m_messages[names[section]];
    }

private:
    QString physicalText(const sim::WatchedRegister& r) const
    {
        if (m_signalTable.empty() || r.frames.empty())
            return {};
        const config::Direction direction = r.frames.front().direction == sim::FrameRef::Direction::Transmit
            ? config::Direction::Transmit
            : config::Direction::Receive;
        return config::physicalValueText(m_signalTable, direction, r.reg, [this](int reg) -> std::optional<std::uint16_t> {
            const auto it = m_rowOf.find(reg);
            if (it == m_rowOf.end() || !m_rows[it->second].compared)
                return std::nullopt;
            return m_rows[it->second].expected;
        });
    }

    const MessageTable& m_messages;
    config::SignalTable m_signalTable;
    std::vector<sim::WatchedRegister> m_rows;
    std::map<int, std::size_t> m_rowOf;   // row by register
    QDateTime m_start;
};

// The identifiers the configuration does not know, with their count and rate.
class MonitorUnknownModel final : public QAbstractTableModel {
public:
    enum Column { Identifier, Seen, Rate, ColumnCount };

    MonitorUnknownModel(const MessageTable& messages, QObject* parent) : QAbstractTableModel(parent), m_messages(messages) {}

    void take(const sim::Monitor* monitor, sim::Millis now)
    {
        std::vector<sim::UnknownIdentifier> rows = monitor ? monitor->unknownIdentifiers() : std::vector<sim::UnknownIdentifier>{};
        const bool sameRows = rows.size() == m_rows.size()
                              && std::equal(rows.begin(), rows.end(), m_rows.begin(), [](const auto& a, const auto& b) {
                                     return a.id == b.id && a.extended == b.extended;
                                 });
        if (!sameRows)
            beginResetModel();
        m_rows = std::move(rows);
        m_seconds = monitor ? std::max(static_cast<double>(now - monitor->start()) / 1000.0, 0.001) : 1.0;
        if (!sameRows)
            endResetModel();
        else if (!m_rows.empty())
            Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : static_cast<int>(m_rows.size()); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : ColumnCount; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        const sim::UnknownIdentifier& u = m_rows[static_cast<std::size_t>(index.row())];
        switch (index.column()) {
        case Identifier: {
            sim::CanFrame f;
            f.id = u.id;
            f.extended = u.extended;
            return sim::identifierText(f);
        }
        case Seen:
            return static_cast<qlonglong>(u.count);
        case Rate:
            return QString::number(static_cast<double>(u.count) / m_seconds, 'f', 1);
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const int names[] = {msg::kMonitorColumnIdentifier, msg::kMonitorColumnSeen, msg::kMonitorColumnRate};
        return m_messages[names[section]];
    }

private:
    const MessageTable& m_messages;
    std::vector<sim::UnknownIdentifier> m_rows;
    double m_seconds = 1.0;
};

namespace {

QSortFilterProxyModel* filterOver(QAbstractItemModel* model, QObject* parent)
{
    auto* proxy = new QSortFilterProxyModel(parent);
    proxy->setSourceModel(model);
    proxy->setFilterKeyColumn(-1);
    proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    return proxy;
}

} // namespace

MonitorWindow::MonitorWindow(Session& session, Prompter& prompter, MonitorPorts& ports, sim::Clock& clock, QWidget* parent)
    : QWidget(parent, Qt::Window), m_appSession(session), m_prompter(prompter), m_ports(ports), m_clock(clock)
{
    setObjectName(QStringLiteral("monitorWindow"));
    resize(1000, 640);

    auto* top = new QVBoxLayout(this);
    auto* controls = new QHBoxLayout;
    m_canLabel = new QLabel(this);
    m_canChoice = new QComboBox(this);
    m_canChoice->setObjectName(QStringLiteral("canInterfaceChoice"));
    m_canChoice->setEditable(true);   // PLUGIN:INTERFACE of an adapter the plugins do not list
    m_canChoice->setMinimumWidth(200);
    m_deviceLabel = new QLabel(this);
    m_device = new QLineEdit(this);
    m_device->setObjectName(QStringLiteral("deviceAddressEdit"));
    m_device->setPlaceholderText(QStringLiteral("10.0.0.20:502"));
    m_unitLabel = new QLabel(this);
    m_unit = new QSpinBox(this);
    m_unit->setObjectName(QStringLiteral("unitIdentifierBox"));
    m_unit->setRange(0, 255);
    m_unit->setValue(1);
    m_pollLabel = new QLabel(this);
    m_poll = new QSpinBox(this);
    m_poll->setObjectName(QStringLiteral("pollIntervalBox"));
    m_poll->setRange(10, 3600000);
    m_poll->setValue(1000);
    m_poll->setSuffix(QStringLiteral(" ms"));
    m_startButton = new QPushButton(this);
    m_startButton->setObjectName(QStringLiteral("startButton"));
    m_stopButton = new QPushButton(this);
    m_stopButton->setObjectName(QStringLiteral("stopButton"));
    m_pauseButton = new QPushButton(this);
    m_pauseButton->setObjectName(QStringLiteral("pauseButton"));
    m_exportButton = new QPushButton(this);
    m_exportButton->setObjectName(QStringLiteral("exportButton"));
    for (QPushButton* b : {m_startButton, m_stopButton, m_pauseButton, m_exportButton})
        b->setAutoDefault(false);
    controls->addWidget(m_canLabel);
    controls->addWidget(m_canChoice);
    controls->addWidget(m_deviceLabel);
    controls->addWidget(m_device, 1);
    controls->addWidget(m_unitLabel);
    controls->addWidget(m_unit);
    controls->addWidget(m_pollLabel);
    controls->addWidget(m_poll);
    top->addLayout(controls);

    auto* actions = new QHBoxLayout;
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("filterEdit"));
    m_filter->setClearButtonEnabled(true);
    actions->addWidget(m_startButton);
    actions->addWidget(m_stopButton);
    actions->addWidget(m_pauseButton);
    actions->addWidget(m_exportButton);
    actions->addWidget(m_filter, 1);
    top->addLayout(actions);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("summaryLabel"));
    m_summary->setTextFormat(Qt::PlainText);
    m_summary->setWordWrap(true);
    QFont bold = m_summary->font();
    bold.setBold(true);
    m_summary->setFont(bold);
    top->addWidget(m_summary);

    const MessageTable& m = m_appSession.messages;
    m_frames = new MonitorFramesModel(m, this);
    m_registers = new MonitorRegistersModel(m, this);
    m_unknown = new MonitorUnknownModel(m, this);
    m_framesFilter = filterOver(m_frames, this);
    m_registersFilter = filterOver(m_registers, this);
    m_unknownFilter = filterOver(m_unknown, this);
    m_framesTable = readOnlyTableView("framesTable", m_framesFilter, this);
    m_registersTable = readOnlyTableView("registersTable", m_registersFilter, this);
    m_unknownTable = readOnlyTableView("unknownIdentifiersTable", m_unknownFilter, this);
    m_framesTable->setColumnWidth(MonitorFramesModel::Frame, 300);
    m_registersTable->setColumnWidth(MonitorRegistersModel::Source, 260);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("monitorTabs"));
    m_tabs->addTab(m_framesTable, QString());
    m_tabs->addTab(m_registersTable, QString());
    m_tabs->addTab(m_unknownTable, QString());
    top->addWidget(m_tabs, 1);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusLabel"));
    m_status->setTextFormat(Qt::PlainText);
    top->addWidget(m_status);

    m_refresh = new QTimer(this);
    m_refresh->setInterval(kRefreshInterval);
    connect(m_refresh, &QTimer::timeout, this, &MonitorWindow::refresh);
    connect(m_startButton, &QPushButton::clicked, this, [this] { guarded(m_prompter, m_appSession.messages, [this] { startMonitor(); }); });
    connect(m_stopButton, &QPushButton::clicked, this, &MonitorWindow::stopMonitor);
    connect(m_pauseButton, &QPushButton::clicked, this, [this] { setPaused(!m_paused); });
    connect(m_exportButton, &QPushButton::clicked, this, [this] { guarded(m_prompter, m_appSession.messages, [this] { exportSession(); }); });
    connect(m_filter, &QLineEdit::textChanged, this, [this](const QString& text) {
        for (QSortFilterProxyModel* p : {m_framesFilter, m_registersFilter, m_unknownFilter})
            p->setFilterFixedString(text);
    });
    applyLanguage();
    showRunning();
}

MonitorWindow::~MonitorWindow()
{
    stopMonitor();
}

QString MonitorWindow::configurationName() const
{
    return QFileInfo(m_appSession.ws.configurationFolder).fileName();
}

void MonitorWindow::applyLanguage()
{
    const MessageTable& m = m_appSession.messages;
    setWindowTitle(m[msg::kMonitorWindowTitle].arg(isRunning() ? m_watchedName : configurationName()));
    m_canLabel->setText(m[msg::kMonitorCan]);
    m_deviceLabel->setText(m[msg::kMonitorDevice]);
    m_unitLabel->setText(m[msg::kMonitorUnit]);
    m_pollLabel->setText(m[msg::kMonitorPoll]);
    m_startButton->setText(m[msg::kMonitorStart]);
    m_stopButton->setText(m[msg::kMonitorStop]);
    m_pauseButton->setText(m[m_paused ? msg::kMonitorResume : msg::kMonitorPause]);
    m_exportButton->setText(m[msg::kMonitorExport]);
    m_filter->setPlaceholderText(m[msg::kMonitorFilter]);
    m_tabs->setTabText(0, m[msg::kMonitorFrames]);
    m_tabs->setTabText(1, m[msg::kMonitorColumnRegister]);
    m_tabs->setTabText(2, m[msg::kMonitorUnknown]);
    for (QLabel* l : {m_canLabel, m_deviceLabel, m_unitLabel, m_pollLabel})
        l->setAccessibleName(l->text());
    m_canChoice->setAccessibleName(m[msg::kMonitorCan]);
    m_device->setAccessibleName(m[msg::kMonitorDevice]);
    m_unit->setAccessibleName(m[msg::kMonitorUnit]);
    m_poll->setAccessibleName(m[msg::kMonitorPoll]);
    m_filter->setAccessibleName(m[msg::kMonitorFilter]);
    showRunning();
}

void MonitorWindow::showWindow()
{
    const QString current = m_canChoice->currentText();
    m_canChoice->clear();
    m_canChoice->addItems(m_ports.canChoices());
    if (!current.isEmpty())
        m_canChoice->setCurrentText(current);
    applyLanguage();
    show();
    raise();
    activateWindow();
}

bool MonitorWindow::isRunning() const
{
    return m_session && m_session->isRunning();
}

void MonitorWindow::startMonitor()
{
    if (isRunning())
        return;
    const QString folder = m_appSession.ws.configurationFolder;
    sim::MonitorOptions options;
    options.pollPeriod = m_poll->value();
    if (!m_device->text().trimmed().isEmpty()) {
        std::optional<Message> error;
        options.device = parseDeviceAddress(m_device->text(), &error);
        if (!options.device)
            throw Error(*error);
        options.device->unit = static_cast<std::uint8_t>(m_unit->value());
    }
    // What is compared is what would be flashed: the configuration's files compiled now.
    const config::Configuration configuration = config::readConfiguration(folder);
    // The signals known for the registers, for their physical values: a signal file that
    // cannot be read only leaves that column empty.
    config::SignalTable signalTable;
    try {
        signalTable = config::loadSignalTable(folder);
    } catch (const Error&) {
    }
    m_registers->setSignalTable(std::move(signalTable));
    image::CompileInput input = image::CompileInput::fromFolder(folder);
    const QByteArray bank2 = image::compileConfiguration(input).bank2;
    const std::uint32_t bitRate = sim::Converter::fromImage(bank2, 0).canBitRate();
    auto session = std::make_unique<sim::MonitorSession>(bank2, configuration, m_clock,
                                                         m_ports.busListener(m_canChoice->currentText(), bitRate),
                                                         options.device ? m_ports.devicePoller() : nullptr, options);
    session->start();
    // Queued: the session is deleted by the stop, so not while it is still telling of its end.
    connect(
        session.get(), &sim::MonitorSession::ended, this,
        [this](const Message& reason) {
            stopMonitor();
            m_stoppedReason = reason.text(m_appSession.messages);
            showRunning();
        },
        Qt::QueuedConnection);
    m_session = std::move(session);
    m_watchedName = configurationName();
    m_stoppedReason.clear();
    m_paused = false;
    m_refresh->start();
    refresh();
    applyLanguage();
}

void MonitorWindow::stopMonitor()
{
    if (!isRunning())
        return;
    m_session->stop();
    m_refresh->stop();
    // The last state stays shown, and the session stays for the export.
    const bool paused = m_paused;
    m_paused = false;
    refresh();
    m_paused = paused;
    setPaused(false);
    showRunning();
}

void MonitorWindow::setPaused(bool paused)
{
    m_paused = paused && isRunning();
    m_pauseButton->setText(m_appSession.messages[m_paused ? msg::kMonitorResume : msg::kMonitorPause]);
    if (!m_paused)
        refresh();
}

void MonitorWindow::refresh()
{
    if (m_paused || !m_session)
        return;
    const sim::Monitor& monitor = m_session->monitor();
    const sim::Millis now = m_session->now();
    m_frames->take(&monitor, now);
    m_registers->take(&monitor, m_session->startTime());
    m_unknown->take(&monitor, now);
    m_summary->setText(sim::summaryLine(monitor.summary(now), m_appSession.messages));
}

void MonitorWindow::showRunning()
{
    const bool running = isRunning();
    const MessageTable& m = m_appSession.messages;
    m_startButton->setEnabled(!running);
    m_stopButton->setEnabled(running);
    m_pauseButton->setEnabled(running);
    m_exportButton->setEnabled(m_session != nullptr);
    for (QWidget* w : std::initializer_list<QWidget*>{m_canChoice, m_device, m_unit, m_poll})
        w->setEnabled(!running);
    if (running) {
        const sim::MonitorOptions& o = m_session->options();
        m_status->setText(o.device ? m[msg::kMonitorWatchingDevice].arg(m_session->canDescription(),
                                                                          QStringLiteral("%1:%2").arg(o.device->host).arg(o.device->port))
                                   : m[msg::kMonitorWatching].arg(m_session->canDescription()));
    } else {
        m_status->setText(m_stoppedReason.isEmpty() ? m[msg::kMonitorStopped] : m[msg::kMonitorStoppedBecause].arg(m_stoppedReason));
    }
}

void MonitorWindow::exportSession()
{
    if (!m_session)
        return;
    const QString folder = m_appSession.ws.configurationFolder;
    const QString proposed = (folder.isEmpty() ? QString() : folder + u'/') + m_watchedName + QStringLiteral("_Monitor.html");
    const QString html = m_prompter.saveFile(proposed, QStringLiteral("HTML File (*.html)|*.html"));
    if (html.isEmpty())
        return;
    const QFileInfo info(html);
    const QString base = info.path() + u'/' + info.completeBaseName();
    const sim::Monitor& monitor = m_session->monitor();
    const sim::Millis now = m_session->now();
    const QDateTime start = m_session->startTime();
    // The log names the interface as candump does: "can0" of "socketcan:can0" and of
    // "virtualcan:tcp://127.0.0.1:35468/can0".
    const QString can = m_session->canDescription();
    const QString interfaceName = can.mid(can.indexOf(u':') + 1).section(u'/', -1);
    writeFileAtomically(base + QStringLiteral(".log"), sim::candumpLog(monitor, start, interfaceName));
    writeFileAtomically(base + QStringLiteral(".csv"), sim::pollsCsv(monitor, start));
    writeFileAtomically(html, sim::summaryHtml(monitor, now, start, m_watchedName, m_appSession.messages).toUtf8());
    m_status->setText(m_appSession.messages[msg::kMonitorExported].arg(QFileInfo(html).fileName(),
                                                                        QFileInfo(base + QStringLiteral(".log")).fileName(),
                                                                        QFileInfo(base + QStringLiteral(".csv")).fileName()));
}

void MonitorWindow::closeEvent(QCloseEvent* event)
{
    stopMonitor();
    QWidget::closeEvent(event);
}

} // namespace px
