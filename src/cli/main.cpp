// px40318: compiles, checks and inspects configurations without a display. The commands
// and their syntax are in command_table.cpp.

#include "cli/command.h"
#include "platform/poll_event_dispatcher.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
#ifdef Q_OS_UNIX
    // An event loop that costs less per turn than Qt's own (and than GLib's): the tool has
    // no windows to share a loop with, and the virtual converter turns it for every Modbus
    // request.
    QCoreApplication::setEventDispatcher(new px::PollEventDispatcher);
#endif
    QCoreApplication app(argc, argv);
    return px::cli::runCommandLine(QCoreApplication::arguments().mid(1));
}
