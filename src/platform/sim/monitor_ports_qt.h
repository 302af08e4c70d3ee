#pragma once

#include "core/services/monitor_ports.h"

namespace px {

// The real links of the monitor: Qt's CAN bus plugins and Qt's Modbus TCP client.
class MonitorPortsQt final : public MonitorPorts {
public:
    QStringList canChoices() override;
    std::unique_ptr<BusListener> busListener(const QString& choice, std::uint32_t bitRate) override;
    std::unique_ptr<DevicePoller> devicePoller() override;
};

} // namespace px
