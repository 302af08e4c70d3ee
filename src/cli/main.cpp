// px40318: compiles, checks and inspects configurations without a display. The commands
// and their syntax are in command_table.cpp.

#include "cli/command.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    // Qt's own event loop, which costs less per turn than GLib's: the tool has no windows
    // to share a loop with, and the virtual converter turns it for every Modbus request.
    // Programs the tool starts get the environment as it was.
    const bool setByUser = qEnvironmentVariableIsSet("QT_NO_GLIB");
    if (!setByUser)
        qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    if (!setByUser)
        qunsetenv("QT_NO_GLIB");
    return px::cli::runCommandLine(QCoreApplication::arguments().mid(1));
}
