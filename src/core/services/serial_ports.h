#pragma once

#include <QList>
#include <QString>

namespace px {

// One serial port of the PC: the name shown in the port list (COM3, ttyUSB0) and the
// device path that the serial updater opens (\\.\COM3, /dev/ttyUSB0).
struct SerialPort {
    QString name;
    QString systemLocation;

    friend bool operator==(const SerialPort&, const SerialPort&) = default;
};

// The serial ports that exist, whether another program holds them or not, sorted by name
// with the numbers in the names compared as numbers (COM2 before COM10).
class SerialPorts {
public:
    virtual ~SerialPorts() = default;
    virtual QList<SerialPort> ports() = 0;
};

} // namespace px
