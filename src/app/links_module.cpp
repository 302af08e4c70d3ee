// The module px_links: the links to devices and networks (app/modules.h).

#include "app/modules.h"
#include "platform/http10_getter.h"
#include "platform/serial_ports_qt.h"
#include "platform/sim/monitor_ports_qt.h"
#include "platform/sim/virtual_converter_ports_qt.h"

extern "C" Q_DECL_EXPORT px::LinkServices* px_link_services()
{
    static px::SerialPortsQt serialPorts;
    static px::Http10Getter http;
    static px::VirtualConverterPortsQt converterPorts;
    static px::MonitorPortsQt monitorPorts;
    static px::LinkServices services{serialPorts, http, converterPorts, monitorPorts};
    return &services;
}
