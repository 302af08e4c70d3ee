#include "core/sim/simulator.h"

#include "core/base/error.h"

#include <QTimer>

#include <algorithm>

namespace px::sim {

Simulator::Simulator(const QByteArray& bank2, Clock& clock, std::unique_ptr<CanLink> can,
                     std::unique_ptr<ModbusEndpoint> modbus, QObject* parent)
    : QObject(parent),
      m_clock(clock),
      m_can(std::move(can)),
      m_modbus(std::move(modbus)),
      m_converter(Converter::fromImage(bank2, clock.now()))
{
    m_converter.setEvents(this);
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &Simulator::onTimer);
    connect(m_can.get(), &CanLink::received, this, &Simulator::onReceived);
    connect(m_can.get(), &CanLink::ended, this, [this](const Message& reason) {
        stop();
        Q_EMIT ended(reason);
    });
}

Simulator::~Simulator()
{
    stop();
}

void Simulator::start(const QString& address, std::uint16_t port)
{
    if (m_running)
        return;
    m_can->open();
    try {
        m_modbus->listen(address, port, *this);
    } catch (const Error&) {
        m_can->close();
        throw;
    }
    m_running = true;
    m_startTime = QDateTime::currentDateTime().addMSecs(-m_clock.now());
    m_converter.advanceTo(m_clock.now());
    armTimer();
}

void Simulator::stop()
{
    if (!m_running)
        return;
    m_running = false;
    m_timer->stop();
    m_modbus->close();
    m_can->close();
}

void Simulator::feed(const CanFrame& frame)
{
    onReceived(frame);
}

void Simulator::onReceived(const CanFrame& frame)
{
    if (!m_running)
        return;
    m_converter.receive(frame, m_clock.now());
    armTimer();
}

void Simulator::onTimer()
{
    if (!m_running)
        return;
    m_converter.advanceTo(m_clock.now());
    armTimer();
}

void Simulator::armTimer()
{
    const std::optional<Millis> due = m_converter.nextDue();
    if (!due) {
        m_timer->stop();
        return;
    }
    // Re-arming at every frame or request would cost more than it; a timer due no later stays.
    if (m_timer->isActive() && m_timerDue <= *due)
        return;
    const Millis now = m_clock.now();
    const Millis wait = std::clamp<Millis>(*due - now, 0, 24 * 3600 * 1000);
    m_timerDue = now + wait;
    m_timer->start(static_cast<int>(wait));
}

void Simulator::frameReceived(Millis time, const CanFrame& frame, FrameRef match)
{
    for (ConverterEvents* o : m_observers)
        o->frameReceived(time, frame, match);
}

void Simulator::frameSent(Millis time, const CanFrame& frame, FrameRef frameOf, SendReason reason)
{
    m_can->send(frame);
    for (ConverterEvents* o : m_observers)
        o->frameSent(time, frame, frameOf, reason);
}

void Simulator::registerChanged(Millis time, std::uint16_t reg, std::uint16_t value)
{
    for (ConverterEvents* o : m_observers)
        o->registerChanged(time, reg, value);
}

void Simulator::receiveStateChanged(Millis time, int receiveFrame, ReceiveState state)
{
    for (ConverterEvents* o : m_observers)
        o->receiveStateChanged(time, receiveFrame, state);
}

void Simulator::modbusRequest(Millis time, const ModbusAccess& access)
{
    for (ConverterEvents* o : m_observers)
        o->modbusRequest(time, access);
}

void Simulator::readRegisters(std::uint8_t unit, std::uint8_t function, std::uint16_t start, int count,
                              std::uint16_t* out)
{
    m_converter.readRegisters(unit, function, start, count, out, m_clock.now());
    armTimer();
}

bool Simulator::writeRegisters(std::uint8_t unit, std::uint8_t function, std::uint16_t start,
                               const std::uint16_t* values, int count)
{
    const bool written = m_converter.writeRegisters(unit, function, start, values, count, m_clock.now());
    armTimer();
    return written;
}

void Simulator::refuseRequest(std::uint8_t unit, std::uint8_t function, std::uint16_t start, std::uint16_t count,
                              std::uint8_t exceptionCode)
{
    m_converter.advanceTo(m_clock.now());
    armTimer();
    const bool write = function == 6 || function == 16;
    modbusRequest(m_converter.now(), {unit, function, start, count, write, std::nullopt, exceptionCode});
}

} // namespace px::sim
