#pragma once

#include "core/services/serial_ports.h"

namespace px {

// The serial ports that the system reports (on Linux the /dev/tty* serial devices), in
// the order a person reads their names. Listing opens no port, so a port that another
// program holds is listed too.
class SerialPortsQt final : public SerialPorts {
public:
    QList<SerialPort> ports() override;
};

} // namespace px
