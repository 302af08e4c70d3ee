#pragma once

#include "core/platform/virtual_converter_ports.h"

#include <memory>

namespace px {

class ConverterModbusServer;

// The virtual converter's Modbus TCP server: Qt's Modbus TCP server answering function
// codes 3 and 4 (read), 6 and 16 (write) from the converter's registers, whatever the unit
// identifier of the request.
class ModbusTcpEndpoint final : public ModbusEndpoint {
    Q_OBJECT
public:
    explicit ModbusTcpEndpoint(QObject* parent = nullptr);
    ~ModbusTcpEndpoint() override;

    void listen(const QString& address, std::uint16_t port, RegisterBank& bank) override;
    void close() override;
    std::uint16_t port() const override { return m_port; }

private:
    std::unique_ptr<ConverterModbusServer> m_server;
    std::uint16_t m_port = 0;
};

} // namespace px
