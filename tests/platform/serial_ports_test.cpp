#include "platform/serial_ports_qt.h"

#include "core/update/serial_update.h"

#include <QSerialPortInfo>

#include <gtest/gtest.h>

namespace px {
namespace {

TEST(SerialPortsQt, ListsEverySystemPortWithItsDevicePathInNameOrder)
{
    SerialPortsQt service;
    const QList<SerialPort> ports = service.ports();
    QList<SerialPort> expected;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        expected.append({info.portName(), info.systemLocation()});
    ASSERT_EQ(ports.size(), expected.size());
    for (const SerialPort& p : expected)
        EXPECT_TRUE(ports.contains(p)) << p.name.toStdString();
    for (qsizetype i = 1; i < ports.size(); ++i)
        EXPECT_LT(comparePortNames(ports[i - 1].name, ports[i].name), 0);
#ifdef Q_OS_LINUX
    for (const SerialPort& p : ports)
        EXPECT_TRUE(p.systemLocation.startsWith(QStringLiteral("/dev/tty"))) << p.systemLocation.toStdString();
#endif
}

} // namespace
} // namespace px
