#pragma once

#include "core/base/error.h"
#include "core/sim/can_frame.h"


#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>

namespace px {

// The CAN side of the monitor: a bus it only listens to.
class BusListener : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Opens the interface; throws px::Error naming it and the cause.
    virtual void open() = 0;
    virtual void close() = 0;
    // "socketcan:can0".
    virtual QString description() const = 0;

Q_SIGNALS:
    // A data or remote frame on the bus.
    void frameSeen(const px::sim::CanFrame& frame);
    void errorFrameSeen();
    // The interface stopped by itself (an adapter that went away).
    void ended(const px::Message& reason);
};

// Where the device is: the address the user typed, nothing found by searching.
struct DeviceAddress {
    QString host;
    std::uint16_t port = 502;
    std::uint8_t unit = 1;
    std::uint8_t function = 3;   // 3: holding registers, 4: input registers
};

// The device side of the monitor: a Modbus TCP client reading registers from one address.
class DevicePoller : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Starts connecting to the address (again after a lost connection); never throws.
    virtual void connectTo(const DeviceAddress& address, int timeoutMs) = 0;
    virtual bool isConnected() const = 0;
    // Reads `count` registers from `start` with the address's function code; the answer
    // comes by `answered` or `failed`. Nothing is sent while not connected.
    virtual void read(std::uint16_t start, std::uint16_t count) = 0;
    virtual void close() = 0;

Q_SIGNALS:
    void answered(std::uint16_t start, const QList<quint16>& values);
    void failed(std::uint16_t start, std::uint16_t count, const QString& cause);
};

// Where the monitor's links come from.
class MonitorPorts {
public:
    virtual ~MonitorPorts() = default;
    // The CAN choices offered: "virtualcan" first, then PLUGIN:INTERFACE for every
    // interface the CAN bus plugins report as available.
    virtual QStringList canChoices() = 0;
    // The listener of a choice ("virtualcan", "PLUGIN:INTERFACE"), not yet open; the bit
    // rate is set where the adapter allows. Throws px::Error for an unknown choice.
    virtual std::unique_ptr<BusListener> busListener(const QString& choice, std::uint32_t bitRate) = 0;
    virtual std::unique_ptr<DevicePoller> devicePoller() = 0;
};

// "HOST" or "HOST:PORT" (port 502 when none): nothing, with the cause in `error`, when the
// text names no host or its port is no number from 1 to 65535.
std::optional<DeviceAddress> parseDeviceAddress(const QString& text, std::optional<Message>* error);

} // namespace px
