#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace px {

struct Workspace;

// What the Ethernet updater is asked to do.
struct EthernetUpdateJob {
    QString ipAddress;            // the four address boxes joined by ".", as typed
    bool firmware = true;
    bool readFirmware = true;
    bool configuration = true;
    bool readConfiguration = true;
    QString masterFolder;         // Workspace::masterFolder
    QString configurationFolder;  // Workspace::configurationFolder
};

// The job file Ethernet_Update.xml: the device address and ports, the protection values,
// then the operations of the main processor and of the ESP32. Image paths are in the
// platform's native form.
QByteArray ethernetJobBytes(const EthernetUpdateJob& job);

// Writes the job file atomically, replacing any previous one; throws px::Error naming
// the file when it cannot be written.
void writeEthernetJob(const EthernetUpdateJob& job, const QString& path);

// Where the job file and the Ethernet updater lie: beside the executable.
QString ethernetJobFile(const Workspace& ws);
QString ethernetUpdaterProgram(const Workspace& ws);

// The firmware images of the main processor and of the ESP32, in the MASTER folder.
QStringList ethernetFirmwareImages(const QString& masterFolder);

// Splits a dotted address into its four parts for the address boxes: the text is trimmed,
// cut at its first three dots, each part trimmed and read as an integer (an invalid text
// counts as 1000) that must lie in 0 to 255. The parts are returned as they stand in the
// text ("0x0A" stays "0x0A"); nothing when the text is not such an address.
std::optional<std::array<QString, 4>> splitDeviceAddress(const QString& text);

} // namespace px
