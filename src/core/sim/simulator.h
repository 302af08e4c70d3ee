#pragma once

#include "core/services/virtual_converter_ports.h"
#include "core/sim/converter.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>

#include <memory>
#include <vector>

class QTimer;

namespace px::sim {

// The converter's clock: milliseconds since a start of its own.
class Clock {
public:
    virtual ~Clock() = default;
    virtual Millis now() const = 0;
};

// The computer's monotonic clock.
class SteadyClock final : public Clock {
public:
    SteadyClock() { m_timer.start(); }
    Millis now() const override { return m_timer.elapsed(); }

private:
    QElapsedTimer m_timer;
};

// A running virtual converter: the converter model over a compiled bank2.bin, between a
// CAN link and a Modbus TCP endpoint, driven by a clock. Every event goes to the observers
// in the order it happens.
class Simulator final : public QObject, private ConverterEvents, private RegisterBank {
    Q_OBJECT
public:
    // Throws px::Error when `bank2` is no bank2.bin.
    Simulator(const QByteArray& bank2, Clock& clock, std::unique_ptr<CanLink> can,
              std::unique_ptr<ModbusEndpoint> modbus, QObject* parent = nullptr);
    ~Simulator() override;

    void addObserver(ConverterEvents* observer) { m_observers.push_back(observer); }

    // Opens the CAN link and listens; throws px::Error, leaving nothing open.
    void start(const QString& address, std::uint16_t port);
    // Closes both sides; the port is free when this returns.
    void stop();
    bool isRunning() const { return m_running; }

    // A frame fed by hand into the receive side, as if it came from the bus.
    void feed(const CanFrame& frame);

    const Converter& converter() const { return m_converter; }
    std::uint16_t port() const { return m_modbus->port(); }
    QString canDescription() const { return m_can->description(); }
    // The wall-clock time of the clock's time 0: an event at time t happened at startTime() + t ms.
    QDateTime startTime() const { return m_startTime; }

Q_SIGNALS:
    // The CAN link ended by itself (end of input); the simulator has stopped.
    void ended(const px::Message& reason);

private:
    void frameReceived(Millis time, const CanFrame& frame, FrameRef match) override;
    void frameSent(Millis time, const CanFrame& frame, FrameRef frameOf, SendReason reason) override;
    void registerChanged(Millis time, std::uint16_t reg, std::uint16_t value) override;
    void receiveStateChanged(Millis time, int receiveFrame, ReceiveState state) override;
    void modbusRequest(Millis time, const ModbusAccess& access) override;
    void readRegisters(std::uint8_t unit, std::uint8_t function, std::uint16_t start, int count,
                       std::uint16_t* out) override;
    bool writeRegisters(std::uint8_t unit, std::uint8_t function, std::uint16_t start, const std::uint16_t* values,
                        int count) override;
    void refuseRequest(std::uint8_t unit, std::uint8_t function, std::uint16_t start, std::uint16_t count,
                       std::uint8_t exceptionCode) override;
    void onReceived(const CanFrame& frame);
    void onTimer();
    void armTimer();

    Clock& m_clock;
    std::unique_ptr<CanLink> m_can;
    std::unique_ptr<ModbusEndpoint> m_modbus;
    Converter m_converter;
    std::vector<ConverterEvents*> m_observers;
    QTimer* m_timer = nullptr;
    Millis m_timerDue = 0;   // when m_timer fires, on the converter's clock
    QDateTime m_startTime;
    bool m_running = false;
};

} // namespace px::sim
