// The command table of px40318: every command, its syntax and its help, in one place.
//
// Adding a command:
//   1. Write src/cli/<name>_command.cpp with `int run<Name>Command(const Arguments& args)`
//      in namespace px::cli. Put the command's work in core as a function and keep the
//      run function thin: read args.positional() / args.value("option") / args.isSet(),
//      call core, print the result with printOut() (honour --quiet when the command
//      prints progress), return kSuccess, or failure(cause) (exit status 1, nothing
//      written), or args.usageError(message) for a wrong value (exit status 2).
//   2. Declare the run function below and add one row to the table: name, one-line
//      summary, positional arguments, options (quietOption() where it prints progress),
//      the help paragraphs and the run function.
// The build picks the new file up by itself. Parsing, `px40318 help NAME`, `NAME --help`,
// the usage on wrong arguments, the top-level help, the man page and the bash completion
// are all made from the row, so nothing else needs changing.

#include "cli/command.h"

namespace px::cli {

int runCompileCommand(const Arguments& args);
int runDumpCommand(const Arguments& args);
int runHelpCommand(const Arguments& args);

namespace {

using Count = ArgumentSpec::Count;

QList<Command> makeTable()
{
    return {
        {
            QStringLiteral("compile"),
            QStringLiteral("compile a configuration folder into its four images"),
            {{QStringLiteral("DIR"), QStringLiteral("the configuration folder")}},
            {{QStringLiteral("out"), QStringLiteral("OUTDIR"),
              QStringLiteral("write the images into OUTDIR (created when missing) instead of DIR/bin")},
             quietOption()},
            QStringLiteral("Compiles the configuration folder DIR (ParGen.xml, RCobDef.xml, TCobDef.xml,\n"
                           "RInfoCob.xml, TInfoCob.xml; a missing file counts as empty) into the four\n"
                           "images bank.bin, bank2.bin, bank_ESP32_1.bin and bank_ESP32_2.bin, written into\n"
                           "DIR/bin or OUTDIR, and lists each image with its size.\n"
                           "\n"
                           "All four are built before any is written, and replaced together: on an error\n"
                           "the cause (file, row, attribute) goes to standard error and nothing is written."),
            &runCompileCommand,
        },
        {
            QStringLiteral("dump"),
            QStringLiteral("decode a configuration image into readable text"),
            {{QStringLiteral("FILE"), QStringLiteral("any of the four images")}},
            {},
            QStringLiteral("Decodes any of the four images into readable text: the legacy header and\n"
                           "sections, the frame and mapping entries in use, the default values that are\n"
                           "set, every parameter-record field and whether the stored checksum is right.\n"
                           "A file longer than the longest image is refused."),
            &runDumpCommand,
        },
        {
            QStringLiteral("help"),
            QStringLiteral("show the list of commands, or the help of one command"),
            {{QStringLiteral("COMMAND"), QStringLiteral("the command to explain"), Count::Optional}},
            {{QStringLiteral("man"), {}, QStringLiteral("print the manual page (roff) made from this table"), true},
             {QStringLiteral("bash-completion"), {}, QStringLiteral("print the bash completion made from this table"), true}},
            QStringLiteral("Without COMMAND, lists every command; with it, shows that command's help, as\n"
                           "px40318 COMMAND --help does."),
            &runHelpCommand,
        },
    };
}

} // namespace

std::span<const Command> commandTable()
{
    static const QList<Command> table = makeTable();
    return {table.cbegin(), table.cend()};
}

} // namespace px::cli
