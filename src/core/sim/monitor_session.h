#pragma once

#include "core/services/monitor_ports.h"
#include "core/sim/monitor.h"
#include "core/sim/simulator.h"

#include <QDateTime>
#include <QObject>

#include <map>
#include <memory>
#include <optional>

class QTimer;

namespace px::sim {

struct MonitorOptions {
    std::optional<DeviceAddress> device;   // none: the bus only
    Millis pollPeriod = 1000;              // ms between reads of every mapped register
};

// A running monitor: a bus listener and, when a device is named, a Modbus TCP client
// polling every mapped register at the chosen period, both feeding one Monitor in the
// clock's time. A block whose answer is still awaited is not asked for again.
class MonitorSession final : public QObject {
    Q_OBJECT
public:
    // Throws px::Error when `bank2` is no bank2.bin. `poller` may be null without a device.
    MonitorSession(const QByteArray& bank2, const config::Configuration& config, Clock& clock,
                   std::unique_ptr<BusListener> listener, std::unique_ptr<DevicePoller> poller, MonitorOptions options,
                   QObject* parent = nullptr);
    ~MonitorSession() override;

    // Opens the bus and starts polling; throws px::Error, leaving nothing open.
    void start();
    void stop();
    bool isRunning() const { return m_running; }

    const Monitor& monitor() const { return m_monitor; }
    Monitor& monitor() { return m_monitor; }
    // The clock's time while running; after a stop, the time it stopped.
    Millis now() const { return m_running ? m_clock.now() : m_stoppedAt; }
    // The wall-clock time of the clock's time 0.
    QDateTime startTime() const { return m_startTime; }
    QString canDescription() const { return m_listener->description(); }
    const MonitorOptions& options() const { return m_options; }
    bool deviceConnected() const { return m_poller && m_poller->isConnected(); }

Q_SIGNALS:
    // The bus listener ended by itself; the session has stopped.
    void ended(const px::Message& reason);

private:
    void poll();

    Clock& m_clock;
    std::unique_ptr<BusListener> m_listener;
    std::unique_ptr<DevicePoller> m_poller;
    MonitorOptions m_options;
    Monitor m_monitor;
    std::map<std::uint16_t, std::size_t> m_blockAt;   // block start -> index
    std::vector<bool> m_awaited;
    QTimer* m_pollTimer = nullptr;
    QDateTime m_startTime;
    bool m_running = false;
    Millis m_stoppedAt = 0;
};

} // namespace px::sim
