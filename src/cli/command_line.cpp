// Parsing and dispatch of the px40318 command line, and the help texts made from the
// command table.

#include "cli/command.h"

#include "core/base/product.h"

#include <QCommandLineOption>

#include <algorithm>
#include <cstdio>

namespace px::cli {

namespace {

const QString kProgram = QStringLiteral("px40318");

const char* const kExitStatus =
    "Exit status: 0 success, 1 refused or failed (the cause goes to standard error and\n"
    "nothing is written), 2 wrong arguments (the command's usage goes to standard error).\n";

QString optionLabel(const Option& option)
{
    QString label = (option.name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + option.name;
    if (!option.valueName.isEmpty())
        label += u' ' + option.valueName;
    return label;
}

QString argumentLabel(const Argument& argument)
{
    switch (argument.count) {
    case Argument::Count::One:
        return argument.name;
    case Argument::Count::Optional:
        return u'[' + argument.name + u']';
    case Argument::Count::OneOrMore:
        return argument.name + QStringLiteral("...");
    case Argument::Count::Any:
        return u'[' + argument.name + QStringLiteral("...]");
    }
    return argument.name;
}

// Two columns: labels padded to a common width, descriptions beside them (below a label
// too long to leave room).
QString columns(const QList<std::pair<QString, QString>>& rows)
{
    constexpr qsizetype kMaxLabel = 22;
    qsizetype width = 0;
    for (const auto& [label, text] : rows)
        width = std::max(width, std::min(label.size(), kMaxLabel));
    QString out;
    for (const auto& [label, text] : rows) {
        out += QStringLiteral("  ") + label;
        if (label.size() > width)
            out += u'\n' + QString(width + 2, u' ');
        else
            out += QString(width - label.size(), u' ');
        out += QStringLiteral("   ") + text + u'\n';
    }
    return out;
}

const Option kHelpOption{QStringLiteral("help"), {}, QStringLiteral("show this help")};

} // namespace

QString Command::synopsis() const
{
    QStringList parts{name};
    for (const Argument& argument : arguments)
        parts << argumentLabel(argument);
    for (const Option& option : options) {
        if (!option.hidden)
            parts << u'[' + optionLabel(option) + u']';
    }
    return parts.join(u' ');
}

Option quietOption()
{
    return {QStringLiteral("quiet"), {}, QStringLiteral("print nothing on success")};
}

const Command* findCommand(const QString& name)
{
    for (const Command& command : commandTable()) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

void printOut(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stdout);
}

int failure(const QString& message)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(kProgram), message.toUtf8().constData());
    return kFailure;
}

int usageError(const QString& message, const QString& usage)
{
    std::fprintf(stderr, "%s: %s\n%s", qPrintable(kProgram), message.toUtf8().constData(), usage.toUtf8().constData());
    return kWrongArguments;
}

int Arguments::usageError(const QString& message) const
{
    return cli::usageError(message, commandUsage(m_command));
}

QString commandUsage(const Command& command)
{
    return QStringLiteral("Usage: %1 %2   (%1 help %3 explains it)\n").arg(kProgram, command.synopsis(), command.name);
}

QString toolUsage()
{
    return QStringLiteral("Usage: %1 <command> [arguments]   (%1 --help lists the commands)\n").arg(kProgram);
}

QString commandHelp(const Command& command)
{
    QString text = QStringLiteral("Usage: %1 %2\n\n").arg(kProgram, command.synopsis());
    // The help paragraphs where the row has them, else the summary as a sentence.
    text += (command.help.isEmpty() ? command.summary.left(1).toUpper() + command.summary.mid(1) + u'.' : command.help)
            + QStringLiteral("\n\n");
    if (!command.arguments.isEmpty()) {
        QList<std::pair<QString, QString>> rows;
        for (const Argument& argument : command.arguments)
            rows.append({argument.name, argument.description});
        text += QStringLiteral("Arguments:\n") + columns(rows) + u'\n';
    }
    QList<std::pair<QString, QString>> rows;
    for (const Option& option : command.options) {
        if (!option.hidden)
            rows.append({optionLabel(option), option.description});
    }
    rows.append({QStringLiteral("-h, --help"), kHelpOption.description});
    text += QStringLiteral("Options:\n") + columns(rows) + u'\n';
    return text + QLatin1StringView(kExitStatus);
}

QString toolHelp()
{
    QString text = QStringLiteral("Usage: %1 <command> [arguments]\n"
                                  "       %1 help <command>   or   %1 <command> --help   (the command's own help)\n"
                                  "\n"
                                  "Compiles, checks and inspects configurations of the %2 %3\n"
                                  "without a display.\n"
                                  "\n"
                                  "Commands:\n")
                       .arg(kProgram, product::kSoftwareCode, product::kDescription);
    for (const Command& command : commandTable())
        text += QStringLiteral("  %1\n        %2\n").arg(command.synopsis(), command.summary);
    text += QStringLiteral("\nOptions:\n");
    text += columns({{QStringLiteral("-h, --help"), QStringLiteral("show this text")},
                     {QStringLiteral("--version"), QStringLiteral("show the software code and the version")}});
    return text + u'\n' + QLatin1StringView(kExitStatus);
}

int runCommand(const Command& command, const QStringList& args)
{
    QCommandLineParser parser;
    // -out is the long option --out, not -o -u -t; options may follow the arguments, and
    // everything after -- is an argument.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    for (const Option& option : command.options)
        parser.addOption(QCommandLineOption(option.name, option.description, option.valueName));
    parser.addOption(QCommandLineOption({QStringLiteral("h"), kHelpOption.name}, kHelpOption.description));
    const QString usage = commandUsage(command);
    if (!parser.parse(QStringList{command.name} + args))
        return usageError(parser.errorText(), usage);
    if (parser.isSet(kHelpOption.name)) {
        printOut(commandHelp(command));
        return kSuccess;
    }
    for (const Option& option : command.options) {
        if (!option.valueName.isEmpty() && parser.values(option.name).size() > 1)
            return usageError(QStringLiteral("%1 given twice").arg(optionLabel(option).section(u' ', 0, 0)), usage);
    }

    const QStringList positional = parser.positionalArguments();
    qsizetype least = 0;
    bool unbounded = false;
    for (const Argument& argument : command.arguments) {
        if (argument.count == Argument::Count::One || argument.count == Argument::Count::OneOrMore)
            ++least;
        if (argument.count == Argument::Count::OneOrMore || argument.count == Argument::Count::Any)
            unbounded = true;
    }
    if (positional.size() < least) {
        const Argument& missing = command.arguments[positional.size()];
        return usageError(QStringLiteral("%1 needs %2").arg(command.name, missing.name), usage);
    }
    if (!unbounded && positional.size() > command.arguments.size())
        return usageError(QStringLiteral("unexpected argument '%1'").arg(positional[command.arguments.size()]), usage);
    return command.run(Arguments(command, parser, positional, args));
}

int runCommandLine(const QStringList& args)
{
    if (args.isEmpty())
        return usageError(QStringLiteral("no command given"), toolUsage());
    const QString& first = args.first();
    if (first == QStringLiteral("--help") || first == QStringLiteral("-h")) {
        printOut(toolHelp());
        return kSuccess;
    }
    if (first == QStringLiteral("--version")) {
        printOut(QStringLiteral("%1 %2\n").arg(product::kSoftwareCode, product::kVersion));
        return kSuccess;
    }
    if (first.startsWith(u'-'))
        return usageError(QStringLiteral("unknown option '%1'").arg(first), toolUsage());
    const Command* command = findCommand(first);
    if (command == nullptr)
        return usageError(QStringLiteral("unknown command '%1'").arg(first), toolUsage());
    return runCommand(*command, args.mid(1));
}

} // namespace px::cli
