// px40318: compiles, checks and inspects configurations without a display. The commands
// and their syntax are in command_table.cpp.

#include "cli/command.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return px::cli::runCommandLine(QCoreApplication::arguments().mid(1));
}
