#pragma once

#include "core/services/virtual_converter_ports.h"

class QTcpServer;

namespace px {

class ModbusConnection;

// The virtual converter's Modbus TCP server: function codes 3 and 4 (read), 6 and 16
// (write) answered from the converter's registers, whatever the unit identifier of the
// request; any other function is answered with exception 1, a quantity or length the
// function does not take with exception 3, registers past 65535 or a write to a register
// no transmit mapping uses with exception 2.
//
// Each connection is served on its own: a request is answered as soon as it is whole, a
// client that sends part of a request and stays silent holds up no other, a client that
// sends requests without reading the replies is no longer read from once more than
// kMostUnsentBytes of replies wait for it, and a connection answers at most a few requests
// in a row before the others get their turn.
class ModbusTcpEndpoint final : public ModbusEndpoint {
    Q_OBJECT
public:
    // The replies that may wait unsent for one client before its requests are left unread.
    static constexpr qint64 kMostUnsentBytes = 1 << 20;

    explicit ModbusTcpEndpoint(QObject* parent = nullptr);
    ~ModbusTcpEndpoint() override;

    void listen(const QString& address, std::uint16_t port, RegisterBank& bank) override;
    void close() override;
    std::uint16_t port() const override { return m_port; }

    // The connections open now, and the reply bytes waiting to be sent over all of them.
    int connectionCount() const;
    qint64 unsentBytes() const;

private:
    QTcpServer* m_listener = nullptr;
    std::uint16_t m_port = 0;
};

} // namespace px
