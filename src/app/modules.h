#pragma once

// The parts of the configurator that need a library only some windows use. Each is a
// module of its own beside the executable (or in ../lib/px40318 of an installed tree),
// loaded when the first window that needs it opens, so that the start loads none of these
// libraries:
//   px_links   CAN bus, Modbus TCP, serial ports, HTTP   Qt SerialBus, SerialPort, Network
//   px_print   printing the register map                 Qt PrintSupport
//   px_zip     configurations as .zip files              QuaZip
// A module finds the rest of the program (core, windows) in the executable, which exports
// its symbols; it holds only its own code. Each gives one entry function, declared here.

#include <QString>

namespace px {

class ConfigurationArchives;
class HttpGetter;
class MessageTable;
class MonitorPorts;
class PagePrinter;
class Prompter;
class SerialPorts;
class VirtualConverterPorts;

// What px_links gives: the links of the update, the version check, the virtual converter
// and the monitor.
struct LinkServices {
    SerialPorts& serialPorts;
    HttpGetter& http;
    VirtualConverterPorts& converterPorts;
    MonitorPorts& monitorPorts;
};

// Loads the modules, each once, and keeps them loaded.
class Modules {
public:
    Modules(Prompter& prompter, const MessageTable& messages) : m_prompter(prompter), m_messages(messages) {}

    // Each is nothing when its module cannot be loaded; the person is told why, unless
    // `quiet` (a check in the background).
    LinkServices* links(bool quiet = false);
    PagePrinter* printer();
    ConfigurationArchives* archives();

private:
    void* entry(const QString& module, const char* function, bool quiet);

    Prompter& m_prompter;
    const MessageTable& m_messages;
};

} // namespace px

extern "C" {
px::LinkServices* px_link_services();
px::PagePrinter* px_page_printer();
px::ConfigurationArchives* px_configuration_archives();
}
