#include "platform/serial_ports_qt.h"

#include "core/update/serial_update.h"

#include <QSerialPortInfo>

namespace px {

QList<SerialPort> SerialPortsQt::ports()
{
    QList<SerialPort> out;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        out.append({info.portName(), info.systemLocation()});
#ifdef Q_OS_WIN
    // The serial updater is given \\.\COM1 to \\.\COM256.
    keepComPorts(out);
#endif
    sortPorts(out);
    return out;
}

} // namespace px
