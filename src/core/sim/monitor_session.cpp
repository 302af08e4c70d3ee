#include "core/sim/monitor_session.h"

#include "core/base/error.h"
#include "core/lang/message_ids.h"

#include <QTimer>

#include <algorithm>

namespace px {

std::optional<DeviceAddress> parseDeviceAddress(const QString& text, std::optional<Message>* error)
{
    const auto fail = [error](const Message& cause) -> std::optional<DeviceAddress> {
        if (error)
            *error = cause;
        return std::nullopt;
    };
    DeviceAddress address;
    QString host = text.trimmed();
    const qsizetype colon = host.lastIndexOf(u':');
    // One colon parts host and port; more are an IPv6 address, in brackets when a port follows.
    const bool bracketed = host.startsWith(u'[');
    if (colon >= 0 && (host.count(u':') == 1 || (bracketed && colon > 0 && host[colon - 1] == u']'))) {
        bool ok = false;
        const int port = host.mid(colon + 1).toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            return fail(Message(msg::kDevicePortNoNumber, {text}));
        address.port = static_cast<std::uint16_t>(port);
        host = host.left(colon);
    }
    if (bracketed && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    if (host.isEmpty() || host.contains(u' '))
        return fail(Message(msg::kNoDeviceAddress, {text}));
    address.host = host;
    return address;
}

namespace sim {

MonitorSession::MonitorSession(const QByteArray& bank2, const config::Configuration& config, Clock& clock,
                               std::unique_ptr<BusListener> listener, std::unique_ptr<DevicePoller> poller,
                               MonitorOptions options, QObject* parent)
    : QObject(parent),
      m_clock(clock),
      m_listener(std::move(listener)),
      m_poller(options.device ? std::move(poller) : nullptr),
      m_options(std::move(options)),
      m_monitor(bank2, config, m_poller ? m_options.pollPeriod : 0, clock.now())
{
    m_pollTimer = new QTimer(this);
    m_pollTimer->setTimerType(Qt::PreciseTimer);
    connect(m_pollTimer, &QTimer::timeout, this, &MonitorSession::poll);
    for (std::size_t i = 0; i < m_monitor.pollBlocks().size(); ++i)
        m_blockAt[m_monitor.pollBlocks()[i].start] = i;
    m_awaited.assign(m_monitor.pollBlocks().size(), false);

    connect(m_listener.get(), &BusListener::frameSeen, this, [this](const CanFrame& frame) {
        if (m_running)
            m_monitor.frameSeen(frame, m_clock.now());
    });
    connect(m_listener.get(), &BusListener::errorFrameSeen, this, [this] {
        if (m_running)
            m_monitor.errorFrameSeen(m_clock.now());
    });
    connect(m_listener.get(), &BusListener::ended, this, [this](const Message& reason) {
        stop();
        Q_EMIT ended(reason);
    });
    if (m_poller) {
        connect(m_poller.get(), &DevicePoller::answered, this, [this](std::uint16_t start, const QList<quint16>& values) {
            const auto it = m_blockAt.find(start);
            if (!m_running || it == m_blockAt.end())
                return;
            m_awaited[it->second] = false;
            m_monitor.pollAnswered(m_monitor.pollBlocks()[it->second], values.constData(),
                                   static_cast<int>(values.size()), m_clock.now());
        });
        connect(m_poller.get(), &DevicePoller::failed, this, [this](std::uint16_t start, std::uint16_t, const QString& cause) {
            const auto it = m_blockAt.find(start);
            if (!m_running || it == m_blockAt.end())
                return;
            m_awaited[it->second] = false;
            m_monitor.pollFailed(m_monitor.pollBlocks()[it->second], cause, m_clock.now());
        });
    }
}

MonitorSession::~MonitorSession()
{
    stop();
}

void MonitorSession::start()
{
    if (m_running)
        return;
    m_listener->open();
    m_running = true;
    m_stoppedAt = m_clock.now();
    m_startTime = QDateTime::currentDateTime().addMSecs(-m_clock.now());
    if (m_poller) {
        m_poller->connectTo(*m_options.device, static_cast<int>(std::max<Millis>(1000, 2 * m_options.pollPeriod)));
        m_pollTimer->start(static_cast<int>(std::max<Millis>(1, m_options.pollPeriod)));
    }
}

void MonitorSession::stop()
{
    if (!m_running)
        return;
    m_running = false;
    m_stoppedAt = m_clock.now();
    m_pollTimer->stop();
    if (m_poller)
        m_poller->close();
    m_listener->close();
    std::fill(m_awaited.begin(), m_awaited.end(), false);
}

void MonitorSession::poll()
{
    if (!m_running || !m_poller)
        return;
    if (!m_poller->isConnected()) {
        // A device that went away is asked for again at every period, never elsewhere.
        m_poller->connectTo(*m_options.device, static_cast<int>(std::max<Millis>(1000, 2 * m_options.pollPeriod)));
        return;
    }
    const std::vector<PollBlock>& blocks = m_monitor.pollBlocks();
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (m_awaited[i])
            continue;
        m_awaited[i] = true;
        m_poller->read(blocks[i].start, blocks[i].count);
    }
}

} // namespace sim
} // namespace px
