#pragma once

#include "core/services/monitor_ports.h"

class QModbusTcpClient;

namespace px {

// Reads registers of a real converter with Qt's Modbus TCP client, from the one address
// given and nowhere else.
class ModbusDevicePoller final : public DevicePoller {
    Q_OBJECT
public:
    explicit ModbusDevicePoller(QObject* parent = nullptr);
    ~ModbusDevicePoller() override;

    void connectTo(const DeviceAddress& address, int timeoutMs) override;
    bool isConnected() const override;
    void read(std::uint16_t start, std::uint16_t count) override;
    void close() override;

private:
    QModbusTcpClient* m_client = nullptr;
    DeviceAddress m_address;
};

} // namespace px
