#include "platform/sim/virtual_converter_ports_qt.h"

#include "core/base/error.h"
#include "core/lang/message_ids.h"
#include "platform/sim/modbus_tcp_endpoint.h"
#include "platform/sim/qt_can_link.h"
#include "platform/sim/stdio_can_link.h"

#include <QCanBus>

namespace px {

QStringList VirtualConverterPortsQt::canChoices()
{
    QStringList choices{QStringLiteral("virtualcan")};
    for (const QString& plugin : QCanBus::instance()->plugins()) {
        for (const QCanBusDeviceInfo& info : QCanBus::instance()->availableDevices(plugin))
            choices << plugin + u':' + info.name();
    }
    choices.removeDuplicates();
    return choices;
}

std::unique_ptr<CanLink> VirtualConverterPortsQt::canLink(const QString& choice, std::uint32_t bitRate)
{
    if (choice == QStringLiteral("stdio"))
        return std::make_unique<StdioCanLink>();
    if (choice == QStringLiteral("virtualcan"))
        return std::make_unique<QtCanLink>(QStringLiteral("virtualcan"), QStringLiteral("can0"), bitRate);
    const qsizetype colon = choice.indexOf(u':');
    const QString plugin = choice.left(colon);
    const QString interfaceName = colon < 0 ? QString() : choice.mid(colon + 1);
    if (colon <= 0 || interfaceName.isEmpty())
        throw Error(msg::kConverterCanChoice, {choice});
    const QStringList plugins = QCanBus::instance()->plugins();
    if (!plugins.contains(plugin))
        throw Error(msg::kNoCanPlugin, {plugin, plugins.join(QStringLiteral(", "))});
    return std::make_unique<QtCanLink>(plugin, interfaceName, bitRate);
}

std::unique_ptr<ModbusEndpoint> VirtualConverterPortsQt::modbusEndpoint()
{
    return std::make_unique<ModbusTcpEndpoint>();
}

} // namespace px
