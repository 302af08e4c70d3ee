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

int runCheckCommand(const Arguments& args);
int runCompileCommand(const Arguments& args);
int runDbcCommand(const Arguments& args);
int runImportCommand(const Arguments& args);
int runCopyCommand(const Arguments& args);
int runDumpCommand(const Arguments& args);
int runHelpCommand(const Arguments& args);
int runSimulateCommand(const Arguments& args);
int runMonitorCommand(const Arguments& args);
int runMapCommand(const Arguments& args);
int runReportCommand(const Arguments& args);
int runPackCommand(const Arguments& args);
int runUnpackCommand(const Arguments& args);
int runHistoryCommand(const Arguments& args);
int runDiffCommand(const Arguments& args);

namespace {

using Count = Argument::Count;

QList<Command> makeTable()
{
    return {
        {
            QStringLiteral("compile"),
            QStringLiteral("compile a configuration folder into its four images"),
            {{QStringLiteral("DIR"), QStringLiteral("the configuration folder")}},
            {{QStringLiteral("out"), QStringLiteral("OUTDIR"),
              QStringLiteral("write the images into OUTDIR (created when missing) instead of DIR/bin")},
             quietOption(),
             {QStringLiteral("strict"), {}, QStringLiteral("refuse to compile when the check finds an error")}},
            QStringLiteral("Compiles the configuration folder DIR (ParGen.xml, RCobDef.xml, TCobDef.xml,\n"
                           "RInfoCob.xml, TInfoCob.xml; a missing file counts as empty) into the four\n"
                           "images bank.bin, bank2.bin, bank_ESP32_1.bin and bank_ESP32_2.bin, written into\n"
                           "DIR/bin or OUTDIR, and lists each image with its size.\n"
                           "\n"
                           "All four are built before any is written, and replaced together: on an error\n"
                           "the cause (file, row, attribute) goes to standard error and nothing is written.\n"
                           "\n"
                           "The findings of px40318 check go to standard error first; the compile goes on\n"
                           "unless --strict is given and one of them is an error."),
            &runCompileCommand,
        },
        {
            QStringLiteral("check"),
            QStringLiteral("look across the five files for what no editor checks"),
            {{QStringLiteral("DIR"), QStringLiteral("the configuration folder")}},
            {{QStringLiteral("json"), {}, QStringLiteral("print the findings as a JSON array")}},
            QStringLiteral("Prints one line per finding, 'file:row: severity code: message' (row 0 stands\n"
                           "for the file as a whole), then a summary line; with --json a JSON array of\n"
                           "objects (file, row, severity, code, attribute, message) and the summary on\n"
                           "standard error.\n"
                           "\n"
                           "Errors are what makes the device behave otherwise than the editors show:\n"
                           "duplicate receive identifiers, identifiers beyond their format, mappings onto\n"
                           "no frame or beyond the data length, registers mapped twice, more than the\n"
                           "images hold, values the compile refuses or reads otherwise than the editors\n"
                           "show. Warnings are legal but probably a mistake: unmapped frames and bytes,\n"
                           "bytes feeding two registers, frames never sent, a gateway outside the subnet,\n"
                           "a bus load above 50 %.\n"
                           "\n"
                           "Exit status 1 when there is an error, 0 with warnings only."),
            &runCheckCommand,
        },
        {
            QStringLiteral("map"),
            QStringLiteral("list the register map of a configuration"),
            {{QStringLiteral("DIR"), QStringLiteral("the configuration folder")}},
            {{QStringLiteral("format"), QStringLiteral("FORMAT"), QStringLiteral("text (the default), csv, html or md"), false,
              {QStringLiteral("text"), QStringLiteral("csv"), QStringLiteral("html"), QStringLiteral("md")}},
             {QStringLiteral("out"), QStringLiteral("FILE"), QStringLiteral("write the map into FILE instead of standard output")}},
            QStringLiteral("Lists every mapped register of both directions in index order (frame, Cob-ID\n"
                           "and format, mnemonic, high and low data byte, send on write) and each frame's\n"
                           "eight data bytes with the register part each feeds."),
            &runMapCommand,
        },
        {
            QStringLiteral("report"),
            QStringLiteral("write the commissioning report of a configuration"),
            {{QStringLiteral("DIR"), QStringLiteral("the configuration folder")}},
            {{QStringLiteral("out"), QStringLiteral("FILE"), QStringLiteral("write the report into FILE instead of standard output")}},
            QStringLiteral("One HTML document: the configuration's name and the date, the device, the\n"
                           "communication settings, both frame lists, both register maps with their byte\n"
                           "strips, the findings, the bus-load estimate and the four images compiled in\n"
                           "memory with their sizes and the parameter record's checksums. No image is\n"
                           "written."),
            &runReportCommand,
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
            QStringLiteral("simulate"),
            QStringLiteral("run a configuration as a virtual converter for a Modbus TCP master"),
            {{QStringLiteral("DIR"), QStringLiteral("the configuration folder")}},
            {{QStringLiteral("port"), QStringLiteral("N"),
              QStringLiteral("listen for Modbus TCP on port N (default 1502, 0 for any free port)")},
             {QStringLiteral("can"), QStringLiteral("CHOICE"),
              QStringLiteral("the CAN side: virtualcan (default), PLUGIN:INTERFACE or stdio"), false,
              {QStringLiteral("virtualcan"), QStringLiteral("stdio")}},
             {QStringLiteral("log"), QStringLiteral("FILE"), QStringLiteral("append the event log to FILE (- for the console)")},
             {QStringLiteral("address"), QStringLiteral("ADDR"), QStringLiteral("listen on ADDR instead of 127.0.0.1")},
             {QStringLiteral("replay"), QStringLiteral("FILE"), QStringLiteral("play the frames of a candump log into the converter, then stop")},
             {QStringLiteral("speed"), QStringLiteral("X"), QStringLiteral("replay X times as fast as captured (default 1)")},
             {QStringLiteral("as-fast-as-possible"), QString(),
              QStringLiteral("replay at once, the converter running on the capture's time")}},
            QStringLiteral("Compiles the configuration folder DIR in memory and runs its bank2.bin as the\n"
                           "configurator's model of the converter: a Modbus TCP server on 127.0.0.1 (holding\n"
                           "registers 0 to 65535, function codes 3, 4, 6 and 16, any unit identifier) and a\n"
                           "CAN side. Received frames set the registers mapped onto their bytes; writes to\n"
                           "registers of transmit mappings fill transmit frames, sent on change, on write\n"
                           "and on timer; a write to any other register is refused with exception 2.\n"
                           "\n"
                           "The CAN side is virtualcan (Qt's virtual bus, which other Qt CAN tools on this\n"
                           "computer join), any Qt CAN bus plugin and interface (socketcan:vcan0,\n"
                           "peakcan:usb0), or stdio: frames in the candump log format,\n"
                           "\"(1700000000.000000) vcan0 181#1122334455667788\", remote frames as \"181#R\",\n"
                           "read from standard input and written to standard output.\n"
                           "\n"
                           "Prints where it listens (to standard error in stdio mode). With --log, logs each\n"
                           "frame, register change, Modbus write and refused request; without it, no event\n"
                           "log is kept. A log file that cannot be written (a full disk) is said once and the\n"
                           "run ends with exit status 1. Runs until Ctrl+C, or the end of the input in stdio\n"
                           "mode. A configuration that does not compile stops it with exit status 1.\n"
                           "\n"
                           "--replay FILE plays a candump log (\"(1700000000.123456) can0 181#1122\" per line)\n"
                           "into the converter's receive side at the pace it was captured, --speed X times\n"
                           "as fast; with --as-fast-as-possible at once, the converter's time-outs and timers\n"
                           "running on the capture's time stamps. The run stops at the end of the log."),
            &runSimulateCommand,
        },
        {
            QStringLiteral("monitor"),
            QStringLiteral("compare a real CAN bus and a real converter with a configuration"),
            {{QStringLiteral("DIR"), QStringLiteral("the configuration folder")}},
            {{QStringLiteral("can"), QStringLiteral("CHOICE"), QStringLiteral("the bus to watch: virtualcan or PLUGIN:INTERFACE"),
              false, {QStringLiteral("virtualcan")}},
             {QStringLiteral("modbus"), QStringLiteral("HOST[:PORT]"),
              QStringLiteral("poll the converter at this address (port 502 unless given)")},
             {QStringLiteral("unit"), QStringLiteral("N"), QStringLiteral("the Modbus unit identifier (default 1)")},
             {QStringLiteral("poll"), QStringLiteral("MS"), QStringLiteral("read every mapped register every MS milliseconds (default 1000)")},
             {QStringLiteral("function"), QStringLiteral("CODE"),
              QStringLiteral("read holding registers (3, default) or input registers (4)"), false,
              {QStringLiteral("3"), QStringLiteral("4")}},
             {QStringLiteral("duration"), QStringLiteral("S"), QStringLiteral("end by itself after S seconds")},
             {QStringLiteral("json"), QString(), QStringLiteral("print the summary as one JSON object")}},
            QStringLiteral("Listens to the CAN bus (never sending on it) and compares what it carries with the\n"
                           "configuration folder DIR: for every configured frame of both directions the frames\n"
                           "seen, the measured period, the data length against the configured one and how\n"
                           "often its time-out would have fired; identifiers the configuration does not know,\n"
                           "with their count and rate; remote and error frames; the bus load against the\n"
                           "check's estimate.\n"
                           "\n"
                           "With --modbus it reads every mapped register of the converter at HOST (the one\n"
                           "address given; nothing is searched) with function code 3 or 4, in requests of at\n"
                           "most 125 registers. The frames seen drive the configurator's model of the\n"
                           "converter; a register that disagrees with the model for longer than one poll\n"
                           "period plus its frame's period is a mismatch, reported with the time it began.\n"
                           "\n"
                           "Runs until Ctrl+C or for --duration seconds, then prints the summary (with --json\n"
                           "as one JSON object). Exit status 1 when an expected frame (every receive frame and\n"
                           "every transmit frame on timer) was never seen or a mismatch remains."),
            &runMonitorCommand,
        },
        {
            QStringLiteral("dbc"),
            QStringLiteral("write a configuration as a CAN database (DBC)"),
            {{QStringLiteral("DIR"), QStringLiteral("the configuration folder")}},
            {{QStringLiteral("out"), QStringLiteral("FILE"), QStringLiteral("write FILE instead of DIR/<folder name>.dbc")},
             quietOption()},
            QStringLiteral("Writes every frame of both directions of the configuration folder DIR as a\n"
                           "message of a CAN database: 29-bit identifiers with bit 31 set, the mnemonic\n"
                           "made a valid name, one signal per mapped register part (R<index>_HI,\n"
                           "R<index>_LO, or one 16-bit signal R<index> where high and low part are\n"
                           "adjacent bytes, in Motorola or Intel order) and the timer of timed frames as\n"
                           "GenMsgCycleTime. The converter is the node PX40318, the rest of the bus the\n"
                           "node CAN_Bus. Frames or entries that cannot be written are named on\n"
                           "standard error and left out."),
            &runDbcCommand,
        },
        {
            QStringLiteral("import"),
            QStringLiteral("add frames of a CAN database or a candump capture to a configuration"),
            {{QStringLiteral("DIR"), QStringLiteral("the configuration folder")},
             {QStringLiteral("FILE"), QStringLiteral("a CAN database (.dbc) or a candump capture")}},
            {{QStringLiteral("receive"), QStringLiteral("IDS"), QStringLiteral("the frames to add to the receive list: identifiers separated by commas, or all")},
             {QStringLiteral("transmit"), QStringLiteral("IDS"), QStringLiteral("the frames to add to the transmit list (a database only)")},
             {QStringLiteral("registers-from"), QStringLiteral("N"),
              QStringLiteral("number the new registers from N (default: one past the highest in use)")},
             quietOption()},
            QStringLiteral("Appends the chosen frames after the last frame of the receive or transmit list\n"
                           "of DIR and maps their signals onto registers of the same direction: an 8-bit\n"
                           "byte-aligned signal onto a register's low part, a 16-bit one onto one register,\n"
                           "a 32-bit one onto two consecutive registers, the high word first. Registers are\n"
                           "numbered in the order of the file, skipping indexes in use. A receive frame\n"
                           "with a cycle time (or a capture's mean period) gets a time-out of three of them,\n"
                           "a transmit frame with a cycle time is sent on that timer (dip-switch device).\n"
                           "Prints each frame and register added and each signal not mapped, with why.\n"
                           "\n"
                           "The frame list and the mapping of a direction are written together. When an\n"
                           "identifier is not in FILE or the frames or entries would not fit, nothing is\n"
                           "written and the exit status is 1."),
            &runImportCommand,
        },
        {
            QStringLiteral("copy"),
            QStringLiteral("make a new configuration from an existing one, with offsets"),
            {{QStringLiteral("SRC"), QStringLiteral("the configuration folder copied")},
             {QStringLiteral("DST"), QStringLiteral("the new configuration folder (must not exist)")}},
            {{QStringLiteral("id-offset"), QStringLiteral("N"),
              QStringLiteral("add N to every CAN identifier (both directions unless --tx-id-offset is given)")},
             {QStringLiteral("tx-id-offset"), QStringLiteral("N"), QStringLiteral("add N to every transmitted CAN identifier")},
             {QStringLiteral("register-offset"), QStringLiteral("N"),
              QStringLiteral("add N to every register index (both directions unless --tx-register-offset is given)")},
             {QStringLiteral("tx-register-offset"), QStringLiteral("N"),
              QStringLiteral("add N to every register index of the transmit mapping")},
             quietOption()},
            QStringLiteral("Makes the configuration DST from SRC, for a series of identical machines. N is\n"
                           "an integer in decimal, or hexadecimal after $, x or 0x, and may be negative.\n"
                           "An identifier must stay within its frame's format (11 or 29 bits) and a\n"
                           "register within 0 to 65535; otherwise the frame or register is named on\n"
                           "standard error and nothing is written. Identifiers and indexes keep their\n"
                           "notation (hexadecimal stays hexadecimal). Everything else is copied as it is;\n"
                           "the images are not (DST/bin is empty), nor the CSV export of a mapping whose\n"
                           "registers moved. DST's name follows the rules of a new configuration: an\n"
                           "existing one, also in another letter case, is refused."),
            &runCopyCommand,
        },
        {
            QStringLiteral("pack"),
            QStringLiteral("pack a configuration folder into one .zip file"),
            {{QStringLiteral("DIR"), QStringLiteral("the configuration folder")}},
            {{QStringLiteral("out"), QStringLiteral("FILE.zip"),
              QStringLiteral("write the archive to FILE.zip instead of DIR's name with .zip in the current folder")},
             {QStringLiteral("with-images"), {}, QStringLiteral("add the compiled images of DIR/bin")},
             quietOption()},
            QStringLiteral("Packs the configuration folder DIR into one .zip file to hand on: its five XML\n"
                           "files, the CSV exports of its register mappings when they exist, the images of\n"
                           "DIR/bin with --with-images, and a manifest naming the product, the version, the\n"
                           "configuration, the date and the device generation. The archive is written\n"
                           "whole through a temporary file, and its path is printed."),
            &runPackCommand,
        },
        {
            QStringLiteral("unpack"),
            QStringLiteral("unpack a configuration archive into a folder of configurations"),
            {{QStringLiteral("FILE.zip"), QStringLiteral("an archive made by pack or by the configurator's Export")},
             {QStringLiteral("DESTDIR"), QStringLiteral("the folder that receives the configuration, PROJECTS for one")}},
            {{QStringLiteral("name"), QStringLiteral("NAME"),
              QStringLiteral("the configuration's name; default: the name in the manifest")},
             quietOption()},
            QStringLiteral("Unpacks the archive as the configuration DESTDIR/NAME. The name follows the\n"
                           "rules of a new configuration: an existing configuration of that name, also in\n"
                           "another letter case, is refused. The archive is checked whole before anything\n"
                           "is written: a file that is no archive of this product's configuration, an\n"
                           "entry that leaves the configuration folder or is a link, or an entry larger\n"
                           "than any configuration file can be is refused, and nothing is written. The\n"
                           "files are unpacked into a temporary folder that is renamed at the end."),
            &runUnpackCommand,
        },
        {
            QStringLiteral("history"),
            QStringLiteral("list the device updates recorded for a configuration"),
            {{QStringLiteral("DIR"), QStringLiteral("the configuration folder")}},
            {{QStringLiteral("json"), {}, QStringLiteral("print the updates as a JSON array")}},
            QStringLiteral("Lists the updates recorded in DIR/history, oldest first, one line each: the\n"
                           "entry (the date and time the update ended, UTC), the route and the device's\n"
                           "port or IP address, the operations and the updater's result (ended, failed\n"
                           "with its exit status, crashed, cancelled, wait ran out). Every update the\n"
                           "configurator ran left such an entry: the five XML files and the four images\n"
                           "it handed to the updater, and update.json. An entry folder is a configuration\n"
                           "folder itself: compare it with px40318 diff."),
            &runHistoryCommand,
        },
        {
            QStringLiteral("diff"),
            QStringLiteral("compare two configurations, or a configuration and an update of its history"),
            {{QStringLiteral("A"), QStringLiteral("a configuration folder or an entry of DIR/history")},
             {QStringLiteral("B"), QStringLiteral("another one")}},
            {{QStringLiteral("json"), {}, QStringLiteral("print the differences as one JSON object")}},
            QStringLiteral("Compares the general parameters by name (as ParGen.xml names them), the frames\n"
                           "of each direction by identifier and the register mapping of each direction by\n"
                           "register, and prints what was added, removed or changed from A to B with the\n"
                           "values on both sides. A mapping entry names its frame by identifier, so a\n"
                           "frame that only moved in its list changes nothing. Exit status 0 whether or\n"
                           "not they differ, 1 when a folder cannot be read."),
            &runDiffCommand,
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
