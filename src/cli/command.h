#pragma once

// The commands of px40318: how each is described, parsed and run. The table of commands
// lives in command_table.cpp; each command's work in <name>_command.cpp.

#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

#include <span>

namespace px::cli {

// Exit statuses shared by every command.
inline constexpr int kSuccess = 0;
inline constexpr int kFailure = 1;       // refused or failed: the cause on standard error, nothing written
inline constexpr int kWrongArguments = 2; // the command's usage on standard error

// One option of a command, always written as --name (or -x for a one-letter name).
struct Option {
    QString name;          // "out"
    QString valueName;     // "OUTDIR"; empty for a switch
    QString description;   // one line, lower case, no full stop
    bool hidden = false;   // accepted but left out of help, man page and completion
    QStringList choices;   // the values the shell completion offers; none: by valueName
};

// One positional argument of a command.
struct Argument {
    enum class Count { One, Optional, OneOrMore, Any };
    QString name;          // "DIR"
    QString description;
    Count count = Count::One;
};

class Arguments;
struct Command;

using RunFunction = int (*)(const Arguments&);

// One row of the command table.
struct Command {
    QString name;                   // what is typed after px40318
    QString summary;                // one line for the list of commands
    QList<Argument> arguments;  // in the order they are typed
    QList<Option> options;      // --help is added to every command
    QString help;                   // paragraphs of the command's own help, after the usage
    RunFunction run = nullptr;

    // "compile DIR [--out OUTDIR] [--quiet]"
    QString synopsis() const;
};

// The arguments after the command name, parsed by the command's row with
// QCommandLineParser; what run functions read.
class Arguments {
public:
    Arguments(const Command& command, const QCommandLineParser& parser, QStringList positional, QStringList raw)
        : m_command(command), m_parser(parser), m_positional(std::move(positional)), m_raw(std::move(raw))
    {
    }

    const Command& command() const { return m_command; }
    // The positional arguments, in order (their number already checked against the row).
    const QStringList& positional() const { return m_positional; }
    QString positional(qsizetype index) const { return m_positional.value(index); }
    bool isSet(const QString& option) const { return m_parser.isSet(option); }
    QString value(const QString& option) const { return m_parser.value(option); }
    // The arguments as typed after the command name.
    const QStringList& raw() const { return m_raw; }

    // For checks a command makes itself: the message and the command's usage on standard
    // error; returns kWrongArguments.
    int usageError(const QString& message) const;

private:
    const Command& m_command;
    const QCommandLineParser& m_parser;
    QStringList m_positional;
    QStringList m_raw;
};

// The table, in the order the help lists it, and a look-up by name (nullptr when unknown).
std::span<const Command> commandTable();
const Command* findCommand(const QString& name);

// Parses `args` (what follows the command name) by the command's row and runs it: --help
// prints its help, wrong arguments its usage with kWrongArguments.
int runCommand(const Command& command, const QStringList& args);
// The whole command line after the program name.
int runCommandLine(const QStringList& args);

// Texts made from the table, for help, the man page and the shell completion.
QString commandHelp(const Command& command);
QString commandUsage(const Command& command);
QString toolHelp();
QString toolUsage();
QString manPage();
QString bashCompletion();

// Output helpers: text as UTF-8 on standard output, and a failure's cause on standard
// error ("px40318: cause"), returning kFailure.
void printOut(const QString& text);
int failure(const QString& message);
int usageError(const QString& message, const QString& usage);

// --quiet, for commands that print progress or a listing of what they wrote.
Option quietOption();

} // namespace px::cli
