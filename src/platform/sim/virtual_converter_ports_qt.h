#pragma once

#include "core/services/virtual_converter_ports.h"

namespace px {

// The real links of the virtual converter: Qt's CAN bus plugins, text lines on standard
// input and output, and Qt's Modbus TCP server.
class VirtualConverterPortsQt final : public VirtualConverterPorts {
public:
    QStringList canChoices() override;
    std::unique_ptr<CanLink> canLink(const QString& choice, std::uint32_t bitRate) override;
    std::unique_ptr<ModbusEndpoint> modbusEndpoint() override;
};

} // namespace px
