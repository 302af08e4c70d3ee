#pragma once

#include "core/base/error.h"
#include "core/sim/can_frame.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

namespace px {

// The CAN side of the virtual converter: a bus adapter, a virtual bus or text lines.
class CanLink : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Opens the link; throws px::Error naming the adapter and the cause.
    virtual void open() = 0;
    virtual void send(const sim::CanFrame& frame) = 0;
    virtual void close() = 0;
    // How the link shows in texts: "virtualcan:can0", "standard input and output".
    virtual QString description() const = 0;

Q_SIGNALS:
    void received(const px::sim::CanFrame& frame);
    // The link stopped by itself: end of input, an adapter that went away.
    void ended(const px::Message& reason);
};

// What the Modbus TCP side asks of the converter.
class RegisterBank {
public:
    virtual ~RegisterBank() = default;
    virtual void readRegisters(std::uint8_t unit, std::uint8_t function, std::uint16_t start, int count,
                               std::uint16_t* out) = 0;
    // False when the converter refuses the write (Modbus exception 2).
    virtual bool writeRegisters(std::uint8_t unit, std::uint8_t function, std::uint16_t start,
                                const std::uint16_t* values, int count) = 0;
    // A request the server answered with a Modbus exception of its own (1: a function it
    // does not serve, 2: registers past 65535, 3: a quantity or length the function does
    // not take); `start` and `count` as far as the request names them, else 0.
    virtual void refuseRequest(std::uint8_t unit, std::uint8_t function, std::uint16_t start, std::uint16_t count,
                               std::uint8_t exceptionCode) = 0;
};

// The Modbus TCP server side of the virtual converter.
class ModbusEndpoint : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Listens on `address` (127.0.0.1 unless the user names another) and `port`, 0 for any
    // free port; throws px::Error naming the address and the cause.
    virtual void listen(const QString& address, std::uint16_t port, RegisterBank& bank) = 0;
    virtual void close() = 0;
    // The port listened on.
    virtual std::uint16_t port() const = 0;
};

// Where the virtual converter's links come from.
class VirtualConverterPorts {
public:
    virtual ~VirtualConverterPorts() = default;
    // The CAN choices offered: "virtualcan" first, then PLUGIN:INTERFACE for every
    // interface the CAN bus plugins report as available.
    virtual QStringList canChoices() = 0;
    // The link of a choice ("virtualcan", "PLUGIN:INTERFACE", "stdio"), not yet open; the
    // bit rate is set where the adapter allows. Throws px::Error for an unknown choice.
    virtual std::unique_ptr<CanLink> canLink(const QString& choice, std::uint32_t bitRate) = 0;
    virtual std::unique_ptr<ModbusEndpoint> modbusEndpoint() = 0;
};

} // namespace px
