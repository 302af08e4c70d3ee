#include "platform/sim/monitor_ports_qt.h"

#include "core/base/error.h"
#include "core/lang/message_ids.h"
#include "platform/sim/modbus_device_poller.h"
#include "platform/sim/qt_bus_listener.h"
#include "platform/sim/virtual_converter_ports_qt.h"

#include <QCanBus>

namespace px {

QStringList MonitorPortsQt::canChoices()
{
    return VirtualConverterPortsQt().canChoices();
}

std::unique_ptr<BusListener> MonitorPortsQt::busListener(const QString& choice, std::uint32_t bitRate)
{
    if (choice == QStringLiteral("virtualcan"))
        return std::make_unique<QtBusListener>(QStringLiteral("virtualcan"), QStringLiteral("can0"), bitRate);
    const qsizetype colon = choice.indexOf(u':');
    const QString plugin = choice.left(colon);
    const QString interfaceName = colon < 0 ? QString() : choice.mid(colon + 1);
    if (colon <= 0 || interfaceName.isEmpty())
        throw Error(msg::kMonitorCanChoice, {choice});
    const QStringList plugins = QCanBus::instance()->plugins();
    if (!plugins.contains(plugin))
        throw Error(msg::kNoCanPlugin, {plugin, plugins.join(QStringLiteral(", "))});
    return std::make_unique<QtBusListener>(plugin, interfaceName, bitRate);
}

std::unique_ptr<DevicePoller> MonitorPortsQt::devicePoller()
{
    return std::make_unique<ModbusDevicePoller>();
}

} // namespace px
