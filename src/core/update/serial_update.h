#pragma once

#include "core/services/serial_ports.h"

#include <QList>
#include <QString>

namespace px {

struct Workspace;

// What the serial updater is asked to do.
struct SerialUpdateJob {
    QString devicePath;          // system location of the port (\\.\COM3, /dev/ttyUSB0)
    bool firmware = true;        // FW
    bool readFirmware = true;    // FR
    bool configuration = true;   // PW
    bool readConfiguration = true; // PR
    QString masterFolder;        // Workspace::masterFolder
    QString configurationFolder; // Workspace::configurationFolder
};

// The serial updater's parameter text: the device path, the four operation tokens (a
// clear option gives "NO"), the quoted firmware image path and the quoted bin folder whose
// closing quote follows its final separator directly. Paths are in the platform's native
// form. Where the text is split by Qt's quoting rules (not on Windows) a double quote
// inside a path is written as three, so the updater receives the path unchanged.
QString serialUpdateParameters(const SerialUpdateJob& job);

// The serial updater program beside the executable (its file name is fixed).
QString serialUpdaterProgram(const Workspace& ws);

// The firmware image the serial updater is given, in the MASTER folder.
QString serialFirmwareImage(const QString& masterFolder);

// Orders port names as a person reads them: runs of digits compare as numbers, the rest
// as text without regard to letter case (COM2 < COM10, ttyS9 < ttyS10 < ttyUSB0).
// Negative, zero or positive like a three-way comparison.
int comparePortNames(const QString& a, const QString& b);

// Sorts the ports by comparePortNames of their names.
void sortPorts(QList<SerialPort>& ports);

// Where ports carry COM device names, the ones the updater is offered: "COM" followed by a
// number from 1 to 256 written without leading zeros. Other names and higher numbers are
// dropped.
void keepComPorts(QList<SerialPort>& ports);

} // namespace px
